#include "OverLayBox.h"

#include <algorithm>

void CBoxShape::OnMouseMove(COverLay& owner, CPoint point, int dragCode, CDC* dc,
                            const std::function<void(const CRect&)>& shape)
{
    // While drawing, the old shape is the one spanned up to the last point.
    const bool drawing = dragCode == 2;
    CRect shown = drawing ? CRect(owner.m_ptAnchor, owner.m_ptLast) : owner.m_rcBounds;
    auto draw = [&] { shape(shown); };
    auto change = [&] {
        if (drawing)
            owner.m_rcBounds = CRect(owner.m_ptAnchor, point);
        else if (dragCode == 0)
            owner.DragHandle(owner.m_nActiveHandle, point);
        else if (dragCode == 1)
            owner.m_rcBounds.OffsetRect(point.x - owner.m_ptLast.x, point.y - owner.m_ptLast.y);
        shown = owner.m_rcBounds;
    };
    owner.RubberBand(dc, point, draw, change);
}

int CBoxShape::OnLButtonUp(COverLay& owner)
{
    if (!owner.TakeChanged())
        return 1;
    CRect r = owner.m_rcBounds;
    r.NormalizeRect();
    if (r.Height() < 5 && r.Width() < 5) {
        owner.DeleteSelf();
        return 0;
    }
    const CPoint p1 = owner.ScreenToImage(r.left, r.top);
    const CPoint p2 = owner.ScreenToImage(r.right, r.bottom);
    m_nLeft = std::min(p1.x, p2.x);
    m_nRight = std::max(p1.x, p2.x);
    m_nTop = std::min(p1.y, p2.y);
    m_nBottom = std::max(p1.y, p2.y);
    owner.LoadPixelSpacing();
    owner.Measure();
    return 1;
}

void CBoxShape::UpdateScreenPoints(COverLay& owner)
{
    const CPoint p1 = owner.ImageToScreen(m_nLeft, m_nTop);
    const CPoint p2 = owner.ImageToScreen(m_nRight, m_nBottom);
    owner.m_rcBounds.SetRect(p1.x, p1.y, p2.x, p2.y);
}

void CBoxShape::BuildRecord(COverLay& owner, int type)
{
    owner.StoreRecord({type, m_nLeft, m_nTop, m_nRight, m_nBottom});
}

void CBoxShape::SetFromRecord(int left, int top, int right, int bottom)
{
    m_nLeft = left;
    m_nTop = top;
    m_nRight = right;
    m_nBottom = bottom;
}
