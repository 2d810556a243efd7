#include "DSPlayer.h"

#include <algorithm>
#include <new>
#include <vector>

#include "base/lasterror.h"
#include "base/wincodepage.h"
#include "gdi/gdi.h"
#include "media/ComInit.h"

namespace {

// Shared by every player of the process.
int g_bPaused = 0;
int g_bMuted = 0;
OAHWND g_SavedMessageDrain = 0;

const LONG kMuteVolume = -10000;
const LONGLONG kUnitsPerMs = 10000; // graph positions are in 100 ns units
const DWORD kVideoWindowStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const UINT VK_KEY_M = 'M';

template <typename Interface>
void ReleaseInterface(Interface*& pointer)
{
    if (pointer != nullptr)
        pointer->Release();
    pointer = nullptr;
}

template <typename Interface>
bool Query(IGraphBuilder* graph, MediaInterfaceId iid, Interface*& pointer)
{
    return SUCCEEDED(graph->QueryInterface(iid, reinterpret_cast<void**>(&pointer))) && pointer != nullptr;
}

HRESULT HResultFromLastError()
{
    const long error = static_cast<long>(GetLastError());
    return error > 0 ? static_cast<HRESULT>(0x80070000UL | (error & 0xFFFF)) : static_cast<HRESULT>(error);
}

// UTF-16 units of a string of code points, surrogate pairs included.
std::vector<unsigned short> ToUtf16(const std::vector<WCHAR>& codePoints)
{
    std::vector<unsigned short> units;
    for (WCHAR c : codePoints) {
        unsigned long point = static_cast<unsigned long>(c);
        if (point >= 0x10000 && point <= 0x10FFFF) {
            point -= 0x10000;
            units.push_back(static_cast<unsigned short>(0xD800 + (point >> 10)));
            units.push_back(static_cast<unsigned short>(0xDC00 + (point & 0x3FF)));
        } else {
            units.push_back(static_cast<unsigned short>(point));
        }
    }
    return units;
}

} // namespace

BEGIN_MESSAGE_MAP(CDSPlayer, CWnd)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_MESSAGE(GraphNotifyMessage, OnGraphNotify)
    ON_WM_LBUTTONDBLCLK()
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

CDSPlayer::CDSPlayer()
    : m_pGraphBuilder(nullptr),
      m_pMediaControl(nullptr),
      m_pMediaEvent(nullptr),
      m_pVideoWindow(nullptr),
      m_pBasicAudio(nullptr),
      m_pBasicVideo(nullptr),
      m_pMediaSeeking(nullptr),
      m_nRepeat(0),
      m_nLoadedState(0),
      m_bFullScreen(0)
{
    CoInitialize(nullptr);
}

CDSPlayer::~CDSPlayer()
{
    CloseMovie();
}

long CDSPlayer::ConvertTCharToWChar(char* text, unsigned short** wide)
{
    if (text == nullptr || wide == nullptr)
        return E_INVALIDARG;
    const int count = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (count == 0)
        return HResultFromLastError();
    std::vector<WCHAR> codePoints(static_cast<size_t>(count));
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, codePoints.data(), count) == 0) {
        *wide = nullptr;
        return HResultFromLastError();
    }
    const std::vector<unsigned short> units = ToUtf16(codePoints);
    *wide = new (std::nothrow) unsigned short[units.size()];
    if (*wide == nullptr)
        return E_OUTOFMEMORY;
    std::copy(units.begin(), units.end(), *wide);
    return S_OK;
}

int CDSPlayer::LoadFile(CString path)
{
    unsigned short* widePath = nullptr;
    if (FAILED(ConvertTCharToWChar(path.GetBuffer(0), &widePath))) {
        path.ReleaseBuffer();
        return 0;
    }
    path.ReleaseBuffer();
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_pGraphBuilder))) ||
        m_pGraphBuilder == nullptr || !Query(m_pGraphBuilder, IID_IMediaEventEx, m_pMediaEvent)) {
        delete[] widePath;
        return 0;
    }
    const HRESULT rendered = m_pGraphBuilder->RenderFile(widePath, nullptr);
    delete[] widePath;
    if (FAILED(rendered))
        return 0;
    if (!Query(m_pGraphBuilder, IID_IMediaControl, m_pMediaControl) ||
        !Query(m_pGraphBuilder, IID_IMediaSeeking, m_pMediaSeeking) ||
        !Query(m_pGraphBuilder, IID_IVideoWindow, m_pVideoWindow))
        return 0;
    ModifyStyle(0, WS_CLIPCHILDREN);
    m_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(m_hWnd));
    m_pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(m_hWnd));
    if (!Query(m_pGraphBuilder, IID_IBasicVideo, m_pBasicVideo) ||
        !Query(m_pGraphBuilder, IID_IBasicAudio, m_pBasicAudio))
        return 0;
    m_pMediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), GraphNotifyMessage, 0);
    InitVideoWindow();
    return 1;
}

int CDSPlayer::PlayMovie(CString path, int play)
{
    CloseMovie();
    if (!LoadFile(path)) {
        CloseMovie();
        return 0;
    }
    const int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
    SetWindowText(slash >= 0 ? path.Mid(slash + 1) : path);
    Invalidate(TRUE);
    if (play)
        m_pMediaControl->Run();
    return 1;
}

void CDSPlayer::CloseMovie()
{
    if (m_pMediaControl != nullptr)
        m_pMediaControl->Stop();
    m_nLoadedState = 0;
    CloseInterfaces();
}

void CDSPlayer::CloseInterfaces()
{
    if (m_pVideoWindow != nullptr) {
        m_pVideoWindow->put_Visible(OAFALSE);
        m_pVideoWindow->put_Owner(0);
    }
    if (m_pMediaEvent != nullptr)
        m_pMediaEvent->SetNotifyWindow(0, 0, 0);
    ReleaseInterface(m_pMediaEvent);
    ReleaseInterface(m_pMediaSeeking);
    ReleaseInterface(m_pMediaControl);
    ReleaseInterface(m_pBasicAudio);
    ReleaseInterface(m_pBasicVideo);
    ReleaseInterface(m_pVideoWindow);
    ReleaseInterface(m_pGraphBuilder);
}

long CDSPlayer::InitVideoWindow()
{
    if (m_pBasicVideo == nullptr)
        return 0;
    LONG width = 0, height = 0;
    if (m_pBasicVideo->GetVideoSize(&width, &height) == E_NOINTERFACE || width == 0 || height == 0)
        return 0;
    CRect client;
    if (m_hWnd != nullptr)
        GetClientRect(&client);
    if (client.Width() == 0 || client.Height() == 0)
        return E_FAIL;
    LONG left = client.left, top = client.top;
    LONG fittedWidth = client.Width(), fittedHeight = client.Height();
    // Integer quotients: a 4:3 clip in a 16:10 area counts as equally wide.
    if (width / height > client.Width() / client.Height()) {
        fittedHeight = client.Width() * height / width;
        top = (client.Height() - fittedHeight) / 2;
    } else {
        fittedWidth = client.Height() * width / height;
        left = (client.Width() - fittedWidth) / 2;
    }
    const HRESULT placed = m_pVideoWindow->SetWindowPosition(left, top, fittedWidth, fittedHeight);
    m_pVideoWindow->NotifyOwnerMessage(reinterpret_cast<OAHWND>(m_hWnd), WM_DISPLAYCHANGE, 0, 0);
    m_pVideoWindow->put_WindowStyle(static_cast<LONG>(kVideoWindowStyle));
    BringWindowToTop();
    m_pVideoWindow->put_Visible(OATRUE);
    return placed;
}

int CDSPlayer::Play(int repeat)
{
    if (m_pMediaControl == nullptr)
        return 0;
    m_nRepeat = repeat;
    m_pMediaControl->Run();
    InitVideoWindow();
    return 1;
}

int CDSPlayer::Pause()
{
    if (m_pMediaControl == nullptr)
        return 0;
    m_pMediaControl->Pause();
    return 1;
}

long CDSPlayer::GetCurrentPosition()
{
    LONGLONG position = 0;
    if (m_pMediaSeeking == nullptr || FAILED(m_pMediaSeeking->GetCurrentPosition(&position)))
        return 0;
    return static_cast<long>(position / kUnitsPerMs);
}

long CDSPlayer::GetStopPosition()
{
    LONGLONG position = 0;
    if (m_pMediaSeeking == nullptr || FAILED(m_pMediaSeeking->GetStopPosition(&position)))
        return 0;
    return static_cast<long>(position / kUnitsPerMs);
}

long CDSPlayer::GetDuration()
{
    LONGLONG duration = 0;
    if (m_pMediaSeeking == nullptr || FAILED(m_pMediaSeeking->GetDuration(&duration)))
        return 0;
    return static_cast<long>(duration / kUnitsPerMs);
}

HRESULT CDSPlayer::SeekTo(LONGLONG current, DWORD currentFlags, LONGLONG stop, DWORD stopFlags)
{
    if (m_pMediaSeeking == nullptr)
        return E_NOINTERFACE;
    return m_pMediaSeeking->SetPositions(&current, currentFlags, &stop, stopFlags);
}

void CDSPlayer::SetPositions(long ms)
{
    SeekTo(ms * kUnitsPerMs, AM_SEEKING_AbsolutePositioning, GetDuration() * kUnitsPerMs,
           AM_SEEKING_AbsolutePositioning);
}

void CDSPlayer::SetPositions(long startMs, long stopMs)
{
    SeekTo(startMs * kUnitsPerMs, AM_SEEKING_AbsolutePositioning, stopMs * kUnitsPerMs,
           AM_SEEKING_AbsolutePositioning);
}

long CDSPlayer::GetVolume()
{
    LONG volume = 1;
    if (m_pGraphBuilder == nullptr || m_pBasicAudio == nullptr || FAILED(m_pBasicAudio->get_Volume(&volume)))
        return 1;
    return volume;
}

void CDSPlayer::SetVolume(long volume)
{
    if (m_pGraphBuilder != nullptr && m_pBasicAudio != nullptr)
        m_pBasicAudio->put_Volume(volume);
}

void CDSPlayer::SetMute(int mute)
{
    SetVolume(mute ? kMuteVolume : 0);
}

void CDSPlayer::FullScreen(int on)
{
    if (m_pVideoWindow == nullptr)
        return;
    LONG mode = OAFALSE;
    m_pVideoWindow->get_FullScreenMode(&mode);
    if (mode == OAFALSE && on) {
        m_pVideoWindow->get_MessageDrain(&g_SavedMessageDrain);
        m_pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(m_hWnd));
        m_pVideoWindow->put_FullScreenMode(OATRUE);
        m_bFullScreen = 1;
    } else if (mode != OAFALSE && !on) {
        m_pVideoWindow->put_FullScreenMode(OAFALSE);
        m_pVideoWindow->put_MessageDrain(g_SavedMessageDrain);
        m_pVideoWindow->SetWindowForeground(-1);
        m_bFullScreen = 0;
        m_pVideoWindow->NotifyOwnerMessage(reinterpret_cast<OAHWND>(m_hWnd), WM_DISPLAYCHANGE, 0, 0);
    }
}

void CDSPlayer::ShowFailure(const char* format, long code)
{
    CString text;
    text.Format(format, static_cast<unsigned long>(code) & 0xFFFFFFFFUL);
    AfxMessageBox(text);
}

// After the end of a clip: back to its start, then run again once when asked
// to repeat, else wait paused.
HRESULT CDSPlayer::RewindOrRestart()
{
    if (SUCCEEDED(SeekTo(0, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning))) {
        if (m_nRepeat)
            Play(0);
        else
            Pause();
        return S_OK;
    }
    HRESULT result = m_pMediaControl != nullptr ? m_pMediaControl->Stop() : E_NOINTERFACE;
    if (FAILED(result)) {
        ShowFailure("Failed(0x%08lx) to stop media clip!\r\n", result);
        return result;
    }
    result = m_pMediaControl->Run();
    if (FAILED(result))
        ShowFailure("Failed(0x%08lx) to reset media clip!\r\n", result);
    return result;
}

HRESULT CDSPlayer::HandleGraphEvent()
{
    if (m_pMediaEvent == nullptr)
        return S_OK;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    HRESULT result = S_OK;
    while (m_pMediaEvent != nullptr && SUCCEEDED(m_pMediaEvent->GetEvent(&code, &param1, &param2, 0))) {
        if (code == EC_COMPLETE) {
            result = RewindOrRestart();
            if (FAILED(result))
                return result;
        } else if (code == EC_ERRORABORT) {
            ShowFailure("Playback error (EC_ERRORABORT - 0x%08lx). Aborting...\r\n", static_cast<long>(param1));
            if (m_pMediaControl != nullptr && FAILED(result = m_pMediaControl->Stop()))
                ShowFailure("Failed(0x%08lx) to stop media clip!\r\n", result);
            return static_cast<HRESULT>(param1);
        }
        if (CWnd* parent = GetParent())
            parent->SendMessage(PlayerEventMessage, static_cast<WPARAM>(code), static_cast<LPARAM>(param1));
        // The parent may have closed the clip while handling the event.
        if (m_pMediaEvent == nullptr)
            break;
        if (FAILED(m_pMediaEvent->FreeEventParams(code, param1, param2))) {
            CloseMovie();
            break;
        }
    }
    return result;
}

LRESULT CDSPlayer::OnGraphNotify(WPARAM, LPARAM)
{
    HandleGraphEvent();
    return 0;
}

void CDSPlayer::OnLButtonDblClk(UINT flags, CPoint point)
{
    if (m_pVideoWindow != nullptr) {
        m_bFullScreen = !m_bFullScreen;
        FullScreen(m_bFullScreen);
    } else if (CWnd* parent = GetParent()) {
        parent->SendMessage(WM_LBUTTONDBLCLK, 0, 0);
    }
    CWnd::OnLButtonDblClk(flags, point);
}

void CDSPlayer::OnLButtonDown(UINT flags, CPoint point)
{
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_LBUTTONDOWN, 0, 0);
    if (!m_bFullScreen)
        InitVideoWindow();
    BringWindowToTop();
    CWnd::OnLButtonDown(flags, point);
}

void CDSPlayer::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (key == VK_RETURN) {
        FullScreen(!m_bFullScreen);
    } else if (key == VK_ESCAPE) {
        FullScreen(0);
    } else if (key == VK_SPACE) {
        g_bPaused = !g_bPaused;
        if (g_bPaused)
            Pause();
        else
            Play(0);
    } else if (key == VK_KEY_M || key == VK_SUBTRACT) {
        g_bMuted = !g_bMuted;
        SetMute(g_bMuted);
    }
    CWnd::OnKeyDown(key, repeat, flags);
}

void CDSPlayer::PaintBackgroundImage(CDC& dc, const CRect& client)
{
    HBITMAP handle = static_cast<HBITMAP>(LoadImage(nullptr, m_strBGImage, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (handle == nullptr)
        return;
    CBitmap bitmap;
    bitmap.Attach(handle);
    BITMAP info{};
    bitmap.GetBitmap(&info);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap* old = memory.SelectObject(&bitmap);
    const int oldMode = dc.SetStretchBltMode(COLORONCOLOR);
    dc.StretchBlt(client.left, client.top, client.Width(), client.Height(), &memory, 0, 0, info.bmWidth,
                  info.bmHeight, SRCCOPY);
    dc.SetStretchBltMode(oldMode);
    memory.SelectObject(old);
}

void CDSPlayer::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CGdiObject* oldBrush = dc.SelectStockObject(BLACK_BRUSH);
    dc.Rectangle(&client);
    dc.SelectObject(oldBrush);
    if (m_nLoadedState == 0 && !m_strBGImage.IsEmpty())
        PaintBackgroundImage(dc, client);
    CString text;
    GetWindowText(text);
    if (!text.IsEmpty()) {
        dc.SetTextColor(RGB(255, 255, 255));
        dc.SetBkColor(RGB(0, 0, 0));
        dc.DrawText(text, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void CDSPlayer::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    InitVideoWindow();
}
