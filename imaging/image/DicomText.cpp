#include "DicomText.h"

#include <iconv.h>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>

namespace DicomText {

namespace {

std::string Cp936ToUtf8(const std::string& text)
{
    iconv_t converter = iconv_open("UTF-8", "CP936");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::string();
    std::string out(text.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = &out[0];
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
            continue;
        // An undecodable byte becomes '?' rather than ending the text.
        if (outLeft == 0)
            break;
        *outPtr++ = '?';
        --outLeft;
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

void ConvertDatasetToUtf8(DcmDataset* dataset)
{
    OFString charset;
    if (dataset->findAndGetOFStringArray(DCM_SpecificCharacterSet, charset).bad() ||
        charset.empty())
        return;
    dataset->convertToUTF8();
}

bool IsValidUtf8(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra;
        unsigned int minimum;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; minimum = 0x80; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; minimum = 0x800; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; minimum = 0x10000; }
        else return false;
        if (i + extra >= n)
            return false;
        unsigned int code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string ToUtf8(const std::string& text)
{
    return IsValidUtf8(text) ? text : Cp936ToUtf8(text);
}

}  // namespace DicomText
