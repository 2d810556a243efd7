// Burns text into a pixel buffer with the process-wide burn font.
#pragma once

#include "base/base.h"

// The text's top-left lies near (x, y); pixels outside the buffer of
// rowWidth x rows are left alone. The text is UTF-8.
void RasteriseGlyphs(BYTE* pixels, int pixelType, int rowWidth, int rows, int x, int y, const CString& text);
