#include "OverLayEllipse.h"

#include <cmath>

IMPLEMENT_DYNCREATE(COverLayEllipse, COverLay)

COverLayEllipse::COverLayEllipse()
{
    m_nPenWidth = ProfileInt("OverLayEllipse", "PenWidth", 2);
    EllipseOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayEllipse", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayEllipse", "FontSize", 8);
    m_nTextColor = ProfileInt("OverLayEllipse", "TextColor", 65408);
}

void COverLayEllipse::UpdateInfoText(int reset)
{
    if (reset)
        m_Box.m_Stats.Reset();
    SetInfoText(MeasureText());
}

int COverLayEllipse::BuildRecord()
{
    m_Box.BuildRecord(*this, 2);
    return 1;
}

void COverLayEllipse::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayEllipse::OnLButtonUp(UINT, CPoint&, CDC*)
{
    m_Box.OnLButtonUp(*this);
}

void COverLayEllipse::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    m_Box.OnMouseMove(*this, point, dragCode, dc, [&](const CRect& r) { DrawShape(dc, r); });
}

void COverLayEllipse::DrawShape(CDC* dc, const CRect& r)
{
    dc->Ellipse(r.left, r.top, r.right, r.bottom);
}

void COverLayEllipse::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, EllipseOverlayColor);
    DrawMeasureText(dc);
    DrawShape(dc, m_rcBounds);
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayEllipse::Measure()
{
    if (!m_Box.m_Stats.Measure(*this, CRegionRuns::Ellipse(ImageSize(), m_Box.Rect())))
        return;
    if (HasPixelSpacing()) {
        const float w = static_cast<float>(m_Box.m_nRight - m_Box.m_nLeft);
        const float h = static_cast<float>(m_Box.m_nBottom - m_Box.m_nTop);
        m_Box.m_Stats.m_dArea = std::fabs(h * w * m_fRowSpacing * m_fColSpacing * 0.25f) * 3.14159f;
    }
    UpdateInfoText(0);
}

void COverLayEllipse::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    CArray<CPoint, CPoint> points;
    GetEllipsePoints(m_Box.m_nLeft, m_Box.m_nTop, m_Box.m_nRight, m_Box.m_nBottom, points);
    BurnPoints(pixels, pixelType, rowWidth, points);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
