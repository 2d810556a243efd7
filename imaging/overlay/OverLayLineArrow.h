// An arrow with its length.
#pragma once

#include "OverLay.h"
#include "OverLaySegment.h"

class COverLayLineArrow : public COverLay {
    DECLARE_DYNCREATE(COverLayLineArrow)
public:
    COverLayLineArrow();

    void UpdateInfoText(int reset) override;
    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override { return 10; }
    int BuildRecord() override;
    void Draw(CDC* dc) override;
    void UpdateScreenPoints() override { m_Segment.UpdateScreenPoints(*this); }
    void Measure() override { m_Segment.Measure(*this); }
    int HandleCount() override { return 2; }
    CPoint HandlePoint(int n) override { return m_Segment.HandlePoint(n); }
    void DrawHandles(CDC* dc, int state) override { DrawInvertedHandles(dc, state, 3); }
    void DragHandle(int n, CPoint point) override { m_Segment.DragHandle(n, point); }
    void SetBounds(const CRect& bounds) override { m_Segment.SetBounds(*this, bounds); }
    int IntersectsBox(const CRect& box) override { return m_Segment.IntersectsBox(box); }
    void OnLButtonDown(UINT flags, CPoint& point, CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void DrawMeasureText(CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;

    void UpdateBounds() { m_Segment.UpdateBounds(*this); }
    void SetFromRecord(int x1, int y1, int x2, int y2) { m_Segment.SetFromRecord(x1, y1, x2, y2); }
    void DrawArrow(CDC* dc, CPoint a, CPoint b, float scale);
    CString MeasureText() const override;

    CSegmentShape m_Segment;
    int m_nArrowDirection;
    int m_nPenWidth;
    int m_nFontSize;
    int m_nTextColor;
};
