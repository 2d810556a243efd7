// A pixel probe: a small square that shows the stored value under it.
#pragma once

#include "OverLay.h"

class COverLayPoint : public COverLay {
    DECLARE_DYNCREATE(COverLayPoint)
public:
    COverLayPoint();

    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override { return 6; }
    int BuildRecord() override;
    void Draw(CDC* dc) override;
    void UpdateScreenPoints() override;
    void Measure() override;
    void DrawHandles(CDC*, int) override {}
    int HitHandle(CPoint, int) override { return 0; }
    int IntersectsBox(const CRect& box) override;
    void OnLButtonDown(UINT flags, CPoint& point, CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void DrawMeasureText(CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;
    CString MeasureText() const override;

    void SetFromRecord(int x, int y);
    CPoint GetImagePoint() const { return CPoint(m_nImageX, m_nImageY); }

    int m_nImageX;
    int m_nImageY;
    int m_nScreenX;
    int m_nScreenY;
    int m_nValue;
    int m_nPenWidth;
    int m_nFontSize;
    int m_nTextColor;

private:
    void SetScreenPoint(CPoint p);
};
