// Win32 private heaps and global memory. Heap blocks die with their heap.
// Global blocks are fixed (the handle is the address) or moveable (the
// handle is locked to get the address); handles that the platform did not
// hand out are refused, never dereferenced.
#pragma once

#include "wintypes.h"

#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008

HANDLE HeapCreate(DWORD options, size_t initialSize, size_t maximumSize);
BOOL HeapDestroy(HANDLE heap);
LPVOID HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
HANDLE GetProcessHeap();

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL memory, size_t bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
size_t GlobalSize(HGLOBAL memory);
// Null on success, the handle itself when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL memory);
