#include "RasterImage.h"

#include <cstdlib>
#include <cstring>

bool CRasterImage::Flip()
{
    if (!pDib)
        return false;
    BYTE* row = static_cast<BYTE*>(malloc(info.dwEffWidth));
    if (!row)
        return false;
    for (DWORD top = 0, bottom = DWORD(head.biHeight) - 1; top < bottom; top++, bottom--) {
        BYTE* a = GetBits(top);
        BYTE* b = GetBits(bottom);
        memcpy(row, a, info.dwEffWidth);
        memcpy(a, b, info.dwEffWidth);
        memcpy(b, row, info.dwEffWidth);
    }
    free(row);
    AlphaFlip();
    free(pSelection);
    pSelection = nullptr;
    return true;
}

bool CRasterImage::Negative()
{
    if (!pDib)
        return false;
    if (head.biBitCount > 8) {
        if (pSelection) {
            for (long y = info.rSelectionBox.bottom; y < info.rSelectionBox.top; y++) {
                for (long x = info.rSelectionBox.left; x < info.rSelectionBox.right; x++) {
                    if (!SelectionIsInside(x, y))
                        continue;
                    BYTE* p = BlindGetPixelPointer(x, y);
                    p[0] = BYTE(255 - p[0]);
                    p[1] = BYTE(255 - p[1]);
                    p[2] = BYTE(255 - p[2]);
                }
            }
        } else {
            BYTE* p = info.pImage;
            for (DWORD i = 0; i < head.biSizeImage; i++)
                p[i] = BYTE(255 - p[i]);
        }
        info.nBkgndColor.rgbBlue = BYTE(255 - info.nBkgndColor.rgbBlue);
        info.nBkgndColor.rgbGreen = BYTE(255 - info.nBkgndColor.rgbGreen);
        info.nBkgndColor.rgbRed = BYTE(255 - info.nBkgndColor.rgbRed);
        return true;
    }
    if (!IsGrayScale()) {
        RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; pal && i < head.biClrUsed; i++) {
            pal[i].rgbBlue = BYTE(255 - pal[i].rgbBlue);
            pal[i].rgbGreen = BYTE(255 - pal[i].rgbGreen);
            pal[i].rgbRed = BYTE(255 - pal[i].rgbRed);
        }
        info.last_c_isvalid = false;
        return true;
    }
    BYTE top = BYTE(head.biClrUsed - 1);
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            if (SelectionIsInside(x, y))
                SetPixelIndex(x, y, BYTE(top - BlindGetPixelIndex(x, y)));
    return true;
}

bool CRasterImage::IncreaseBpp(DWORD nbit)
{
    if (!pDib)
        return false;
    if (nbit != 4 && nbit != 8 && nbit != 24)
        return false;
    if (nbit == head.biBitCount)
        return true;
    if (nbit < head.biBitCount)
        return false;
    CRasterImage tmp;
    tmp.CopyInfo(*this);
    tmp.info.pGhost = nullptr;
    tmp.info.nNumLayers = 0;
    if (!tmp.Create(GetWidth(), GetHeight(), nbit, info.dwType)) {
        CopyLastError(tmp);
        return false;
    }
    tmp.head.biXPelsPerMeter = head.biXPelsPerMeter;
    tmp.head.biYPelsPerMeter = head.biYPelsPerMeter;
    if (pSelection)
        tmp.SelectionCopy(*this);
    if (pAlpha)
        tmp.AlphaCopy(*this);
    if (nbit < 24) {
        tmp.SetPalette(GetPalette(), GetNumColors());
        for (long y = 0; y < head.biHeight; y++)
            for (long x = 0; x < head.biWidth; x++)
                tmp.SetPixelIndex(x, y, BlindGetPixelIndex(x, y));
    } else {
        if (info.nBkgndIndex >= 0)
            tmp.SetTransColor(GetPaletteColor(BYTE(info.nBkgndIndex)));
        if (!tmp.pAlpha && AlphaPaletteIsValid())
            tmp.AlphaCreate();
        for (long y = 0; y < head.biHeight; y++)
            for (long x = 0; x < head.biWidth; x++)
                tmp.SetPixelColor(x, y, GetPixelColor(x, y), true);
    }
    return Transfer(tmp);
}

static long ClampTo(long v, long hi)
{
    return v < 0 ? 0 : (v > hi ? hi : v);
}

// Coordinates are top-down with right and bottom exclusive.
bool CRasterImage::Crop(long left, long top, long right, long bottom, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    left = ClampTo(left, width);
    right = ClampTo(right, width);
    top = ClampTo(top, height);
    bottom = ClampTo(bottom, height);
    long startx = left < right ? left : right, endx = left < right ? right : left;
    long starty = height - (top > bottom ? top : bottom), endy = height - (top > bottom ? bottom : top);
    if (startx == endx || starty == endy)
        return false;
    CRasterImage tmp(DWORD(endx - startx), DWORD(endy - starty), head.biBitCount, info.dwType);
    if (!tmp.IsValid()) {
        CopyLastError(tmp);
        return false;
    }
    tmp.SetPalette(GetPalette(), GetNumColors());
    tmp.info.nBkgndIndex = info.nBkgndIndex;
    tmp.info.nBkgndColor = info.nBkgndColor;
    long newWidth = endx - startx;
    for (long y = starty; y < endy; y++) {
        if (head.biBitCount >= 8) {
            size_t bytes = head.biBitCount / 8;
            memcpy(tmp.GetBits(DWORD(y - starty)), GetBits(DWORD(y)) + size_t(startx) * bytes,
                   size_t(newWidth) * bytes);
        } else {
            for (long x = startx; x < endx; x++)
                tmp.SetPixelIndex(x - startx, y - starty, BlindGetPixelIndex(x, y));
        }
    }
    if (pAlpha) {
        tmp.AlphaCreate();
        if (!tmp.pAlpha)
            return false;
        for (long y = starty; y < endy; y++)
            memcpy(tmp.pAlpha + size_t(y - starty) * size_t(newWidth),
                   pAlpha + size_t(y) * size_t(width) + size_t(startx), size_t(newWidth));
    }
    if (iDst)
        return iDst->Transfer(tmp);
    return Transfer(tmp);
}

bool CRasterImage::Crop(const RECT& rect, CRasterImage* iDst)
{
    return Crop(rect.left, rect.top, rect.right, rect.bottom, iDst);
}

// A blank image for a result: this image's info record, the given size and
// depth, and the colour table when the depth stays. Cleared, so that a run
// stopped by the escape hands over no stale memory.
bool CRasterImage::NewLikeThis(CRasterImage& tmp, double width, double height, DWORD bpp)
{
    if (!(width >= 1 && height >= 1)) {
        SetLastError("CRasterImage::Create : width and height must be greater than zero");
        return false;
    }
    if (!(width <= INT32_MAX && height <= INT32_MAX)) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return false;
    }
    tmp.CopyInfo(*this);
    tmp.info.pGhost = nullptr;
    tmp.info.nNumLayers = 0;
    if (!tmp.Create(DWORD(width), DWORD(height), bpp, info.dwType)) {
        CopyLastError(tmp);
        return false;
    }
    tmp.head.biXPelsPerMeter = head.biXPelsPerMeter;
    tmp.head.biYPelsPerMeter = head.biYPelsPerMeter;
    tmp.Clear(0);
    if (bpp == head.biBitCount && head.biClrUsed)
        tmp.SetPalette(GetPalette(), GetNumColors());
    return true;
}

// A blank result at this image's depth, with an opaque alpha channel when
// this image has one.
bool CRasterImage::NewResult(CRasterImage& tmp, double width, double height)
{
    if (!NewLikeThis(tmp, width, height, head.biBitCount))
        return false;
    if (pAlpha)
        tmp.AlphaCreate();
    return true;
}

// Publishes row progress; false once the caller should stop.
bool CRasterImage::StepProgress(long row, long rows)
{
    info.nProgress = rows > 0 ? LONG(int64_t(row) * 100 / rows) : 0;
    return info.nEscape == 0;
}

// The result carries the progress and escape that the run left behind.
bool CRasterImage::PutResult(CRasterImage& tmp, CRasterImage* iDst)
{
    tmp.info.nProgress = info.nProgress;
    tmp.info.nEscape = info.nEscape;
    if (iDst)
        return iDst->Transfer(tmp);
    return Transfer(tmp);
}

bool CRasterImage::Mirror()
{
    if (!pDib)
        return false;
    CRasterImage tmp(*this, false, false, true);
    if (!tmp.IsValid())
        return false;
    long width = head.biWidth;
    for (long y = 0; y < head.biHeight; y++) {
        const BYTE* src = GetBits(DWORD(y));
        BYTE* dst = tmp.GetBits(DWORD(y));
        if (head.biBitCount == 24) {
            for (long x = 0; x < width; x++)
                memcpy(dst + size_t(width - 1 - x) * 3, src + size_t(x) * 3, 3);
        } else if (head.biBitCount == 8) {
            for (long x = 0; x < width; x++)
                dst[width - 1 - x] = src[x];
        } else {
            for (long x = 0; x < width; x++)
                tmp.SetPixelIndex(width - 1 - x, y, BlindGetPixelIndex(x, y));
        }
    }
    tmp.AlphaMirror();
    return Transfer(tmp);
}

static BYTE Luminance(BYTE r, BYTE g, BYTE b)
{
    return BYTE((r * 306 + g * 601 + b * 117) >> 10);
}

bool CRasterImage::GrayScale()
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    if (head.biBitCount > 8 || head.biBitCount < 8) {
        BYTE lum[256] = {};
        RGBQUAD* pal = GetPalette();
        for (DWORD i = 0; pal && i < head.biClrUsed; i++)
            lum[i] = Luminance(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue);
        CRasterImage tmp;
        if (!NewLikeThis(tmp, width, height, 8))
            return false;
        tmp.SetGrayPalette();
        if (pSelection)
            tmp.SelectionCopy(*this);
        if (pAlpha)
            tmp.AlphaCopy(*this);
        if (info.nBkgndIndex >= 0 && head.biClrUsed)
            tmp.info.nBkgndIndex = lum[info.nBkgndIndex & 255];
        for (long y = 0; y < height; y++) {
            BYTE* dst = tmp.GetBits(DWORD(y));
            const BYTE* src = GetBits(DWORD(y));
            for (long x = 0; x < width; x++)
                dst[x] = head.biClrUsed ? lum[BlindGetPixelIndex(x, y)]
                                        : Luminance(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
        return Transfer(tmp);
    }
    BYTE lum[256];
    RGBQUAD* pal = GetPalette();
    for (DWORD i = 0; i < 256; i++)
        lum[i] = Luminance(pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue);
    if (info.nBkgndIndex >= 0)
        info.nBkgndIndex = lum[info.nBkgndIndex & 255];
    for (long y = 0; y < height; y++) {
        BYTE* row = GetBits(DWORD(y));
        for (long x = 0; x < width; x++)
            row[x] = lum[row[x]];
    }
    SetGrayPalette();
    return true;
}
