#pragma once

#include "wintypes.h"

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int width, int height) : SIZE{width, height} {}
    CSize(SIZE size) : SIZE(size) {}
    explicit CSize(POINT point) : SIZE{point.x, point.y} {}
    explicit CSize(DWORD packed) : SIZE{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))} {}

    BOOL operator==(SIZE other) const { return cx == other.cx && cy == other.cy; }
    BOOL operator!=(SIZE other) const { return !(*this == other); }
    void operator+=(SIZE other) { cx += other.cx; cy += other.cy; }
    void operator-=(SIZE other) { cx -= other.cx; cy -= other.cy; }
    CSize operator+(SIZE other) const { return CSize(cx + other.cx, cy + other.cy); }
    CSize operator-(SIZE other) const { return CSize(cx - other.cx, cy - other.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }
};
