// The Win32 window functions over the window records.
#include <algorithm>
#include <map>
#include <cstring>

#include "gdi/gdi.h"

#include "wnd/control_model.h"
#include "wnd/icons.h"
#include "wnd/cwnd.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

using wndsys::Find;

namespace {

RECT ClientRectOf(const WindowRecord& r) { return RECT{0, 0, r.clientCx, r.clientCy}; }

bool IntersectWithClient(const WindowRecord& r, const RECT& in, RECT& out) {
    out.left = std::max<LONG>(in.left, 0);
    out.top = std::max<LONG>(in.top, 0);
    out.right = std::min<LONG>(in.right, r.clientCx);
    out.bottom = std::min<LONG>(in.bottom, r.clientCy);
    return out.left < out.right && out.top < out.bottom;
}

void UnionInto(RECT& acc, bool& has, const RECT& r) {
    if (!has) {
        acc = r;
        has = true;
        return;
    }
    acc.left = std::min(acc.left, r.left);
    acc.top = std::min(acc.top, r.top);
    acc.right = std::max(acc.right, r.right);
    acc.bottom = std::max(acc.bottom, r.bottom);
}

bool IsMouseClientMessage(UINT m) { return m >= WM_MOUSEMOVE && m <= WM_MBUTTONUP; }

}  // namespace

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* r = Find(hWnd);
    if (!r) return 0;
    if (r->wnd) return AfxCallWndProc(r->wnd, hWnd, message, wParam, lParam);
    return wndsys::DefaultWindowProc(hWnd, message, wParam, lParam);
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Other threads cannot look at the windows; a stale handle is dropped
    // when the message is dispatched.
    bool ui = wndsys::OnUiThread();
    if (ui && hWnd && !Find(hWnd)) return FALSE;
    DWORD time = ui ? (DWORD)wndsys::Now() : 0;
    wndsys::Post(MSG{hWnd, message, wParam, lParam, time, POINT{0, 0}});
    return TRUE;
}

void PostQuitMessage(int exitCode) { wndsys::SetQuit(exitCode); }

BOOL PeekMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeFlag) {
    bool remove = (removeFlag & PM_REMOVE) != 0;
    // Native events are handled first, as Win32 handles sent messages here.
    if (remove) CurrentHost().ProcessNative();
    wndsys::CheckHover();
    if (wndsys::TakePosted(*msg, hWnd, filterMin, filterMax, remove)) return TRUE;
    int code = 0;
    if (!hWnd && wndsys::QuitPosted(&code)) {
        *msg = MSG{nullptr, WM_QUIT, (WPARAM)code, 0, (DWORD)wndsys::Now(), wndsys::CursorPos()};
        if (remove) wndsys::ClearQuit();
        return TRUE;
    }
    bool wantsPaint = (filterMin == 0 && filterMax == 0) || (WM_PAINT >= filterMin && WM_PAINT <= filterMax);
    HWND painted = nullptr;
    if (wantsPaint && wndsys::NextPaint(painted) && (!hWnd || hWnd == painted)) {
        *msg = MSG{painted, WM_PAINT, 0, 0, (DWORD)wndsys::Now(), wndsys::CursorPos()};
        return TRUE;
    }
    bool wantsTimer = (filterMin == 0 && filterMax == 0) || (WM_TIMER >= filterMin && WM_TIMER <= filterMax);
    if (wantsTimer && remove && wndsys::TakeDueTimer(*msg, hWnd)) return TRUE;
    return FALSE;
}

BOOL GetMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax) {
    for (;;) {
        if (PeekMessage(msg, hWnd, filterMin, filterMax, PM_REMOVE)) return msg->message != WM_QUIT;
        int64_t wait = wndsys::MillisecondsToNextTimer();
        // Nothing can arrive in a run without a display but timers.
        if (wait < 0) return FALSE;
        if (CurrentHost().IsHeadless()) wndsys::AdvanceClock((uint64_t)wait);
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN || !CurrentHost().IsHeadless()) return FALSE;
    UINT vk = (UINT)msg->wParam;
    UINT ch = 0;
    if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK)
        ch = vk;
    else if (vk >= 'A' && vk <= 'Z')
        ch = wndsys::KeyDown(VK_SHIFT) ? vk : vk - 'A' + 'a';
    if (!ch) return FALSE;
    PostMessage(msg->hwnd, WM_CHAR, ch, msg->lParam);
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    LRESULT result = SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT) {
        // A paint handler that did not validate would be asked again forever.
        if (WindowRecord* r = Find(msg->hwnd)) r->needsPaint = false;
    }
    wndsys::PresentDrawn();
    return result;
}

BOOL IsWindow(HWND hWnd) { return Find(hWnd) != nullptr; }

BOOL IsWindowVisible(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    return r && wndsys::IsVisibleOnScreen(*r);
}

BOOL IsWindowEnabled(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    return r && !(r->style & WS_DISABLED);
}

BOOL EnableWindow(HWND hWnd, BOOL enable) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    BOOL wasDisabled = (r->style & WS_DISABLED) != 0;
    if ((enable == FALSE) == (wasDisabled != FALSE)) return wasDisabled;
    if (enable)
        r->style &= ~WS_DISABLED;
    else
        r->style |= WS_DISABLED;
    if (!enable && wndsys::CaptureWindow() == hWnd) wndsys::CancelModeForModal();
    CurrentHost().EnablePeer(*r);
    SendMessage(hWnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL ShowWindow(HWND hWnd, int cmdShow) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    BOOL wasVisible = (r->style & WS_VISIBLE) != 0;
    bool show = cmdShow != SW_HIDE;
    if (show == (wasVisible != 0)) return wasVisible;
    SendMessage(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    r = Find(hWnd);
    if (!r) return wasVisible;
    if (show)
        r->style |= WS_VISIBLE;
    else
        r->style &= ~WS_VISIBLE;
    CurrentHost().ShowPeer(*r);
    if (show) wndsys::InvalidateTree(hWnd);
    return wasVisible;
}

HWND GetParent(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    return r ? r->parent : nullptr;
}

HWND GetDlgItem(HWND hWnd, int id) {
    WindowRecord* r = Find(hWnd);
    if (!r) return nullptr;
    for (HWND c : r->children) {
        WindowRecord* child = Find(c);
        if (child && child->id == id) return c;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    return r ? r->id : 0;
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    WindowRecord* r = Find(hWnd);
    if (!r || !rect) return FALSE;
    *rect = ClientRectOf(*r);
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT rect) {
    WindowRecord* r = Find(hWnd);
    if (!r || !rect) return FALSE;
    if (!r->parent) {
        *rect = r->rect;
        return TRUE;
    }
    POINT origin = wndsys::ClientOriginOnScreen(r->parent);
    *rect = RECT{r->rect.left + origin.x, r->rect.top + origin.y, r->rect.right + origin.x,
                 r->rect.bottom + origin.y};
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT point) {
    if (!Find(hWnd) || !point) return FALSE;
    POINT origin = wndsys::ClientOriginOnScreen(hWnd);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT point) {
    if (!Find(hWnd) || !point) return FALSE;
    POINT origin = wndsys::ClientOriginOnScreen(hWnd);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hWnd, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    RECT old = r->rect;
    RECT next = old;
    if (!(flags & SWP_NOMOVE)) {
        next.left = x;
        next.top = y;
    }
    int width = (flags & SWP_NOSIZE) ? old.right - old.left : std::max(cx, 0);
    // A drop-down combo box keeps its closed height; the one given is its list's.
    int height = (flags & SWP_NOSIZE) || IsDropDownCombo(*r) ? old.bottom - old.top : std::max(cy, 0);
    next.right = next.left + width;
    next.bottom = next.top + height;
    bool sized = width != old.right - old.left || height != old.bottom - old.top;
    bool moved = next.left != old.left || next.top != old.top;
    r->rect = next;
    if (moved || sized) CurrentHost().MovePeer(*r);
    if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOP) BringWindowToTop(hWnd);
    // A native top-level frame reports its own client size.
    if (sized && (r->parent || CurrentHost().IsHeadless())) wndsys::ClientResized(hWnd, width, height);
    if (moved && Find(hWnd)) SendMessage(hWnd, WM_MOVE, 0, MAKELPARAM(next.left, next.top));
    if ((moved || sized) && !(flags & SWP_NOREDRAW) && Find(hWnd)) {
        if (WindowRecord* parent = Find(r->parent)) {
            // The uncovered part of the parent is drawn again.
            if (parent->wnd || parent->control) InvalidateRect(r->parent, &old, TRUE);
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, LPCRECT rect, BOOL erase) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    RECT area = ClientRectOf(*r);
    if (rect && !IntersectWithClient(*r, *rect, area)) return TRUE;
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    UnionInto(r->update, r->needsPaint, area);
    if (erase) r->needsErase = true;
    CurrentHost().WakeUp();
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, LPCRECT rect) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    if (!rect || (rect->left <= r->update.left && rect->top <= r->update.top && rect->right >= r->update.right &&
                  rect->bottom >= r->update.bottom)) {
        r->needsPaint = false;
        r->needsErase = false;
        r->update = RECT{0, 0, 0, 0};
    }
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    if (r->needsPaint && wndsys::IsVisibleOnScreen(*r)) {
        SendMessage(hWnd, WM_PAINT, 0, 0);
        if ((r = Find(hWnd))) r->needsPaint = false;
        wndsys::PresentDrawn();
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT rect, BOOL) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    if (rect) *rect = r->needsPaint ? r->update : RECT{0, 0, 0, 0};
    return r->needsPaint;
}

HWND SetFocus(HWND hWnd) {
    HWND old = wndsys::FocusWindow();
    if (hWnd && !Find(hWnd)) return nullptr;
    if (old == hWnd) return old;
    wndsys::FocusWindow() = hWnd;
    if (Find(old)) SendMessage(old, WM_KILLFOCUS, (WPARAM)hWnd, 0);
    if (WindowRecord* r = Find(hWnd)) {
        CurrentHost().FocusPeer(*r);
        SendMessage(hWnd, WM_SETFOCUS, (WPARAM)old, 0);
    }
    return old;
}

HWND GetFocus() { return wndsys::FocusWindow(); }

HWND SetCapture(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    HWND old = wndsys::CaptureWindow();
    if (!r) return old;
    wndsys::CaptureWindow() = hWnd;
    CurrentHost().CaptureMouse(r);
    if (old && old != hWnd && Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, (LPARAM)hWnd);
    return old;
}

BOOL ReleaseCapture() {
    HWND old = wndsys::CaptureWindow();
    if (!old) return TRUE;
    wndsys::CaptureWindow() = nullptr;
    CurrentHost().CaptureMouse(nullptr);
    if (Find(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return wndsys::CaptureWindow(); }

HWND GetActiveWindow() {
    HWND h = wndsys::FocusWindow();
    while (WindowRecord* r = Find(h)) {
        if (!r->parent) return h;
        h = r->parent;
    }
    return nullptr;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapse, void*) {
    if (!Find(hWnd)) return 0;
    wndsys::AddTimer(hWnd, id, elapse);
    return id ? id : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR id) { return wndsys::RemoveTimer(hWnd, id) ? TRUE : FALSE; }

SHORT GetKeyState(int virtualKey) { return wndsys::KeyDown(virtualKey) ? (SHORT)0xFF80 : 0; }

SHORT GetAsyncKeyState(int virtualKey) { return wndsys::KeyDown(virtualKey) ? (SHORT)0x8000 : 0; }

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    if (!CurrentHost().CursorPosition(*point)) *point = wndsys::CursorPos();
    return TRUE;
}

HCURSOR LoadCursor(HINSTANCE, LPCTSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    return reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old = wndsys::CurrentCursor();
    wndsys::CurrentCursor() = cursor;
    CurrentHost().ApplyCursor(Find(wndsys::HoverWindow()), cursor);
    return old;
}

HCURSOR GetCursor() { return wndsys::CurrentCursor(); }

DWORD SetClassLong(HWND hWnd, int index, LONG_PTR value) {
    WindowRecord* r = Find(hWnd);
    if (!r || index != GCL_HCURSOR) return 0;
    wndsys::WindowClass& cls = wndsys::ClassOf(r->className);
    DWORD old = (DWORD)reinterpret_cast<uintptr_t>(cls.cursor);
    cls.cursor = reinterpret_cast<HCURSOR>(value);
    return old;
}

ULONG_PTR GetClassLong(HWND hWnd, int index) {
    WindowRecord* r = Find(hWnd);
    if (!r || index != GCL_HCURSOR) return 0;
    return reinterpret_cast<ULONG_PTR>(wndsys::ClassOf(r->className).cursor);
}

LONG GetWindowLong(HWND hWnd, int index) {
    WindowRecord* r = Find(hWnd);
    if (!r) return 0;
    switch (index) {
    case GWL_STYLE: return (LONG)r->style;
    case GWL_EXSTYLE: return (LONG)r->exStyle;
    case GWL_ID: return r->id;
    default: return 0;
    }
}

LONG SetWindowLong(HWND hWnd, int index, LONG value) {
    WindowRecord* r = Find(hWnd);
    if (!r) return 0;
    LONG old = GetWindowLong(hWnd, index);
    switch (index) {
    case GWL_STYLE: {
        DWORD changed = r->style ^ (DWORD)value;
        r->style = (DWORD)value;
        if (changed & WS_DISABLED) CurrentHost().EnablePeer(*r);
        if (changed & WS_VISIBLE) CurrentHost().ShowPeer(*r);
        break;
    }
    case GWL_EXSTYLE: r->exStyle = (DWORD)value; break;
    case GWL_ID: r->id = value; break;
    default: break;
    }
    return old;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
    if (!track) return FALSE;
    WindowRecord* r = Find(track->hwndTrack);
    if (!r) return FALSE;
    if (track->dwFlags & TME_CANCEL) {
        r->trackFlags &= ~(track->dwFlags & (TME_HOVER | TME_LEAVE));
        r->tracking = r->trackFlags != 0;
        return TRUE;
    }
    if (wndsys::HoverWindow() != track->hwndTrack) {
        // The mouse is elsewhere already: the leave is due at once.
        if (track->dwFlags & TME_LEAVE) PostMessage(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    r->trackFlags |= track->dwFlags & (TME_HOVER | TME_LEAVE);
    r->tracking = true;
    if (track->dwFlags & TME_HOVER) {
        DWORD hover = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
        r->hoverDue = wndsys::Now() + hover;
        CurrentHost().WakeUp();
    }
    return TRUE;
}

BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT track) { return TrackMouseEvent(track); }

BOOL SetWindowText(HWND hWnd, LPCTSTR text) {
    if (!Find(hWnd)) return FALSE;
    return (BOOL)SendMessage(hWnd, WM_SETTEXT, 0, (LPARAM)(text ? text : ""));
}

int GetWindowText(HWND hWnd, LPTSTR text, int maxCount) {
    if (!Find(hWnd) || !text || maxCount <= 0) return 0;
    return (int)SendMessage(hWnd, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)text);
}

int GetWindowTextLength(HWND hWnd) { return (int)SendMessage(hWnd, WM_GETTEXTLENGTH, 0, 0); }

BOOL BringWindowToTop(HWND hWnd) {
    WindowRecord* r = Find(hWnd);
    if (!r) return FALSE;
    if (WindowRecord* parent = Find(r->parent)) {
        auto& c = parent->children;
        c.erase(std::remove(c.begin(), c.end(), hWnd), c.end());
        c.insert(c.begin(), hWnd);
    }
    CurrentHost().RaisePeer(*r);
    return TRUE;
}

HWND SetParent(HWND child, HWND newParent) {
    WindowRecord* r = Find(child);
    if (!r || (newParent && !Find(newParent))) return nullptr;
    HWND old = r->parent;
    if (WindowRecord* p = Find(old)) p->children.erase(std::remove(p->children.begin(), p->children.end(), child), p->children.end());
    r->parent = newParent;
    if (WindowRecord* p = Find(newParent)) p->children.insert(p->children.begin(), child);
    CurrentHost().ReparentPeer(*r);
    return old;
}

HWND GetWindow(HWND hWnd, UINT relation) {
    WindowRecord* r = Find(hWnd);
    if (!r) return nullptr;
    if (relation == GW_CHILD) return r->children.empty() ? nullptr : r->children.front();
    WindowRecord* parent = Find(r->parent);
    if (!parent) return nullptr;
    auto& siblings = parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return (it == siblings.end() || it + 1 == siblings.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == siblings.begin() || it == siblings.end()) ? nullptr : *(it - 1);
    default: return nullptr;
    }
}

BOOL IsChild(HWND parent, HWND hWnd) {
    for (HWND h = GetParent(hWnd); h; h = GetParent(h))
        if (h == parent) return TRUE;
    return FALSE;
}

BOOL MessageBeep(UINT) { return TRUE; }

namespace wndsys {

namespace {
PreTranslateHook g_preTranslateHook = nullptr;

// The icons set with WM_SETICON, by window and size (true: big).
std::map<std::pair<HWND, bool>, HICON>& WindowIcons() {
    static std::map<std::pair<HWND, bool>, HICON> icons;
    return icons;
}

void UpdateInputState(const MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) SetKeyDown((int)msg.wParam, true);
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) SetKeyDown((int)msg.wParam, false);
    if (!IsMouseClientMessage(msg.message)) return;
    POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &pt);
    CursorPos() = pt;
    if (CurrentHost().IsHeadless()) {
        SetKeyDown(VK_SHIFT, (msg.wParam & MK_SHIFT) != 0);
        SetKeyDown(VK_CONTROL, (msg.wParam & MK_CONTROL) != 0);
        SetKeyDown(VK_LBUTTON, (msg.wParam & MK_LBUTTON) != 0);
        SetKeyDown(VK_RBUTTON, (msg.wParam & MK_RBUTTON) != 0);
    }
}

void TrackHover(const MSG& msg) {
    HWND old = HoverWindow();
    if (old == msg.hwnd) return;
    HoverWindow() = msg.hwnd;
    WindowRecord* r = Find(old);
    if (r && (r->trackFlags & TME_LEAVE)) {
        r->trackFlags = 0;
        r->tracking = false;
        SendMessage(old, WM_MOUSELEAVE, 0, 0);
    } else if (r) {
        r->trackFlags = 0;
        r->tracking = false;
    }
}

HWND TopLevelOf(HWND h) {
    while (HWND p = GetParent(h)) h = p;
    return h;
}

}  // namespace

void SetPreTranslateHook(PreTranslateHook hook) { g_preTranslateHook = hook; }

bool PreTranslate(MSG& msg) {
    if (g_preTranslateHook) return g_preTranslateHook(&msg) != FALSE;
    return CWnd::WalkPreTranslateTree(nullptr, &msg) != FALSE;
}

bool DeliverInput(MSG msg) {
    if (!Find(msg.hwnd)) return false;
    UpdateInputState(msg);
    msg.time = (DWORD)Now();
    msg.pt = CursorPos();
    if (IsMouseClientMessage(msg.message)) {
        TrackHover(msg);
        bool press = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN;
        if (press) SendMessage(msg.hwnd, WM_MOUSEACTIVATE, (WPARAM)TopLevelOf(msg.hwnd), MAKELPARAM(HTCLIENT, msg.message));
        if (!CaptureWindow() && Find(msg.hwnd))
            SendMessage(msg.hwnd, WM_SETCURSOR, (WPARAM)msg.hwnd, MAKELPARAM(HTCLIENT, msg.message));
    }
    if (!Find(msg.hwnd)) return false;
    bool taken = PreTranslate(msg);
    if (!taken) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    PresentDrawn();
    return taken;
}

void CancelModeForModal() {
    HWND capture = CaptureWindow();
    if (!capture) return;
    SendMessage(capture, WM_CANCELMODE, 0, 0);
    if (CaptureWindow()) ReleaseCapture();
}

void ClientResized(HWND hwnd, int cx, int cy) {
    WindowRecord* r = Find(hwnd);
    if (!r) return;
    bool changed = cx != r->clientCx || cy != r->clientCy;
    r->clientCx = cx;
    r->clientCy = cy;
    r->surface.Resize(cx, cy);
    if (!changed && r->created) return;
    if (r->created) SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, cy));
    if (Find(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

void InvalidateTree(HWND hwnd) {
    WindowRecord* r = Find(hwnd);
    if (!r) return;
    InvalidateRect(hwnd, nullptr, TRUE);
    std::vector<HWND> children = r->children;
    for (HWND c : children) InvalidateTree(c);
}

void CheckHover() {
    uint64_t now = Now();
    HWND h = HoverWindow();
    WindowRecord* r = Find(h);
    if (!r || !(r->trackFlags & TME_HOVER) || r->hoverDue > now) return;
    r->trackFlags &= ~TME_HOVER;
    r->tracking = r->trackFlags != 0;
    POINT pt = CursorPos();
    ScreenToClient(h, &pt);
    PostMessage(h, WM_MOUSEHOVER, 0, MAKELPARAM(pt.x, pt.y));
}

int64_t MillisecondsToHover() {
    WindowRecord* r = Find(HoverWindow());
    if (!r || !(r->trackFlags & TME_HOVER)) return -1;
    uint64_t now = Now();
    return r->hoverDue <= now ? 0 : (int64_t)(r->hoverDue - now);
}

LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* r = Find(hwnd);
    if (!r) return 0;
    if (r->control) {
        bool handled = false;
        LRESULT result = r->control->Proc(*r, message, wParam, lParam, handled);
        if (handled) return result;
        if (!(r = Find(hwnd))) return result;
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        // Views and dialogs have a window-coloured class background; plain
        // windows ("AfxWnd") have none and paint everything themselves.
        std::string cls = r->className;
        std::transform(cls.begin(), cls.end(), cls.begin(), [](unsigned char c) { return (char)std::tolower(c); });
        bool dialog = cls == "#32770";
        if (!wParam || !(dialog || cls == "afxframeorview" || cls == "syslistview32")) return 0;
        RECT client = ClientRectOf(*r);
        HBRUSH brush = CreateSolidBrush(dialog ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW));
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return TRUE;
    }
    case WM_SETCURSOR: {
        if (r->parent && SendMessage(r->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
        if (LOWORD(lParam) != HTCLIENT) return FALSE;
        HCURSOR cursor = ClassOf(r->className).cursor;
        SetCursor(cursor ? cursor : LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
    }
    case WM_MOUSEWHEEL: return r->parent ? SendMessage(r->parent, message, wParam, lParam) : 0;
    case WM_MOUSEACTIVATE: {
        if (r->parent) {
            LRESULT fromParent = SendMessage(r->parent, message, wParam, lParam);
            if (fromParent) return fromParent;
        }
        return MA_ACTIVATE;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CANCELMODE:
        if (CaptureWindow() == hwnd) ReleaseCapture();
        return 0;
    case WM_SETTEXT:
        r->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        CurrentHost().TextChanged(*r);
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam) return 0;
        size_t n = std::min(r->text.size(), (size_t)wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), r->text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: return (LRESULT)r->text.size();
    case WM_SETICON: {
        HICON& slot = WindowIcons()[{hwnd, wParam == ICON_BIG}];
        HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        CurrentHost().ControlChanged(*r);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: {
        auto found = WindowIcons().find({hwnd, wParam == ICON_BIG});
        return found == WindowIcons().end() ? 0 : reinterpret_cast<LRESULT>(found->second);
    }
    case WM_NCDESTROY:
        WindowIcons().erase({hwnd, false});
        WindowIcons().erase({hwnd, true});
        return 0;
    default: return 0;
    }
}

}  // namespace wndsys
