#include "OverLayPoly.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "OverLayRegionRuns.h"

IMPLEMENT_DYNCREATE(COverLayPoly, COverLay)

namespace {

// The record's count word is a signed 16-bit value: a trace stops growing there.
const int kMaxVertices = 32767;

std::vector<POINT> Vertices(const CArray<CPoint, CPoint>& points)
{
    std::vector<POINT> out(static_cast<size_t>(points.GetSize()));
    for (int i = 0; i < points.GetSize(); ++i)
        out[static_cast<size_t>(i)] = {points[i].x, points[i].y};
    return out;
}

}  // namespace

COverLayPoly::COverLayPoly()
{
    m_nPenWidth = ProfileInt("OverLayPoly", "PenWidth", 2);
    PolyOverlayColor = static_cast<COLORREF>(ProfileInt("OverLayPoly", "ForeColor", 51200));
    m_nFontSize = ProfileInt("OverLayPoly", "FontSize", 10);
    m_nTextColor = ProfileInt("OverLayPoly", "TextColor", 65408);
}

void COverLayPoly::UpdateInfoText(int reset)
{
    if (reset)
        m_Stats.Reset();
    SetInfoText(MeasureText());
}

int COverLayPoly::GetRecordSize()
{
    return 4 * std::min(m_ImagePoints.GetSize(), kMaxVertices) + 4;
}

int COverLayPoly::BuildRecord()
{
    const int count = std::min(m_ImagePoints.GetSize(), kMaxVertices);
    AllocRecord(2 * count + 2);
    if (m_pRecord == nullptr)
        return 1;
    m_pRecord[0] = 3;
    m_pRecord[1] = static_cast<short>(count);
    for (int i = 0; i < count; ++i) {
        m_pRecord[2 + 2 * i] = static_cast<short>(m_ImagePoints[i].x);
        m_pRecord[3 + 2 * i] = static_cast<short>(m_ImagePoints[i].y);
    }
    return 1;
}

void COverLayPoly::DrawOutline(CDC* dc)
{
    const std::vector<POINT> points = Vertices(m_ScreenPoints);
    if (!points.empty())
        dc->Polygon(points.data(), static_cast<int>(points.size()));
}

void COverLayPoly::Draw(CDC* dc)
{
    SelectDrawPen(dc, m_nPenWidth, PolyOverlayColor);
    DrawMeasureText(dc);
    DrawOutline(dc);
    if (m_bSelected)
        DrawHandles(dc, 2);
    RestoreDrawPen(dc);
}

void COverLayPoly::DrawMeasureText(CDC* dc)
{
    if (ShowsMeasurement())
        DrawPlacedText(dc, LabelText(MeasureText()), m_nFontSize, static_cast<COLORREF>(m_nTextColor));
}

void COverLayPoly::UpdateScreenPoints()
{
    m_ScreenPoints.SetSize(m_ImagePoints.GetSize());
    for (int i = 0; i < m_ImagePoints.GetSize(); ++i)
        m_ScreenPoints[i] = ImageToScreen(m_ImagePoints[i].x, m_ImagePoints[i].y);
    UpdateBounds();
}

void COverLayPoly::UpdateBounds()
{
    if (m_ScreenPoints.GetSize() == 0)
        return;
    CRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int i = 0; i < m_ScreenPoints.GetSize(); ++i) {
        const CPoint& p = m_ScreenPoints[i];
        r.SetRect(std::min<int>(r.left, p.x), std::min<int>(r.top, p.y), std::max<int>(r.right, p.x),
                  std::max<int>(r.bottom, p.y));
    }
    m_rcBounds = r;
}

// A polygon enclosing no pixel measures as zeros: a stored one stays as it was read.
void COverLayPoly::Measure()
{
    std::vector<PixelRun> counted;
    if (!CRegionRuns::Polygon(ImageSize(), m_ImagePoints, counted)) {
        m_Stats.Clear(*this);
        return;
    }
    if (!m_Stats.Measure(*this, counted))
        return;
    if (HasPixelSpacing())
        m_Stats.m_dArea = static_cast<float>(m_Stats.m_nCount) * m_fRowSpacing * m_fColSpacing;
    UpdateInfoText(0);
}

CPoint COverLayPoly::HandlePoint(int n)
{
    if (n < 1 || n > m_ScreenPoints.GetSize())
        return m_rcBounds.TopLeft();
    return m_ScreenPoints[n - 1];
}

void COverLayPoly::DragHandle(int n, CPoint point)
{
    if (n >= 1 && n <= m_ScreenPoints.GetSize())
        m_ScreenPoints[n - 1] = point;
}

void COverLayPoly::SetBounds(const CRect& bounds)
{
    if (bounds == m_rcBounds)
        return;
    const CSize d(bounds.left - m_rcBounds.left, bounds.top - m_rcBounds.top);
    for (int i = 0; i < m_ScreenPoints.GetSize(); ++i)
        m_ScreenPoints[i] += d;
    m_rcBounds = bounds;
}

int COverLayPoly::IntersectsBox(const CRect& box)
{
    const std::vector<POINT> points = Vertices(m_ScreenPoints);
    CRgn region;
    if (points.empty() || !region.CreatePolygonRgn(points.data(), static_cast<int>(points.size()), ALTERNATE))
        return 0;
    return region.RectInRegion(&box) ? 1 : 0;
}

void COverLayPoly::OnLButtonDown(UINT flags, CPoint& point, CDC* dc)
{
    if (m_ScreenPoints.GetSize() < kMaxVertices)
        m_ScreenPoints.Add(point);
    COverLay::OnLButtonDown(flags, point, dc);
}

void COverLayPoly::OnMouseMove(UINT, CPoint& point, int dragCode, CDC* dc)
{
    if (dragCode == 2) {
        // The trace grows with every move; nothing is erased.
        if (m_ScreenPoints.GetSize() >= kMaxVertices)
            return;
        m_ScreenPoints.Add(point);
        m_bChanged = 1;
        if (dc != nullptr) {
            BeginRubberBand(dc);
            dc->MoveTo(m_ptLast);
            dc->LineTo(point);
            EndRubberBand(dc);
        }
        m_ptLast = point;
        return;
    }
    auto draw = [&] { DrawOutline(dc); };
    auto change = [&] {
        if (dragCode == 0) {
            DragHandle(m_nActiveHandle, point);
        } else if (dragCode == 1) {
            MoveBoundsTo(point);
        }
    };
    RubberBand(dc, point, draw, change);
}

void COverLayPoly::OnLButtonUp(UINT, CPoint&, CDC*)
{
    if (!TakeChanged())
        return;
    UpdateBounds();
    if (m_ScreenPoints.GetSize() <= 3 || (m_rcBounds.Height() < 5 && m_rcBounds.Width() < 5)) {
        DeleteSelf();
        return;
    }
    m_ImagePoints.SetSize(m_ScreenPoints.GetSize());
    for (int i = 0; i < m_ScreenPoints.GetSize(); ++i)
        m_ImagePoints[i] = ScreenToImage(m_ScreenPoints[i].x, m_ScreenPoints[i].y);
    // A traced polygon that encloses no pixel is discarded.
    const std::vector<POINT> points = Vertices(m_ImagePoints);
    CRgn region;
    if (!region.CreatePolygonRgn(points.data(), static_cast<int>(points.size()), ALTERNATE)) {
        DeleteSelf();
        return;
    }
    LoadPixelSpacing();
    Measure();
}

void COverLayPoly::SetFromRecord(const CArray<CPoint, CPoint>& vertices)
{
    m_ImagePoints.Copy(vertices);
}

void COverLayPoly::BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth)
{
    const int n = m_ImagePoints.GetSize();
    if (n >= 2) {
        for (int i = 0; i + 1 < n; ++i)
            BurnLine(pixels, pixelType, rowWidth, m_ImagePoints[i].x, m_ImagePoints[i].y, m_ImagePoints[i + 1].x,
                     m_ImagePoints[i + 1].y);
        BurnLine(pixels, pixelType, rowWidth, m_ImagePoints[n - 1].x, m_ImagePoints[n - 1].y, m_ImagePoints[0].x,
                 m_ImagePoints[0].y);
    }
    COverLay::BurnIntoPixels(pixels, pixelType, rowWidth);
}
