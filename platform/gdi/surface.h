// Contract with the window layer. Every window draws onto a backing surface,
// a 32-bit top-down DIB section made with CreateDIBSection; the window layer
// presents that memory on screen.
//
// PlatformCreateSurfaceDC gives a DC that draws onto the surface the way a
// window DC does: the surface cannot be swapped out (SelectObject of a bitmap
// fails), clipping follows the usual region calls (in surface pixels, before
// the viewport offset), SetViewportOrgEx/OffsetViewportOrgEx shift a child's
// drawing, and DeleteDC frees the DC only, never the surface. A surface
// deleted with DeleteObject while a DC still draws on it stays allocated,
// unseen, until that DC is deleted. GetObject(surface, sizeof(BITMAP)) fills
// bmBits.
//
// CDC (gdi/afxgdi.h) offers AttachSurfaceDC/DetachSurfaceDC to its subclasses
// (CPaintDC, CClientDC) so that they own such a DC for their lifetime.
#pragma once

#include "base/wintypes.h"

HDC PlatformCreateSurfaceDC(HBITMAP surface);

// GetDC(hwnd) of a window asks the window layer through this function
// (registered once at start-up); ReleaseDC deletes what it gave.
void PlatformSetWindowDCSource(HDC (*source)(HWND));

// The virtual screen the desktop DC (GetDC(NULL)) draws onto.
HBITMAP PlatformScreenSurface();
