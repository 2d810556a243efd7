// The native (X11) window behind a window of ours, for code that draws into
// it directly, such as a video renderer.
#pragma once

#include "wnd/winuser.h"

// 0 without a display, for unknown handles and for windows with no native
// peer.
unsigned long PlatformNativeWindowId(HWND hwnd);
