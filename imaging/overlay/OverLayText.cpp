#include "OverLayText.h"

#include "NoteTextDlg.h"
#include "RasteriseGlyphs.h"

IMPLEMENT_DYNCREATE(COverLayText, COverLay)

namespace {

// A record's length word is a signed 16-bit count.
const int kMaxStoredText = 32767;

}  // namespace

COverLayText::COverLayText() : m_nImageX(0), m_nImageY(0), m_nScreenX(0), m_nScreenY(0)
{
    m_nPenWidth = ProfileInt("OverLayText", "PenWidth", 1);
    TextOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayText", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayText", "FontSize", 8);
}

std::string COverLayText::StoredText() const
{
    if (!m_ReadBytes.empty() && m_strText == m_strReadText)
        return m_ReadBytes;
    const CString encoded = Utf8ToCp936(m_strText);
    const std::string stored(static_cast<const char*>(encoded), static_cast<size_t>(encoded.GetLength()));
    return stored.substr(0, kMaxStoredText);
}

int COverLayText::GetRecordSize()
{
    const int n = static_cast<int>(StoredText().size());
    return n == 0 ? 0 : 2 * n + 8;
}

int COverLayText::BuildRecord()
{
    const std::string stored = StoredText();
    const int n = static_cast<int>(stored.size());
    if (n == 0) {
        AllocRecord(0);
        return 1;
    }
    AllocRecord(n + 4);
    if (m_pRecord == nullptr)
        return 1;
    m_pRecord[0] = 9;
    m_pRecord[1] = static_cast<short>(m_nImageX);
    m_pRecord[2] = static_cast<short>(m_nImageY);
    m_pRecord[3] = static_cast<short>(n);
    for (int i = 0; i < n; ++i)
        m_pRecord[4 + i] = static_cast<signed char>(stored[i]);
    return 1;
}

void COverLayText::MakeFont(CFont& font)
{
    font.CreateFont(static_cast<int>(-m_nFontSize * m_fScale), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 32,
                    "MS Sans Serif");
}

void COverLayText::DrawAnnotation(CDC* dc)
{
    CFont font;
    MakeFont(font);
    dc->SelectObject(static_cast<CGdiObject*>(&font));
    const int previousMode = dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(TextOverlayColor);
    const CSize extent = dc->GetTextExtent(m_strText);
    const CRect& r = m_rcBounds;
    dc->TextOut((r.left + r.right) / 2 - extent.cx / 2, (r.top + r.bottom) / 2 - extent.cy / 2, m_strText);
    dc->SelectStockObject(SYSTEM_FONT);
    dc->SetBkMode(previousMode);
    font.DeleteObject();
}

void COverLayText::SetAnchorBounds(CPoint p)
{
    m_nScreenX = p.x;
    m_nScreenY = p.y;
    m_rcBounds.SetRect(p.x - 16, p.y - 10, p.x + 16, p.y + 10);
}

void COverLayText::UpdateScreenPoints()
{
    SetAnchorBounds(ImageToScreen(m_nImageX, m_nImageY));
}

void COverLayText::OnLButtonDown(UINT, CPoint& point, CDC* dc)
{
    if (TextDialogOpen == 1)
        return;
    TextDialogOpen = 1;
    CNoteTextDlg dialog(m_pOwnerWnd);
    dialog.m_strPhraseFile = m_strPhraseFile;
    if (dialog.DoModal() == IDOK)
        m_strText = dialog.m_strText;
    TextDialogOpen = 0;
    int cx = 0;
    if (dc != nullptr) {
        CFont font;
        MakeFont(font);
        CGdiObject* previous = dc->SelectObject(static_cast<CGdiObject*>(&font));
        cx = dc->GetTextExtent(m_strText).cx;
        dc->SelectObject(previous);
    }
    m_rcBounds.SetRect(point.x - cx / 2, point.y - 10, point.x + cx / 2, point.y + 10);
    m_nScreenX = point.x;
    m_nScreenY = point.y;
    const CPoint image = ScreenToImage(point.x, point.y);
    m_nImageX = image.x;
    m_nImageY = image.y;
    m_bChanged = 1;
    m_ptAnchor = m_ptLast = point;
}

void COverLayText::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    if (dragCode != 1)
        return;
    auto draw = [&] { dc->Rectangle(m_rcBounds.left, m_rcBounds.top, m_rcBounds.right, m_rcBounds.bottom); };
    auto change = [&] { m_rcBounds.OffsetRect(point.x - m_ptLast.x, point.y - m_ptLast.y); };
    RubberBand(dc, point, draw, change);
}

void COverLayText::OnLButtonUp(UINT, CPoint& point, CDC*)
{
    if (!TakeChanged())
        return;
    SetAnchorBounds(point);
    const CPoint image = ScreenToImage(point.x, point.y);
    m_nImageX = image.x;
    m_nImageY = image.y;
}

void COverLayText::SetFromRecord(int x, int y, const std::string& stored)
{
    m_nImageX = x;
    m_nImageY = y;
    m_ReadBytes = stored.substr(0, kMaxStoredText);
    m_strText = Cp936ToUtf8(m_ReadBytes.c_str());
    m_strReadText = m_strText;
}

void COverLayText::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    const CPoint anchor = BufferPoint(m_nImageX, m_nImageY);
    RasteriseGlyphs(pixels, pixelType, rowWidth, m_nBurnRows, anchor.x, anchor.y, m_strText);
}
