// The play and pause button faces as bitmap resources 8001 to 8004.
#pragma once

#include "gdi/gdi.h"

void RegisterPlayFaces();
// Copies a bitmap resource to (0, 0) of dc, unscaled and clipped to the
// given size; false when the resource is missing or malformed.
bool DrawBitmapResource(CDC* dc, UINT id, int width, int height);
