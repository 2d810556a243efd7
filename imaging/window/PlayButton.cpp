#include "PlayButton.h"

#include "PlayFaces.h"

namespace {
const COLORREF kPressedFill = 0xB59284;
const COLORREF kHoverFill = 0xD6BEB5;
}  // namespace

BEGIN_MESSAGE_MAP(CPlayButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEHOVER()
    ON_WM_MOUSELEAVE()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CPlayButton::CPlayButton()
{
    RegisterPlayFaces();
}

void CPlayButton::SetBitmaps(UINT hover, UINT pressed, UINT normal, UINT disabled)
{
    m_nHoverFace = hover;
    m_nPressedFace = pressed;
    m_nNormalFace = normal;
    m_nDisabledFace = disabled;
}

void CPlayButton::SetSize(int width, int height)
{
    m_nWidth = width;
    m_nHeight = height;
}

void CPlayButton::Enable(BOOL enable)
{
    m_bDisabled = !enable;
    if (m_hWnd == nullptr)
        return;
    if (enable)
        ModifyStyle(WS_DISABLED, 0, SWP_FRAMECHANGED);
    else
        ModifyStyle(0, WS_DISABLED, SWP_FRAMECHANGED);
    Invalidate(TRUE);
}

void CPlayButton::SetToolTipText(LPCTSTR text)
{
    if (m_ToolTip.GetSafeHwnd() != nullptr || m_hWnd == nullptr)
        return;
    if (!m_ToolTip.Create(this))
        return;
    m_ToolTip.AddTool(this, text);
    m_ToolTip.Activate(TRUE);
}

void CPlayButton::OnMouseMove(UINT flags, CPoint point)
{
    if (!m_nMouseTracking) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = 1;
        m_nMouseTracking = TrackMouseEvent(&track);
    }
    if (m_ToolTip.GetSafeHwnd() != nullptr) {
        MSG msg{};
        msg.hwnd = m_hWnd;
        msg.message = WM_MOUSEMOVE;
        msg.wParam = flags;
        msg.lParam = MAKELPARAM(point.x, point.y);
        m_ToolTip.RelayEvent(&msg);
    }
    CButton::OnMouseMove(flags, point);
}

void CPlayButton::OnMouseHover(UINT, CPoint)
{
    m_bHover = 1;
    Invalidate(TRUE);
}

void CPlayButton::OnMouseLeave()
{
    m_nMouseTracking = 0;
    m_bHover = 0;
    Invalidate(TRUE);
}

BOOL CPlayButton::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    return CButton::OnSetCursor(wnd, hitTest, message);
}

void CPlayButton::DrawFace(CDC* dc, UINT face)
{
    if (face != 0)
        DrawBitmapResource(dc, face, m_nWidth, m_nHeight);
}

void CPlayButton::DrawFramedFace(CDC* dc, COLORREF fill, UINT face)
{
    dc->FillSolidRect(0, 0, m_nWidth, m_nHeight, fill);
    DrawFace(dc, face);
    CBrush black(RGB(0, 0, 0));
    CRect frame(0, 0, m_nWidth - 1, m_nHeight - 1);
    dc->FrameRect(&frame, &black);
}

void CPlayButton::DrawItem(LPDRAWITEMSTRUCT item)
{
    if (item == nullptr)
        return;
    CDC* target = CDC::FromHandle(item->hDC);
    CDC memory;
    memory.CreateCompatibleDC(target);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(target, m_nWidth, m_nHeight);
    CBitmap* old = memory.SelectObject(&bitmap);
    if (m_bDisabled)
        DrawFace(&memory, m_nDisabledFace);
    else if (item->itemState & ODS_SELECTED)
        DrawFramedFace(&memory, kPressedFill, m_nPressedFace);
    else if (m_bHover)
        DrawFramedFace(&memory, kHoverFill, m_nHoverFace);
    else
        DrawFace(&memory, m_nNormalFace);
    target->BitBlt(0, 0, m_nWidth, m_nHeight, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}
