// The corner text of an image, shared by the image's and the window's
// drawing: the ruler's scale is rulerHeight window pixels per display height.
#pragma once

#include "ImagePlatform.h"

class CDcmImage;

void DrawImageInfoText(CDC* dc, CDcmImage* image, const CRect& area, int rulerHeight);
