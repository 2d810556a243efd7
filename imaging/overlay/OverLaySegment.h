// The straight segment that line and arrow overlays share: its window and
// image points, drawing with the mouse, measurement and hit test.
#pragma once

#include "OverLay.h"

class CSegmentShape {
public:
    CSegmentShape();

    void OnLButtonDown(COverLay& owner, CPoint point);
    void OnMouseMove(COverLay& owner, CPoint point, int dragCode, CDC* dc);
    // 0 when the segment came out too small and the overlay deleted itself.
    int OnLButtonUp(COverLay& owner);
    void Measure(COverLay& owner);
    void UpdateScreenPoints(COverLay& owner);
    void UpdateBounds(COverLay& owner);
    CPoint HandlePoint(int n) const { return n == 2 ? m_Screen2 : m_Screen1; }
    void DragHandle(int n, CPoint p);
    void SetBounds(COverLay& owner, const CRect& r);
    int IntersectsBox(const CRect& box) const { return COverLay::SegmentMeetsBox(m_Screen1, m_Screen2, box); }
    void BuildRecord(COverLay& owner, int type);
    void SetFromRecord(int x1, int y1, int x2, int y2);
    double DistanceMm(const COverLay& owner) const;

    CPoint m_Screen1;
    CPoint m_Screen2;
    int m_nX1;
    int m_nY1;
    int m_nX2;
    int m_nY2;
    double m_dSum;
    double m_dMean;
    double m_dDeviation;
    double m_dLength;
};
