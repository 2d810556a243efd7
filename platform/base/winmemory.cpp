#include "winmemory.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "lasterror.h"

namespace {

struct Heap {
    std::set<void*> blocks;
};

struct GlobalBlock {
    void* data;
    size_t size;
    bool moveable;
    int locks;
};

std::mutex& MemoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::set<Heap*>& Heaps()
{
    static std::set<Heap*> heaps;
    return heaps;
}

Heap* ProcessHeap()
{
    static Heap* heap = [] {
        auto* h = new Heap;
        Heaps().insert(h);
        return h;
    }();
    return heap;
}

// Keyed by handle: the data address for fixed blocks, the block record
// for moveable ones.
std::map<HGLOBAL, GlobalBlock*>& GlobalBlocks()
{
    static std::map<HGLOBAL, GlobalBlock*> blocks;
    return blocks;
}

Heap* LiveHeap(HANDLE handle)
{
    auto* heap = static_cast<Heap*>(handle);
    if (!handle || Heaps().count(heap) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return heap;
}

GlobalBlock* LiveBlock(HGLOBAL handle)
{
    auto found = GlobalBlocks().find(handle);
    if (!handle || found == GlobalBlocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second;
}

void* Allocate(size_t bytes, bool zero)
{
    const size_t size = bytes ? bytes : 1;
    return zero ? std::calloc(1, size) : std::malloc(size);
}

} // namespace

HANDLE HeapCreate(DWORD, size_t, size_t)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    auto* heap = new Heap;
    Heaps().insert(heap);
    return heap;
}

BOOL HeapDestroy(HANDLE handle)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    Heap* heap = LiveHeap(handle);
    if (!heap || heap == ProcessHeap())
        return FALSE;
    for (void* block : heap->blocks)
        std::free(block);
    Heaps().erase(heap);
    delete heap;
    return TRUE;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, size_t bytes)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    Heap* heap = LiveHeap(handle);
    if (!heap)
        return nullptr;
    void* block = Allocate(bytes, flags & HEAP_ZERO_MEMORY);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    heap->blocks.insert(block);
    return block;
}

BOOL HeapFree(HANDLE handle, DWORD, LPVOID block)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    Heap* heap = LiveHeap(handle);
    if (!heap)
        return FALSE;
    if (!block)
        return TRUE;
    if (heap->blocks.erase(block) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::free(block);
    return TRUE;
}

HANDLE GetProcessHeap()
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    return ProcessHeap();
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes)
{
    void* data = Allocate(bytes, flags & GMEM_ZEROINIT);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = new GlobalBlock{data, bytes, (flags & GMEM_MOVEABLE) != 0, 0};
    HGLOBAL handle = block->moveable ? static_cast<HGLOBAL>(block) : data;
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlocks()[handle] = block;
    return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, size_t bytes, UINT flags)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlock* block = LiveBlock(handle);
    if (!block)
        return nullptr;
    // A fixed block may only move when the caller allows it; a locked
    // moveable block may not move at all.
    const bool mayMove = block->moveable ? block->locks == 0 : (flags & GMEM_MOVEABLE) != 0;
    if (!mayMove && bytes > block->size) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (mayMove) {
        void* data = std::realloc(block->data, bytes ? bytes : 1);
        if (!data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        if ((flags & GMEM_ZEROINIT) && bytes > block->size)
            std::memset(static_cast<char*>(data) + block->size, 0, bytes - block->size);
        block->data = data;
    }
    block->size = bytes;
    if (block->moveable)
        return handle;
    GlobalBlocks().erase(handle);
    GlobalBlocks()[block->data] = block;
    return block->data;
}

LPVOID GlobalLock(HGLOBAL handle)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlock* block = LiveBlock(handle);
    if (!block)
        return nullptr;
    if (block->moveable)
        ++block->locks;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL handle)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlock* block = LiveBlock(handle);
    if (!block || !block->moveable || block->locks == 0) {
        SetLastError(block ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --block->locks;
    SetLastError(ERROR_SUCCESS);
    return block->locks > 0;
}

size_t GlobalSize(HGLOBAL handle)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlock* block = LiveBlock(handle);
    return block ? block->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    std::lock_guard<std::mutex> lock(MemoryMutex());
    GlobalBlock* block = LiveBlock(handle);
    if (!block)
        return handle;
    GlobalBlocks().erase(handle);
    std::free(block->data);
    delete block;
    return nullptr;
}
