// Owner-drawn bitmap button with hover and pressed faces and a tooltip.
#pragma once

#include "ImvexaApi.h"
#include "wnd/wnd.h"

class IMVEXA_API CPlayButton : public CButton {
public:
    CPlayButton();
    ~CPlayButton() override = default;

    void SetBitmaps(UINT hover, UINT pressed, UINT normal, UINT disabled);
    void SetSize(int width, int height);
    void Enable(BOOL enable);
    void SetToolTipText(LPCTSTR text);
    void DrawItem(LPDRAWITEMSTRUCT item) override;

    int IsHover() const { return m_bHover; }
    int IsDisabled() const { return m_bDisabled; }

protected:
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseHover(UINT flags, CPoint point);
    void OnMouseLeave();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    DECLARE_MESSAGE_MAP()

private:
    void DrawFace(CDC* dc, UINT face);
    void DrawFramedFace(CDC* dc, COLORREF fill, UINT face);

    int m_nMouseTracking = 0;
    int m_bHover = 0;
    int m_bDisabled = 0;
    UINT m_nHoverFace = 0;
    UINT m_nPressedFace = 0;
    UINT m_nNormalFace = 0;
    UINT m_nDisabledFace = 0;
    int m_nHeight = 20;
    int m_nWidth = 20;
    CToolTipCtrl m_ToolTip;
};
