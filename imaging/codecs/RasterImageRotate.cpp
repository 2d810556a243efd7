#include "RasterImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static const long kBlock = 64;

// Copies pixel (sx, sy) of src to (dx, dy) of dst; same depth, both inside.
static void MovePixel(CRasterImage& src, long sx, long sy, CRasterImage& dst, long dx, long dy)
{
    switch (src.GetBpp()) {
    case 24:
        memcpy(dst.BlindGetPixelPointer(dx, dy), src.BlindGetPixelPointer(sx, sy), 3);
        break;
    case 8:
        dst.GetBits(DWORD(dy))[dx] = src.GetBits(DWORD(sy))[sx];
        break;
    default:
        dst.SetPixelIndex(dx, dy, src.BlindGetPixelIndex(sx, sy));
    }
    if (src.AlphaIsValid())
        dst.AlphaSet(dx, dy, src.BlindAlphaGet(sx, sy));
}

// Quarter turns walk the result in square blocks so that both images stay in cache.
bool CRasterImage::RotateQuarter(bool left, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    CRasterImage tmp;
    if (!NewResult(tmp, height, width))
        return false;
    for (long by = 0; by < width; by += kBlock) {
        if (!StepProgress(by, width))
            break;
        for (long bx = 0; bx < height; bx += kBlock) {
            long ey = std::min(by + kBlock, width), ex = std::min(bx + kBlock, height);
            for (long y = by; y < ey; y++)
                for (long x = bx; x < ex; x++) {
                    if (left)
                        MovePixel(*this, y, height - 1 - x, tmp, x, y);
                    else
                        MovePixel(*this, width - 1 - y, x, tmp, x, y);
                }
        }
    }
    return PutResult(tmp, iDst);
}

bool CRasterImage::RotateLeft(CRasterImage* iDst)
{
    return RotateQuarter(true, iDst);
}

bool CRasterImage::RotateRight(CRasterImage* iDst)
{
    return RotateQuarter(false, iDst);
}

bool CRasterImage::Rotate180(CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    CRasterImage tmp;
    if (!NewResult(tmp, width, height))
        return false;
    for (long y = 0; y < height; y++) {
        if (!StepProgress(y, height))
            break;
        for (long x = 0; x < width; x++)
            MovePixel(*this, x, y, tmp, width - 1 - x, height - 1 - y);
    }
    return PutResult(tmp, iDst);
}

namespace {
struct Turn {
    double cosA, sinA;
    CPointF Apply(double x, double y) const { return CPointF(float(x * cosA - y * sinA), float(x * sinA + y * cosA)); }
    CPointF Inverse(double x, double y) const { return CPointF(float(x * cosA + y * sinA), float(-x * sinA + y * cosA)); }
};

struct Bounds {
    double minX, minY, maxX, maxY;
};

// The box around the corners of a w x h picture turned about (cx, cy).
Bounds TurnedBounds(const Turn& t, double w, double h, double cx, double cy, bool floorCorners)
{
    const double xs[4] = {0, w, 0, w}, ys[4] = {0, 0, h, h};
    Bounds b = {1e300, 1e300, -1e300, -1e300};
    for (int i = 0; i < 4; i++) {
        CPointF p = t.Apply(xs[i] - cx, ys[i] - cy);
        // A hair of tolerance keeps exact right angles from gaining a row.
        double px = floorCorners ? std::floor(double(p.x) + 1e-3) : p.x;
        double py = floorCorners ? std::floor(double(p.y) + 1e-3) : p.y;
        b.minX = std::min(b.minX, px);
        b.maxX = std::max(b.maxX, px);
        b.minY = std::min(b.minY, py);
        b.maxY = std::max(b.maxY, py);
    }
    return b;
}
} // namespace

// Positive angles turn the picture clockwise on screen.
bool CRasterImage::Rotate(float angle, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    double rad = -double(angle) * M_PI / 180.0;
    Turn turn = {std::cos(rad), std::sin(rad)};
    long width = head.biWidth, height = head.biHeight;
    Bounds b = TurnedBounds(turn, width, height, 0, 0, true);
    double newW = b.maxX - b.minX, newH = b.maxY - b.minY;
    CRasterImage tmp;
    if (!NewResult(tmp, newW, newH))
        return false;
    tmp.AlphaClear();
    for (long y = 0; y < long(newH); y++) {
        if (!StepProgress(y, long(newH)))
            break;
        for (long x = 0; x < long(newW); x++) {
            CPointF s = turn.Inverse(x + 0.5 + b.minX, y + 0.5 + b.minY);
            long sx = PixelOf(s.x), sy = PixelOf(s.y);
            if (IsInside(sx, sy))
                MovePixel(*this, sx, sy, tmp, x, y);
        }
    }
    return PutResult(tmp, iDst);
}

// Uses an exact turn when the corners land within a quarter pixel of one.
static int RightAngleTurn(const Turn& turn, double w, double h)
{
    const double xs[4] = {-w / 2, w / 2, -w / 2, w / 2}, ys[4] = {-h / 2, -h / 2, h / 2, h / 2};
    const double exact[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    for (int k = 0; k < 4; k++) {
        Turn t = {exact[k][0], exact[k][1]};
        float worst = 0;
        for (int i = 0; i < 4; i++)
            worst = std::max(worst, turn.Apply(xs[i], ys[i]).Distance(t.Apply(xs[i], ys[i])));
        if (worst < 0.25f)
            return k;
    }
    return -1;
}

bool CRasterImage::Rotate2(float angle, CRasterImage* iDst, InterpolationMethod inMethod,
                           OverflowMethod ofMethod, RGBQUAD* replColor, bool optimizeRightAngles,
                           bool bKeepOriginalSize)
{
    if (!pDib)
        return false;
    double rad = -double(angle) * M_PI / 180.0;
    Turn turn = {std::cos(rad), std::sin(rad)};
    long width = head.biWidth, height = head.biHeight;
    if (!bKeepOriginalSize && optimizeRightAngles) {
        switch (RightAngleTurn(turn, width, height)) {
        case 0: {
            CRasterImage copy(*this, true, false, true);
            return copy.IsValid() && PutResult(copy, iDst);
        }
        case 1: return RotateRight(iDst);
        case 2: return Rotate180(iDst);
        case 3: return RotateLeft(iDst);
        default: break;
        }
    }
    double newW = width, newH = height;
    if (!bKeepOriginalSize) {
        Bounds b = TurnedBounds(turn, width, height, width / 2.0, height / 2.0, false);
        newW = std::floor(b.maxX - b.minX + 0.5);
        newH = std::floor(b.maxY - b.minY + 0.5);
    }
    CRasterImage tmp;
    if (!NewResult(tmp, newW, newH))
        return false;
    for (long y = 0; y < long(newH); y++) {
        if (!StepProgress(y, long(newH)))
            break;
        for (long x = 0; x < long(newW); x++) {
            CPointF s = turn.Inverse(x + 0.5 - newW / 2, y + 0.5 - newH / 2);
            RGBQUAD c = GetPixelColorInterpolated(float(s.x + width / 2.0 - 0.5), float(s.y + height / 2.0 - 0.5),
                                                  inMethod, ofMethod, replColor);
            tmp.SetPixelColor(x, y, c, true);
        }
    }
    return PutResult(tmp, iDst);
}

// The rectangle is given top-down from its top-left corner and turned
// counter-clockwise on screen by the angle (radians).
bool CRasterImage::CropRotatedRectangle(long topx, long topy, long width, long height, float angle,
                                        CRasterImage* iDst)
{
    // A corner that far out leaves no overlap with any image.
    if (!pDib || width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX || !std::isfinite(angle) ||
        topx > INT32_MAX || topx < -INT32_MAX || topy > INT32_MAX || topy < -INT32_MAX)
        return false;
    if (std::fabs(angle) < 0.0002f)
        return Crop(topx, topy, topx + width, topy + height, iDst);
    double c = std::cos(double(angle)), s = std::sin(double(angle));
    const double xs[4] = {0, double(width) * c, double(height) * s, double(width) * c + double(height) * s};
    const double ys[4] = {0, -double(width) * s, double(height) * c, -double(width) * s + double(height) * c};
    double minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
    double minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
    CRasterImage tmp;
    // The tolerance keeps exact right angles from gaining a row or column.
    auto down = [](double v) { return long(std::floor(v + 1e-6)); };
    auto up = [](double v) { return long(std::ceil(v - 1e-6)); };
    if (!Crop(down(topx + minX), down(topy + minY), up(topx + maxX), up(topy + maxY), &tmp))
        return false;
    if (!tmp.Rotate(float(double(angle) * 57.29577951308232))) {
        CopyLastError(tmp);
        return false;
    }
    long left = (long(tmp.GetWidth()) - width) / 2, top = (long(tmp.GetHeight()) - height) / 2;
    if (!tmp.Crop(left, top, left + width, top + height))
        return false;
    return PutResult(tmp, iDst);
}
