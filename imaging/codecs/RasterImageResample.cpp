#include "RasterImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
// One source column or row with its share of a destination pixel, in 1/1000.
struct Share {
    long index;
    long weight;
};

// The source cells that [start, start + span) covers, with their shares.
std::vector<Share> Shares(double start, double span, long limit)
{
    std::vector<Share> out;
    double end = start + span;
    for (long i = long(std::floor(start)); i < end && i < limit; i++) {
        double part = std::min(end, double(i + 1)) - std::max(start, double(i));
        long w = long(part * 1000.0 + 0.5);
        if (w > 0 && i >= 0)
            out.push_back({i, w});
    }
    return out;
}
} // namespace

bool CRasterImage::ResampleArea(CRasterImage& tmp, float xScale, float yScale)
{
    long newx = long(tmp.GetWidth()), newy = long(tmp.GetHeight());
    std::vector<std::vector<Share>> columns(static_cast<size_t>(newx));
    for (long x = 0; x < newx; x++)
        columns[size_t(x)] = Shares(double(x) * xScale, xScale, head.biWidth);
    for (long y = 0; y < newy; y++) {
        if (!StepProgress(y, newy))
            return false;
        std::vector<Share> rows = Shares(double(y) * yScale, yScale, head.biHeight);
        BYTE* dst = tmp.GetBits(DWORD(y));
        for (long x = 0; x < newx; x++) {
            uint64_t b = 0, g = 0, r = 0, a = 0, total = 0;
            for (const Share& row : rows) {
                const BYTE* src = GetBits(DWORD(row.index));
                for (const Share& col : columns[size_t(x)]) {
                    uint64_t w = uint64_t(row.weight) * uint64_t(col.weight);
                    const BYTE* p = src + size_t(col.index) * 3;
                    b += p[0] * w;
                    g += p[1] * w;
                    r += p[2] * w;
                    if (pAlpha)
                        a += BlindAlphaGet(col.index, row.index) * w;
                    total += w;
                }
            }
            if (total == 0)
                total = 1;
            dst[3 * x] = BYTE((b + total / 2) / total);
            dst[3 * x + 1] = BYTE((g + total / 2) / total);
            dst[3 * x + 2] = BYTE((r + total / 2) / total);
            if (pAlpha)
                tmp.AlphaSet(x, y, BYTE((a + total / 2) / total));
        }
    }
    return true;
}

bool CRasterImage::ResamplePoint(CRasterImage& tmp, int mode, float xScale, float yScale)
{
    long newx = long(tmp.GetWidth()), newy = long(tmp.GetHeight());
    for (long y = 0; y < newy; y++) {
        if (!StepProgress(y, newy))
            return false;
        for (long x = 0; x < newx; x++) {
            if (mode == 1) {
                long sx = std::min(long(float(x) * xScale), long(head.biWidth) - 1);
                long sy = std::min(long(float(y) * yScale), long(head.biHeight) - 1);
                if (head.biClrUsed)
                    tmp.SetPixelIndex(x, y, BlindGetPixelIndex(sx, sy));
                else
                    tmp.SetPixelColor(x, y, BlindGetPixelColor(sx, sy), true);
                if (pAlpha && head.biClrUsed)
                    tmp.AlphaSet(x, y, BlindAlphaGet(sx, sy));
                continue;
            }
            RGBQUAD c = mode == 2 ? GetPixelColorInterpolated(float(x) * xScale, float(y) * yScale, IM_BSPLINE, OM_REPEAT)
                                  : GetPixelColorInterpolated(float(x) * xScale - 0.5f, float(y) * yScale - 0.5f,
                                                              IM_BILINEAR, OM_REPEAT);
            tmp.SetPixelColor(x, y, c, true);
        }
    }
    return true;
}

bool CRasterImage::Resample(long newx, long newy, int mode, CRasterImage* iDst)
{
    if (!pDib || newx <= 0 || newy <= 0)
        return false;
    if (newx == head.biWidth && newy == head.biHeight) {
        if (iDst)
            *iDst = *this;
        return true;
    }
    float xScale = float(head.biWidth) / float(newx), yScale = float(head.biHeight) / float(newy);
    CRasterImage tmp;
    if (!NewResult(tmp, newx, newy))
        return false;
    if (mode != 1 && mode != 2 && head.biBitCount == 24 && xScale > 1 && yScale > 1) {
        ResampleArea(tmp, xScale, yScale);
    } else {
        ResamplePoint(tmp, mode, xScale, yScale);
    }
    return PutResult(tmp, iDst);
}

bool CRasterImage::Resample2(long newx, long newy, InterpolationMethod inMethod, OverflowMethod ofMethod,
                             CRasterImage* iDst, bool disableAveraging)
{
    if (!pDib || newx <= 0 || newy <= 0)
        return false;
    float xScale = float(head.biWidth) / float(newx), yScale = float(head.biHeight) / float(newy);
    bool averaging = !disableAveraging && (xScale > 1 || yScale > 1);
    CRasterImage tmp;
    if (!NewResult(tmp, newx, newy))
        return false;
    for (long y = 0; y < newy; y++) {
        if (!StepProgress(y, newy))
            break;
        float sy = (float(y) + 0.5f) * yScale - 0.5f;
        for (long x = 0; x < newx; x++) {
            float sx = (float(x) + 0.5f) * xScale - 0.5f;
            RGBQUAD c = averaging ? GetAreaColorInterpolated(sx, sy, xScale, yScale, inMethod, ofMethod)
                                  : GetPixelColorInterpolated(sx, sy, inMethod, ofMethod);
            tmp.SetPixelColor(x, y, c, true);
        }
    }
    return PutResult(tmp, iDst);
}

namespace {
// Per-destination-column sums of one band of source rows.
struct ShrinkBand {
    std::vector<uint64_t> b, g, r, a, n;
    explicit ShrinkBand(size_t w) : b(w), g(w), r(w), a(w), n(w) {}
    void Reset()
    {
        for (auto* v : {&b, &g, &r, &a, &n})
            std::fill(v->begin(), v->end(), 0);
    }
};
} // namespace

bool CRasterImage::QIShrink(long newx, long newy, CRasterImage* iDst)
{
    if (!pDib || newx <= 0 || newy <= 0)
        return false;
    long width = head.biWidth, height = head.biHeight;
    if (newx > width || newy > height) {
        SetLastError("QIShrink can't enlarge image");
        return false;
    }
    if (newx == width && newy == height) {
        if (iDst)
            *iDst = *this;
        return true;
    }
    CRasterImage tmp;
    if (!NewResult(tmp, newx, newy))
        return false;
    ShrinkBand band{size_t(newx)};
    for (long y = 0; y < height; y++) {
        if (!StepProgress(y, height))
            break;
        for (long x = 0; x < width; x++) {
            size_t col = size_t(int64_t(x) * newx / width);
            RGBQUAD c = BlindGetPixelColor(x, y);
            band.b[col] += c.rgbBlue;
            band.g[col] += c.rgbGreen;
            band.r[col] += c.rgbRed;
            band.a[col] += pAlpha ? BlindAlphaGet(x, y) : 0;
            band.n[col]++;
        }
        long row = long(int64_t(y) * newy / height);
        if (y + 1 < height && long(int64_t(y + 1) * newy / height) == row)
            continue;
        for (long x = 0; x < newx; x++) {
            uint64_t n = band.n[size_t(x)];
            RGBQUAD c = {BYTE(band.b[size_t(x)] / n), BYTE(band.g[size_t(x)] / n), BYTE(band.r[size_t(x)] / n),
                         BYTE(band.a[size_t(x)] / n)};
            tmp.SetPixelColor(x, row, c, true);
        }
        band.Reset();
    }
    return PutResult(tmp, iDst);
}

bool CRasterImage::Thumbnail(long newx, long newy, RGBQUAD canvascolor, CRasterImage* iDst)
{
    if (!pDib || newx <= 0 || newy <= 0)
        return false;
    CRasterImage tmp(*this);
    if (!tmp.IsValid())
        return false;
    long width = head.biWidth, height = head.biHeight;
    if (width > newx || height > newy) {
        float f = double(height) * double(newx) / double(newy) <= double(width) ? float(newx) / float(width)
                                                          : float(newy) / float(height);
        long w = std::max(1L, long(float(width) * f)), h = std::max(1L, long(float(height) * f));
        if (!tmp.Resample(std::min(w, newx), std::min(h, newy), 0)) {
            CopyLastError(tmp);
            return false;
        }
    }
    if (!tmp.Expand(newx, newy, canvascolor)) {
        CopyLastError(tmp);
        return false;
    }
    return PutResult(tmp, iDst);
}
