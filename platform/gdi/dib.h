// Reading caller-supplied DIB headers and converting rows between formats.
#pragma once

#include <memory>

#include "gdi/objects.h"

namespace gdi {

// A bitmap description from a BITMAPINFO; with bits, a non-owning view of
// the caller's rows (bitsSize bounds what may be read).
std::shared_ptr<Bitmap> dibFromInfo(const BITMAPINFO* info, UINT usage, HDC dc, const void* bits);

// The standard colour table GDI gives an uncoloured format.
std::vector<RGBQUAD> defaultColors(int bpp);

// Copies row sy of src into row dy of dst, converting the format (widths
// must agree).
void convertRow(const Bitmap& src, int sy, Bitmap& dst, int dy);

}  // namespace gdi
