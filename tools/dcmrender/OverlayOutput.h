// dcmrender's overlay options: the stored overlays as text and the image
// bits with the overlays burned in.
#pragma once

#include <vector>

#include "DcmImage.h"

// One "overlay=" line per overlay, each followed by its "measure=" lines,
// measured on the image as it is rotated and mirrored now.
void PrintOverlays(CDcmImage& image);

// The output of CDcmImage::GetImageBits; empty when it fails.
std::vector<BYTE> ImageBits(CDcmImage& image, bool withInfo, bool withOverlays);
