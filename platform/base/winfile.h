// The Win32 file, folder and module calls, on POSIX files. Paths use '/'.
// Failures return the Win32 failure value and set the last error.
#pragma once

#include "kernelobject.h"
#include "lasterror.h"
#include "wintypes.h"

#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL
#define GENERIC_EXECUTE 0x20000000UL
#define GENERIC_ALL 0x10000000UL

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;

HANDLE CreateFile(LPCSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                  DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL FlushFileBuffers(HANDLE file);

BOOL CopyFile(LPCSTR existingPath, LPCSTR newPath, BOOL failIfExists);
BOOL DeleteFile(LPCSTR path);
BOOL CreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security);

// $TMPDIR, else /tmp, always with a trailing '/'. Returns the length, or
// the size needed (terminator included) when the buffer is too small.
DWORD GetTempPath(DWORD bufferLength, LPSTR buffer);
// Names "<folder>/<first 3 characters of prefix><hex>.TMP"; with unique 0
// it picks a number whose file does not exist yet and creates that file.
// The result buffer must hold MAX_PATH characters. Returns the number
// used, 0 on failure.
UINT GetTempFileName(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR tempFileName);
// Every module is the running program here. Truncates to the buffer,
// always terminated, and reports ERROR_INSUFFICIENT_BUFFER when it had to.
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);
