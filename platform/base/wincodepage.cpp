#include "wincodepage.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "charset.h"
#include "lasterror.h"

namespace {

const UINT kCodePage936 = 936;

bool KnownCodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_UTF8 || codePage == kCodePage936;
}

// Decodes one UTF-8 character; returns false for an invalid sequence,
// consuming one byte.
bool DecodeUtf8(const unsigned char*& p, const unsigned char* end, wchar_t& out)
{
    const unsigned char lead = *p++;
    if (lead < 0x80) {
        out = lead;
        return true;
    }
    int length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || end - p < length - 1)
        return false;
    unsigned int codePoint = lead & (0x7Fu >> length);
    for (int i = 0; i < length - 1; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return false;
        codePoint = (codePoint << 6) | (p[i] & 0x3Fu);
    }
    static const unsigned int smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    p += length - 1;
    out = static_cast<wchar_t>(codePoint);
    return true;
}

void EncodeUtf8(unsigned int codePoint, std::string& out)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = 0xFFFD;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Applies a terminated-text conversion to each piece between NULs, so that
// embedded terminators survive.
std::string ConvertAroundNuls(const std::string& text, CString (*convert)(const char*))
{
    std::string result;
    for (size_t start = 0;;) {
        const size_t nul = text.find('\0', start);
        const size_t stop = nul == std::string::npos ? text.size() : nul;
        result += static_cast<const char*>(convert(text.substr(start, stop - start).c_str()));
        if (nul == std::string::npos)
            return result;
        result += '\0';
        start = nul + 1;
    }
}

template <class T>
int Deliver(const T* converted, int count, T* destination, int destinationSize)
{
    if (destinationSize == 0)
        return count;
    if (!destination || destinationSize < count) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(destination, converted, sizeof(T) * static_cast<size_t>(count));
    return count;
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationSize)
{
    if (!source || sourceLength < -1 || sourceLength == 0 || destinationSize < 0 || !KnownCodePage(codePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t length = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
    std::string text(source, length);
    if (codePage == kCodePage936)
        text = ConvertAroundNuls(text, Cp936ToUtf8);
    std::wstring wide;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        wchar_t ch;
        if (!DecodeUtf8(p, end, ch)) {
            if (flags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            ch = 0xFFFD;
        }
        wide += ch;
    }
    return Deliver(wide.data(), static_cast<int>(wide.size()), destination, destinationSize);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationSize, LPCSTR, BOOL* usedDefaultChar)
{
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    if (!source || sourceLength < -1 || sourceLength == 0 || destinationSize < 0 || !KnownCodePage(codePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t length = sourceLength < 0 ? std::wcslen(source) + 1 : static_cast<size_t>(sourceLength);
    std::string text;
    for (size_t i = 0; i < length; ++i)
        EncodeUtf8(static_cast<unsigned int>(source[i]), text);
    if (codePage == kCodePage936)
        text = ConvertAroundNuls(text, Utf8ToCp936);
    return Deliver(text.data(), static_cast<int>(text.size()), destination, destinationSize);
}
