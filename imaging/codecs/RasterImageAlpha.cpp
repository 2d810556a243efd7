#include "RasterImage.h"

#include <cstdlib>
#include <cstring>

void CRasterImage::AlphaCreate()
{
    if (pAlpha || !pDib)
        return;
    pAlpha = static_cast<BYTE*>(malloc(PixelCount()));
    if (pAlpha)
        memset(pAlpha, 255, PixelCount());
}

void CRasterImage::AlphaDelete()
{
    free(pAlpha);
    pAlpha = nullptr;
}

void CRasterImage::AlphaClear()
{
    if (pAlpha)
        memset(pAlpha, 0, PixelCount());
}

void CRasterImage::AlphaSet(BYTE level)
{
    if (pAlpha)
        memset(pAlpha, level, PixelCount());
}

void CRasterImage::AlphaSet(long x, long y, BYTE level)
{
    if (pAlpha && IsInside(x, y))
        pAlpha[size_t(y) * DWORD(head.biWidth) + size_t(x)] = level;
}

bool CRasterImage::AlphaSet(CRasterImage& from)
{
    if (!from.IsGrayScale() || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight())
        return false;
    AlphaCreate();
    if (!pAlpha)
        return false;
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            pAlpha[size_t(y) * DWORD(head.biWidth) + size_t(x)] = from.BlindGetPixelIndex(x, y);
    return true;
}

BYTE CRasterImage::AlphaGet(long x, long y)
{
    if (pAlpha && IsInside(x, y))
        return pAlpha[size_t(y) * DWORD(head.biWidth) + size_t(x)];
    return 0;
}

BYTE CRasterImage::BlindAlphaGet(long x, long y)
{
    return pAlpha[size_t(y) * DWORD(head.biWidth) + size_t(x)];
}

BYTE* CRasterImage::AlphaGetPointer(long x, long y)
{
    if (pAlpha && IsInside(x, y))
        return pAlpha + size_t(y) * DWORD(head.biWidth) + size_t(x);
    return nullptr;
}

void CRasterImage::AlphaInvert()
{
    if (!pAlpha)
        return;
    size_t n = PixelCount();
    for (size_t i = 0; i < n; i++)
        pAlpha[i] = BYTE(255 - pAlpha[i]);
}

bool CRasterImage::AlphaCopy(CRasterImage& from)
{
    if (!from.pAlpha || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight())
        return false;
    if (!pAlpha)
        pAlpha = static_cast<BYTE*>(malloc(PixelCount()));
    if (!pAlpha)
        return false;
    memcpy(pAlpha, from.pAlpha, PixelCount());
    info.nAlphaMax = from.info.nAlphaMax;
    return true;
}

bool CRasterImage::AlphaFlip()
{
    if (!pAlpha)
        return false;
    size_t width = DWORD(head.biWidth);
    size_t height = DWORD(head.biHeight);
    BYTE* flipped = static_cast<BYTE*>(malloc(width * height));
    if (!flipped)
        return false;
    for (size_t y = 0; y < height; y++)
        memcpy(flipped + (height - 1 - y) * width, pAlpha + y * width, width);
    free(pAlpha);
    pAlpha = flipped;
    return true;
}

bool CRasterImage::AlphaMirror()
{
    if (!pAlpha)
        return false;
    size_t width = DWORD(head.biWidth);
    size_t height = DWORD(head.biHeight);
    BYTE* mirrored = static_cast<BYTE*>(malloc(width * height));
    if (!mirrored)
        return false;
    for (size_t y = 0; y < height; y++)
        for (size_t x = 0; x < width; x++)
            mirrored[y * width + width - 1 - x] = pAlpha[y * width + x];
    free(pAlpha);
    pAlpha = mirrored;
    return true;
}

bool CRasterImage::AlphaSplit(CRasterImage* dest)
{
    return pAlpha && MaskToGreyImage(pAlpha, dest);
}

// One byte per pixel, rows from the bottom, as an 8-bit grey image in dest.
bool CRasterImage::MaskToGreyImage(const BYTE* mask, CRasterImage* dest)
{
    if (!dest)
        return false;
    CRasterImage tmp(GetWidth(), GetHeight(), 8);
    if (!tmp.IsValid())
        return false;
    tmp.SetGrayPalette();
    for (long y = 0; y < head.biHeight; y++)
        memcpy(tmp.GetBits(DWORD(y)), mask + size_t(y) * DWORD(head.biWidth), DWORD(head.biWidth));
    return dest->Transfer(tmp);
}

bool CRasterImage::AlphaPaletteSplit(CRasterImage* dest)
{
    if (!AlphaPaletteIsValid() || !dest)
        return false;
    CRasterImage tmp(GetWidth(), GetHeight(), 8);
    if (!tmp.IsValid())
        return false;
    tmp.SetGrayPalette();
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            tmp.GetBits(DWORD(y))[x] = GetPixelColor(x, y, false).rgbReserved;
    return dest->Transfer(tmp);
}

bool CRasterImage::AlphaPaletteIsValid()
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (DWORD i = 0; i < head.biClrUsed; i++)
        if (pal[i].rgbReserved != 0)
            return true;
    return false;
}

void CRasterImage::AlphaPaletteClear()
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return;
    for (DWORD i = 0; i < head.biClrUsed; i++)
        pal[i].rgbReserved = 0;
    info.last_c_isvalid = false;
}

void CRasterImage::AlphaStrip()
{
    bool paletteAlpha = AlphaPaletteIsValid();
    if (!pDib || (!pAlpha && !paletteAlpha))
        return;
    RGBQUAD back = info.nBkgndColor;
    CRasterImage composed(GetWidth(), GetHeight(), 24, 0);
    if (!composed.IsValid())
        return;
    for (long y = 0; y < head.biHeight; y++) {
        for (long x = 0; x < head.biWidth; x++) {
            RGBQUAD c = GetPixelColor(x, y, false);
            long a = info.nAlphaMax * (pAlpha ? BlindAlphaGet(x, y) : 255) / 255;
            if (paletteAlpha)
                a = a * c.rgbReserved / 255;
            c.rgbBlue = BYTE((back.rgbBlue * (255 - a) + c.rgbBlue * a) / 255);
            c.rgbGreen = BYTE((back.rgbGreen * (255 - a) + c.rgbGreen * a) / 255);
            c.rgbRed = BYTE((back.rgbRed * (255 - a) + c.rgbRed * a) / 255);
            composed.SetPixelColor(x, y, c);
        }
    }
    if (head.biBitCount < 24) {
        tagRasterInfo saved = info;
        LONG xppm = head.biXPelsPerMeter, yppm = head.biYPelsPerMeter;
        Transfer(composed);
        DWORD effWidth = info.dwEffWidth;
        BYTE* bits = info.pImage;
        info = saved;
        info.dwEffWidth = effWidth;
        info.pImage = bits;
        info.dwType = 0;
        info.nNumLayers = 0;
        info.last_c_isvalid = false;
        head.biXPelsPerMeter = xppm;
        head.biYPelsPerMeter = yppm;
    } else {
        memcpy(info.pImage, composed.GetBits(0), head.biSizeImage);
    }
    AlphaDelete();
}
