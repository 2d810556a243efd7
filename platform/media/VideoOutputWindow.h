// The window video is drawn into when a display is up: a child X window of
// the owner. Frames arrive scaled to the window's size on the pipeline's
// threads and are drawn on the UI thread, so that every X call happens there
// and an owner destroyed under the video cannot end the program. Clicks and
// keys go through to the owner, except in full screen where they are
// forwarded to the message drain.
#pragma once

#include "base/wintypes.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <functional>
#include <memory>
#include <mutex>

class VideoOutputWindow {
public:
    typedef std::function<void(UINT message, WPARAM wParam, LPARAM lParam)> InputForwarder;

    // Null when no display opens or its visual is not 24-bit true colour.
    static std::unique_ptr<VideoOutputWindow> Open();
    ~VideoOutputWindow();

    VideoOutputWindow(const VideoOutputWindow&) = delete;
    VideoOutputWindow& operator=(const VideoOutputWindow&) = delete;

    // The pipeline's video sink; the pipeline takes its own reference.
    GstElement* Sink() const { return sinkBin; }

    void SetOwner(unsigned long ownerId);
    void SetVisible(bool visible);
    // Both tell whether frames are wanted at a new size.
    bool SetPosition(int left, int top, int width, int height);
    bool SetFullScreen(bool on);
    void Raise();
    void Redraw();
    void SetInputForwarder(InputForwarder forwarder) { forward = std::move(forwarder); }

private:
    struct Connection;

    explicit VideoOutputWindow(Connection* connection);
    void CreateWindow();
    void BuildSink();
    void ScaleTo(int width, int height);
    void PlaceInOwner();
    void ShowOrHide();
    void HandleEvents();
    void HandleInput(const void* xEvent);
    void Draw(GstSample* sample);

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
    static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer self);
    static gboolean OnDisplayReadable(gint fd, GIOCondition condition, gpointer self);
    static gboolean OnFrameDue(gpointer self);
    void Deliver(GstSample* sample);

    Connection* x;
    GstElement* sinkBin = nullptr;
    GstElement* scaleFilter = nullptr;
    unsigned displaySource = 0;

    std::mutex frameLock;          // guards the two members below
    GstSample* latestFrame = nullptr;
    unsigned frameSource = 0;

    unsigned long owner = 0;
    int left = 0, top = 0, width = 1, height = 1;
    bool visible = false;
    bool fullScreen = false;
    unsigned long lastClickTime = 0;
    InputForwarder forward;
};
