#include "media/FilterGraph.h"

#include "media/MediaHooks.h"
#include "media/VideoOutputWindow.h"

#include <gst/pbutils/missing-plugins.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// playbin's flags: video, audio and software volume; no subtitles.
const guint kPlayVideo = 0x1;
const guint kPlayAudio = 0x2;
const guint kPlaySoftVolume = 0x10;

// A clip that neither plays nor fails within this time is given up on.
const gint64 kPrerollLimitUs = 5 * G_USEC_PER_SEC;

const LONG kSilence = -10000;
const HRESULT kNoAggregation = (HRESULT)0x80040110L;
const HRESULT kClassNotRegistered = (HRESULT)0x80040154L;

bool InitialiseGStreamer()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = gst_init_check(nullptr, nullptr, nullptr); });
    return ready;
}

HRESULT ResultOfError(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    HRESULT result = E_FAIL;
    if (!error)
        return result;
    if (error->domain == GST_RESOURCE_ERROR) {
        if (error->code == GST_RESOURCE_ERROR_NOT_FOUND || error->code == GST_RESOURCE_ERROR_OPEN_READ)
            result = VFW_E_FILE_NOT_FOUND;
    } else if (error->domain == GST_STREAM_ERROR) {
        if (error->code == GST_STREAM_ERROR_TYPE_NOT_FOUND)
            result = VFW_E_UNKNOWN_FILE_TYPE;
        else if (error->code == GST_STREAM_ERROR_CODEC_NOT_FOUND)
            result = VFW_E_UNSUPPORTED_STREAM;
        else
            result = VFW_E_INVALID_FILE_FORMAT;
    } else if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN) {
        result = VFW_E_UNSUPPORTED_STREAM;
    }
    g_error_free(error);
    return result;
}

// Fake sinks take decoded data only, so a clip plays headless exactly when it
// would play on real outputs.
GstElement* MakeFakeSink(const char* rawCaps)
{
    gchar* description = g_strdup_printf("capsfilter caps=%s ! fakesink sync=true", rawCaps);
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, nullptr);
    g_free(description);
    return bin;
}

} // namespace

HRESULT CoCreateInstance(MediaClassId clsid, void* outer, DWORD context, MediaInterfaceId iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return kNoAggregation;
    if (clsid != CLSID_FilterGraph || !(context & CLSCTX_INPROC_SERVER))
        return kClassNotRegistered;
    if (!InitialiseGStreamer())
        return E_FAIL;
    FilterGraph* graph = new FilterGraph;
    HRESULT result = graph->QueryInterface(iid, object);
    graph->Release();
    return result;
}

FilterGraph::FilterGraph() = default;

FilterGraph::~FilterGraph()
{
    TearDown();
}

HRESULT FilterGraph::QueryInterface(MediaInterfaceId iid, void** object)
{
    if (!object)
        return E_POINTER;
    switch (iid) {
    case IID_IGraphBuilder: *object = static_cast<IGraphBuilder*>(this); break;
    case IID_IMediaControl: *object = static_cast<IMediaControl*>(this); break;
    case IID_IMediaEventEx: *object = static_cast<IMediaEventEx*>(this); break;
    case IID_IMediaSeeking: *object = static_cast<IMediaSeeking*>(this); break;
    case IID_IVideoWindow: *object = static_cast<IVideoWindow*>(this); break;
    case IID_IBasicAudio: *object = static_cast<IBasicAudio*>(this); break;
    case IID_IBasicVideo: *object = static_cast<IBasicVideo*>(this); break;
    default: *object = nullptr; return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG FilterGraph::AddRef()
{
    return ++references;
}

ULONG FilterGraph::Release()
{
    ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

// ---------------------------------------------------------------- building

HRESULT FilterGraph::RenderFile(const unsigned short* file, const unsigned short* playList)
{
    if (!file)
        return E_POINTER;
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(file), -1, nullptr, nullptr, nullptr);
    if (!utf8)
        return E_INVALIDARG;
    HRESULT result = RenderFile(utf8, playList ? "" : nullptr);
    g_free(utf8);
    return result;
}

HRESULT FilterGraph::RenderFile(const WCHAR* file, const WCHAR* playList)
{
    static_assert(sizeof(WCHAR) == sizeof(gunichar), "wide characters are UCS-4 here");
    if (!file)
        return E_POINTER;
    gchar* utf8 = g_ucs4_to_utf8(reinterpret_cast<const gunichar*>(file), -1, nullptr, nullptr, nullptr);
    if (!utf8)
        return E_INVALIDARG;
    HRESULT result = RenderFile(utf8, playList ? "" : nullptr);
    g_free(utf8);
    return result;
}

HRESULT FilterGraph::RenderFile(const char* file, const char*)
{
    if (!file)
        return E_POINTER;
    if (pipeline)
        return VFW_E_WRONG_STATE;
    if (!g_file_test(file, G_FILE_TEST_IS_REGULAR))
        return VFW_E_FILE_NOT_FOUND;
    gchar* uri = gst_filename_to_uri(file, nullptr);
    pipeline = uri ? gst_element_factory_make("playbin", nullptr) : nullptr;
    if (!pipeline) {
        g_free(uri);
        return E_FAIL;
    }
    g_object_set(pipeline, "uri", uri, "flags", kPlayVideo | kPlayAudio | kPlaySoftVolume,
                 "video-sink", MakeVideoSink(), "audio-sink", MakeAudioSink(), nullptr);
    g_free(uri);

    HRESULT result = Preroll();
    if (SUCCEEDED(result)) {
        ReadStreamInfo();
        if (!hasVideo && !hasAudio)
            result = VFW_E_UNSUPPORTED_STREAM;
    }
    if (FAILED(result)) {
        TearDown();
        return result;
    }
    duration = stopPosition = QueryDuration();
    GstBus* bus = gst_element_get_bus(pipeline);
    busWatched = gst_bus_add_watch(bus, &FilterGraph::OnBusMessage, this) != 0;
    gst_object_unref(bus);
    return streamLeftOut ? VFW_S_PARTIAL_RENDER : S_OK;
}

GstElement* FilterGraph::MakeVideoSink()
{
    if (!MediaHeadless())
        videoOutput = VideoOutputWindow::Open();
    if (videoOutput && !videoOutput->Sink())
        videoOutput.reset();
    if (!videoOutput)
        return MakeFakeSink("video/x-raw");
    videoOutput->SetInputForwarder([this](UINT message, WPARAM wParam, LPARAM lParam) {
        ForwardInput(message, wParam, lParam);
    });
    return videoOutput->Sink();
}

GstElement* FilterGraph::MakeAudioSink()
{
    GstElement* sink = MediaHeadless() ? nullptr : gst_element_factory_make("autoaudiosink", nullptr);
    return sink ? sink : MakeFakeSink("audio/x-raw");
}

// Brings the pipeline to paused so that failures show now, as a failed
// render, and so that streams, size and duration are known.
HRESULT FilterGraph::Preroll()
{
    GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_SUCCESS || change == GST_STATE_CHANGE_NO_PREROLL)
        return S_OK;
    GstBus* bus = gst_element_get_bus(pipeline);
    gint64 deadline = g_get_monotonic_time() + (change == GST_STATE_CHANGE_FAILURE ? G_USEC_PER_SEC : kPrerollLimitUs);
    HRESULT result = change == GST_STATE_CHANGE_FAILURE ? E_FAIL : VFW_E_TIMEOUT;
    for (;;) {
        gint64 remaining = deadline - g_get_monotonic_time();
        if (remaining <= 0)
            break;
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, remaining * GST_USECOND,
            GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ELEMENT));
        if (!message)
            break;
        bool done = true;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            result = ResultOfError(message);
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT) {
            if (gst_is_missing_plugin_message(message))
                streamLeftOut = true;
            done = false;
        } else if (GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline)) {
            result = S_OK;
        } else {
            done = false;
        }
        gst_message_unref(message);
        if (done)
            break;
    }
    gst_object_unref(bus);
    return result;
}

void FilterGraph::ReadStreamInfo()
{
    gint videoStreams = 0, audioStreams = 0;
    g_object_get(pipeline, "n-video", &videoStreams, "n-audio", &audioStreams, nullptr);
    hasAudio = audioStreams > 0;
    hasVideo = false;
    if (videoStreams <= 0)
        return;
    GstPad* pad = nullptr;
    g_signal_emit_by_name(pipeline, "get-video-pad", 0, &pad);
    GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr;
    if (caps && gst_caps_get_size(caps) > 0) {
        const GstStructure* format = gst_caps_get_structure(caps, 0);
        gint width = 0, height = 0;
        if (gst_structure_get_int(format, "width", &width) && gst_structure_get_int(format, "height", &height)) {
            videoWidth = width;
            videoHeight = height;
            hasVideo = width > 0 && height > 0;
        }
    }
    if (caps)
        gst_caps_unref(caps);
    if (pad)
        gst_object_unref(pad);
}

void FilterGraph::TearDown()
{
    if (pipeline) {
        if (busWatched) {
            GstBus* bus = gst_element_get_bus(pipeline);
            gst_bus_remove_watch(bus);
            gst_object_unref(bus);
            busWatched = false;
        }
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }
    videoOutput.reset();
    hasVideo = hasAudio = false;
    events.clear();
}

// ----------------------------------------------------------------- control

// A state change while a flushing seek is still settling may leave the
// pipeline at its old position (paused at the end after a rewind), so such a
// seek is made once more in the new state.
HRESULT FilterGraph::SetPipelineState(GstState target, OAFilterState logical)
{
    if (!pipeline)
        return VFW_E_WRONG_STATE;
    const bool seekInFlight =
        seekPending && gst_element_get_state(pipeline, nullptr, nullptr, 0) == GST_STATE_CHANGE_ASYNC;
    seekPending = false;
    if (gst_element_set_state(pipeline, target) == GST_STATE_CHANGE_FAILURE)
        return E_FAIL;
    state = logical;
    if (seekInFlight)
        Seek(seekTarget, stopPosition);
    return S_OK;
}

HRESULT FilterGraph::Run()
{
    errorReported = false;
    return SetPipelineState(GST_STATE_PLAYING, State_Running);
}

HRESULT FilterGraph::Pause()
{
    return SetPipelineState(GST_STATE_PAUSED, State_Paused);
}

// Stopping keeps the position, as the player rewinds by itself.
HRESULT FilterGraph::Stop()
{
    return SetPipelineState(GST_STATE_PAUSED, State_Stopped);
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* filterState)
{
    if (!filterState)
        return E_POINTER;
    *filterState = state;
    if (!pipeline)
        return S_OK;
    GstClockTime wait = msTimeout < 0 ? GST_CLOCK_TIME_NONE : GstClockTime(msTimeout) * GST_MSECOND;
    GstStateChangeReturn change = gst_element_get_state(pipeline, nullptr, nullptr, wait);
    return change == GST_STATE_CHANGE_ASYNC ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

// ------------------------------------------------------------------ events

gboolean FilterGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self)
{
    static_cast<FilterGraph*>(self)->HandleBusMessage(message);
    return TRUE;
}

void FilterGraph::DrainBus()
{
    if (!pipeline)
        return;
    GstBus* bus = gst_element_get_bus(pipeline);
    while (GstMessage* message = gst_bus_pop(bus)) {
        HandleBusMessage(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void FilterGraph::HandleBusMessage(GstMessage* message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        QueueEvent(EC_COMPLETE, S_OK, 0);
        break;
    case GST_MESSAGE_ERROR:
        // One failure, however many elements report it.
        if (!errorReported) {
            errorReported = true;
            QueueEvent(EC_ERRORABORT, ResultOfError(message), 0);
        }
        break;
    default:
        break;
    }
}

void FilterGraph::QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    events.push_back(Event{code, param1, param2});
    if (notifyWindow)
        MediaPostMessage(notifyWindow, notifyMessage, 0, notifyParam);
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout)
{
    if (!eventCode || !param1 || !param2)
        return E_POINTER;
    DrainBus();
    if (events.empty() && msTimeout != 0 && pipeline) {
        GstBus* bus = gst_element_get_bus(pipeline);
        gint64 deadline = msTimeout < 0 ? G_MAXINT64 : g_get_monotonic_time() + gint64(msTimeout) * 1000;
        while (events.empty()) {
            gint64 remaining = deadline - g_get_monotonic_time();
            if (remaining <= 0)
                break;
            GstMessage* message = gst_bus_timed_pop(bus, msTimeout < 0 ? GST_CLOCK_TIME_NONE : remaining * GST_USECOND);
            if (!message)
                break;
            HandleBusMessage(message);
            gst_message_unref(message);
        }
        gst_object_unref(bus);
    }
    if (events.empty()) {
        *eventCode = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    Event next = events.front();
    events.pop_front();
    *eventCode = next.code;
    *param1 = next.param1;
    *param2 = next.param2;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR)
{
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData)
{
    notifyWindow = reinterpret_cast<HWND>(window);
    notifyMessage = UINT(message);
    notifyParam = instanceData;
    if (notifyWindow && !events.empty())
        MediaPostMessage(notifyWindow, notifyMessage, 0, notifyParam);
    return S_OK;
}

// ----------------------------------------------------------------- seeking

LONGLONG FilterGraph::QueryDuration()
{
    gint64 nanoseconds = 0;
    if (pipeline && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &nanoseconds) && nanoseconds > 0)
        duration = nanoseconds / 100;
    return duration;
}

HRESULT FilterGraph::GetDuration(LONGLONG* result)
{
    if (!result)
        return E_POINTER;
    if (!pipeline)
        return E_NOTIMPL;
    *result = QueryDuration();
    return S_OK;
}

HRESULT FilterGraph::GetStopPosition(LONGLONG* result)
{
    if (!result)
        return E_POINTER;
    if (!pipeline)
        return E_NOTIMPL;
    *result = stopPosition;
    return S_OK;
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* result)
{
    if (!result)
        return E_POINTER;
    if (!pipeline)
        return E_NOTIMPL;
    // While a seek settles the sinks still answer with the old position; the
    // position set is the current one from the moment it is set.
    if (gst_element_get_state(pipeline, nullptr, nullptr, 0) == GST_STATE_CHANGE_ASYNC) {
        *result = lastPosition;
        return S_OK;
    }
    gint64 nanoseconds = 0;
    if (gst_element_query_position(pipeline, GST_FORMAT_TIME, &nanoseconds) && nanoseconds >= 0)
        lastPosition = stopPosition > 0 ? std::min<LONGLONG>(nanoseconds / 100, stopPosition) : nanoseconds / 100;
    *result = lastPosition;
    return S_OK;
}

bool FilterGraph::Seek(LONGLONG current, LONGLONG stop)
{
    LONGLONG total = QueryDuration();
    gint64 stopNs = total <= 0 || stop >= total ? gint64(GST_CLOCK_TIME_NONE) : stop * 100;
    return gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            GST_SEEK_TYPE_SET, current * 100, GST_SEEK_TYPE_SET, stopNs);
}

HRESULT FilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    if (!pipeline)
        return E_NOTIMPL;
    DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    bool setCurrent = currentHow == AM_SEEKING_AbsolutePositioning;
    bool setStop = stopHow == AM_SEEKING_AbsolutePositioning;
    if ((!setCurrent && currentHow != AM_SEEKING_NoPositioning) || (!setStop && stopHow != AM_SEEKING_NoPositioning))
        return E_NOTIMPL;
    if ((setCurrent && !current) || (setStop && !stop))
        return E_POINTER;
    if (!setCurrent && !setStop)
        return S_OK;

    LONGLONG newStop = setStop ? *stop : stopPosition;
    LONGLONG newCurrent = setCurrent ? *current : lastPosition;
    if (newCurrent < 0 || newStop < 0)
        return E_INVALIDARG;
    // Past the end means at the end: the clip completes as soon as it runs.
    LONGLONG total = QueryDuration();
    if (total > 0) {
        newStop = std::min(newStop, total);
        newCurrent = std::min(newCurrent, newStop);
    }
    if (!Seek(newCurrent, newStop))
        return E_FAIL;
    stopPosition = newStop;
    lastPosition = newCurrent;
    seekTarget = newCurrent;
    seekPending = true;
    return S_OK;
}

// ------------------------------------------------------------ video window

// A paused or stopped clip shows its frame at the window's new size: the
// frame is made again, in place.
void FilterGraph::RefreshStillFrame()
{
    if (state == State_Running)
        return;
    LONGLONG now = 0;
    GetCurrentPosition(&now);
    Seek(now, stopPosition);
}

void FilterGraph::ForwardInput(UINT message, WPARAM wParam, LPARAM lParam)
{
    OAHWND target = messageDrain ? messageDrain : owner;
    MediaPostMessage(reinterpret_cast<HWND>(target), message, wParam, lParam);
}

HRESULT FilterGraph::put_Owner(OAHWND newOwner)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    owner = newOwner;
    if (videoOutput)
        videoOutput->SetOwner(MediaNativeWindow(reinterpret_cast<HWND>(newOwner)));
    return S_OK;
}

HRESULT FilterGraph::put_WindowStyle(LONG style)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    windowStyle = style;
    return S_OK;
}

HRESULT FilterGraph::put_Visible(LONG visible)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    if (videoOutput)
        videoOutput->SetVisible(visible != OAFALSE);
    return S_OK;
}

HRESULT FilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    if (videoOutput && videoOutput->SetPosition(left, top, width, height))
        RefreshStillFrame();
    return S_OK;
}

HRESULT FilterGraph::put_MessageDrain(OAHWND drain)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    messageDrain = drain;
    return S_OK;
}

HRESULT FilterGraph::get_MessageDrain(OAHWND* drain)
{
    if (!drain)
        return E_POINTER;
    if (!hasVideo)
        return E_NOINTERFACE;
    *drain = messageDrain;
    return S_OK;
}

HRESULT FilterGraph::put_FullScreenMode(LONG on)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    fullScreen = on != OAFALSE;
    if (videoOutput && videoOutput->SetFullScreen(fullScreen))
        RefreshStillFrame();
    return S_OK;
}

HRESULT FilterGraph::get_FullScreenMode(LONG* on)
{
    if (!on)
        return E_POINTER;
    if (!hasVideo)
        return E_NOINTERFACE;
    *on = fullScreen ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT FilterGraph::SetWindowForeground(LONG)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    if (videoOutput)
        videoOutput->Raise();
    return S_OK;
}

HRESULT FilterGraph::NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR)
{
    if (!hasVideo)
        return E_NOINTERFACE;
    if (videoOutput)
        videoOutput->Redraw();
    return S_OK;
}

// ------------------------------------------------------------ audio, video

HRESULT FilterGraph::put_Volume(LONG newVolume)
{
    if (!hasAudio)
        return E_NOTIMPL;
    if (newVolume > 0 || newVolume < kSilence)
        return E_INVALIDARG;
    double linear = newVolume == kSilence ? 0.0 : std::pow(10.0, newVolume / 2000.0);
    g_object_set(pipeline, "volume", linear, nullptr);
    volume = newVolume;
    return S_OK;
}

HRESULT FilterGraph::get_Volume(LONG* result)
{
    if (!result)
        return E_POINTER;
    if (!hasAudio)
        return E_NOTIMPL;
    *result = volume;
    return S_OK;
}

HRESULT FilterGraph::GetVideoSize(LONG* width, LONG* height)
{
    if (!width || !height)
        return E_POINTER;
    if (!hasVideo)
        return E_NOINTERFACE;
    *width = videoWidth;
    *height = videoHeight;
    return S_OK;
}
