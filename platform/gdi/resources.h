// Bitmap resources. The program registers the bitmaps of its resource
// script (BMP file images) under their ids at start-up; LoadBitmap turns
// them into bitmaps compatible with the screen.
#pragma once

#include <cstddef>

#include "base/wintypes.h"

void PlatformAddBitmapResource(UINT id, const void* bmpFile, size_t size);
HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);
#define LoadBitmapA LoadBitmap
