// What the playback graph needs of the window layer, set by that layer at
// start-up: a way to post a message to a window, and the native (X11) id of a
// window. Without them the graph still plays; it just cannot notify or show
// video.
#pragma once

#include "base/wintypes.h"

typedef void (*MediaPostMessageHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef unsigned long (*MediaNativeWindowHook)(HWND window);

void SetMediaPostMessageHook(MediaPostMessageHook hook);
void SetMediaNativeWindowHook(MediaNativeWindowHook hook);

// Forces fake video and audio outputs even when a display is up.
void SetMediaHeadless(bool headless);

// Delivers pending graph and video-window events on the calling (UI) thread
// for programs that run no GLib main loop, such as tests.
void MediaPumpEvents();

// Internal to the media layer.
void MediaPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
unsigned long MediaNativeWindow(HWND window);
bool MediaHeadless();
