// Win32 rectangle functions. A rectangle contains its left and top edges
// but not its right and bottom ones; it is empty when it has no area.
#pragma once

#include "wintypes.h"

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rect);
BOOL CopyRect(LPRECT destination, LPCRECT source);
BOOL IsRectEmpty(LPCRECT rect);
BOOL EqualRect(LPCRECT a, LPCRECT b);
BOOL PtInRect(LPCRECT rect, POINT point);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
BOOL InflateRect(LPRECT rect, int dx, int dy);
// Both return FALSE and leave an empty result when nothing remains.
BOOL IntersectRect(LPRECT destination, LPCRECT a, LPCRECT b);
BOOL UnionRect(LPRECT destination, LPCRECT a, LPCRECT b);
