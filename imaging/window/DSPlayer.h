// The video player window of the image window. Only the operations the image
// window calls are here; playback itself arrives with the media work.
#pragma once

#include "ImvexaApi.h"
#include "wnd/wnd.h"

class IMVEXA_API CDSPlayer : public CWnd {
public:
    CDSPlayer() = default;
    ~CDSPlayer() override = default;

    // Loads a clip and starts it; 0 when it cannot be played.
    virtual int PlayMovie(CString path, int start);
    virtual void Play(int fromStart);
    virtual void Pause();
    // Clip length in milliseconds.
    virtual long GetDuration();
    virtual void SetPositions(long milliseconds);
};
