// A rectangular region with the statistics of the pixels inside.
#pragma once

#include "OverLay.h"
#include "OverLayBox.h"

class COverLayRect : public COverLay {
    DECLARE_DYNCREATE(COverLayRect)
public:
    COverLayRect();

    void UpdateInfoText(int reset) override;
    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override { return 10; }
    int BuildRecord() override;
    void Draw(CDC* dc) override;
    void UpdateScreenPoints() override { m_Box.UpdateScreenPoints(*this); }
    void Measure() override;
    void DrawHandles(CDC* dc, int state) override { DrawInvertedHandles(dc, state, 3); }
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void DrawMeasureText(CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;
    CString MeasureText() const override { return m_Box.m_Stats.Text(HasPixelSpacing()); }

    void UpdateBounds() {}
    void SetFromRecord(int left, int top, int right, int bottom) { m_Box.SetFromRecord(left, top, right, bottom); }

    CBoxShape m_Box;
    int m_nPenWidth;
    int m_nFontSize;
    int m_nTextColor;

private:
    void DrawShape(CDC* dc, const CRect& r);
};
