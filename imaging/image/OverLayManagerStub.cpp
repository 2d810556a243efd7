#include "OverLayManagerStub.h"

int CurrentOverlayTool = 0;
int CurrentOverlayMode = 3;

COLORREF LineOverlayColor = 51200;
COLORREF ArrowOverlayColor = 51200;
COLORREF AngleOverlayColor = 51200;
COLORREF RectOverlayColor = 51200;
COLORREF EllipseOverlayColor = 51200;
COLORREF PolyOverlayColor = 51200;
COLORREF PointOverlayColor = 51200;
COLORREF TextOverlayColor = 51200;
int FillRectOverlays = 0;
