// The angle between two arms that share a vertex, drawn in two
// press-drag-release cycles.
#pragma once

#include "OverLay.h"

class COverLayProTractor : public COverLay {
    DECLARE_DYNCREATE(COverLayProTractor)
public:
    COverLayProTractor();

    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override { return 14; }
    int BuildRecord() override;
    void Draw(CDC* dc) override;
    void UpdateScreenPoints() override;
    void Measure() override;
    int HandleCount() override { return 3; }
    CPoint HandlePoint(int n) override;
    void DrawHandles(CDC* dc, int state) override { DrawInvertedHandles(dc, state, 3); }
    void DragHandle(int n, CPoint point) override;
    void SetBounds(const CRect& bounds) override;
    int IntersectsBox(const CRect& box) override;
    void OnLButtonDown(UINT flags, CPoint& point, CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void DrawMeasureText(CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;
    CString MeasureText() const override;

    void UpdateBounds();
    void SetFromRecord(int x1, int y1, int x2, int y2, int x3, int y3);

    CPoint m_P1;
    CPoint m_P2;
    CPoint m_P3;
    CPoint m_Image1;
    CPoint m_Image2;
    CPoint m_Image3;
    int m_bFirstArm;
    int m_bSecondArm;
    double m_dAngle;
    int m_nPenWidth;
    int m_nFontSize;
    int m_nTextColor;
};
