#include "wnd/native_window.h"

#include <dlfcn.h>
#include <wx/window.h>

#include "wnd/window_host.h"
#include "wnd/window_system.h"

namespace {

// GDK is reached at run time: the toolkit links it, its headers are not
// installed.
typedef int (*EnsureNativeFunction)(GdkWindow*);
typedef unsigned long (*XidFunction)(GdkWindow*);
typedef void* (*DisplayOfFunction)(GdkWindow*);
typedef void (*SyncFunction)(void*);

template <typename Function>
Function Lookup(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

unsigned long PlatformNativeWindowId(HWND hwnd)
{
    if (CurrentHost().IsHeadless())
        return 0;
    WindowRecord* record = wndsys::Find(hwnd);
    if (!record || !record->peer)
        return 0;
    GdkWindow* gdkWindow = static_cast<wxWindow*>(record->peer)->GTKGetDrawingWindow();
    static const EnsureNativeFunction ensureNative = Lookup<EnsureNativeFunction>("gdk_window_ensure_native");
    static const XidFunction xid = Lookup<XidFunction>("gdk_x11_window_get_xid");
    static const DisplayOfFunction displayOf = Lookup<DisplayOfFunction>("gdk_window_get_display");
    static const SyncFunction sync = Lookup<SyncFunction>("gdk_display_sync");
    if (!gdkWindow || !ensureNative || !xid || !displayOf || !sync)
        return 0;
    // A child drawn by the toolkit alone has no X window of its own; the one
    // made here must reach the server before another connection uses it.
    ensureNative(gdkWindow);
    sync(displayOf(gdkWindow));
    return xid(gdkWindow);
}
