#include "window_harness.h"

BEGIN_MESSAGE_MAP(NoticeHost, CWnd)
    ON_MESSAGE(ImageWndEventMessage, OnImageEvent)
    ON_MESSAGE(WindowLevelChangedMessage, OnWindowLevel)
    ON_MESSAGE(SliderPosMessage, OnSlider)
    ON_MESSAGE(WM_USER + 7, OnShowNotice)
END_MESSAGE_MAP()
