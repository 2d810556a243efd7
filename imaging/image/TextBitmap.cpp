#include "TextBitmap.h"

#include <cstring>

#include "BurnedInfoLayout.h"
#include "DcmImage.h"
#include "GlyphLineBurner.h"

namespace {

// The font record every text bitmap fills anew.
LOGFONT g_TextBitmapFont;

FIXED Fixed(short whole)
{
    FIXED value{};
    value.fract = 0;
    value.value = whole;
    return value;
}

}  // namespace

CTextBitmap::CTextBitmap()
    : m_nWidth(0), m_nHeight(0), m_nMargin(0), m_nLineHeight(0), m_Transform(), m_pDC(new CDC), m_nAscent(0),
      m_pOldFont(nullptr)
{
}

CTextBitmap::~CTextBitmap()
{
    Release();
    delete m_pDC;
}

int CTextBitmap::Create()
{
    if (m_nWidth < 1 || m_nHeight < 1)
        return 0;
    m_Raster.RemoveAll();
    m_Raster.SetSize(m_nWidth * m_nHeight);
    if (m_Raster.GetSize() > 0)
        std::memset(m_Raster.GetData(), 0, size_t(m_Raster.GetSize()));
    std::memset(&g_TextBitmapFont, 0, sizeof g_TextBitmapFont);
    g_TextBitmapFont.lfHeight = -16;
    g_TextBitmapFont.lfCharSet = 134;
    std::strcpy(g_TextBitmapFont.lfFaceName, "宋体");
    m_Font.DeleteObject();
    m_Font.CreateFontIndirect(&g_TextBitmapFont);
    if (m_pDC->GetSafeHdc() == nullptr)
        m_pDC->CreateCompatibleDC(nullptr);
    m_pOldFont = m_pDC->SelectObject(&m_Font);
    m_Transform.eM11 = Fixed(1);
    m_Transform.eM12 = Fixed(0);
    m_Transform.eM21 = Fixed(0);
    m_Transform.eM22 = Fixed(1);
    TEXTMETRIC metrics{};
    m_pDC->GetTextMetrics(&metrics);
    m_nLineHeight = metrics.tmHeight;
    m_nAscent = metrics.tmAscent;
    m_nMargin = 8;
    return 1;
}

int CTextBitmap::PutText(int x, int y, CString text)
{
    if (m_Raster.GetSize() < m_nWidth * m_nHeight || m_nWidth < 1)
        return 1;
    GlyphLineBurner::Burn(m_pDC, m_Transform, m_nAscent, x, y, text, m_Raster.GetData(), m_nWidth, m_nHeight);
    return 1;
}

int CTextBitmap::BurnInfoText(CDcmImage* image, long centre, long width)
{
    if (image == nullptr)
        return 0;
    BurnedInfoLayout layout(m_nWidth, m_nHeight, m_nMargin, m_nLineHeight,
                            [this](int x, int y, const CString& text) { PutText(x, y, text); });
    layout.BurnTextBitmapLayout(image, centre, width);
    return 1;
}

int CTextBitmap::MergeInto(BYTE* pixels, int channels)
{
    if (pixels == nullptr || m_Raster.GetSize() < m_nWidth * m_nHeight)
        return 1;
    const BYTE* raster = m_Raster.GetData();
    const size_t count = size_t(m_nWidth) * size_t(m_nHeight);
    for (size_t i = 0; i < count; ++i) {
        if (raster[i] == 0)
            continue;
        switch (channels) {
        case 1: pixels[i] = 255; break;
        case 2: reinterpret_cast<WORD*>(pixels)[i] = 16533; break;
        case 3: std::memset(pixels + 3 * i, 255, 3); break;
        default: break;
        }
    }
    return 1;
}

int CTextBitmap::Release()
{
    m_Raster.RemoveAll();
    m_nWidth = m_nHeight = m_nMargin = m_nLineHeight = 0;
    HDC dc = m_pDC->GetSafeHdc();
    if (dc != nullptr) {
        m_pDC->SelectStockObject(SYSTEM_FONT);
        m_pDC->DeleteDC();
    }
    m_pOldFont = nullptr;
    m_Font.DeleteObject();
    return 1;
}
