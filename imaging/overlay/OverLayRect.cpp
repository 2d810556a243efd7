#include "OverLayRect.h"

#include <cmath>

IMPLEMENT_DYNCREATE(COverLayRect, COverLay)

COverLayRect::COverLayRect()
{
    m_nPenWidth = ProfileInt("OverLayRect", "PenWidth", 2);
    RectOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayRect", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayRect", "FontSize", 8);
    m_nTextColor = ProfileInt("OverLayRect", "TextColor", 65408);
}

void COverLayRect::UpdateInfoText(int reset)
{
    if (reset)
        m_Box.m_Stats.Reset();
    SetInfoText(MeasureText());
}

int COverLayRect::BuildRecord()
{
    m_Box.BuildRecord(*this, 1);
    return 1;
}

void COverLayRect::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayRect::OnLButtonUp(UINT, CPoint&, CDC*)
{
    m_Box.OnLButtonUp(*this);
}

void COverLayRect::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    m_Box.OnMouseMove(*this, point, dragCode, dc, [&](const CRect& r) { DrawShape(dc, r); });
}

void COverLayRect::DrawShape(CDC* dc, const CRect& r)
{
    dc->Rectangle(r.left, r.top, r.right, r.bottom);
}

void COverLayRect::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, RectOverlayColor);
    DrawMeasureText(dc);
    CBrush black;
    CGdiObject* previousBrush = nullptr;
    if (FillRectOverlays) {
        black.CreateSolidBrush(RGB(0, 0, 0));
        previousBrush = dc->SelectObject(static_cast<CGdiObject*>(&black));
    }
    DrawShape(dc, m_rcBounds);
    if (previousBrush != nullptr)
        dc->SelectObject(previousBrush);
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayRect::Measure()
{
    if (!m_Box.m_Stats.Measure(*this, CRegionRuns::Rectangle(ImageSize(), m_Box.Rect())))
        return;
    if (HasPixelSpacing()) {
        const float w = static_cast<float>(m_Box.m_nRight - m_Box.m_nLeft);
        const float h = static_cast<float>(m_Box.m_nBottom - m_Box.m_nTop);
        m_Box.m_Stats.m_dArea = std::fabs(m_fRowSpacing * m_fColSpacing * h * w);
    }
    UpdateInfoText(0);
}

void COverLayRect::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    BurnBox(pixels, pixelType, rowWidth, m_Box.m_nLeft, m_Box.m_nTop, m_Box.m_nRight, m_Box.m_nBottom);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
