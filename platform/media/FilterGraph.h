// The playback graph behind every media interface: one playbin pipeline for
// one file. All calls and all notifications happen on the UI thread; the
// pipeline's bus is drained there by a main-loop watch (or MediaPumpEvents)
// and by GetEvent.
#pragma once

#include "media/MediaInterfaces.h"

#include <gst/gst.h>

#include <atomic>
#include <deque>
#include <memory>

class VideoOutputWindow;

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEventEx,
                          public IMediaSeeking,
                          public IVideoWindow,
                          public IBasicAudio,
                          public IBasicVideo {
public:
    FilterGraph();
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    HRESULT QueryInterface(MediaInterfaceId iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT RenderFile(const unsigned short* file, const unsigned short* playList) override;
    HRESULT RenderFile(const WCHAR* file, const WCHAR* playList) override;
    HRESULT RenderFile(const char* file, const char* playList) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* state) override;

    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;

    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;

    HRESULT put_Owner(OAHWND owner) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT put_FullScreenMode(LONG fullScreen) override;
    HRESULT get_FullScreenMode(LONG* fullScreen) override;
    HRESULT SetWindowForeground(LONG focus) override;
    HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam) override;

    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;

    HRESULT GetVideoSize(LONG* width, LONG* height) override;

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };

    ~FilterGraph();

    GstElement* MakeVideoSink();
    GstElement* MakeAudioSink();
    HRESULT Preroll();
    void ReadStreamInfo();
    void TearDown();
    HRESULT SetPipelineState(GstState target, OAFilterState logical);
    bool Seek(LONGLONG current, LONGLONG stop);
    LONGLONG QueryDuration();

    static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void DrainBus();
    void HandleBusMessage(GstMessage* message);
    void QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    void ForwardInput(UINT message, WPARAM wParam, LPARAM lParam);
    void RefreshStillFrame();

    std::atomic<ULONG> references{1};
    GstElement* pipeline = nullptr;
    bool busWatched = false;
    std::unique_ptr<VideoOutputWindow> videoOutput;
    bool hasVideo = false;
    bool hasAudio = false;
    bool streamLeftOut = false; // a stream no installed plugin decodes
    LONG videoWidth = 0;
    LONG videoHeight = 0;

    OAFilterState state = State_Stopped;
    LONGLONG duration = 0;     // 100 ns units, as all positions
    LONGLONG stopPosition = 0;
    LONGLONG lastPosition = 0;
    LONG volume = 0;

    std::deque<Event> events;
    HWND notifyWindow = nullptr;
    UINT notifyMessage = 0;
    LONG_PTR notifyParam = 0;

    OAHWND owner = 0;
    OAHWND messageDrain = 0;
    LONG windowStyle = 0;
    bool fullScreen = false;
    bool errorReported = false;
    bool seekPending = false; // set by SetPositions until the next state change
    LONGLONG seekTarget = 0;
};
