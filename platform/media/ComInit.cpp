#include "media/ComInit.h"

#include "media/MediaHooks.h"
#include "wnd/native_window.h"
#include "wnd/winuser.h"

namespace {

void PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ::PostMessage(window, message, wParam, lParam);
}

} // namespace

HRESULT CoInitialize(LPVOID)
{
    SetMediaPostMessageHook(PostToWindow);
    SetMediaNativeWindowHook(PlatformNativeWindowId);
    return S_OK;
}

void CoUninitialize()
{
}
