#include "OverLayLineArrow.h"

#include <cmath>

IMPLEMENT_DYNCREATE(COverLayLineArrow, COverLay)

COverLayLineArrow::COverLayLineArrow()
{
    m_nPenWidth = ProfileInt("OverlayLineArrow", "PenWidth", 2);
    ArrowOverlayColor = static_cast<COLORREF>(ProfileInt("OverlayLineArrow", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverlayLineArrow", "FontSize", 8);
    m_nTextColor = ProfileInt("OverlayLineArrow", "TextColor", 65408);
    m_nArrowDirection = ProfileInt("OverlayLineArrow", "ArrowDirection", 0);
}

CString COverLayLineArrow::MeasureText() const
{
    CString text;
    if (HasPixelSpacing())
        text.Format("Ln:%0.2f mm ", m_Segment.m_dLength);
    else
        text.Format("Ln:%0.2f mm", 0.0);
    return text;
}

void COverLayLineArrow::UpdateInfoText(int reset)
{
    if (reset)
        m_Segment.m_dMean = m_Segment.m_dDeviation = m_Segment.m_dLength = 0;
    SetInfoText(MeasureText());
}

int COverLayLineArrow::BuildRecord()
{
    m_Segment.BuildRecord(*this, 6);
    return 1;
}

void COverLayLineArrow::DrawArrow(CDC* dc, CPoint a, CPoint b, float scale)
{
    if (a == b)
        return;
    const double l = 10.0 * scale;
    const double theta = std::atan2(static_cast<double>(a.y - b.y), static_cast<double>(a.x - b.x));
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    dc->MoveTo(a);
    dc->LineTo(b);
    dc->MoveTo(b);
    dc->LineTo(b.x + static_cast<int>(l * c - 0.5 * l * s), b.y + static_cast<int>(l * s + 0.5 * l * c));
    dc->MoveTo(b.x + static_cast<int>((c + 0.5 * s) * l), b.y + static_cast<int>((s - 0.5 * c) * l));
    dc->LineTo(b);
}

void COverLayLineArrow::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, ArrowOverlayColor);
    DrawMeasureText(dc);
    if (m_nArrowDirection == 0)
        DrawArrow(dc, m_Segment.m_Screen1, m_Segment.m_Screen2, m_fScale);
    else
        DrawArrow(dc, m_Segment.m_Screen2, m_Segment.m_Screen1, m_fScale);
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayLineArrow::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayLineArrow::OnLButtonDown(UINT, CPoint& point, CDC*)
{
    m_Segment.OnLButtonDown(*this, point);
}

void COverLayLineArrow::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    m_Segment.OnMouseMove(*this, point, dragCode, dc);
}

void COverLayLineArrow::OnLButtonUp(UINT, CPoint&, CDC*)
{
    m_Segment.OnLButtonUp(*this);
}

void COverLayLineArrow::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    const CSegmentShape& s = m_Segment;
    BurnLine(pixels, pixelType, rowWidth, s.m_nX1, s.m_nY1, s.m_nX2, s.m_nY2);
    CArray<CPoint, CPoint> head;
    GetArrowHeadPoints(s.m_nX1, s.m_nY1, s.m_nX2, s.m_nY2, head);
    BurnPoints(pixels, pixelType, rowWidth, head);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
