#include "OverLayPoint.h"

IMPLEMENT_DYNCREATE(COverLayPoint, COverLay)

COverLayPoint::COverLayPoint() : m_nImageX(0), m_nImageY(0), m_nScreenX(0), m_nScreenY(0), m_nValue(0)
{
    m_nPenWidth = ProfileInt("OverLayPoint", "PenWidth", 2);
    PointOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayPoint", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayPoint", "FontSize", 10);
    m_nTextColor = ProfileInt("OverLayPoint", "TextColor", 65408);
}

void COverLayPoint::SetScreenPoint(CPoint p)
{
    m_nScreenX = p.x;
    m_nScreenY = p.y;
    m_rcBounds.SetRect(p.x - 4, p.y - 4, p.x + 5, p.y + 5);
}

int COverLayPoint::BuildRecord()
{
    StoreRecord({4, m_nImageX, m_nImageY});
    return 1;
}

CString COverLayPoint::MeasureText() const
{
    CString text;
    text.Format("V:%d ", m_nValue);
    return text;
}

void COverLayPoint::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayPoint::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, PointOverlayColor);
    DrawMeasureText(dc);
    dc->Rectangle(m_rcBounds.left, m_rcBounds.top, m_rcBounds.right, m_rcBounds.bottom);
    RestoreDrawPen(dc);
}

void COverLayPoint::UpdateScreenPoints()
{
    SetScreenPoint(ImageToScreen(m_nImageX, m_nImageY));
}

void COverLayPoint::Measure()
{
    m_nValue = IsInImage(m_nImageX, m_nImageY) ? GetImagePixel(m_nImageX, m_nImageY) : 0;
    CString text;
    text.Format("Value:%d ", m_nValue);
    SetInfoText(text);
}

int COverLayPoint::IntersectsBox(const CRect& box)
{
    return box.left - 4 <= m_nScreenX && m_nScreenX < box.right + 4 && box.top - 4 <= m_nScreenY &&
                   m_nScreenY < box.bottom + 4
               ? 1
               : 0;
}

void COverLayPoint::OnLButtonDown(UINT flags, CPoint& point, CDC* dc)
{
    SetScreenPoint(point);
    COverLay::OnLButtonDown(flags, point, dc);
}

void COverLayPoint::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    if (dragCode != 1)
        return;
    auto draw = [&] { dc->Rectangle(m_rcBounds.left, m_rcBounds.top, m_rcBounds.right, m_rcBounds.bottom); };
    auto change = [&] { m_rcBounds.OffsetRect(point.x - m_ptLast.x, point.y - m_ptLast.y); };
    RubberBand(dc, point, draw, change);
    Measure();
}

void COverLayPoint::OnLButtonUp(UINT, CPoint& point, CDC*)
{
    if (!TakeChanged())
        return;
    const CPoint image = ScreenToImage(point.x, point.y);
    m_nImageX = image.x;
    m_nImageY = image.y;
    SetScreenPoint(point);
    Measure();
}

void COverLayPoint::SetFromRecord(int x, int y)
{
    m_nImageX = x;
    m_nImageY = y;
}

void COverLayPoint::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    BurnBox(pixels, pixelType, rowWidth, m_nImageX - 4, m_nImageY - 4, m_nImageX + 5, m_nImageY + 5);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
