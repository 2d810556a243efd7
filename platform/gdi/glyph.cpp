// Glyph bitmaps for burning text into pixels.
#include <iconv.h>

#include <cstring>
#include <mutex>

#include "gdi/font.h"
#include "gdi/gdiapi.h"
#include "gdi/objects.h"

using namespace gdi;

namespace {

// Character codes come as a byte below 0x80 or a code-page 936 double-byte
// code (lead byte x 256 + trail byte); 0 when there is no such character.
char32_t unicodeOf(UINT code)
{
    if (code < 0x80)
        return code;
    char in[2];
    size_t inLength;
    if (code <= 0xFF) {
        in[0] = static_cast<char>(code);
        inLength = 1;
    } else if (code <= 0xFFFF) {
        in[0] = static_cast<char>(code >> 8);
        in[1] = static_cast<char>(code & 0xFF);
        inLength = 2;
    } else {
        return 0;
    }
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    static iconv_t cd = iconv_open("UTF-32LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 0;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof(out);
    if (iconv(cd, &inPtr, &inLength, &outPtr, &outLeft) == static_cast<size_t>(-1) || outLeft != 4)
        return 0;
    return out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
}

}  // namespace

DWORD GetGlyphOutline(HDC dc, UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize, LPVOID buffer,
                      const MAT2*)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !d->state.font || !metrics || (format != GGO_METRICS && format != GGO_BITMAP))
        return GDI_ERROR;
    char32_t c = unicodeOf(code);
    std::shared_ptr<const GlyphImage> g = c ? fontFor(d->state.font->log)->glyph(c) : nullptr;
    if (!g)
        return GDI_ERROR;
    bool blank = g->width == 0 || g->rows == 0;
    metrics->gmBlackBoxX = blank ? 1 : static_cast<UINT>(g->width);
    metrics->gmBlackBoxY = blank ? 1 : static_cast<UINT>(g->rows);
    metrics->gmptGlyphOrigin = {g->left, g->top};
    metrics->gmCellIncX = static_cast<short>(g->advance);
    metrics->gmCellIncY = 0;
    DWORD rowBytes = static_cast<DWORD>((g->width + 31) / 32 * 4);
    DWORD needed = blank ? 0 : rowBytes * static_cast<DWORD>(g->rows);
    if (format == GGO_METRICS || !buffer || bufferSize == 0)
        return needed;
    if (bufferSize < needed)
        return GDI_ERROR;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0, needed);
    for (int y = 0; y < g->rows; ++y)
        std::memcpy(out + static_cast<size_t>(y) * rowBytes, &g->bits[static_cast<size_t>(y) * g->pitch],
                    static_cast<size_t>(g->pitch));
    return needed;
}
