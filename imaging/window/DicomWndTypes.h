// Enumerations, messages and small records of the image window.
#pragma once

#include "ImvexaApi.h"
#include "gdi/gdi.h"
#include "wnd/wnd.h"

// Mouse tool of the image window.
enum OpMode {
    OPMODE_NONE = 0,
    OPMODE_PIXEL_VALUE = 1,
    OPMODE_2 = 2,
    OPMODE_MOVE = 3,
    OPMODE_MAGNIFIER = 4,
    OPMODE_ZOOM = 5,
    OPMODE_6 = 6,
    OPMODE_7 = 7,
    OPMODE_WINDOW_LEVEL_8 = 8,
    OPMODE_WINDOW_LEVEL_9 = 9,
    OPMODE_WINDOW_LEVEL = 10,
    OPMODE_11 = 11,
    OPMODE_SHUTTER = 12,
    OPMODE_FILTER = 13,
    OPMODE_OVERLAY = 14,
};

// What a window/level drag changes.
enum WINLEVEL_TYPE {
    WINLEVEL_NONE = 0,
    WINLEVEL_1 = 1,
    WINLEVEL_CENTER = 2,
    WINLEVEL_WIDTH = 3,
    WINLEVEL_BOTH = 4,
};

// Index into the window's overlay colour table.
enum OverlayType {
    OVERLAYTYPE_LINE = 0,
    OVERLAYTYPE_ARROW = 1,
    OVERLAYTYPE_ANGLE = 2,
    OVERLAYTYPE_RECT = 3,
    OVERLAYTYPE_ELLIPSE = 4,
    OVERLAYTYPE_POLY = 5,
    OVERLAYTYPE_POINT = 6,
    OVERLAYTYPE_7 = 7,
    OVERLAYTYPE_TEXT = 8,
};

// Document kind kept for the host.
enum DOC_TYPE {
    DOC_TYPE_NONE = 0,
};

const UINT ImageWndEventMessage = WM_USER + 150;      // 0x496
const UINT WindowLevelChangedMessage = WM_USER + 140; // 0x48c
const int RptCheckCode = 0x497;
const UINT PlayerEventMessage = 2024;
const UINT SliderPosMessage = 3024;

const UINT IDC_RPT_CHECK = 1999;
const UINT IDC_BTN_PLAY = 8200;
const UINT IDC_BTN_PAUSE = 8201;
const UINT IDC_PLAY_SLIDER = 8202;
const UINT IDC_PLAYER = 1000;
const UINT ID_OPEN_FILE = 2235;
const UINT ID_SAVE_IMAGE = 2236;
const UINT CINE_TIMER = 5;
const UINT CLIP_TIMER = 1;

// The host's view transform; constructed and destroyed, read nowhere.
class IMVEXA_API CViewTransformBase {
public:
    virtual ~CViewTransformBase() = default;
};

class IMVEXA_API CViewTransform : public CViewTransformBase {
public:
    int m_nMode = 0;
    int m_nValues[6] = {0, 0, 0, 0, 0, 0};
    float m_fScale = 1.0f;
    int m_nOffsetX = 0;
    int m_nOffsetY = 0;
    float m_fScaleX = 1.0f;
    float m_fScaleY = 1.0f;
};

class CDcmImage;

// Rubber band of the shutter tool, in window and image coordinates.
class CShutterTracker {
public:
    explicit CShutterTracker(CDcmImage* image) : m_pImage(image) {}

    int m_nSavedRop2 = 0;
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
    CPoint m_ptStart;
    CPoint m_ptEnd;
    CDcmImage* m_pImage;
};
