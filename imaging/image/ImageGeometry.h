// Resampling of a rectangle of an 8-bit, 16-bit or 24-bit buffer (no row
// padding) to a new size, by nearest, bilinear or bicubic interpolation.
#pragma once

#include "ImageProcess.h"

const DWORD GEOMETRY_NEAREST = 0x50100;
const DWORD GEOMETRY_BILINEAR = 0x50101;
const DWORD GEOMETRY_BICUBIC = 0x50102;

class IMVEXA_API CImageGeometry : public CImageProcess {
    DECLARE_DYNAMIC(CImageGeometry)
public:
    explicit CImageGeometry(DWORD method = GEOMETRY_BICUBIC);

    // Each returns 0, leaving dst untouched, when the source origin lies
    // outside the image or a size is not positive or too large.
    int ResampleRGB(const BYTE* src, int x, int y, int w, int h, int imageWidth, int imageHeight,
                    BYTE* dst, int dstWidth, int dstHeight);
    int ResampleGray16(const short* src, int x, int y, int w, int h, int imageWidth,
                       int imageHeight, short* dst, int dstWidth, int dstHeight);
    int ResampleGray16(const unsigned short* src, int x, int y, int w, int h, int imageWidth,
                       int imageHeight, unsigned short* dst, int dstWidth, int dstHeight);
    // Where columnMask is given and its entry for the source column is 0,
    // the destination pixel is 255.
    int ResampleGray8(const BYTE* src, int x, int y, int w, int h, int imageWidth, int imageHeight,
                      BYTE* dst, int dstWidth, int dstHeight, const BYTE* columnMask);
    // Cubic convolution weight (a = -1).
    static float BicubicWeight(float t);

    DWORD GetMethod() const { return m_dwMethod; }

protected:
    DWORD m_dwMethod;
};
