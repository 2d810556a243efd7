#include "wnd/simulation.h"

#include "wnd/window_host.h"
#include "wnd/window_system.h"

namespace {
bool IsMouseClientMessage(UINT m) { return m >= WM_MOUSEMOVE && m <= WM_MBUTTONUP; }
}  // namespace

void PlatformSendInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND capture = wndsys::CaptureWindow();
    if (IsMouseClientMessage(message) && capture && capture != hwnd && wndsys::Find(capture)) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &pt);
        ScreenToClient(capture, &pt);
        hwnd = capture;
        lParam = MAKELPARAM(pt.x, pt.y);
    }
    wndsys::DeliverInput(MSG{hwnd, message, wParam, lParam, 0, POINT{0, 0}});
}

void PlatformSendMouse(HWND hwnd, UINT message, int x, int y, UINT flags) {
    if (message == WM_MOUSEWHEEL) {
        POINT pt{x, y};
        ClientToScreen(hwnd, &pt);
        PlatformSendInput(hwnd, message, flags, MAKELPARAM(pt.x, pt.y));
        return;
    }
    PlatformSendInput(hwnd, message, flags, MAKELPARAM(x, y));
}

void PlatformSendKey(HWND hwnd, UINT virtualKey, bool control, bool shift, bool alt) {
    if (control) wndsys::SetKeyDown(VK_CONTROL, true);
    if (shift) wndsys::SetKeyDown(VK_SHIFT, true);
    if (alt) wndsys::SetKeyDown(VK_MENU, true);
    UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
    PlatformSendInput(hwnd, down, virtualKey, 1);
    if (wndsys::Find(hwnd)) PlatformSendInput(hwnd, up, virtualKey, (LPARAM)0xC0000001);
    if (control) wndsys::SetKeyDown(VK_CONTROL, false);
    if (shift) wndsys::SetKeyDown(VK_SHIFT, false);
    if (alt) wndsys::SetKeyDown(VK_MENU, false);
}

int PlatformPumpMessages() {
    int count = 0;
    MSG msg;
    // A paint handler that never validates could loop; the bound keeps a
    // faulty test from hanging.
    while (count < 100000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            break;
        }
        ++count;
        if (!wndsys::PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return count;
}

void PlatformAdvanceTime(uint64_t ms) {
    PlatformPumpMessages();
    while (ms > 0) {
        int64_t next = wndsys::MillisecondsToNextTimer();
        uint64_t step = (next < 0 || (uint64_t)next > ms) ? ms : (uint64_t)next;
        if (step == 0) step = 0;
        wndsys::AdvanceClock(step);
        ms -= step;
        PlatformPumpMessages();
        if (step == 0 && next == 0) {
            // Timers due now were fired by the pump.
            continue;
        }
    }
    PlatformPumpMessages();
}

void PlatformResetWindows() { wndsys::ResetForTests(); }
