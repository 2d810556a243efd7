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
