// Formats and text transforms of the image information text, shared by its
// on-screen and burned renderers.
#pragma once

#include "ImagePlatform.h"

namespace infotext {

CString Fmt(const char* format, const CString& value);
CString Fmt(const char* format, double value);
CString Fmt(const char* format, int value);
CString Upper(CString text);
// Leading "0" characters removed.
CString NoZeros(CString text);
// Leading spaces removed.
CString NoBlanks(CString text);
// "%s-%s-%s" of the first 4, the next 2 and the last 2 characters.
CString DateText(const CString& date);
// "%s:%s:%s" of the first 2, the next 2 and up to 5 characters from the fifth.
CString TimeText(const CString& time);
// A decimal number truncated to an int; values outside the int range clamp.
int TruncatedNumber(const CString& text);
// "%d/%d" of a private (0021,1011) text split at its first backslash.
CString SlashPairText(const CString& text);
// "%d" of a private (0021,1120) text up to its first backslash.
CString BeforeSlashText(const CString& text);

}  // namespace infotext
