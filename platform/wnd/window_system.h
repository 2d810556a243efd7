// The window manager's own state: window records behind HWND handles,
// window classes, the posted-message queue, timers, capture, focus and the
// input state that GetKeyState and GetCursorPos report.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wnd/window_surface.h"
#include "wnd/winuser.h"

class CWnd;
class ControlModel;

struct WindowRecord {
    HWND hwnd = nullptr;
    CWnd* wnd = nullptr;
    bool deleteWndWithWindow = false;  // framework-made wrapper of a template control
    HWND parent = nullptr;
    HWND owner = nullptr;              // top-level windows owned by another
    std::vector<HWND> children;        // front of the z-order first
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string className;
    std::string text;
    RECT rect{};                       // parent's client coordinates (screen for top level)
    RECT update{};
    bool needsPaint = false;
    bool needsErase = false;
    HMENU menu = nullptr;
    WindowSurface surface;
    bool surfaceDrawn = false;
    bool destroying = false;
    bool created = false;
    bool tracking = false;             // hover/leave requested
    DWORD trackFlags = 0;
    uint64_t hoverDue = 0;
    int clientCx = 0;                  // client size: the window size, except
    int clientCy = 0;                  // for top-level windows with a native frame
    std::unique_ptr<ControlModel> control;
    void* peer = nullptr;              // the host's native object

    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    bool IsChild() const { return (style & WS_CHILD) != 0; }
};

namespace wndsys {

// Handles and records
WindowRecord* Find(HWND hwnd);
WindowRecord& Register(std::unique_ptr<WindowRecord> record);
void Unregister(HWND hwnd);
std::vector<HWND> TopLevelWindows();
bool IsVisibleOnScreen(const WindowRecord& record);
POINT ClientOriginOnScreen(HWND hwnd);

// Classes
struct WindowClass {
    HCURSOR cursor = nullptr;
};
WindowClass& ClassOf(const std::string& name);

// Queue
void Post(const MSG& msg);
bool TakePosted(MSG& msg, HWND filter, UINT minMsg, UINT maxMsg, bool remove);
void DropMessagesFor(HWND hwnd);
bool QuitPosted(int* exitCode);
void SetQuit(int code);
void ClearQuit();

// Painting
bool NextPaint(HWND& hwnd);
void MarkDrawn(WindowRecord& record);
void PresentDrawn();

// Timers, on a clock that headless runs advance by hand
struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    uint64_t due;
};
uint64_t Now();
void AdvanceClock(uint64_t ms);
void AddTimer(HWND hwnd, UINT_PTR id, UINT elapse);
bool RemoveTimer(HWND hwnd, UINT_PTR id);
void RemoveTimersOf(HWND hwnd);
bool TakeDueTimer(MSG& msg, HWND filter);
int64_t MillisecondsToNextTimer();

// Input state
HWND& CaptureWindow();
HWND& FocusWindow();
HWND& HoverWindow();
HCURSOR& CurrentCursor();
void SetKeyDown(int virtualKey, bool down);
bool KeyDown(int virtualKey);
POINT& CursorPos();

// The default processing of windows that are not controls.
LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Input from the user (host events, tests): updates key and cursor state,
// mouse activation, cursor and hover/leave tracking, then runs the
// pretranslate walk and dispatches. The hook, set by the application,
// replaces the plain walk.
void DeliverInput(MSG msg);
using PreTranslateHook = BOOL (*)(MSG* msg);
void SetPreTranslateHook(PreTranslateHook hook);
bool PreTranslate(MSG& msg);

// Sends WM_CANCELMODE to the window holding the capture and releases it:
// a modal dialog or a menu is opening.
void CancelModeForModal();

// A window's client area got a new size: surface, WM_SIZE, repaint.
void ClientResized(HWND hwnd, int cx, int cy);

// Invalidates the whole client area of a window and its descendants.
void InvalidateTree(HWND hwnd);

// Hover tracking: posts WM_MOUSEHOVER when due.
void CheckHover();

// Resets every piece of state (tests).
void ResetForTests();

}  // namespace wndsys
