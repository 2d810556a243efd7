#include "RasterImage.h"

#include <algorithm>
#include <cmath>

namespace {
struct Box {
    long left, bottom, right, top;
};
} // namespace

// Copies the source pixel at (sx, sy) and its alpha to (x, y) of dst; a
// position outside the source is left alone.
static void TakePixel(CRasterImage& src, long sx, long sy, CRasterImage& dst, long x, long y)
{
    if (!src.IsInside(sx, sy))
        return;
    if (src.IsIndexed())
        dst.SetPixelIndex(x, y, src.BlindGetPixelIndex(sx, sy));
    else
        dst.SetPixelColor(x, y, src.BlindGetPixelColor(sx, sy));
    if (src.AlphaIsValid())
        dst.AlphaSet(x, y, src.BlindAlphaGet(sx, sy));
}

// Visits every selected pixel (all of them without a selection mask), row
// by row, publishing progress and stopping at the escape.
template <class Visit> void CRasterImage::ForEachSelected(Visit visit)
{
    Box box = {0, 0, head.biWidth, head.biHeight};
    if (pSelection)
        box = {std::max(0L, long(info.rSelectionBox.left)), std::max(0L, long(info.rSelectionBox.bottom)),
               std::min(long(head.biWidth), long(info.rSelectionBox.right)),
               std::min(long(head.biHeight), long(info.rSelectionBox.top))};
    for (long y = box.bottom; y < box.top; y++) {
        if (!StepProgress(y - box.bottom, box.top - box.bottom))
            break;
        for (long x = box.left; x < box.right; x++)
            if (SelectionIsInside(x, y))
                visit(x, y);
    }
}

bool CRasterImage::Skew(float xgain, float ygain, long xpivot, long ypivot, bool bEnableInterpolation)
{
    if (!pDib)
        return false;
    CRasterImage tmp(*this, pSelection != nullptr, true, true);
    if (!tmp.IsValid())
        return false;
    if (!pSelection) {
        // Positions that fall outside the picture show the background.
        RGBQUAD bg = OutsideColor(OM_BACKGROUND, nullptr);
        tmp.Clear(head.biClrUsed ? tmp.GetNearestIndex(bg) : 0);
        if (!head.biClrUsed)
            for (long y = 0; y < head.biHeight; y++)
                for (long x = 0; x < head.biWidth; x++)
                    tmp.SetPixelColor(x, y, bg);
        tmp.AlphaClear();
    }
    ForEachSelected([&](long x, long y) {
        float sx = float(x) + xgain * float(y - ypivot);
        float sy = float(y) + ygain * float(x - xpivot);
        if (bEnableInterpolation)
            tmp.SetPixelColor(x, y, GetPixelColorInterpolated(sx, sy, IM_BILINEAR, OM_BACKGROUND), true);
        else
            TakePixel(*this, PixelOf(sx), PixelOf(sy), tmp, x, y);
    });
    return PutResult(tmp, nullptr);
}

namespace {
struct Circle {
    int type;
    long width, height, cx, cy;
    double radius, k;

    // The source position of pixel (x, y) at distance r from the centre.
    void Source(long x, long y, double r, double& sx, double& sy) const
    {
        double a = std::atan2(double(y - cy), double(x - cx)), nr = r;
        switch (type) {
        case 0: nr = r * r / radius; break;
        case 1: nr = std::sqrt(r * radius); break;
        case 2: a += r / k; break;
        case 3:
            sx = std::fabs(double(width) * a * 0.15915494580678602);
            sy = std::fabs(double(height) * r / radius);
            return;
        default:
            sx = double(x + (x % 32) - 16);
            sy = double(y);
            return;
        }
        sx = double(cx) + nr * std::cos(a);
        sy = double(cy) + nr * std::sin(a);
    }
};
} // namespace

bool CRasterImage::CircleTransform(int type, long rmax, float Koeff)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight, cx = width / 2, cy = height / 2;
    double radius = rmax ? double(rmax) : std::sqrt(double(cx) * cx + double(cy) * cy);
    Circle circle = {type < 0 ? 4 : type, width, height, cx, cy, radius, Koeff == 0.0f ? 1.0 : double(Koeff)};
    CRasterImage tmp(*this);
    if (!tmp.IsValid())
        return false;
    ForEachSelected([&](long x, long y) {
        double dx = double(x - cx), dy = double(y - cy);
        double r = std::sqrt(dx * dx + dy * dy), sx, sy;
        if (r >= radius)
            return;
        circle.Source(x, y, r, sx, sy);
        TakePixel(*this, PixelOf(std::trunc(sx)), PixelOf(std::trunc(sy)), tmp, x, y);
    });
    return PutResult(tmp, nullptr);
}
