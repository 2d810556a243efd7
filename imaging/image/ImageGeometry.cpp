#include "ImageGeometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ImageLimits.h"

PLATFORM_IMPLEMENT_RUNTIMECLASS(CImageGeometry, CImageProcess, 0, nullptr)

namespace {

const DWORD kResampleCode = 0x50001;

// Source indexes and weights that make up one destination column (or row).
struct Taps {
    int centre;
    int index[4];
    float weight[4];
};

struct Request {
    int x, y, w, h, imageWidth, imageHeight, dstWidth, dstHeight;
};

bool Valid(const void* src, const void* dst, const Request& r, int bytesPerPixel)
{
    if (src == nullptr || dst == nullptr || r.x < 0 || r.y < 0 || r.x > r.imageWidth - 1 ||
        r.y > r.imageHeight - 1)
        return false;
    return std::min(r.w, r.imageWidth - r.x) >= 1 && std::min(r.h, r.imageHeight - r.y) >= 1 &&
           ImageLimits::BlockBytes(r.imageWidth, r.imageHeight, bytesPerPixel) != 0 &&
           ImageLimits::BlockBytes(r.dstWidth, r.dstHeight, bytesPerPixel) != 0;
}

// Taps of every destination position along one axis: position i samples at
// origin + i x step, the fraction weighting the neighbours, which repeat the
// edge past either end of the image.
std::vector<Taps> AxisTaps(DWORD method, int origin, int length, int imageLength, int count)
{
    const float step = static_cast<float>(length) / static_cast<float>(count);
    const int last = imageLength - 1;
    std::vector<Taps> taps(count);
    for (int i = 0; i < count; ++i) {
        const float f = static_cast<float>(i) * step;
        const int whole = static_cast<int>(f);
        const float frac = f - static_cast<float>(whole);
        const int c = std::min(whole + origin, last);
        Taps& t = taps[i];
        t.centre = c;
        std::fill(std::begin(t.weight), std::end(t.weight), 0.0f);
        std::fill(std::begin(t.index), std::end(t.index), c);
        if (method == GEOMETRY_NEAREST) {
            t.weight[0] = 1.0f;
        } else if (method == GEOMETRY_BILINEAR) {
            t.index[1] = c + 1 > last ? c : c + 1;
            t.weight[0] = 1.0f - frac;
            t.weight[1] = frac;
        } else {
            t.index[0] = c == 0 ? c : c - 1;
            t.index[2] = c + 1 > last ? c : c + 1;
            t.index[3] = c + 2 > last ? t.index[2] : c + 2;
            t.weight[0] = CImageGeometry::BicubicWeight(1.0f + frac);
            t.weight[1] = CImageGeometry::BicubicWeight(frac);
            t.weight[2] = CImageGeometry::BicubicWeight(1.0f - frac);
            t.weight[3] = CImageGeometry::BicubicWeight(2.0f - frac);
        }
    }
    return taps;
}

int TapCount(DWORD method)
{
    return method == GEOMETRY_NEAREST ? 1 : method == GEOMETRY_BILINEAR ? 2 : 4;
}

inline BYTE ToByte(double v)
{
    return static_cast<BYTE>(std::clamp(v, 0.0, 255.0));
}

// Overshoot of the cubic must not wrap round.
inline short ToShort(double v)
{
    return static_cast<short>(std::clamp(v, -32768.0, 32767.0));
}

inline unsigned short ToUnsignedShort(double v)
{
    return static_cast<unsigned short>(std::clamp(v, 0.0, 65535.0));
}

// value = sum over columns of wx x (sum over rows of wy x P): the row sums of
// one destination row are the same for every destination column, so they are
// formed once per source column.
template <typename Pixel, int Channels, typename Store>
void Resample(DWORD method, const Pixel* src, const Request& r, Store store)
{
    const int taps = TapCount(method);
    const std::vector<Taps> columns = AxisTaps(method, r.x, std::min(r.w, r.imageWidth - r.x), r.imageWidth, r.dstWidth);
    const std::vector<Taps> rows = AxisTaps(method, r.y, std::min(r.h, r.imageHeight - r.y), r.imageHeight, r.dstHeight);
    const int firstColumn = columns.front().index[0];
    int lastColumn = firstColumn;
    for (const Taps& t : columns)
        lastColumn = std::max({lastColumn, t.index[0], t.index[taps - 1]});
    std::vector<float> rowSums(static_cast<size_t>(lastColumn - firstColumn + 1) * Channels);
    const size_t stride = static_cast<size_t>(r.imageWidth) * Channels;
    for (int j = 0; j < r.dstHeight; ++j) {
        const Taps& ty = rows[j];
        for (int column = firstColumn; column <= lastColumn; ++column)
            for (int k = 0; k < Channels; ++k) {
                const Pixel* p = src + static_cast<size_t>(column) * Channels + k;
                float sum = 0.0f;
                for (int t = 0; t < taps; ++t)
                    sum += ty.weight[t] * static_cast<float>(p[ty.index[t] * stride]);
                rowSums[static_cast<size_t>(column - firstColumn) * Channels + k] = sum;
            }
        for (int i = 0; i < r.dstWidth; ++i) {
            const Taps& tx = columns[i];
            for (int k = 0; k < Channels; ++k) {
                double value = 0.0;
                for (int t = 0; t < taps; ++t)
                    value += static_cast<double>(tx.weight[t]) *
                             rowSums[static_cast<size_t>(tx.index[t] - firstColumn) * Channels + k];
                store(j, i, k, tx.centre, value);
            }
        }
    }
}

}  // namespace


CImageGeometry::CImageGeometry(DWORD method) : m_dwMethod(method)
{
    m_dwProcessCode = 0x50000;
}

float CImageGeometry::BicubicWeight(float t)
{
    const float u = std::fabs(t);
    if (u < 1.0f)
        return 1.0f - 2.0f * u * u + u * u * u;
    if (u < 2.0f)
        return 4.0f - 8.0f * u + 5.0f * u * u - u * u * u;
    return 0.0f;
}

int CImageGeometry::ResampleRGB(const BYTE* src, int x, int y, int w, int h, int imageWidth,
                                int imageHeight, BYTE* dst, int dstWidth, int dstHeight)
{
    const Request r{x, y, w, h, imageWidth, imageHeight, dstWidth, dstHeight};
    if (!Valid(src, dst, r, 3))
        return 0;
    m_dwProcessCode = kResampleCode;
    Resample<BYTE, 3>(m_dwMethod, src, r, [&](int j, int i, int k, int, double v) {
        dst[(static_cast<size_t>(j) * dstWidth + i) * 3 + k] = ToByte(v);
    });
    return 1;
}

int CImageGeometry::ResampleGray16(const short* src, int x, int y, int w, int h, int imageWidth,
                                   int imageHeight, short* dst, int dstWidth, int dstHeight)
{
    const Request r{x, y, w, h, imageWidth, imageHeight, dstWidth, dstHeight};
    if (!Valid(src, dst, r, 2))
        return 0;
    m_dwProcessCode = kResampleCode;
    Resample<short, 1>(m_dwMethod, src, r, [&](int j, int i, int, int, double v) {
        dst[static_cast<size_t>(j) * dstWidth + i] = ToShort(v);
    });
    return 1;
}

int CImageGeometry::ResampleGray16(const unsigned short* src, int x, int y, int w, int h, int imageWidth,
                                   int imageHeight, unsigned short* dst, int dstWidth, int dstHeight)
{
    const Request r{x, y, w, h, imageWidth, imageHeight, dstWidth, dstHeight};
    if (!Valid(src, dst, r, 2))
        return 0;
    m_dwProcessCode = kResampleCode;
    Resample<unsigned short, 1>(m_dwMethod, src, r, [&](int j, int i, int, int, double v) {
        dst[static_cast<size_t>(j) * dstWidth + i] = ToUnsignedShort(v);
    });
    return 1;
}

int CImageGeometry::ResampleGray8(const BYTE* src, int x, int y, int w, int h, int imageWidth,
                                  int imageHeight, BYTE* dst, int dstWidth, int dstHeight,
                                  const BYTE* columnMask)
{
    const Request r{x, y, w, h, imageWidth, imageHeight, dstWidth, dstHeight};
    if (!Valid(src, dst, r, 1))
        return 0;
    m_dwProcessCode = kResampleCode;
    Resample<BYTE, 1>(m_dwMethod, src, r, [&](int j, int i, int, int column, double v) {
        const bool masked = columnMask != nullptr && columnMask[column] == 0;
        dst[static_cast<size_t>(j) * dstWidth + i] = masked ? 255 : ToByte(v);
    });
    return 1;
}
