#include "RasterImage.h"

#include <algorithm>
#include <cstring>

// Negative margins cut the picture instead; only the overlap is copied.
bool CRasterImage::Expand(long left, long top, long right, long bottom, RGBQUAD canvascolor, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    auto tooFar = [](long m) { return m > INT32_MAX || m < -INT32_MAX; };
    if (tooFar(left) || tooFar(top) || tooFar(right) || tooFar(bottom)) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return false;
    }
    int64_t newW = int64_t(width) + left + right, newH = int64_t(height) + top + bottom;
    CRasterImage tmp;
    if (!NewResult(tmp, newW, newH))
        return false;
    // One filled row, copied to every row.
    BYTE* first = tmp.GetBits(0);
    if (head.biClrUsed) {
        BYTE idx = tmp.GetNearestIndex(canvascolor);
        for (long x = 0; x < long(newW); x++)
            tmp.SetPixelIndex(x, 0, idx);
    } else {
        for (long x = 0; x < long(newW); x++) {
            first[3 * x] = canvascolor.rgbBlue;
            first[3 * x + 1] = canvascolor.rgbGreen;
            first[3 * x + 2] = canvascolor.rgbRed;
        }
    }
    for (long y = 1; y < long(newH); y++)
        memcpy(tmp.GetBits(DWORD(y)), first, tmp.GetEffWidth());
    long x0 = std::max(0L, -left), x1 = std::min(width, long(newW) - left);
    long y0 = std::max(0L, -bottom), y1 = std::min(height, long(newH) - bottom);
    for (long y = y0; y < y1; y++) {
        for (long x = x0; x < x1; x++) {
            if (head.biClrUsed)
                tmp.SetPixelIndex(x + left, y + bottom, BlindGetPixelIndex(x, y));
            else
                memcpy(tmp.BlindGetPixelPointer(x + left, y + bottom), BlindGetPixelPointer(x, y), 3);
            if (pAlpha)
                tmp.AlphaSet(x + left, y + bottom, BlindAlphaGet(x, y));
        }
    }
    return PutResult(tmp, iDst);
}

bool CRasterImage::Expand(long newx, long newy, RGBQUAD canvascolor, CRasterImage* iDst)
{
    if (!pDib)
        return false;
    long width = head.biWidth, height = head.biHeight;
    if (newx < width || newy < height)
        return false;
    long left = (newx - width) / 2, top = (newy - height) / 2;
    return Expand(left, top, newx - width - left, newy - height - top, canvascolor, iDst);
}
