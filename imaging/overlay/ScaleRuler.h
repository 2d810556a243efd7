// The vertical centimetre ruler drawn beside an image.
#pragma once

#include "base/base.h"
#include "gdi/gdi.h"

// spacing: mm per image pixel; scale: window pixels per image pixel;
// length: window pixels available for the ruler.
void DrawScaleRuler(CDC* dc, int x, int y, int length, float scale, float spacing);
