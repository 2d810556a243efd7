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

static Box WorkBox(CRasterImage& img)
{
    if (!img.SelectionIsValid())
        return {0, 0, long(img.GetWidth()), long(img.GetHeight())};
    RECT r;
    img.SelectionGetBox(r);
    return {std::max(0L, long(r.left)), std::max(0L, long(r.bottom)), std::min(long(img.GetWidth()), long(r.right)),
            std::min(long(img.GetHeight()), long(r.top))};
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
    Box box = WorkBox(*this);
    for (long y = box.bottom; y < box.top; y++) {
        if (!StepProgress(y - box.bottom, box.top - box.bottom))
            break;
        for (long x = box.left; x < box.right; x++) {
            if (!SelectionIsInside(x, y))
                continue;
            float sx = float(x) + xgain * float(y - ypivot);
            float sy = float(y) + ygain * float(x - xpivot);
            if (bEnableInterpolation)
                tmp.SetPixelColor(x, y, GetPixelColorInterpolated(sx, sy, IM_BILINEAR, OM_BACKGROUND), true);
            else
                TakePixel(*this, PixelOf(sx), PixelOf(sy), tmp, x, y);
        }
    }
    return PutResult(tmp, nullptr);
}

bool CRasterImage::CircleTransform(int type, long rmax, float Koeff)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    long cx = width / 2, cy = height / 2;
    double radius = rmax ? double(rmax) : std::sqrt(double(cx) * cx + double(cy) * cy);
    double k = Koeff == 0.0f ? 1.0 : double(Koeff);
    CRasterImage tmp(*this);
    if (!tmp.IsValid())
        return false;
    Box box = WorkBox(*this);
    for (long y = box.bottom; y < box.top; y++) {
        if (!StepProgress(y - box.bottom, box.top - box.bottom))
            break;
        for (long x = box.left; x < box.right; x++) {
            if (!SelectionIsInside(x, y))
                continue;
            double dx = double(x - cx), dy = double(y - cy);
            double r = std::sqrt(dx * dx + dy * dy);
            if (r >= radius)
                continue;
            double a = std::atan2(dy, dx), nr = r;
            double sx, sy;
            switch (type) {
            case 0: nr = r * r / radius; break;
            case 1: nr = std::sqrt(r * radius); break;
            case 2: a += r / k; break;
            default: break;
            }
            if (type >= 0 && type <= 2) {
                sx = double(cx) + nr * std::cos(a);
                sy = double(cy) + nr * std::sin(a);
            } else if (type == 3) {
                sx = std::fabs(double(width) * a * 0.15915494580678602);
                sy = std::fabs(double(height) * r / radius);
            } else {
                sx = double(x + (x % 32) - 16);
                sy = double(y);
            }
            TakePixel(*this, PixelOf(std::trunc(sx)), PixelOf(std::trunc(sy)), tmp, x, y);
        }
    }
    return PutResult(tmp, nullptr);
}
