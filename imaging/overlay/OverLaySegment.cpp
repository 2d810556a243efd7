#include "OverLaySegment.h"

#include <cmath>
#include <cstdlib>

CSegmentShape::CSegmentShape()
    : m_nX1(0), m_nY1(0), m_nX2(0), m_nY2(0), m_dSum(0), m_dMean(0), m_dDeviation(0), m_dLength(0)
{
}

void CSegmentShape::OnLButtonDown(COverLay& owner, CPoint point)
{
    m_Screen1 = point;
    m_Screen2 = point;
    owner.m_ptAnchor = point;
    owner.m_ptLast = point;
    owner.m_bChanged = 1;
}

void CSegmentShape::OnMouseMove(COverLay& owner, CPoint point, int dragCode, CDC* dc)
{
    auto draw = [&] {
        dc->MoveTo(m_Screen1);
        dc->LineTo(m_Screen2);
    };
    auto change = [&] {
        if (dragCode == 2) {
            m_Screen2 = point;
        } else if (dragCode == 0) {
            owner.DragHandle(owner.m_nActiveHandle, point);
        } else if (dragCode == 1) {
            owner.MoveBoundsTo(point);
        }
    };
    owner.RubberBand(dc, point, draw, change);
    if (dragCode == 1)
        UpdateBounds(owner);
}

int CSegmentShape::OnLButtonUp(COverLay& owner)
{
    if (!owner.TakeChanged())
        return 1;
    UpdateBounds(owner);
    if (owner.m_rcBounds.Height() < 5 && owner.m_rcBounds.Width() < 5) {
        owner.DeleteSelf();
        return 0;
    }
    const CPoint p1 = owner.ScreenToImage(m_Screen1.x, m_Screen1.y);
    const CPoint p2 = owner.ScreenToImage(m_Screen2.x, m_Screen2.y);
    m_nX1 = p1.x;
    m_nY1 = p1.y;
    m_nX2 = p2.x;
    m_nY2 = p2.y;
    owner.LoadPixelSpacing();
    owner.Measure();
    return 1;
}

double CSegmentShape::DistanceMm(const COverLay& owner) const
{
    const float dx = static_cast<float>(std::abs(m_nX2 - m_nX1));
    const float dy = static_cast<float>(std::abs(m_nY2 - m_nY1));
    const float col = dx * owner.m_fColSpacing;
    const float row = dy * owner.m_fRowSpacing;
    return std::sqrt(static_cast<double>(col * col + row * row));
}

void CSegmentShape::Measure(COverLay& owner)
{
    // Stored lines may span the whole coordinate range: walked only when
    // they can lie in the image.
    CArray<CPoint, CPoint> points;
    if (COverLay::LineMayStayIn(m_nX1, m_nY1, m_nX2, m_nY2, owner.ImageSize()))
        COverLay::GetLinePoints(m_nX1, m_nY1, m_nX2, m_nY2, points);
    if (points.IsEmpty() || !owner.MeasurePixels(points, m_dSum, m_dMean, m_dDeviation)) {
        m_dSum = m_dMean = m_dDeviation = m_dLength = 0;
        owner.UpdateInfoText(1);
        return;
    }
    if (owner.HasPixelSpacing())
        m_dLength = DistanceMm(owner);
    owner.UpdateInfoText(0);
}

void CSegmentShape::UpdateScreenPoints(COverLay& owner)
{
    m_Screen1 = owner.ImageToScreen(m_nX1, m_nY1);
    m_Screen2 = owner.ImageToScreen(m_nX2, m_nY2);
    UpdateBounds(owner);
}

void CSegmentShape::UpdateBounds(COverLay& owner)
{
    CRect r(m_Screen1, m_Screen2);
    r.NormalizeRect();
    owner.m_rcBounds = r;
}

void CSegmentShape::DragHandle(int n, CPoint p)
{
    if (n == 1)
        m_Screen1 = p;
    else if (n == 2)
        m_Screen2 = p;
}

void CSegmentShape::SetBounds(COverLay& owner, const CRect& r)
{
    if (r == owner.m_rcBounds)
        return;
    const CSize d(r.left - owner.m_rcBounds.left, r.top - owner.m_rcBounds.top);
    m_Screen1 += d;
    m_Screen2 += d;
    owner.m_rcBounds = r;
}

void CSegmentShape::BuildRecord(COverLay& owner, int type)
{
    owner.StoreRecord({type, m_nX1, m_nY1, m_nX2, m_nY2});
}

void CSegmentShape::SetFromRecord(int x1, int y1, int x2, int y2)
{
    m_nX1 = x1;
    m_nY1 = y1;
    m_nX2 = x2;
    m_nY2 = y2;
}
