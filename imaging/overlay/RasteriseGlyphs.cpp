#include "RasteriseGlyphs.h"

#include <vector>

#include "gdi/gdi.h"
#include "OverLay.h"

namespace {

// Character codes of a code-page-936 byte string: a byte above 0x7F leads
// a double-byte code.
std::vector<UINT> GlyphCodes(const CString& text)
{
    const CString bytes = Utf8ToCp936(text);
    const int n = bytes.GetLength();
    std::vector<UINT> codes;
    for (int i = 0; i < n; ++i) {
        const UINT lead = static_cast<BYTE>(bytes[i]);
        if (lead > 0x7F && i + 1 < n) {
            codes.push_back(lead * 256 + static_cast<BYTE>(bytes[i + 1]));
            ++i;
        } else {
            codes.push_back(lead);
        }
    }
    return codes;
}

void BurnGlyph(BYTE* pixels, int pixelType, int rowWidth, int rows, const GLYPHMETRICS& gm,
               const std::vector<BYTE>& bits, int top, int left)
{
    const int stride = static_cast<int>((gm.gmBlackBoxX + 31) / 32 * 4);
    // The first bitmap row lands one buffer row below the cell's top.
    for (int row = 0; row < static_cast<int>(gm.gmBlackBoxY); ++row) {
        const int y = top + row + 1;
        if (y < 0 || y >= rows)
            continue;
        for (int column = 0; column < stride * 8; ++column) {
            const BYTE byte = bits[static_cast<size_t>(row * stride + column / 8)];
            if (!(byte & (0x80 >> (column % 8))))
                continue;
            const int x = left + column;
            if (x >= 0 && x < rowWidth)
                COverLay::BurnPixel(pixels, pixelType, y * rowWidth + x);
        }
    }
}

}  // namespace

void RasteriseGlyphs(BYTE* pixels, int pixelType, int rowWidth, int rows, int x, int y, const CString& text)
{
    if (pixels == nullptr || rowWidth <= 0 || rows <= 0 || pixelType < 1 || pixelType > 3)
        return;
    CFont font;
    if (!font.CreateFontIndirect(&BurnTextFont))
        return;
    CDC memory;
    if (!memory.CreateCompatibleDC(nullptr))
        return;
    CGdiObject* previous = memory.SelectObject(static_cast<CGdiObject*>(&font));
    TEXTMETRIC metrics = {};
    memory.GetTextMetrics(&metrics);
    const int ascent = metrics.tmAscent;
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    int pen = x;
    for (UINT code : GlyphCodes(text)) {
        GLYPHMETRICS gm = {};
        const DWORD size = memory.GetGlyphOutline(code, GGO_BITMAP, &gm, 0, nullptr, &identity);
        if (size == GDI_ERROR)
            continue;
        if (code != 32 && size > 0) {
            std::vector<BYTE> bits(size);
            if (memory.GetGlyphOutline(code, GGO_BITMAP, &gm, size, bits.data(), &identity) != GDI_ERROR)
                BurnGlyph(pixels, pixelType, rowWidth, rows, gm, bits, y - gm.gmptGlyphOrigin.y + ascent,
                          gm.gmptGlyphOrigin.x + pen);
        }
        pen += gm.gmCellIncX;
    }
    memory.SelectObject(previous);
}
