#include "media/VideoOutputWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <glib-unix.h>
#include <gst/video/videooverlay.h>

namespace {

// Messages forwarded to the drain while the video covers the screen.
const UINT kKeyDown = 0x0100;
const UINT kLeftButtonDown = 0x0201;
const UINT kLeftButtonDoubleClick = 0x0203;
const WPARAM kLeftButtonFlag = 0x0001;
const unsigned long kDoubleClickMs = 500;

WPARAM VirtualKeyOf(KeySym key)
{
    switch (key) {
    case XK_Return: case XK_KP_Enter: return 0x0D;
    case XK_Escape: return 0x1B;
    case XK_space: return 0x20;
    case XK_KP_Subtract: return 0x6D;
    case XK_m: case XK_M: return 'M';
    default: return 0;
    }
}

// The owner may vanish under us; an X error must not end the program.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) : display(display), previous(XSetErrorHandler(IgnoreXError)) {}
    ~XErrorTrap()
    {
        XSync(display, False);
        XSetErrorHandler(previous);
    }

private:
    Display* display;
    int (*previous)(Display*, XErrorEvent*);
};

} // namespace

struct VideoOutputWindow::Connection {
    Display* display;
    Window root;
    Window window;
    int screen;
};

std::unique_ptr<VideoOutputWindow> VideoOutputWindow::Open()
{
    GstElementFactory* factory = gst_element_factory_find("ximagesink");
    if (!factory)
        return nullptr;
    gst_object_unref(factory);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = ExposureMask;
    Window window = XCreateWindow(display, root, 0, 0, 1, 1, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask, &attributes);
    XSync(display, False);

    std::unique_ptr<VideoOutputWindow> output(new VideoOutputWindow(new Connection{display, root, window, screen}));
    if (!output->BuildSink())
        return nullptr;
    output->sourceId = g_unix_fd_add(ConnectionNumber(display), G_IO_IN, &VideoOutputWindow::OnDisplayReadable,
                                     output.get());
    return output;
}

VideoOutputWindow::VideoOutputWindow(Connection* connection) : x(connection) {}

VideoOutputWindow::~VideoOutputWindow()
{
    if (sourceId)
        g_source_remove(sourceId);
    if (windowSink)
        gst_object_unref(windowSink);
    if (scaleFilter)
        gst_object_unref(scaleFilter);
    if (sinkBin)
        gst_object_unref(sinkBin);
    XDestroyWindow(x->display, x->window);
    XCloseDisplay(x->display);
    delete x;
}

// The window sink draws frames unscaled, so frames are scaled to the
// window's size before it.
bool VideoOutputWindow::BuildSink()
{
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("ximagesink", nullptr);
    if (!convert || !scale || !filter || !sink) {
        for (GstElement* element : {convert, scale, filter, sink})
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    g_object_set(sink, "handle-events", FALSE, nullptr);
    sinkBin = GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr)));
    gst_bin_add_many(GST_BIN(sinkBin), convert, scale, filter, sink, nullptr);
    gst_element_link_many(convert, scale, filter, sink, nullptr);
    GstPad* input = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(sinkBin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    scaleFilter = GST_ELEMENT(gst_object_ref(filter));
    windowSink = GST_ELEMENT(gst_object_ref(sink));
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(windowSink), x->window);
    return true;
}

void VideoOutputWindow::ScaleTo(int newWidth, int newHeight)
{
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, newWidth, "height", G_TYPE_INT,
                                        newHeight, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(scaleFilter, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

// Without an owner the window waits, unmapped, under the root.
void VideoOutputWindow::PlaceInOwner()
{
    XErrorTrap trap(x->display);
    XReparentWindow(x->display, x->window, owner ? owner : x->root, left, top);
    XMoveResizeWindow(x->display, x->window, left, top, width, height);
    if (visible && owner)
        XMapWindow(x->display, x->window);
    else
        XUnmapWindow(x->display, x->window);
}

void VideoOutputWindow::SetOwner(unsigned long ownerId)
{
    owner = ownerId;
    if (!fullScreen)
        PlaceInOwner();
}

void VideoOutputWindow::SetVisible(bool show)
{
    visible = show;
    if (fullScreen)
        return;
    XErrorTrap trap(x->display);
    if (visible && owner)
        XMapWindow(x->display, x->window);
    else
        XUnmapWindow(x->display, x->window);
}

void VideoOutputWindow::SetPosition(int newLeft, int newTop, int newWidth, int newHeight)
{
    left = newLeft;
    top = newTop;
    width = newWidth > 0 ? newWidth : 1;
    height = newHeight > 0 ? newHeight : 1;
    if (fullScreen)
        return;
    {
        XErrorTrap trap(x->display);
        XMoveResizeWindow(x->display, x->window, left, top, width, height);
    }
    ScaleTo(width, height);
    Redraw();
}

// Full screen: an override-redirect window over the whole screen that
// passes clicks and keys on to the drain.
void VideoOutputWindow::SetFullScreen(bool on)
{
    if (on == fullScreen)
        return;
    fullScreen = on;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = on ? True : False;
    {
        XErrorTrap trap(x->display);
        XChangeWindowAttributes(x->display, x->window, CWOverrideRedirect, &attributes);
        XSelectInput(x->display, x->window, on ? ExposureMask | ButtonPressMask | KeyPressMask : ExposureMask);
    }
    if (!on) {
        PlaceInOwner();
        ScaleTo(width, height);
        return;
    }
    int screenWidth = DisplayWidth(x->display, x->screen);
    int screenHeight = DisplayHeight(x->display, x->screen);
    {
        XErrorTrap trap(x->display);
        XReparentWindow(x->display, x->window, x->root, 0, 0);
        XMoveResizeWindow(x->display, x->window, 0, 0, screenWidth, screenHeight);
        XMapRaised(x->display, x->window);
    }
    ScaleTo(screenWidth, screenHeight);
}

void VideoOutputWindow::Raise()
{
    XErrorTrap trap(x->display);
    XRaiseWindow(x->display, x->window);
}

void VideoOutputWindow::Redraw()
{
    gst_video_overlay_expose(GST_VIDEO_OVERLAY(windowSink));
}

gboolean VideoOutputWindow::OnDisplayReadable(gint, GIOCondition, gpointer self)
{
    static_cast<VideoOutputWindow*>(self)->HandleEvents();
    return G_SOURCE_CONTINUE;
}

void VideoOutputWindow::HandleEvents()
{
    while (XPending(x->display)) {
        XEvent event;
        XNextEvent(x->display, &event);
        if (event.type == Expose && event.xexpose.count == 0) {
            Redraw();
        } else if (event.type == ButtonPress && event.xbutton.button == Button1 && forward) {
            bool twice = event.xbutton.time - lastClickTime < kDoubleClickMs;
            lastClickTime = twice ? 0 : event.xbutton.time;
            LPARAM where = MAKELPARAM(event.xbutton.x, event.xbutton.y);
            forward(twice ? kLeftButtonDoubleClick : kLeftButtonDown, kLeftButtonFlag, where);
        } else if (event.type == KeyPress && forward) {
            WPARAM key = VirtualKeyOf(XLookupKeysym(&event.xkey, 0));
            if (key)
                forward(kKeyDown, key, 1);
        }
    }
}
