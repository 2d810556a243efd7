// A free-hand polygon traced while the button is held, with the statistics
// of the pixels inside.
#pragma once

#include "OverLay.h"
#include "OverLayRegionStats.h"

class COverLayPoly : public COverLay {
    DECLARE_DYNCREATE(COverLayPoly)
public:
    COverLayPoly();

    void UpdateInfoText(int reset) override;
    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override;
    int BuildRecord() override;
    void Draw(CDC* dc) override;
    void UpdateScreenPoints() override;
    void Measure() override;
    int HandleCount() override { return m_ScreenPoints.GetSize(); }
    CPoint HandlePoint(int n) override;
    void DrawHandles(CDC* dc, int state) override { DrawInvertedHandles(dc, state, 1); }
    void DragHandle(int n, CPoint point) override;
    void SetBounds(const CRect& bounds) override;
    int IntersectsBox(const CRect& box) override;
    void OnLButtonDown(UINT flags, CPoint& point, CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void DrawMeasureText(CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;
    CString MeasureText() const override { return m_Stats.Text(HasPixelSpacing()); }

    void UpdateBounds();
    void SetFromRecord(const CArray<CPoint, CPoint>& vertices);

    CArray<CPoint, CPoint> m_ScreenPoints;
    CArray<CPoint, CPoint> m_ImagePoints;
    CRegionStats m_Stats;
    int m_nPenWidth;
    int m_nFontSize;
    int m_nTextColor;

private:
    void DrawOutline(CDC* dc);
};
