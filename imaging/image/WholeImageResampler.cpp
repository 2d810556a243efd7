#include "WholeImageResampler.h"

#include <cstring>

#include "ImageGeometry.h"

namespace {

template <class Pixel>
int CopyWhenSameSize(const Pixel* src, int width, int height, Pixel* dst, int dstWidth, int dstHeight,
                     int samples)
{
    if (src == nullptr || dst == nullptr || width != dstWidth || height != dstHeight || width < 1 || height < 1)
        return 0;
    std::memcpy(dst, src, size_t(width) * size_t(height) * size_t(samples) * sizeof(Pixel));
    return 1;
}

template <class Value>
int Gray16Of(const Value* src, int width, int height, Value* dst, int dstWidth, int dstHeight)
{
    if (CopyWhenSameSize(src, width, height, dst, dstWidth, dstHeight, 1))
        return 1;
    CImageGeometry geometry;
    return geometry.ResampleGray16(src, 0, 0, width, height, width, height, dst, dstWidth, dstHeight);
}

}  // namespace

int WholeImageResampler::Gray8(const BYTE* src, int width, int height, BYTE* dst, int dstWidth, int dstHeight)
{
    return Gray8Region(src, 0, 0, width, height, width, height, dst, dstWidth, dstHeight);
}

int WholeImageResampler::Gray8Region(const BYTE* src, int x, int y, int w, int h, int imageWidth, int imageHeight,
                                     BYTE* dst, int dstWidth, int dstHeight)
{
    if (x == 0 && y == 0 && w == imageWidth && h == imageHeight &&
        CopyWhenSameSize(src, w, h, dst, dstWidth, dstHeight, 1))
        return 1;
    CImageGeometry geometry;
    return geometry.ResampleGray8(src, x, y, w, h, imageWidth, imageHeight, dst, dstWidth, dstHeight, nullptr);
}

int WholeImageResampler::Rgb(const BYTE* src, int width, int height, BYTE* dst, int dstWidth, int dstHeight)
{
    if (CopyWhenSameSize(src, width, height, dst, dstWidth, dstHeight, 3))
        return 1;
    CImageGeometry geometry;
    return geometry.ResampleRGB(src, 0, 0, width, height, width, height, dst, dstWidth, dstHeight);
}

int WholeImageResampler::Gray16(const short* src, int width, int height, short* dst, int dstWidth, int dstHeight)
{
    return Gray16Of(src, width, height, dst, dstWidth, dstHeight);
}

int WholeImageResampler::Gray16(const unsigned short* src, int width, int height, unsigned short* dst, int dstWidth,
                                int dstHeight)
{
    return Gray16Of(src, width, height, dst, dstWidth, dstHeight);
}
