#include "OverLayGlobals.h"

#include <cstring>

int CurrentOverlayTool = OVERLAY_SELECT;
int CurrentOverlayMode = OVERLAY_MODE_IDLE;

COLORREF LineOverlayColor = 51200;
COLORREF ArrowOverlayColor = 51200;
COLORREF AngleOverlayColor = 51200;
COLORREF RectOverlayColor = 51200;
COLORREF EllipseOverlayColor = 51200;
COLORREF PolyOverlayColor = 51200;
COLORREF PointOverlayColor = 51200;
COLORREF TextOverlayColor = 51200;

int FillRectOverlays = 0;
int TextDialogOpen = 0;

namespace {

LOGFONT MakeBurnTextFont()
{
    LOGFONT font = {};
    font.lfHeight = -12;
    font.lfCharSet = 134;
    std::strcpy(font.lfFaceName, "Tahoma");
    return font;
}

}  // namespace

LOGFONT BurnTextFont = MakeBurnTextFont();
