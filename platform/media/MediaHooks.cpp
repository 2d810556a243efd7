#include "media/MediaHooks.h"

#include <glib.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<MediaPostMessageHook> postHook{nullptr};
std::atomic<MediaNativeWindowHook> nativeWindowHook{nullptr};
std::atomic<bool> forcedHeadless{false};

} // namespace

void SetMediaPostMessageHook(MediaPostMessageHook hook)
{
    postHook = hook;
}

void SetMediaNativeWindowHook(MediaNativeWindowHook hook)
{
    nativeWindowHook = hook;
}

void SetMediaHeadless(bool headless)
{
    forcedHeadless = headless;
}

void MediaPumpEvents()
{
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void MediaPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MediaPostMessageHook hook = postHook;
    if (hook && window)
        hook(window, message, wParam, lParam);
}

unsigned long MediaNativeWindow(HWND window)
{
    MediaNativeWindowHook hook = nativeWindowHook;
    return hook && window ? hook(window) : 0;
}

bool MediaHeadless()
{
    const char* display = std::getenv("DISPLAY");
    return forcedHeadless || !display || !*display;
}
