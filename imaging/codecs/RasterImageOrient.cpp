#include "RasterImage.h"

#include <cstdlib>
#include <cstring>

bool CRasterImage::Mirror()
{
    if (!pDib)
        return false;
    long width = head.biWidth;
    for (long y = 0; y < head.biHeight; y++) {
        BYTE* row = GetBits(DWORD(y));
        if (head.biBitCount == 24) {
            for (long l = 0, r = width - 1; l < r; l++, r--)
                for (int k = 0; k < 3; k++) {
                    BYTE t = row[l * 3 + k];
                    row[l * 3 + k] = row[r * 3 + k];
                    row[r * 3 + k] = t;
                }
        } else if (head.biBitCount == 8) {
            for (long l = 0, r = width - 1; l < r; l++, r--) {
                BYTE t = row[l];
                row[l] = row[r];
                row[r] = t;
            }
        } else {
            for (long l = 0, r = width - 1; l < r; l++, r--) {
                BYTE a = BlindGetPixelIndex(l, y);
                SetPixelIndex(l, y, BlindGetPixelIndex(r, y));
                SetPixelIndex(r, y, a);
            }
        }
    }
    AlphaMirror();
    free(pSelection);
    pSelection = nullptr;
    return true;
}

// In bottom-up coordinates pixel (x, y) goes to (y, w-1-x) turning right
// (clockwise) and to (h-1-y, x) turning left.
bool CRasterImage::RotateQuarter(bool clockwise, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long w = head.biWidth, h = head.biHeight;
    CRasterImage turned;
    turned.CopyInfo(*this);
    turned.info.pGhost = nullptr;
    if (!turned.Create(DWORD(h), DWORD(w), head.biBitCount, info.dwType))
        return false;
    turned.SetPalette(GetPalette(), head.biClrUsed);
    if (pAlpha)
        turned.AlphaCreate();
    for (long y = 0; y < h; y++)
        for (long x = 0; x < w; x++) {
            long nx = clockwise ? y : h - 1 - y;
            long ny = clockwise ? w - 1 - x : x;
            if (head.biClrUsed)
                turned.SetPixelIndex(nx, ny, BlindGetPixelIndex(x, y));
            else
                memcpy(turned.BlindGetPixelPointer(nx, ny), BlindGetPixelPointer(x, y), 3);
            if (pAlpha)
                turned.AlphaSet(nx, ny, BlindAlphaGet(x, y));
        }
    turned.head.biXPelsPerMeter = head.biYPelsPerMeter;
    turned.head.biYPelsPerMeter = head.biXPelsPerMeter;
    turned.info.xDPI = info.yDPI;
    turned.info.yDPI = info.xDPI;
    return iDst ? iDst->Transfer(turned) : Transfer(turned);
}

bool CRasterImage::RotateLeft(CRasterImage* iDst)
{
    return RotateQuarter(false, iDst);
}

bool CRasterImage::RotateRight(CRasterImage* iDst)
{
    return RotateQuarter(true, iDst);
}
