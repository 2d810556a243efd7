// The blit engine: copies a source rectangle of a bitmap onto a target with
// scaling, mirroring, format conversion and a ternary raster operation.
#pragma once

#include "gdi/target.h"

namespace gdi {

struct BlitSource {
    const Bitmap* bitmap = nullptr;
    int x = 0, y = 0, width = 0, height = 0;  // top-down pixel coordinates; negative extents mirror
    bool hasBkColor = false;                   // colour-to-monochrome: this colour becomes 1
    COLORREF bkColor = 0;
};

// Destination rectangle in device coordinates; negative extents mirror.
bool blit(Target& t, int x, int y, int width, int height, const BlitSource& source, DWORD rop, int stretchMode);

}  // namespace gdi
