// Conversions between UTF-8, the text encoding of this system, and code
// page 936, in which the original stored some of its data. Bytes that
// cannot be converted become U+FFFD (to UTF-8) or '?' (to code page 936),
// so a conversion never fails and never drops the rest of the text.
#pragma once

#include "CString.h"

CString Cp936ToUtf8(const char* text);
CString Utf8ToCp936(const char* text);
bool IsValidUtf8(const char* text);
// Keeps the valid sequences and makes each byte that is not part of one U+FFFD.
CString RepairUtf8(const char* text);
