// The image information text burned into the information matrix, which
// the print pixels then take their text from.
#include <cstring>

#include "BurnedInfoLayout.h"
#include "DcmImage.h"
#include "GlyphLineBurner.h"

namespace {

// The font record every burn fills anew.
LOGFONT g_BurnInfoFont;

}  // namespace

int CDcmImage::BurnOverLayWord(int x, int y, CString text, CDC* dc, MAT2 transform, long ascent)
{
    const int width = m_nMatrixWidth;
    const int height = m_nMatrixHeight;
    if (width < 1 || height < 1 || m_InfoMatrix.GetSize() < width * height)
        return 1;
    GlyphLineBurner::Burn(dc, transform, ascent, x, y, text, m_InfoMatrix.GetData(), width, height);
    return 1;
}

int CDcmImage::BurnImageInfo(long centre, long width)
{
    std::memset(&g_BurnInfoFont, 0, sizeof g_BurnInfoFont);
    g_BurnInfoFont.lfHeight = -21;
    g_BurnInfoFont.lfCharSet = ANSI_CHARSET;
    std::strcpy(g_BurnInfoFont.lfFaceName, "Tahoma");
    CFont font;
    font.CreateFontIndirect(&g_BurnInfoFont);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&font);
    TEXTMETRIC metrics{};
    dc.GetTextMetrics(&metrics);
    const long ascent = metrics.tmAscent;
    MAT2 identity{};
    identity.eM11.value = 1;
    identity.eM22.value = 1;
    BurnedInfoLayout layout(m_nMatrixWidth, m_nMatrixHeight, 11, metrics.tmHeight,
                            [&](int x, int y, const CString& text) {
                                BurnOverLayWord(x, y, text, &dc, identity, ascent);
                            });
    layout.BurnMatrixLayout(this, centre, width);
    dc.SelectStockObject(SYSTEM_FONT);
    dc.DeleteDC();
    font.DeleteObject();
    return 1;
}
