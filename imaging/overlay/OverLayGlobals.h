// Process-wide overlay tool, mode, colours and switches, shared by every
// image and window of the process (UI thread only).
#pragma once

#include "base/base.h"
#include "gdi/gdi.h"

// Overlay tool: 0 select, 1 rectangle, 2 ellipse, 3 polygon, 4 point, 5 line,
// 6 arrow, 7 angle, 9 text, 10 select.
enum OverLayShape {
    OVERLAY_SELECT = 0,
    OVERLAY_RECT = 1,
    OVERLAY_ELLIPSE = 2,
    OVERLAY_POLY = 3,
    OVERLAY_POINT = 4,
    OVERLAY_LINE = 5,
    OVERLAY_ARROW = 6,
    OVERLAY_ANGLE = 7,
    OVERLAY_TEXT = 9,
    OVERLAY_SELECT2 = 10,
};

// Overlay mode: 0 create, 1 handle drag, 2 move, 3 idle, 4 second arm of an
// angle, 5 erase.
enum OverLayMode {
    OVERLAY_MODE_CREATE = 0,
    OVERLAY_MODE_HANDLE = 1,
    OVERLAY_MODE_MOVE = 2,
    OVERLAY_MODE_IDLE = 3,
    OVERLAY_MODE_SECOND_ARM = 4,
    OVERLAY_MODE_ERASE = 5,
};

extern int CurrentOverlayTool;
extern int CurrentOverlayMode;

extern COLORREF LineOverlayColor;
extern COLORREF ArrowOverlayColor;
extern COLORREF AngleOverlayColor;
extern COLORREF RectOverlayColor;
extern COLORREF EllipseOverlayColor;
extern COLORREF PolyOverlayColor;
extern COLORREF PointOverlayColor;
extern COLORREF TextOverlayColor;

// While set, rectangles draw filled black (movie export).
extern int FillRectOverlays;
// 1 while a text overlay's dialog is open.
extern int TextDialogOpen;
// The font that measurement texts are burned into pixels with.
extern LOGFONT BurnTextFont;
