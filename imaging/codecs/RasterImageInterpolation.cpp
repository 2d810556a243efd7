#include "RasterImage.h"

#include <algorithm>
#include <cmath>

// Beyond the widest image; positions are kept inside this range so that
// their integer parts stay defined.
static const float kFar = 4e9f;

// The pixel holding position v, rounded down; positions far out, or not a
// number, give a column that no image has.
long CRasterImage::PixelOf(double v)
{
    if (std::isnan(v))
        return -2 * long(kFar);
    return long(std::floor(std::clamp(v, -double(kFar), double(kFar))));
}

static long WrapCoordinate(long c, long size, CRasterImage::OverflowMethod method)
{
    switch (method) {
    case CRasterImage::OM_WRAP:
        c %= size;
        return c < 0 ? c + size : c;
    case CRasterImage::OM_REPEAT:
        return c < 0 ? 0 : (c >= size ? size - 1 : c);
    case CRasterImage::OM_MIRROR:
        if (c < 0)
            return (-c) % size;
        return c >= size ? size - (c % size) - 1 : c;
    default:
        return c;
    }
}

static float WrapCoordinate(float c, float size, CRasterImage::OverflowMethod method)
{
    switch (method) {
    case CRasterImage::OM_WRAP:
        c = std::fmod(c, size);
        return c < 0 ? c + size : c;
    case CRasterImage::OM_REPEAT:
        return c < 0 ? 0 : (c > size - 1 ? size - 1 : c);
    case CRasterImage::OM_MIRROR:
        if (c < 0)
            return std::fmod(-c, size);
        return c >= size ? size - (std::fmod(c, size) + 1) : c;
    default:
        return c;
    }
}

void CRasterImage::OverflowCoordinates(long& x, long& y, OverflowMethod const ofMethod)
{
    if (IsInside(x, y) || head.biWidth <= 0 || head.biHeight <= 0)
        return;
    x = WrapCoordinate(x, long(head.biWidth), ofMethod);
    y = WrapCoordinate(y, long(head.biHeight), ofMethod);
}

void CRasterImage::OverflowCoordinates(float& x, float& y, OverflowMethod const ofMethod)
{
    if ((x >= 0 && y >= 0 && x < head.biWidth && y < head.biHeight) || head.biWidth <= 0 ||
        head.biHeight <= 0)
        return;
    x = WrapCoordinate(x, float(head.biWidth), ofMethod);
    y = WrapCoordinate(y, float(head.biHeight), ofMethod);
}

RGBQUAD CRasterImage::OutsideColor(OverflowMethod ofMethod, RGBQUAD* rplColor)
{
    RGBQUAD color = {255, 255, 255, 0};
    if (rplColor)
        color = *rplColor;
    if (ofMethod == OM_BACKGROUND && info.nBkgndIndex >= 0) {
        if (head.biBitCount == 24)
            return info.nBkgndColor;
        return GetPaletteColor(BYTE(info.nBkgndIndex));
    }
    if (ofMethod == OM_TRANSPARENT) {
        if (pAlpha) {
            color.rgbReserved = 0;
            return color;
        }
        if (info.nBkgndIndex >= 0)
            return GetTransColor();
    }
    return color;
}

RGBQUAD CRasterImage::GetPixelColorWithOverflow(long x, long y, OverflowMethod const ofMethod,
                                                RGBQUAD* const rplColor)
{
    if (pDib && IsInside(x, y))
        return BlindGetPixelColor(x, y);
    if (pDib && (ofMethod == OM_WRAP || ofMethod == OM_REPEAT || ofMethod == OM_MIRROR)) {
        OverflowCoordinates(x, y, ofMethod);
        return BlindGetPixelColor(x, y);
    }
    return OutsideColor(ofMethod, rplColor);
}

// True when the support from (x0, y0) to (x1, y1) misses the image and the
// overflow method gives one flat colour there.
bool CRasterImage::SupportOutside(long x0, long y0, long x1, long y1, OverflowMethod ofMethod) const
{
    if (ofMethod != 0 && ofMethod != OM_COLOR && ofMethod != OM_BACKGROUND && ofMethod != OM_TRANSPARENT)
        return false;
    return x1 < 0 || y1 < 0 || x0 >= head.biWidth || y0 >= head.biHeight;
}

RGBQUAD CRasterImage::GetPixelColorInterpolated(float x, float y, InterpolationMethod const inMethod,
                                                OverflowMethod const ofMethod, RGBQUAD* const rplColor)
{
    if (!pDib || !std::isfinite(x) || !std::isfinite(y))
        return OutsideColor(ofMethod, rplColor);
    if (!(std::fabs(x) < kFar && std::fabs(y) < kFar)) {
        OverflowCoordinates(x, y, ofMethod);
        if (!(std::fabs(x) < kFar && std::fabs(y) < kFar))
            return OutsideColor(ofMethod, rplColor);
    }
    if (inMethod == IM_NEAREST_NEIGHBOUR)
        return GetPixelColorWithOverflow(PixelOf(x + 0.5f), PixelOf(y + 0.5f), ofMethod, rplColor);
    if (inMethod >= IM_BSPLINE && inMethod <= IM_CATROM)
        return KernelInterpolated(x, y, inMethod, ofMethod, rplColor);
    return BilinearInterpolated(x, y, ofMethod, rplColor);
}

RGBQUAD CRasterImage::BilinearInterpolated(float x, float y, OverflowMethod ofMethod, RGBQUAD* rplColor)
{
    long xi = long(std::floor(x)), yi = long(std::floor(y));
    if (SupportOutside(xi, yi, xi + 1, yi + 1, ofMethod))
        return GetPixelColorWithOverflow(-999, -999, ofMethod, rplColor);
    OverflowCoordinates(x, y, ofMethod);
    xi = long(std::floor(x));
    yi = long(std::floor(y));
    // Weights in 1/65536 so that the four always add up exactly.
    long fx = long((x - float(xi)) * 256.0f), fy = long((y - float(yi)) * 256.0f);
    long w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    RGBQUAD c[4];
    bool inside = xi >= 0 && yi >= 0 && xi + 1 < head.biWidth && yi + 1 < head.biHeight;
    for (int i = 0; i < 4; i++) {
        long px = xi + (i & 1), py = yi + (i >> 1);
        c[i] = inside ? BlindGetPixelColor(px, py) : GetPixelColorWithOverflow(px, py, ofMethod, rplColor);
    }
    long b = 32768, g = 32768, r = 32768, a = 32768;
    for (int i = 0; i < 4; i++) {
        b += c[i].rgbBlue * w[i];
        g += c[i].rgbGreen * w[i];
        r += c[i].rgbRed * w[i];
        a += c[i].rgbReserved * w[i];
    }
    return RGBQUAD{BYTE(b >> 16), BYTE(g >> 16), BYTE(r >> 16), BYTE(a >> 16)};
}

typedef float (*KernelFunction)(float);

static float LanczosSix(float x)
{
    return CRasterImage::KernelLanczosSinc(x, 6.0f);
}

static float GeneralizedCubicHalf(float x)
{
    return CRasterImage::KernelGeneralizedCubic(x, -0.5f);
}

static KernelFunction KernelOf(CRasterImage::InterpolationMethod method)
{
    switch (method) {
    case CRasterImage::IM_BSPLINE: return CRasterImage::KernelBSpline;
    case CRasterImage::IM_BICUBIC: return CRasterImage::KernelCubic;
    case CRasterImage::IM_BICUBIC2: return GeneralizedCubicHalf;
    case CRasterImage::IM_LANCZOS: return LanczosSix;
    case CRasterImage::IM_BOX: return CRasterImage::KernelBox;
    case CRasterImage::IM_HERMITE: return CRasterImage::KernelHermite;
    case CRasterImage::IM_HAMMING: return CRasterImage::KernelHamming;
    case CRasterImage::IM_SINC: return CRasterImage::KernelSinc;
    case CRasterImage::IM_BLACKMAN: return CRasterImage::KernelBlackman;
    case CRasterImage::IM_BESSEL: return CRasterImage::KernelBessel;
    case CRasterImage::IM_GAUSSIAN: return CRasterImage::KernelGaussian;
    case CRasterImage::IM_QUADRATIC: return CRasterImage::KernelQuadratic;
    case CRasterImage::IM_MITCHELL: return CRasterImage::KernelMitchell;
    default: return CRasterImage::KernelCatrom;
    }
}

static BYTE ClampToByte(float v)
{
    return v <= 0.0f ? 0 : (v >= 255.0f ? 255 : BYTE(v + 0.5f));
}

RGBQUAD CRasterImage::KernelInterpolated(float x, float y, InterpolationMethod inMethod,
                                         OverflowMethod ofMethod, RGBQUAD* rplColor)
{
    // Offsets of the support around the rounded-down position.
    long lo = inMethod == IM_LANCZOS ? -5 : -1, hi = inMethod == IM_LANCZOS ? 6 : 2;
    long xi = long(std::floor(x)), yi = long(std::floor(y));
    if (SupportOutside(xi + lo, yi + lo, xi + hi, yi + hi, ofMethod))
        return GetPixelColorWithOverflow(-999, -999, ofMethod, rplColor);
    OverflowCoordinates(x, y, ofMethod);
    xi = long(std::floor(x));
    yi = long(std::floor(y));
    KernelFunction kernel = KernelOf(inMethod);
    float wx[12], wy[12];
    int n = int(hi - lo + 1);
    for (int i = 0; i < n; i++) {
        wx[i] = kernel(float(xi + lo + i) - x);
        wy[i] = kernel(float(yi + lo + i) - y);
    }
    bool inside = xi + lo >= 0 && yi + lo >= 0 && xi + hi < head.biWidth && yi + hi < head.biHeight;
    float b = 0, g = 0, r = 0, a = 0;
    for (int j = 0; j < n; j++) {
        long py = yi + lo + j;
        float rb = 0, rg = 0, rr = 0, ra = 0;
        if (inside && !head.biClrUsed && !pAlpha) {
            const BYTE* p = info.pImage + size_t(py) * info.dwEffWidth + size_t(xi + lo) * 3;
            for (int i = 0; i < n; i++, p += 3) {
                rb += p[0] * wx[i];
                rg += p[1] * wx[i];
                rr += p[2] * wx[i];
            }
        } else {
            for (int i = 0; i < n; i++) {
                long px = xi + lo + i;
                RGBQUAD c = inside ? BlindGetPixelColor(px, py)
                                   : GetPixelColorWithOverflow(px, py, ofMethod, rplColor);
                rb += c.rgbBlue * wx[i];
                rg += c.rgbGreen * wx[i];
                rr += c.rgbRed * wx[i];
                ra += c.rgbReserved * wx[i];
            }
        }
        b += rb * wy[j];
        g += rg * wy[j];
        r += rr * wy[j];
        a += ra * wy[j];
    }
    return RGBQUAD{ClampToByte(b), ClampToByte(g), ClampToByte(r), ClampToByte(a)};
}

void CRasterImage::AddAveragingCont(RGBQUAD const& color, float const surf, float& rr, float& gg, float& bb,
                                    float& aa)
{
    rr += color.rgbRed * surf;
    gg += color.rgbGreen * surf;
    bb += color.rgbBlue * surf;
    aa += color.rgbReserved * surf;
}

namespace {
// The pixels [first, last] that an area touches along one axis, and the
// share of pixel i that lies inside it.
struct Span {
    float lo, hi;
    long first, last;
    Span(float centre, float size, long (*pixelOf)(double))
        : lo(centre - size / 2), hi(centre + size / 2), first(pixelOf(lo + 0.5f)),
          last(pixelOf(std::ceil(hi + 0.5f)) - 1)
    {
    }
    float Share(long i) const { return std::max(0.0f, std::min(hi, float(i) + 0.5f) - std::max(lo, float(i) - 0.5f)); }
    // Beyond the image (and the reach of a kernel) a flat outside colour
    // needs no reading, and a repeated picture need not be read more than
    // twice over.
    void Limit(long size, long reach)
    {
        first = std::max(first, -reach);
        last = std::min(last, size - 1 + reach);
    }
};
} // namespace

// Pixel i covers [i - 0.5, i + 0.5); the area adds each touched pixel by the
// surface it shares with it.
RGBQUAD CRasterImage::GetAreaColorInterpolated(float const xc, float const yc, float const w, float const h,
                                               InterpolationMethod const inMethod,
                                               OverflowMethod const ofMethod, RGBQUAD* const rplColor)
{
    if (!(w > 1 || h > 1) || !pDib || !std::isfinite(xc + yc + w + h))
        return GetPixelColorInterpolated(xc, yc, inMethod, ofMethod, rplColor);
    bool flatOutside = ofMethod != OM_WRAP && ofMethod != OM_REPEAT && ofMethod != OM_MIRROR;
    // Along a short side the area is sampled once, at its centre.
    Span sx(xc, w > 1 ? w : 1, PixelOf), sy(yc, h > 1 ? h : 1, PixelOf);
    long kernelReach = w > 1 && h > 1 ? 0 : 6;
    sx.Limit(head.biWidth, flatOutside ? kernelReach : 2 * long(head.biWidth));
    sy.Limit(head.biHeight, flatOutside ? kernelReach : 2 * long(head.biHeight));
    if (w <= 1)
        sx.first = sx.last = 0;
    if (h <= 1)
        sy.first = sy.last = 0;
    float rr = 0, gg = 0, bb = 0, aa = 0, total = 0;
    for (long y = sy.first; y <= sy.last; y++) {
        float wy = h > 1 ? sy.Share(y) : 1;
        for (long x = sx.first; x <= sx.last; x++) {
            float s = wy * (w > 1 ? sx.Share(x) : 1);
            RGBQUAD c;
            if (w > 1 && h > 1)
                c = IsInside(x, y) ? BlindGetPixelColor(x, y) : GetPixelColorWithOverflow(x, y, ofMethod, rplColor);
            else
                c = GetPixelColorInterpolated(w > 1 ? float(x) : xc, h > 1 ? float(y) : yc, inMethod, ofMethod, rplColor);
            AddAveragingCont(c, s, rr, gg, bb, aa);
            total += s;
        }
    }
    // What lies outside and was not read has the outside colour.
    float surface = (w > 1 ? w : 1) * (h > 1 ? h : 1);
    if (flatOutside && surface > total)
        AddAveragingCont(OutsideColor(ofMethod, rplColor), surface - total, rr, gg, bb, aa);
    if (surface <= 0)
        return GetPixelColorInterpolated(xc, yc, inMethod, ofMethod, rplColor);
    return RGBQUAD{ClampToByte(bb / surface), ClampToByte(gg / surface), ClampToByte(rr / surface),
                   ClampToByte(aa / surface)};
}
