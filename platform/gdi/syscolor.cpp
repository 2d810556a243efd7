// System colours of the virtual desktop.
#include "gdi/gdiapi.h"

DWORD GetSysColor(int index)
{
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(212, 208, 200);
    default: return RGB(192, 192, 192);
    }
}
