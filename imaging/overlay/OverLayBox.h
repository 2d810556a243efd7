// The dragged rectangle that rectangle and ellipse overlays share: its
// image rectangle, drawing with the mouse and the candidate pixels.
#pragma once

#include <algorithm>

#include "OverLay.h"
#include "OverLayRegionStats.h"

class CBoxShape {
public:
    CBoxShape() : m_nLeft(0), m_nTop(0), m_nRight(0), m_nBottom(0) {}

    // shape draws the outline of a window rectangle through the XOR pen.
    void OnMouseMove(COverLay& owner, CPoint point, int dragCode, CDC* dc,
                     const std::function<void(const CRect&)>& shape);
    // 0 when the rectangle came out too small and the overlay deleted itself.
    int OnLButtonUp(COverLay& owner);
    void UpdateScreenPoints(COverLay& owner);
    // Candidate pixels: the top row and left column lie outside.
    template <class Counts>
    void Candidates(COverLay& owner, CArray<CPoint, CPoint>& counted, Counts counts) const
    {
        Candidates(owner, CRect(m_nLeft, m_nTop, m_nRight, m_nBottom), counted, counts);
    }
    // Stored rectangles come from files: the walk is limited to the image and
    // a one-pixel ring around it, which still finds a region that leaves it.
    template <class Counts>
    static void Candidates(COverLay& owner, const CRect& r, CArray<CPoint, CPoint>& counted, Counts counts)
    {
        const CSize size = owner.ImageSize();
        const int x0 = std::max(r.left + 1, -1);
        const int x1 = std::min(r.right, static_cast<int>(size.cx));
        const int y0 = std::max(r.top + 1, -1);
        const int y1 = std::min(r.bottom, static_cast<int>(size.cy));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (counts(x, y))
                    counted.Add(CPoint(x, y));
    }
    void BuildRecord(COverLay& owner, int type);
    void SetFromRecord(int left, int top, int right, int bottom);

    int m_nLeft;
    int m_nTop;
    int m_nRight;
    int m_nBottom;
    CRegionStats m_Stats;
};
