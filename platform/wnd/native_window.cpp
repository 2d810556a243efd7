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
    if (!gdkWindow || !ensureNative || !xid)
        return 0;
    // A child drawn by the toolkit alone has no X window of its own.
    ensureNative(gdkWindow);
    return xid(gdkWindow);
}
