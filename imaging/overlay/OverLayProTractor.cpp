#include "OverLayProTractor.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_DYNCREATE(COverLayProTractor, COverLay)

COverLayProTractor::COverLayProTractor() : m_bFirstArm(0), m_bSecondArm(0), m_dAngle(0)
{
    m_nPenWidth = ProfileInt("OverLayProTractor", "PenWidth", 2);
    AngleOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayProTractor", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayProTractor", "FontSize", 8);
    m_nTextColor = ProfileInt("OverLayProTractor", "TextColor", 65408);
}

int COverLayProTractor::BuildRecord()
{
    StoreRecord({7, m_Image1.x, m_Image1.y, m_Image2.x, m_Image2.y, m_Image3.x, m_Image3.y});
    return 1;
}

CString COverLayProTractor::MeasureText() const
{
    CString text;
    text.Format("Angle:%0.2f ", m_dAngle);
    return text;
}

void COverLayProTractor::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayProTractor::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, AngleOverlayColor);
    DrawMeasureText(dc);
    if (m_bFirstArm || m_bSecondArm) {
        dc->MoveTo(m_P2);
        dc->LineTo(m_P1);
        dc->MoveTo(m_P2);
        dc->LineTo(m_P3);
    }
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayProTractor::UpdateScreenPoints()
{
    m_P1 = ImageToScreen(m_Image1.x, m_Image1.y);
    m_P2 = ImageToScreen(m_Image2.x, m_Image2.y);
    m_P3 = ImageToScreen(m_Image3.x, m_Image3.y);
    UpdateBounds();
}

void COverLayProTractor::UpdateBounds()
{
    m_rcBounds.SetRect(std::min({m_P1.x, m_P2.x, m_P3.x}), std::min({m_P1.y, m_P2.y, m_P3.y}),
                       std::max({m_P1.x, m_P2.x, m_P3.x}), std::max({m_P1.y, m_P2.y, m_P3.y}));
}

void COverLayProTractor::Measure()
{
    if (!m_bSecondArm) {
        SetInfoText("");
        return;
    }
    const double a2 = std::pow(m_Image1.x - m_Image2.x, 2.0) + std::pow(m_Image1.y - m_Image2.y, 2.0);
    const double b2 = std::pow(m_Image3.x - m_Image2.x, 2.0) + std::pow(m_Image3.y - m_Image2.y, 2.0);
    const double c2 = std::pow(m_Image1.x - m_Image3.x, 2.0) + std::pow(m_Image1.y - m_Image3.y, 2.0);
    m_dAngle = 0;
    if (a2 != 0 && b2 != 0) {
        // Rounding can push the cosine of a straight angle just past -1.
        const double cosine = std::clamp((a2 + b2 - c2) / (2 * std::sqrt(a2) * std::sqrt(b2)), -1.0, 1.0);
        m_dAngle = std::acos(cosine) * 57.29746936176985;
    }
    CString text;
    text.Format("Angle:%0.2f", m_dAngle);
    SetInfoText(text);
}

CPoint COverLayProTractor::HandlePoint(int n)
{
    return n == 2 ? m_P2 : n == 3 ? m_P3 : m_P1;
}

void COverLayProTractor::DragHandle(int n, CPoint point)
{
    if (n == 1)
        m_P1 = point;
    else if (n == 2)
        m_P2 = point;
    else if (n == 3)
        m_P3 = point;
}

void COverLayProTractor::SetBounds(const CRect& bounds)
{
    if (bounds == m_rcBounds)
        return;
    const CSize d(bounds.left - m_rcBounds.left, bounds.top - m_rcBounds.top);
    m_P1 += d;
    m_P2 += d;
    m_P3 += d;
    m_rcBounds = bounds;
}

int COverLayProTractor::IntersectsBox(const CRect& box)
{
    if (SegmentMeetsBox(m_P1, m_P2, box))
        return 1;
    return m_bFirstArm && SegmentMeetsBox(m_P2, m_P3, box) ? 1 : 0;
}

void COverLayProTractor::OnLButtonDown(UINT flags, CPoint& point, CDC* dc)
{
    if (m_bFirstArm) {
        m_P3 = point;
        m_bSecondArm = 1;
    } else {
        m_P1 = m_P2 = m_P3 = point;
    }
    m_bChanged = 1;
    OnMouseMove(flags, point, 2, dc);
}

void COverLayProTractor::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    auto draw = [&] {
        dc->MoveTo(m_P2);
        dc->LineTo(m_P1);
        dc->MoveTo(m_P2);
        dc->LineTo(m_P3);
    };
    auto change = [&] {
        if (dragCode == 2) {
            (m_bFirstArm ? m_P3 : m_P1) = point;
        } else if (dragCode == 0) {
            DragHandle(m_nActiveHandle, point);
        } else if (dragCode == 1) {
            MoveBoundsTo(point);
        }
    };
    RubberBand(dc, point, draw, change);
    if (dragCode == 1)
        UpdateBounds();
}

void COverLayProTractor::OnLButtonUp(UINT, CPoint&, CDC*)
{
    if (!TakeChanged())
        return;
    m_bFirstArm = 1;
    m_bSecondArm = 1;
    UpdateBounds();
    if (m_rcBounds.Height() < 5 && m_rcBounds.Width() < 5) {
        DeleteSelf();
        return;
    }
    m_Image1 = ScreenToImage(m_P1.x, m_P1.y);
    m_Image2 = ScreenToImage(m_P2.x, m_P2.y);
    m_Image3 = ScreenToImage(m_P3.x, m_P3.y);
    Measure();
}

void COverLayProTractor::SetFromRecord(int x1, int y1, int x2, int y2, int x3, int y3)
{
    m_Image1 = CPoint(x1, y1);
    m_Image2 = CPoint(x2, y2);
    m_Image3 = CPoint(x3, y3);
    m_bFirstArm = m_bSecondArm = 1;
    Measure();
}

void COverLayProTractor::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    BurnLine(pixels, pixelType, rowWidth, m_Image2.x, m_Image2.y, m_Image1.x, m_Image1.y);
    BurnLine(pixels, pixelType, rowWidth, m_Image2.x, m_Image2.y, m_Image3.x, m_Image3.y);
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
