// Playback slider: a track with a thumb and two optional coloured bands;
// dragging reports the position to the parent.
#pragma once

#include "ImvexaApi.h"
#include "gdi/gdi.h"
#include "wnd/wnd.h"

class IMVEXA_API CPlaySlider : public CWnd {
public:
    CPlaySlider() = default;
    ~CPlaySlider() override = default;

    void DrawBackground(CDC* dc);
    void DrawThumb(CDC* dc);
    // Background, then thumb, in the memory context.
    void Redraw();

    CDC m_MemDC;
    COLORREF m_BackColor = 0xC0C0C0;
    COLORREF m_ThumbColor = 0xFF8080;
    int m_nMin = 0;
    int m_nMax = 999;
    COLORREF m_Band1Color = 0xFF8080;
    int m_nBand1Start = -1;
    int m_nBand1End = -1;
    int m_bShowBand1 = 0;
    COLORREF m_Band2Color = 0x80FF80;
    int m_nBand2Start = -1;
    int m_nBand2End = -1;
    int m_bShowBand2 = 0;
    int m_nHeight = 20;
    int m_nPos = 0;
    int m_nThumbWidth = 10;
    CRect m_ThumbRect;
    int m_bDragging = 0;

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    void RecreateMemoryBitmap();
    void SetPosFromX(int x);
    int BandX(int value, int span, int count) const;

    CBitmap m_MemBitmap;
    CBitmap* m_pOldBitmap = nullptr;
};
