// The playback graph's interfaces, constants and factory. One graph object
// serves every interface; QueryInterface hands out the facets, each with the
// graph's shared reference count.
#pragma once

#include "base/wintypes.h"

// Window handles travel as integers through the video window and event facets.
typedef LONG_PTR OAHWND;
typedef LONG OAFilterState;

#define OATRUE (-1)
#define OAFALSE (0)

// Filter graph states
#define State_Stopped 0
#define State_Paused 1
#define State_Running 2

// Seeking flags (positions in 100 ns units)
#define AM_SEEKING_NoPositioning 0x0
#define AM_SEEKING_AbsolutePositioning 0x1
#define AM_SEEKING_RelativePositioning 0x2
#define AM_SEEKING_IncrementalPositioning 0x3
#define AM_SEEKING_PositioningBitsMask 0x3

// Event codes
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03

// Results of the graph
#ifndef E_ABORT
#define E_ABORT ((HRESULT)0x80004004L)
#endif
#define VFW_S_STATE_INTERMEDIATE ((HRESULT)0x00040237L)
#define VFW_S_PARTIAL_RENDER ((HRESULT)0x00040242L)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227L)
#define VFW_E_TIMEOUT ((HRESULT)0x8004022EL)
#define VFW_E_INVALID_FILE_FORMAT ((HRESULT)0x8004022FL)
#define VFW_E_UNKNOWN_FILE_TYPE ((HRESULT)0x80040240L)
#define VFW_E_UNSUPPORTED_STREAM ((HRESULT)0x80040265L)
#define VFW_E_FILE_NOT_FOUND ((HRESULT)0x80070002L)

#ifndef CLSCTX_INPROC_SERVER
#define CLSCTX_INPROC_SERVER 0x1
#endif

enum MediaClassId { CLSID_FilterGraph = 1 };

enum MediaInterfaceId {
    IID_IGraphBuilder = 1,
    IID_IMediaControl,
    IID_IMediaEventEx,
    IID_IMediaSeeking,
    IID_IVideoWindow,
    IID_IBasicAudio,
    IID_IBasicVideo,
};

struct IMediaUnknown {
    virtual HRESULT QueryInterface(MediaInterfaceId iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IMediaUnknown() = default;
};

struct IGraphBuilder : IMediaUnknown {
    // The file name in UTF-16, in wide characters or in UTF-8.
    virtual HRESULT RenderFile(const unsigned short* file, const unsigned short* playList) = 0;
    virtual HRESULT RenderFile(const WCHAR* file, const WCHAR* playList) = 0;
    virtual HRESULT RenderFile(const char* file, const char* playList) = 0;

protected:
    ~IGraphBuilder() = default;
};

struct IMediaControl : IMediaUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;

protected:
    ~IMediaControl() = default;
};

struct IMediaEventEx : IMediaUnknown {
    virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
    virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
    virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;

protected:
    ~IMediaEventEx() = default;
};

struct IMediaSeeking : IMediaUnknown {
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
    virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;

protected:
    ~IMediaSeeking() = default;
};

struct IVideoWindow : IMediaUnknown {
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT put_WindowStyle(LONG style) = 0;
    virtual HRESULT put_Visible(LONG visible) = 0;
    virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
    virtual HRESULT put_FullScreenMode(LONG fullScreen) = 0;
    virtual HRESULT get_FullScreenMode(LONG* fullScreen) = 0;
    virtual HRESULT SetWindowForeground(LONG focus) = 0;
    virtual HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam) = 0;

protected:
    ~IVideoWindow() = default;
};

struct IBasicAudio : IMediaUnknown {
    // Hundredths of a decibel: 0 is full volume, -10000 silence.
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;

protected:
    ~IBasicAudio() = default;
};

struct IBasicVideo : IMediaUnknown {
    virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;

protected:
    ~IBasicVideo() = default;
};

// Creates an empty graph; only CLSID_FilterGraph in-process is known.
HRESULT CoCreateInstance(MediaClassId clsid, void* outer, DWORD context, MediaInterfaceId iid, void** object);
