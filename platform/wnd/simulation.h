// Driving windows without a user: delivering input as the message loop
// would, pumping the queue, and moving the clock that timers run on (runs
// without a display use a clock that only moves when told).
#pragma once

#include <cstdint>

#include "wnd/winuser.h"

// Delivers one input message as the loop does: mouse messages go to the
// window holding the capture when there is one (coordinates converted),
// key state and cursor position follow, then the pretranslate walk and
// dispatch.
void PlatformSendInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Mouse shorthand: client coordinates of hwnd, MK_ flags.
void PlatformSendMouse(HWND hwnd, UINT message, int x, int y, UINT flags = 0);
// Key shorthand: WM_KEYDOWN then WM_KEYUP of a virtual key, holding the
// given modifier keys (VK_CONTROL, VK_SHIFT, VK_MENU) meanwhile.
void PlatformSendKey(HWND hwnd, UINT virtualKey, bool control = false, bool shift = false, bool alt = false);

// Dispatches posted messages, paints and due timers until none is left.
// Returns the number of messages dispatched; stops at WM_QUIT.
int PlatformPumpMessages();
// Moves the clock by ms, firing every timer that falls due on the way in
// order, each followed by a pump.
void PlatformAdvanceTime(uint64_t ms);
// Destroys every window and clears queue, timers, capture and focus.
void PlatformResetWindows();
