#include "RasterImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/gdiapi.h"

void CRasterImage::ResetSelectionBox()
{
    info.rSelectionBox.left = head.biWidth;
    info.rSelectionBox.top = 0;
    info.rSelectionBox.right = 0;
    info.rSelectionBox.bottom = head.biHeight;
}

void CRasterImage::GrowSelectionBox(long left, long bottom, long right, long top)
{
    RECT& box = info.rSelectionBox;
    if (left < box.left)
        box.left = LONG(left);
    if (right > box.right)
        box.right = LONG(right);
    if (bottom < box.bottom)
        box.bottom = LONG(bottom);
    if (top > box.top)
        box.top = LONG(top);
}

bool CRasterImage::SelectionCreate()
{
    SelectionDelete();
    if (!pDib)
        return false;
    pSelection = static_cast<BYTE*>(calloc(1, PixelCount()));
    return pSelection != nullptr;
}

bool CRasterImage::SelectionDelete()
{
    free(pSelection);
    pSelection = nullptr;
    ResetSelectionBox();
    return true;
}

bool CRasterImage::SelectionClear()
{
    if (!pSelection)
        return false;
    memset(pSelection, 0, PixelCount());
    ResetSelectionBox();
    return true;
}

bool CRasterImage::SelectionIsInside(long x, long y)
{
    if (!IsInside(x, y))
        return false;
    if (!pSelection)
        return true;
    return pSelection[size_t(y) * DWORD(head.biWidth) + size_t(x)] != 0;
}

static long Clamp(long v, long lo, long hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

bool CRasterImage::SelectionAddRect(RECT r)
{
    if (!pSelection && !SelectionCreate())
        return false;
    long x0 = Clamp(r.left < r.right ? r.left : r.right, 0, head.biWidth);
    long x1 = Clamp(r.left < r.right ? r.right : r.left, 0, head.biWidth);
    long y0 = Clamp(r.top < r.bottom ? r.top : r.bottom, 0, head.biHeight);
    long y1 = Clamp(r.top < r.bottom ? r.bottom : r.top, 0, head.biHeight);
    for (long y = y0; y < y1; y++)
        if (x1 > x0)
            memset(pSelection + size_t(y) * DWORD(head.biWidth) + size_t(x0), 255, size_t(x1 - x0));
    GrowSelectionBox(x0, y0, x1, y1);
    return true;
}

// Rows are clamped to the image as well as columns: an ellipse reaching
// past the top or bottom edge only selects what lies inside.
bool CRasterImage::SelectionAddEllipse(RECT r)
{
    long xc = (long(r.left) + r.right) / 2, yc = (long(r.top) + r.bottom) / 2;
    long rx = labs(long(r.right) - r.left) / 2, ry = labs(long(r.bottom) - r.top) / 2;
    if (rx == 0 || ry == 0)
        return false;
    if (!pSelection && !SelectionCreate())
        return false;
    long xmin = Clamp(xc - rx, 0, head.biWidth - 1), xmax = Clamp(xc + rx, 0, head.biWidth - 1);
    long ymin = Clamp(yc - ry, 0, head.biHeight), ymax = Clamp(yc + ry, 0, head.biHeight);
    size_t width = DWORD(head.biWidth);
    for (long x = xmin; x <= xmax; x++) {
        double t = double(x - xc) / double(rx);
        double e = t * t < 1.0 ? sqrt(1.0 - t * t) * double(ry) : 0.0;
        for (long y = ymin; y < yc && y < ymax; y++)
            if (long(double(yc) - e) < y)
                pSelection[size_t(y) * width + size_t(x)] = 255;
        for (long y = (yc > ymin ? yc : ymin); y < ymax; y++)
            if (long(double(yc) + e) > y)
                pSelection[size_t(y) * width + size_t(x)] = 255;
    }
    GrowSelectionBox(xmin, ymin, xmax, ymax);
    return true;
}

// Edges go into a scratch mask; the polygon's box is flooded from its sides
// and whatever the flood cannot reach is inside (or on an edge).
bool CRasterImage::SelectionAddPolygon(POINT* points, long npoints)
{
    if (!points || npoints < 3 || !pDib)
        return false;
    if (!pSelection && !SelectionCreate())
        return false;
    long width = head.biWidth, height = head.biHeight;
    std::vector<BYTE> plane(size_t(width) * size_t(height), 0);
    long bxmin = width, bxmax = -1, bymin = height, bymax = -1;
    for (long i = 0; i < npoints; i++) {
        POINT a = points[i], b = points[(i + 1) % npoints];
        bxmin = std::min(bxmin, long(a.x)); bxmax = std::max(bxmax, long(a.x));
        bymin = std::min(bymin, long(a.y)); bymax = std::max(bymax, long(a.y));
        long dx = labs(long(b.x) - a.x), dy = labs(long(b.y) - a.y);
        long steps = dx > dy ? dx : dy;
        for (long s = 0; s <= steps; s++) {
            long x = steps ? a.x + (long(b.x) - a.x) * s / steps : a.x;
            long y = steps ? a.y + (long(b.y) - a.y) * s / steps : a.y;
            if (IsInside(x, y))
                plane[size_t(y) * size_t(width) + size_t(x)] = 255;
        }
    }
    bxmin = Clamp(bxmin, 0, width - 1); bxmax = Clamp(bxmax, 0, width - 1);
    bymin = Clamp(bymin, 0, height - 1); bymax = Clamp(bymax, 0, height - 1);
    std::vector<POINT> pending;
    auto seed = [&](long x, long y) {
        BYTE& p = plane[size_t(y) * size_t(width) + size_t(x)];
        if (p == 0) {
            p = 1;
            pending.push_back(POINT{LONG(x), LONG(y)});
        }
    };
    for (long x = bxmin; x <= bxmax; x++) { seed(x, bymin); seed(x, bymax); }
    for (long y = bymin; y <= bymax; y++) { seed(bxmin, y); seed(bxmax, y); }
    while (!pending.empty()) {
        POINT p = pending.back();
        pending.pop_back();
        if (p.x > bxmin) seed(p.x - 1, p.y);
        if (p.x < bxmax) seed(p.x + 1, p.y);
        if (p.y > bymin) seed(p.x, p.y - 1);
        if (p.y < bymax) seed(p.x, p.y + 1);
    }
    for (long y = bymin; y <= bymax; y++)
        for (long x = bxmin; x <= bxmax; x++)
            if (plane[size_t(y) * size_t(width) + size_t(x)] != 1)
                pSelection[size_t(y) * size_t(width) + size_t(x)] = 255;
    GrowSelectionBox(bxmin, bymin, bxmax + 1, bymax + 1);
    return true;
}

bool CRasterImage::SelectionAddColor(RGBQUAD c)
{
    if (!pSelection && !SelectionCreate())
        return false;
    for (long y = 0; y < head.biHeight; y++) {
        for (long x = 0; x < head.biWidth; x++) {
            RGBQUAD p = BlindGetPixelColor(x, y);
            if (p.rgbBlue == c.rgbBlue && p.rgbGreen == c.rgbGreen && p.rgbRed == c.rgbRed) {
                pSelection[size_t(y) * DWORD(head.biWidth) + size_t(x)] = 255;
                GrowSelectionBox(x, y, x + 1, y + 1);
            }
        }
    }
    return true;
}

bool CRasterImage::SelectionAddPixel(int x, int y)
{
    if (!IsInside(x, y))
        return false;
    if (!pSelection && !SelectionCreate())
        return false;
    pSelection[size_t(y) * DWORD(head.biWidth) + size_t(x)] = 255;
    GrowSelectionBox(x, y, x + 1, y + 1);
    return true;
}

bool CRasterImage::SelectionInvert()
{
    if (!pSelection)
        return false;
    size_t n = PixelCount();
    for (size_t i = 0; i < n; i++)
        pSelection[i] = BYTE(255 - pSelection[i]);
    return true;
}

bool CRasterImage::SelectionCopy(CRasterImage& from)
{
    if (!from.pSelection || from.GetWidth() != GetWidth() || from.GetHeight() != GetHeight())
        return false;
    if (!pSelection)
        pSelection = static_cast<BYTE*>(malloc(PixelCount()));
    if (!pSelection)
        return false;
    memcpy(pSelection, from.pSelection, PixelCount());
    info.rSelectionBox = from.info.rSelectionBox;
    return true;
}

bool CRasterImage::SelectionSplit(CRasterImage* dest)
{
    return pSelection && MaskToGreyImage(pSelection, dest);
}

// Rows are the mask's own row numbers, counted from the bottom.
bool CRasterImage::SelectionToHRGN(HRGN& region)
{
    if (!pSelection || !region)
        return false;
    size_t width = DWORD(head.biWidth);
    for (long y = 0; y < head.biHeight; y++) {
        const BYTE* row = pSelection + size_t(y) * width;
        size_t x = 0;
        while (x < width) {
            if (row[x] != 255) {
                x++;
                continue;
            }
            size_t start = x;
            while (x < width && row[x] == 255)
                x++;
            HRGN run = CreateRectRgn(int(start), int(y), int(x), int(y + 1));
            if (run) {
                CombineRgn(region, region, run, RGN_OR);
                DeleteObject(run);
            }
        }
    }
    return true;
}
