// The video player window: plays one video or audio clip through a playback
// graph inside its own client area and reports every graph event to its
// parent.
#pragma once

#include "DicomWndTypes.h"
#include "ImvexaApi.h"
#include "media/media.h"
#include "wnd/wnd.h"

// Posted by the graph to the player. The player sends its parent
// PlayerEventMessage: wParam event code, lParam first parameter.
const UINT GraphNotifyMessage = 4024;

class IMVEXA_API CDSPlayer : public CWnd {
public:
    CDSPlayer();
    ~CDSPlayer() override;

    int PlayMovie(CString path, int play);
    void CloseMovie();
    long InitVideoWindow();
    int Play(int repeat);
    int Pause();
    long GetCurrentPosition();
    long GetStopPosition();
    long GetDuration();
    void SetPositions(long ms);
    void SetPositions(long startMs, long stopMs);
    long GetVolume();
    void SetVolume(long volume);
    void SetMute(int mute);
    void FullScreen(int on);
    void SetBGImage(CString path) { m_strBGImage = path; }
    long ConvertTCharToWChar(char* text, unsigned short** wide);

protected:
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    DECLARE_MESSAGE_MAP()

private:
    int LoadFile(CString path);
    void CloseInterfaces();
    HRESULT HandleGraphEvent();
    HRESULT RewindOrRestart();
    void ShowFailure(const char* format, long code);
    HRESULT SeekTo(LONGLONG current, DWORD currentFlags, LONGLONG stop, DWORD stopFlags);
    void PaintBackgroundImage(CDC& dc, const CRect& client);

    IGraphBuilder* m_pGraphBuilder;
    IMediaControl* m_pMediaControl;
    IMediaEventEx* m_pMediaEvent;
    IVideoWindow* m_pVideoWindow;
    IBasicAudio* m_pBasicAudio;
    IBasicVideo* m_pBasicVideo;
    IMediaSeeking* m_pMediaSeeking;
    int m_nRepeat;
    int m_nLoadedState;
    int m_bFullScreen;
    CString m_strBGImage;
};
