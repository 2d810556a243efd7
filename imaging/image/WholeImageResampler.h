// Scales a whole buffer, or a region of it, (rows top-down) to a new size with the image
// filters' resampler. Equal sizes copy the pixels unchanged.
#pragma once

#include "ImagePlatform.h"

class WholeImageResampler {
public:
    static int Gray8(const BYTE* src, int width, int height, BYTE* dst, int dstWidth, int dstHeight);
    // The region (x, y, w, h) of an image of imageWidth x imageHeight.
    static int Gray8Region(const BYTE* src, int x, int y, int w, int h, int imageWidth, int imageHeight, BYTE* dst,
                           int dstWidth, int dstHeight);
    static int Rgb(const BYTE* src, int width, int height, BYTE* dst, int dstWidth, int dstHeight);
    static int Gray16(const short* src, int width, int height, short* dst, int dstWidth, int dstHeight);
    static int Gray16(const unsigned short* src, int width, int height, unsigned short* dst, int dstWidth,
                      int dstHeight);
};
