// The window video is drawn into when a display is up: a child X window of
// the owner, with a sink that scales frames to the window's size. Clicks and
// keys go through to the owner, except in full screen where they are
// forwarded to the message drain.
#pragma once

#include "base/wintypes.h"

#include <gst/gst.h>

#include <functional>
#include <memory>

class VideoOutputWindow {
public:
    typedef std::function<void(UINT message, WPARAM wParam, LPARAM lParam)> InputForwarder;

    // Null when no display opens or no window sink is installed.
    static std::unique_ptr<VideoOutputWindow> Open();
    ~VideoOutputWindow();

    VideoOutputWindow(const VideoOutputWindow&) = delete;
    VideoOutputWindow& operator=(const VideoOutputWindow&) = delete;

    // The pipeline's video sink; the pipeline takes its own reference.
    GstElement* Sink() const { return sinkBin; }

    void SetOwner(unsigned long ownerId);
    void SetVisible(bool visible);
    void SetPosition(int left, int top, int width, int height);
    void SetFullScreen(bool on);
    void Raise();
    void Redraw();
    void SetInputForwarder(InputForwarder forwarder) { forward = std::move(forwarder); }

private:
    struct Connection;

    explicit VideoOutputWindow(Connection* connection);
    bool BuildSink();
    void ScaleTo(int width, int height);
    void PlaceInOwner();
    static gboolean OnDisplayReadable(gint fd, GIOCondition condition, gpointer self);
    void HandleEvents();

    Connection* x;
    GstElement* sinkBin = nullptr;
    GstElement* scaleFilter = nullptr;
    GstElement* windowSink = nullptr;
    unsigned sourceId = 0;
    unsigned long owner = 0;
    int left = 0, top = 0, width = 1, height = 1;
    bool visible = false;
    bool fullScreen = false;
    unsigned long lastClickTime = 0;
    InputForwarder forward;
};
