#include "charset.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>

namespace {

// iconv with a replacement for each unconvertible input byte.
std::string Convert(const char* text, const char* to, const char* from, const char* replacement)
{
    std::string result;
    if (!text || !*text)
        return result;
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return text;
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char block[1024];
    while (inLeft > 0) {
        char* out = block;
        size_t outLeft = sizeof block;
        const size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(block, static_cast<size_t>(out - block));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL (a truncated last character): replace one byte.
            result += replacement;
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return result;
}

} // namespace

CString Cp936ToUtf8(const char* text)
{
    return CString(Convert(text, "UTF-8", "CP936", "\xEF\xBF\xBD").c_str());
}

CString Utf8ToCp936(const char* text)
{
    return CString(Convert(text, "CP936", "UTF-8", "?").c_str());
}

CString RepairUtf8(const char* text)
{
    return CString(Convert(text, "UTF-8", "UTF-8", "\xEF\xBF\xBD").c_str());
}

bool IsValidUtf8(const char* text)
{
    if (!text)
        return true;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int length;
        unsigned int codePoint;
        if ((*p & 0xE0) == 0xC0) {
            length = 2;
            codePoint = *p & 0x1Fu;
        } else if ((*p & 0xF0) == 0xE0) {
            length = 3;
            codePoint = *p & 0x0Fu;
        } else if ((*p & 0xF8) == 0xF0) {
            length = 4;
            codePoint = *p & 0x07u;
        } else {
            return false;
        }
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i] & 0x3Fu);
        }
        static const unsigned int smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}
