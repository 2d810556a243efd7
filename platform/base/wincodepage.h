// Win32 code-page conversions. WCHAR is wchar_t, which holds a whole code
// point on Linux, so wide text here has one unit per character. The ANSI
// code page (CP_ACP) is UTF-8, as is all text of this system; code page
// 936 is converted through iconv.
#pragma once

#include "lasterror.h"
#include "wintypes.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define ERROR_NO_UNICODE_TRANSLATION 1113L

typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

// With length -1 the source is terminated and the terminator is converted
// too; with a zero destination size the size needed is returned. Returns 0
// and sets the last error on failure (too small a buffer: 122).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationSize, LPCSTR defaultChar, BOOL* usedDefaultChar);
