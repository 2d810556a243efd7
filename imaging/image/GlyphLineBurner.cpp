#include "GlyphLineBurner.h"

#include <vector>

#include "base/charset.h"

int GlyphLineBurner::CodedLength(const CString& text)
{
    return Utf8ToCp936(text).GetLength();
}

void GlyphLineBurner::Burn(CDC* dc, const MAT2& transform, long ascent, int x, int y, const CString& text,
                           BYTE* raster, int width, int height)
{
    // Our texts are UTF-8; glyph codes are those of code page 936.
    const CString coded = Utf8ToCp936(text);
    const int n = coded.GetLength();
    if (dc == nullptr || n < 1)
        return;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(static_cast<const char*>(coded));
    std::vector<BYTE> glyph;
    int i = 0;
    while (i < n) {
        UINT code = bytes[i];
        if (code >= 128) {
            // A lead byte at the very end pairs with the terminating zero.
            code = code * 256 + (i + 1 < n ? bytes[i + 1] : 0);
            i += 2;
        } else {
            i += 1;
        }
        GLYPHMETRICS metrics{};
        const DWORD size = dc->GetGlyphOutline(code, GGO_BITMAP, &metrics, 0, nullptr, &transform);
        if (size == GDI_ERROR)
            continue;
        const size_t stride = (size_t(metrics.gmBlackBoxX) + 31) / 32 * 4;
        if (code != 32 && size > 0 && size >= stride * metrics.gmBlackBoxY) {
            glyph.assign(size, 0);
            if (dc->GetGlyphOutline(code, GGO_BITMAP, &metrics, size, glyph.data(), &transform) != GDI_ERROR)
                BurnGlyph(glyph.data(), metrics, ascent, x, y, raster, width, height);
        }
        x += metrics.gmCellIncX;
    }
}

// Each glyph row is written over its whole 32-bit-padded width, so the
// padding clears bytes right of the black box.
void GlyphLineBurner::BurnGlyph(const BYTE* bits, const GLYPHMETRICS& metrics, long ascent, int x, int y,
                                BYTE* raster, int width, int height)
{
    if (raster == nullptr)
        return;
    const int stride = int((metrics.gmBlackBoxX + 31) / 32 * 4);
    const long top = y + ascent - metrics.gmptGlyphOrigin.y + 1;
    const long left = long(x) + metrics.gmptGlyphOrigin.x;
    for (UINT r = 0; r < metrics.gmBlackBoxY; ++r) {
        const long row = top + long(r);
        if (row < 0 || row >= height)
            continue;
        BYTE* out = raster + size_t(row) * size_t(width);
        const BYTE* in = bits + size_t(r) * size_t(stride);
        for (int c = 0; c < stride * 8; ++c) {
            const long column = left + c;
            if (column >= 0 && column < width)
                out[column] = (in[c / 8] >> (7 - c % 8)) & 1;
        }
    }
}
