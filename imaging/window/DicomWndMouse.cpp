// Mouse, wheel and keys: tools, drags, overlay forwarding, point mapping and
// notifications to the parent.
#include "DicomWnd.h"
#include "OverLayLine.h"
#include "OverLayPoint.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {

const COLORREF kActiveFrame = 0x138FED;
const COLORREF kSelectedFrame = 0xED8F13;
const COLORREF kHoverFrame = 0x00FF00;

bool ControlHeld() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }
bool ShiftHeld() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// Thousandths of a span, truncated, as the fraction that stores exactly them.
float Thousandths(int offset, int span)
{
    double value = static_cast<double>(offset) / span * 1000;
    value = std::max(std::min(value, 1e6), -1e6);
    return static_cast<float>((static_cast<int>(value) + (value < 0 ? -0.5 : 0.5)) / 1000);
}

}  // namespace

void CDicomWnd::SetOpMode(OpMode mode)
{
    m_OpMode = mode;
    int entry = -1;
    switch (mode) {
    case 0: break;
    case 1: entry = 0; break;
    case 5: entry = 2; break;
    case 3: entry = 3; break;
    case 4: entry = 5; break;
    case 6: case 7: entry = 6; break;
    case 8: entry = 7; break;
    case 9: entry = 8; break;
    case 10: entry = 9; break;
    case 13: entry = 10; break;
    case 14: entry = 11; break;
    default: entry = 1; break;
    }
    const HCURSOR cursor = entry < 0 ? LoadCursor(nullptr, IDC_ARROW) : m_Cursors[entry];
    if (m_hWnd != nullptr)
        SetClassLong(m_hWnd, GCL_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
}

void CDicomWnd::OnAdjustNone()
{
    SetOpMode(OPMODE_NONE);
    m_WinLevelType = WINLEVEL_NONE;
}

void CDicomWnd::SetOverLayShape(OverLayShape shape)
{
    if (m_pDcmImage == nullptr)
        return;
    m_OverLayShape = shape;
    if (PrepareOverLayManager())
        CurrentOverlayTool = shape;
}

void CDicomWnd::SetOverLayMode(OverLayMode mode)
{
    if (m_pDcmImage == nullptr)
        return;
    m_OverLayMode = mode;
    if (PrepareOverLayManager())
        CurrentOverlayMode = mode;
}

// The image's manager, created on demand and given this window's settings.
COverLayManager* CDicomWnd::PrepareOverLayManager()
{
    COverLayManager* manager = m_pDcmImage->CreateOverLayManager();
    if (manager == nullptr)
        return nullptr;
    manager->m_bShowMeasure = m_bShowMeasureInfo;
    manager->m_strPhraseFile = m_strPhraseFile;
    manager->m_pOwnerWnd = this;
    return manager;
}

int CDicomWnd::SetWindowAjustStep()
{
    if (m_pDcmImage == nullptr)
        return 0;
    const int range = m_pDcmImage->GetMaxWindowLevel() - m_pDcmImage->GetMinWindowLevel();
    const int width = m_TotalRect.Width();
    const int height = m_TotalRect.Height();
    m_nWindowStepX = std::max(width != 0 ? range / width : 2, 1);
    m_nWindowStepY = std::max(height != 0 ? range / height : 2, 1);
    return 1;
}

void CDicomWnd::Notify(int code, int param1, int param2, int param3, int param4, int paramCount)
{
    CWnd* parent = GetParent();
    if (parent == nullptr)
        return;
    CEduMsg message;
    message.m_hSender = m_hWnd;
    message.m_nCode = code;
    const int params[4] = {param1, param2, param3, param4};
    for (int i = 0; i < paramCount && i < 4; ++i)
        message.m_nParams[i] = params[i];
    parent->SendMessage(ImageWndEventMessage, reinterpret_cast<WPARAM>(&message), 0);
}

void CDicomWnd::NotifyWindowLevel(int code, int param1, int param2, int param3, int paramCount)
{
    CWnd* parent = GetParent();
    if (parent == nullptr)
        return;
    CEduMsg message;
    message.m_nCode = code;
    message.m_nParams[0] = m_nImageIndex;
    const int params[3] = {param1, param2, param3};
    for (int i = 0; i < paramCount && i < 3; ++i)
        message.m_nParams[i + 1] = params[i];
    parent->SendMessage(WindowLevelChangedMessage, reinterpret_cast<WPARAM>(&message), 0);
}

void CDicomWnd::TrackMouse()
{
    if (m_nMouseTracking)
        return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = 1;
    m_nMouseTracking = TrackMouseEvent(&track);
}

// Every press goes to the overlay manager in every mode; the window's tool
// and mode become the current ones first.
void CDicomWnd::HandOverlayPress(UINT flags, CPoint point)
{
    COverLayManager* manager = GetOverLayManager();
    if (manager == nullptr)
        return;
    CurrentOverlayMode = m_OverLayMode;
    CurrentOverlayTool = m_OverLayShape;
    SetCapture();
    CClientDC dc(this);
    manager->OnLButtonDown(flags, point, &dc);
    if (m_OverLayShape == OVERLAY_TEXT)
        m_bLButtonDown = 0;
    Repaint();
}

bool CDicomWnd::AngleAwaitsSecondArm() const
{
    return m_OverLayShape == OVERLAY_ANGLE && CurrentOverlayMode == OVERLAY_MODE_SECOND_ARM;
}

// The text tool opens its dialog on the press; the release comes while the
// dialog runs and never reaches the window.
bool CDicomWnd::PressAsksForText()
{
    return m_pDcmImage != nullptr && GetOverLayManager() != nullptr && m_OverLayShape == OVERLAY_TEXT &&
           m_OverLayMode != OVERLAY_MODE_ERASE && TextDialogOpen == 0;
}

void CDicomWnd::OnLButtonDown(UINT flags, CPoint point)
{
    const bool asksForText = PressAsksForText();
    m_ptWL = m_ptWLLast = point;
    m_ptLButtonDown = point;
    m_bLButtonDown = 1;
    SetWindowAjustStep();
    if (m_pDcmImage != nullptr) {
        const CRect client = CurrentClientRect();
        if (m_bShowImgPos && IsWindowEnabled() && client.Width() > 0 && client.Height() > 0)
            m_pDcmImage->SetImgPos(Thousandths(point.x - client.left, client.Width()),
                                   Thousandths(point.y - client.top, client.Height()));
        COverLayManager* manager = GetOverLayManager();
        if (manager != nullptr && AngleAwaitsSecondArm()) {
            CClientDC dc(this);
            manager->OnLButtonDown(flags, point, &dc);
            return;
        }
        HandOverlayPress(flags, point);
        m_ptMouse = point;
        if (m_OpMode == OPMODE_SHUTTER) {
            if (m_pShutterTracker == nullptr)
                m_pShutterTracker = new (std::nothrow) CShutterTracker(m_pDcmImage);
            if (m_pShutterTracker != nullptr) {
                CClientDC dc(this);
                m_pShutterTracker->m_pImage = m_pDcmImage;
                m_pShutterTracker->m_ptStart = m_pShutterTracker->m_ptEnd = point;
                m_pShutterTracker->m_nSavedRop2 = dc.SetROP2(R2_NOT);
            }
        } else if (m_OpMode == OPMODE_FILTER) {
            OnFilterMode();
        }
        if (client.PtInRect(point))
            SetCapture();
        else
            ReleaseCapture();
        if ((flags & MK_CONTROL) || ControlHeld())
            m_bSelected = !m_bSelected;
        Repaint();
    }
    Notify(513, m_nImageIndex);
    if (asksForText)
        OnLButtonUp(flags, point);
}

void CDicomWnd::OnMouseMove(UINT flags, CPoint point)
{
    TrackMouse();
    const CPoint delta(point.x - m_ptMouse.x, point.y - m_ptMouse.y);
    if (m_pDcmImage == nullptr)
        return;
    if (m_bRButtonDown) {
        SetOpMode(OPMODE_WINDOW_LEVEL);
        m_WinLevelType = WINLEVEL_BOTH;
        OnWLAdjust(flags, point);
        m_bRButtonDragged = 1;
    }
    if (m_bLButtonDown) {
        m_ptMouse = point;
        if (m_OpMode == OPMODE_NONE || m_OpMode == OPMODE_OVERLAY) {
            COverLayManager* manager = GetOverLayManager();
            const int mode = CurrentOverlayMode;
            if (manager != nullptr && (mode == 0 || mode == 1 || mode == 2 || mode == 4)) {
                CClientDC dc(this);
                manager->OnMouseMove(flags, point, &dc);
                return;
            }
        }
        DragLeftButton(flags, point, delta);
    }
    Notify(512, m_nImageIndex, point.x, point.y, 0, 3);
    Default();
}

void CDicomWnd::DragLeftButton(UINT flags, CPoint point, CPoint delta)
{
    switch (m_OpMode) {
    case OPMODE_PIXEL_VALUE:
    case OPMODE_11: {
        CRect area = m_TotalRect;
        area.InflateRect(80, 80);
        InvalidateRect(&area, TRUE);
        break;
    }
    case OPMODE_MOVE: MoveImage(delta); break;
    case OPMODE_MAGNIFIER:
        Repaint();
        SetCapture();
        break;
    case OPMODE_ZOOM: ZoomImage(delta); break;
    case OPMODE_WINDOW_LEVEL_8:
    case OPMODE_WINDOW_LEVEL_9:
    case OPMODE_WINDOW_LEVEL: OnWLAdjust(flags, point); break;
    case OPMODE_SHUTTER:
        if (m_pShutterTracker != nullptr) {
            CClientDC dc(this);
            dc.SetROP2(R2_NOT);
            CRect old(m_pShutterTracker->m_ptStart, m_pShutterTracker->m_ptEnd);
            old.NormalizeRect();
            dc.DrawFocusRect(&old);
            CRect fresh(m_pShutterTracker->m_ptStart, point);
            fresh.NormalizeRect();
            dc.DrawFocusRect(&fresh);
            m_pShutterTracker->m_ptEnd = point;
        }
        break;
    default: break;
    }
}

void CDicomWnd::OnWLAdjust(UINT flags, CPoint point)
{
    if (m_WinLevelType == WINLEVEL_NONE || m_WinLevelType == WINLEVEL_1)
        return;
    m_ptWL = point;
    if (m_pDcmImage != nullptr) {
        long width = m_pDcmImage->GetWindowWidth();
        long centre = m_pDcmImage->GetWindowCenter();
        const long dx = point.x - m_ptWLLast.x;
        const long dy = point.y - m_ptWLLast.y;
        if ((flags & MK_SHIFT) || ShiftHeld()) {
            width += dx;
            centre -= dy;
        } else if ((flags & MK_CONTROL) || ControlHeld()) {
            width += 2 * dx * m_nWindowStepX;
            centre -= 2 * dy * m_nWindowStepY;
        } else {
            width += dx * m_nWindowStepX;
            centre -= dy * m_nWindowStepY;
        }
        ChangeWL(m_WinLevelType, static_cast<int>(width), static_cast<int>(centre));
    }
    m_ptWLLast = m_ptWL;
}

void CDicomWnd::ChangeWL(WINLEVEL_TYPE type, int width, int centre)
{
    if (m_pDcmImage == nullptr)
        return;
    switch (type) {
    case WINLEVEL_CENTER: m_pDcmImage->AdjustWC(centre, 0); break;
    case WINLEVEL_WIDTH: m_pDcmImage->AdjustWW(width, 0); break;
    case WINLEVEL_BOTH: m_pDcmImage->AdjustBoth(width, centre, 0); break;
    default: break;
    }
    Repaint();
}

void CDicomWnd::MoveImage(CPoint delta)
{
    m_TotalRect.OffsetRect(delta);
    UpdateOverlayView();
    Repaint();
    SetCapture();
}

void CDicomWnd::ZoomImage(CPoint delta)
{
    if (m_pDcmImage == nullptr)
        return;
    const int k = delta.y - delta.x;
    if (k <= 0 && (m_TotalRect.Width() <= 100 || m_TotalRect.Height() <= 100))
        return;
    CRect grown = m_TotalRect;
    grown.InflateRect(k, k);
    CRect fitted = CDcmImage::GetFittedImageRect(grown, m_pDcmImage->GetWidth(), m_pDcmImage->GetHeight(), 0, 0);
    const int oldWidth = fitted.Width();
    const int oldHeight = fitted.Height();
    if (oldWidth == 0 || oldHeight == 0)
        return;
    const CPoint centre = fitted.CenterPoint();
    if (fitted.Width() < 100) {
        const int height = fitted.Height() * 100 / oldWidth;
        fitted.SetRect(centre.x - 50, centre.y - height / 2, centre.x + 50, centre.y - height / 2 + height);
    }
    if (fitted.Height() < 100) {
        const int width = 100 * fitted.Width() / oldHeight;
        fitted.SetRect(centre.x - width / 2, centre.y - 50, centre.x - width / 2 + width, centre.y + 50);
    }
    if (fitted.Width() == 0 || fitted.Height() == 0)
        return;
    fitted.NormalizeRect();
    m_TotalRect = fitted;
    UpdateOverlayView();
    Repaint();
    SetCapture();
}

void CDicomWnd::OnLButtonUp(UINT flags, CPoint point)
{
    COverLayManager* manager = GetOverLayManager();
    if (m_pDcmImage != nullptr && manager != nullptr) {
        manager->SetImageRect(m_TotalRect.left, m_TotalRect.top, m_TotalRect.right, m_TotalRect.bottom, 0);
        CClientDC dc(this);
        manager->OnLButtonUp(flags, point, &dc);
        if (AngleAwaitsSecondArm())
            return;
        SetOverLayMode(OVERLAY_MODE_IDLE);
        SetOverLayShape(OVERLAY_SELECT);
        CurrentOverlayMode = OVERLAY_MODE_IDLE;
        CurrentOverlayTool = OVERLAY_SELECT;
        ReleaseCapture();
    }
    ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
    OnLButtonUpRefresh(flags, point);
}

void CDicomWnd::OnLButtonUpRefresh(UINT, CPoint point)
{
    if (m_pDcmImage == nullptr)
        return;
    m_ptMouse = CPoint(-100, -100);
    if (m_bLButtonDown && (m_OpMode == OPMODE_MOVE || m_OpMode == OPMODE_ZOOM))
        NotifyWindowLevel(m_OpMode, point.x - m_ptLButtonDown.x, point.y - m_ptLButtonDown.y, 0, 2);
    m_bLButtonDown = 0;
    if (m_OpMode == OPMODE_SHUTTER && m_pShutterTracker != nullptr)
        FinishShutter();
    switch (m_OpMode) {
    case OPMODE_MOVE:
    case OPMODE_MAGNIFIER:
    case OPMODE_ZOOM:
    case OPMODE_WINDOW_LEVEL_8:
    case OPMODE_WINDOW_LEVEL_9:
    case OPMODE_WINDOW_LEVEL: break;
    default: SetOpMode(OPMODE_NONE); break;
    }
    ReleaseCapture();
    Repaint();
    Notify(514, m_nImageIndex);
}

void CDicomWnd::FinishShutter()
{
    CShutterTracker* tracker = m_pShutterTracker;
    const CPoint start = ClientPtToImage(tracker->m_ptStart);
    const CPoint end = ClientPtToImage(tracker->m_ptEnd);
    tracker->m_nLeft = std::min(start.x, end.x);
    tracker->m_nRight = std::max(start.x, end.x);
    tracker->m_nTop = std::min(start.y, end.y);
    tracker->m_nBottom = std::max(start.y, end.y);
    {
        CClientDC dc(this);
        dc.SetROP2(tracker->m_nSavedRop2 != 0 ? tracker->m_nSavedRop2 : R2_COPYPEN);
        dc.SelectStockObject(NULL_BRUSH);
    }
    m_pDcmImage->SetShutter(tracker->m_nLeft, tracker->m_nTop, tracker->m_nRight, tracker->m_nBottom);
    m_pDcmImage->ClearBitmapBits();
    m_pDcmImage->ResetBitmapBits();
    SetOpMode(OPMODE_NONE);
    Repaint();
}

void CDicomWnd::OnRButtonDown(UINT, CPoint point)
{
    m_ptWL = m_ptWLLast = point;
    DrawFrame(kActiveFrame, 1);
    SetWindowAjustStep();
    if (m_pDcmImage != nullptr && m_bShowImgPos) {
        m_pDcmImage->SetImgPos(0, 0);
        Repaint();
    }
    m_ptMouse = point;
    m_bRButtonDown = 1;
    SetOpMode(OPMODE_WINDOW_LEVEL);
    m_WinLevelType = WINLEVEL_BOTH;
    Notify(516, m_nImageIndex, point.x, point.y, 0, 3);
    Default();
}

void CDicomWnd::OnRButtonUp(UINT flags, CPoint point)
{
    if (COverLayManager* manager = GetOverLayManager()) {
        CClientDC dc(this);
        manager->OnRButtonUp(flags, point, &dc);
    }
    OnRButtonUpRefresh(flags, point);
    m_bRButtonDragged = 0;
    OnAdjustNone();
    m_bRButtonDown = 0;
    Notify(517, m_nImageIndex);
    Default();
}

void CDicomWnd::OnRButtonUpRefresh(UINT, CPoint)
{
    if (m_bRButtonDown && m_pDcmImage != nullptr)
        NotifyWindowLevel(OPMODE_WINDOW_LEVEL, m_WinLevelType, m_pDcmImage->GetWindowWidth(),
                          m_pDcmImage->GetWindowCenter(), 3);
    ShowPopupMenu();
}

void CDicomWnd::OnLButtonDblClk(UINT flags, CPoint point)
{
    COverLayManager* manager = GetOverLayManager();
    if (m_pDcmImage != nullptr && manager != nullptr && manager->GetCurrentOverlay() != nullptr &&
        manager->GetCurrentOverlay()->GetRuntimeClass() == RUNTIME_CLASS(COverLayLine)) {
        manager->SetImageRect(m_TotalRect.left, m_TotalRect.top, m_TotalRect.right, m_TotalRect.bottom, 0);
        CClientDC dc(this);
        manager->OnLButtonDblClk(flags, point, &dc);
        return;
    }
    Notify(515, m_nImageIndex);
    Default();
}

void CDicomWnd::OnMouseHover(UINT, CPoint)
{
    DrawFrame(kHoverFrame, 1);
}

void CDicomWnd::OnMouseLeave()
{
    m_nMouseTracking = 0;
    DrawFrame(kHoverFrame, 0);
    if (m_bActive)
        DrawFrame(kActiveFrame, 1);
    if (m_bSelected)
        DrawFrame(kSelectedFrame, 1);
    if (m_OpMode == OPMODE_MAGNIFIER) {
        m_bMagnifierShown = 0;
        Repaint();
    }
    if (m_OpMode == OPMODE_WINDOW_LEVEL && m_bRButtonDown) {
        OnRButtonUpRefresh(0, CPoint(0, 0));
        OnAdjustNone();
        m_bRButtonDown = 0;
    }
}

BOOL CDicomWnd::OnMouseWheel(UINT flags, short delta, CPoint point)
{
    if (m_OpMode == OPMODE_MAGNIFIER) {
        const int size = m_nMagnifierDst + (2 * delta) / 120;
        // A flood of notches must not overflow the half-size.
        if (size > 10 && size < 100000)
            m_nMagnifierDst = size;
        Repaint();
    } else {
        Notify(522, m_nImageIndex, delta, 0, 0, 2);
    }
    return CWnd::OnMouseWheel(flags, delta, point);
}

void CDicomWnd::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (m_bForEasyViewer && m_pDcmImage != nullptr) {
        if (key == VK_DOWN || key == VK_RIGHT) {
            KillTimer(CINE_TIMER);
            ShowNextFrame();
        } else if (key == VK_UP || key == VK_LEFT) {
            KillTimer(CINE_TIMER);
            ShowPreviousFrame();
        }
    }
    CWnd::OnKeyDown(key, repeat, flags);
}

void CDicomWnd::OnKeyUp(UINT key, UINT repeat, UINT flags)
{
    CWnd::OnKeyUp(key, repeat, flags);
}

void CDicomWnd::OnSysCommand(UINT id, LPARAM lParam)
{
    if (id == ID_OPEN_FILE)
        SendMessage(WM_COMMAND, ID_OPEN_FILE, 0);
    CWnd::OnSysCommand(id, lParam);
}

CPoint CDicomWnd::ClientPtToImage(CPoint point)
{
    if (m_pDcmImage == nullptr)
        return CPoint(-1, -1);
    if (m_pDcmImage->GetWidth() == 0 || m_pDcmImage->GetHeight() == 0)
        return CPoint(0, 0);
    return COverLay::MapWindowToImage(m_pDcmImage, m_TotalRect, point.x, point.y);
}

CPoint CDicomWnd::ImagePtToClient(CPoint point)
{
    if (m_pDcmImage == nullptr)
        return CPoint(-1, -1);
    return COverLay::MapImageToWindow(m_pDcmImage, m_TotalRect, point.x, point.y);
}

void CDicomWnd::GetPositionPoint(CArray<CPoint, CPoint>& points)
{
    points.RemoveAll();
    COverLayManager* manager = GetOverLayManager();
    if (manager == nullptr)
        return;
    for (int i = 0; i < manager->GetCount(); ++i) {
        COverLay* overlay = manager->GetAt(i);
        if (overlay->GetRuntimeClass() == RUNTIME_CLASS(COverLayPoint))
            points.Add(static_cast<COverLayPoint*>(overlay)->GetImagePoint());
    }
}
