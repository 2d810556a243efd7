#include "media/VideoOutputWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <glib-unix.h>
#include <gst/video/video.h>

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

// Frames are drawn as 32-bit pixels with red in bits 16-23: GStreamer's
// BGRx in memory on a little-endian machine.
bool IsDrawableVisual(Display* display, int screen)
{
    Visual* visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    return visual->c_class == TrueColor && (depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 &&
           visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF && G_BYTE_ORDER == G_LITTLE_ENDIAN;
}

} // namespace

struct VideoOutputWindow::Connection {
    Display* display;
    int screen;
    Window root;
    Window window;
    GC gc;
};

std::unique_ptr<VideoOutputWindow> VideoOutputWindow::Open()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int screen = DefaultScreen(display);
    if (!IsDrawableVisual(display, screen)) {
        XCloseDisplay(display);
        return nullptr;
    }
    Connection* connection = new Connection{display, screen, RootWindow(display, screen), 0, nullptr};
    std::unique_ptr<VideoOutputWindow> output(new VideoOutputWindow(connection));
    output->CreateWindow();
    output->BuildSink();
    output->displaySource = g_unix_fd_add(ConnectionNumber(display), G_IO_IN,
                                          &VideoOutputWindow::OnDisplayReadable, output.get());
    return output;
}

VideoOutputWindow::VideoOutputWindow(Connection* connection) : x(connection) {}

// The pipeline is gone by now, so no frame can arrive any more.
VideoOutputWindow::~VideoOutputWindow()
{
    if (displaySource)
        g_source_remove(displaySource);
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (frameSource)
            g_source_remove(frameSource);
        if (latestFrame)
            gst_sample_unref(latestFrame);
    }
    if (scaleFilter)
        gst_object_unref(scaleFilter);
    if (sinkBin)
        gst_object_unref(sinkBin);
    {
        XErrorTrap trap(x->display);
        XDestroyWindow(x->display, x->window);
    }
    XFreeGC(x->display, x->gc);
    XCloseDisplay(x->display);
    delete x;
}

// A fresh hidden window under the root; also when the owner took the old
// one down with it.
void VideoOutputWindow::CreateWindow()
{
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(x->display, x->screen);
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    x->window = XCreateWindow(x->display, x->root, 0, 0, width, height, 0, CopyFromParent, InputOutput,
                              CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (!x->gc)
        x->gc = XCreateGC(x->display, x->window, 0, nullptr);
    XSync(x->display, False);
}

void VideoOutputWindow::BuildSink()
{
    sinkBin = gst_parse_bin_from_description(
        "videoconvert ! videoscale ! capsfilter name=scale caps=video/x-raw,format=BGRx ! appsink name=frames",
        TRUE, nullptr);
    if (!sinkBin)
        return;
    gst_object_ref_sink(sinkBin);
    scaleFilter = gst_bin_get_by_name(GST_BIN(sinkBin), "scale");
    GstElement* frames = gst_bin_get_by_name(GST_BIN(sinkBin), "frames");
    g_object_set(frames, "sync", TRUE, "max-buffers", 1, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &VideoOutputWindow::OnPreroll;
    callbacks.new_sample = &VideoOutputWindow::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(frames), &callbacks, this, nullptr);
    gst_object_unref(frames);
}

void VideoOutputWindow::ScaleTo(int newWidth, int newHeight)
{
    if (!scaleFilter)
        return;
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT,
                                        newWidth, "height", G_TYPE_INT, newHeight, "pixel-aspect-ratio",
                                        GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(scaleFilter, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

// ------------------------------------------------------------- placement

void VideoOutputWindow::ShowOrHide()
{
    if (visible && owner)
        XMapWindow(x->display, x->window);
    else
        XUnmapWindow(x->display, x->window);
}

// Without an owner the window waits, unmapped, under the root.
void VideoOutputWindow::PlaceInOwner()
{
    XErrorTrap trap(x->display);
    XReparentWindow(x->display, x->window, owner ? owner : x->root, left, top);
    XMoveResizeWindow(x->display, x->window, left, top, width, height);
    ShowOrHide();
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
    ShowOrHide();
}

bool VideoOutputWindow::SetPosition(int newLeft, int newTop, int newWidth, int newHeight)
{
    newWidth = newWidth > 0 ? newWidth : 1;
    newHeight = newHeight > 0 ? newHeight : 1;
    bool resized = newWidth != width || newHeight != height;
    left = newLeft;
    top = newTop;
    width = newWidth;
    height = newHeight;
    if (fullScreen)
        return false;
    {
        XErrorTrap trap(x->display);
        XMoveResizeWindow(x->display, x->window, left, top, width, height);
    }
    ScaleTo(width, height);
    Redraw();
    return resized;
}

// Full screen: an override-redirect window over the whole screen that
// passes clicks and keys on to the drain.
bool VideoOutputWindow::SetFullScreen(bool on)
{
    if (on == fullScreen)
        return false;
    fullScreen = on;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = on ? True : False;
    long events = ExposureMask | StructureNotifyMask | (on ? ButtonPressMask | KeyPressMask : 0);
    {
        XErrorTrap trap(x->display);
        XChangeWindowAttributes(x->display, x->window, CWOverrideRedirect, &attributes);
        XSelectInput(x->display, x->window, events);
    }
    if (!on) {
        PlaceInOwner();
        ScaleTo(width, height);
        return true;
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
    return true;
}

void VideoOutputWindow::Raise()
{
    XErrorTrap trap(x->display);
    XRaiseWindow(x->display, x->window);
}

// ---------------------------------------------------------------- frames

GstFlowReturn VideoOutputWindow::OnPreroll(GstAppSink* sink, gpointer self)
{
    static_cast<VideoOutputWindow*>(self)->Deliver(gst_app_sink_pull_preroll(sink));
    return GST_FLOW_OK;
}

GstFlowReturn VideoOutputWindow::OnSample(GstAppSink* sink, gpointer self)
{
    static_cast<VideoOutputWindow*>(self)->Deliver(gst_app_sink_pull_sample(sink));
    return GST_FLOW_OK;
}

// On a pipeline thread: keep the newest frame and have the UI thread draw it.
void VideoOutputWindow::Deliver(GstSample* sample)
{
    if (!sample)
        return;
    std::lock_guard<std::mutex> hold(frameLock);
    if (latestFrame)
        gst_sample_unref(latestFrame);
    latestFrame = sample;
    if (!frameSource)
        frameSource = g_idle_add(&VideoOutputWindow::OnFrameDue, this);
}

gboolean VideoOutputWindow::OnFrameDue(gpointer self)
{
    VideoOutputWindow* output = static_cast<VideoOutputWindow*>(self);
    {
        std::lock_guard<std::mutex> hold(output->frameLock);
        output->frameSource = 0;
    }
    output->Redraw();
    return G_SOURCE_REMOVE;
}

void VideoOutputWindow::Redraw()
{
    GstSample* frame = nullptr;
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (latestFrame)
            frame = gst_sample_ref(latestFrame);
    }
    if (!frame)
        return;
    Draw(frame);
    gst_sample_unref(frame);
}

// Centred in the window: a frame made before a resize keeps its size until
// the next one comes scaled.
void VideoOutputWindow::Draw(GstSample* sample)
{
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx)
        return;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    int frameWidth = GST_VIDEO_INFO_WIDTH(&info);
    int frameHeight = GST_VIDEO_INFO_HEIGHT(&info);
    int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    if (gsize(stride) * frameHeight <= map.size) {
        XImage* image = XCreateImage(x->display, DefaultVisual(x->display, x->screen),
                                     DefaultDepth(x->display, x->screen), ZPixmap, 0,
                                     reinterpret_cast<char*>(map.data), frameWidth, frameHeight, 32, stride);
        if (image) {
            int shownWidth = fullScreen ? DisplayWidth(x->display, x->screen) : width;
            int shownHeight = fullScreen ? DisplayHeight(x->display, x->screen) : height;
            XErrorTrap trap(x->display);
            XPutImage(x->display, x->window, x->gc, image, 0, 0, (shownWidth - frameWidth) / 2,
                      (shownHeight - frameHeight) / 2, frameWidth, frameHeight);
            image->data = nullptr; // the buffer's memory is not the image's to free
            XDestroyImage(image);
        }
    }
    gst_buffer_unmap(buffer, &map);
}

// ---------------------------------------------------------------- events

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
        if (event.type == Expose && event.xexpose.window == x->window && event.xexpose.count == 0) {
            Redraw();
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == x->window) {
            owner = 0;
            fullScreen = false;
            CreateWindow();
        } else {
            HandleInput(&event);
        }
    }
}

void VideoOutputWindow::HandleInput(const void* xEvent)
{
    const XEvent& event = *static_cast<const XEvent*>(xEvent);
    if (!forward)
        return;
    if (event.type == ButtonPress && event.xbutton.button == Button1) {
        bool twice = event.xbutton.time - lastClickTime < kDoubleClickMs;
        lastClickTime = twice ? 0 : event.xbutton.time;
        LPARAM where = MAKELPARAM(event.xbutton.x, event.xbutton.y);
        forward(twice ? kLeftButtonDoubleClick : kLeftButtonDown, kLeftButtonFlag, where);
    } else if (event.type == KeyPress) {
        XKeyEvent key = event.xkey;
        WPARAM code = VirtualKeyOf(XLookupKeysym(&key, 0));
        if (code)
            forward(kKeyDown, code, 1);
    }
}
