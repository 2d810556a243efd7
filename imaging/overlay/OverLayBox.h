// The dragged rectangle that rectangle and ellipse overlays share: its
// image rectangle and drawing with the mouse.
#pragma once

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
    CRect Rect() const { return CRect(m_nLeft, m_nTop, m_nRight, m_nBottom); }
    void BuildRecord(COverLay& owner, int type);
    void SetFromRecord(int left, int top, int right, int bottom);

    int m_nLeft;
    int m_nTop;
    int m_nRight;
    int m_nBottom;
    CRegionStats m_Stats;
};
