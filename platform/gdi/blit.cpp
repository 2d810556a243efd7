// BitBlt, StretchBlt, PatBlt and the DIB-to-device transfers.
#include <algorithm>
#include <cstring>

#include "gdi/dib.h"
#include "gdi/gdiapi.h"
#include "gdi/stretch.h"

using namespace gdi;

namespace gdi {

void patternBlt(Target& t, const RECT& r, uint32_t pattern, DWORD rop)
{
    Bitmap& b = *t.bitmap;
    uint32_t mask = b.bpp == 32 ? 0x00FFFFFFu : rawMask(b.bpp);
    for (const RECT& c : t.clip) {
        RECT a;
        if (!IntersectRect(&a, &r, &c))
            continue;
        for (int y = a.top; y < a.bottom; ++y) {
            if (b.bpp == 32 && rop == PATCOPY) {
                fillPixels32(reinterpret_cast<uint32_t*>(b.row(y)) + a.left, size_t(a.right - a.left), pattern & mask);
                continue;
            }
            for (int x = a.left; x < a.right; ++x)
                writeRaw(b, x, y, applyRop3(rop, pattern, 0, readRaw(b, x, y)) & mask);
        }
    }
}

}  // namespace gdi

namespace {

uint32_t brushPattern(const Target& t)
{
    const DcState& s = t.dc->state;
    return s.brush && s.brush->style != BS_NULL ? t.raw(s.brush->color) : 0;
}

bool validRop(DWORD rop) { return (rop & 0xFF000000u) == 0; }

}  // namespace

BOOL PatBlt(HDC dc, int x, int y, int cx, int cy, DWORD rop)
{
    if (!findDc(dc) || !validRop(rop))
        return FALSE;
    Target t;
    if (!targetOf(dc, t))
        return TRUE;
    const DcState& s = t.dc->state;
    if (ropUsesPattern(rop) && (!s.brush || s.brush->style == BS_NULL))
        return TRUE;
    RECT r = normalised(clampCoord(x), clampCoord(y), clampCoord(static_cast<long long>(clampCoord(x)) + cx),
                        clampCoord(static_cast<long long>(clampCoord(y)) + cy));
    OffsetRect(&r, t.dx, t.dy);
    patternBlt(t, r, brushPattern(t), rop);
    return TRUE;
}

BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, int cxSrc, int cySrc, DWORD rop)
{
    if (!findDc(dst) || !validRop(rop))
        return FALSE;
    if (!ropUsesSource(rop))
        return PatBlt(dst, x, y, cx, cy, rop);
    std::shared_ptr<Dc> s = findDc(src);
    if (!s || !s->state.bitmap || cxSrc == 0 || cySrc == 0)
        return FALSE;
    Target t;
    if (!targetOf(dst, t))
        return TRUE;
    BlitSource source;
    source.bitmap = s->state.bitmap.get();
    source.x = clampCoord(xSrc) + s->state.viewportOrg.x - s->state.windowOrg.x;
    source.y = clampCoord(ySrc) + s->state.viewportOrg.y - s->state.windowOrg.y;
    source.width = clampCoord(cxSrc);
    source.height = clampCoord(cySrc);
    source.hasBkColor = true;
    source.bkColor = s->state.bkColor;
    return blit(t, clampCoord(x) + t.dx, clampCoord(y) + t.dy, clampCoord(cx), clampCoord(cy), source, rop,
                t.dc->state.stretchMode);
}

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, DWORD rop)
{
    return StretchBlt(dst, x, y, cx, cy, src, xSrc, ySrc, cx, cy, rop);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    std::shared_ptr<Bitmap> view = dibFromInfo(info, usage, dc, bits);
    if (!findDc(dc) || !view || !bits || !validRop(rop) || srcWidth == 0 || srcHeight == 0)
        return 0;
    Target t;
    if (!targetOf(dc, t))
        return srcHeight < 0 ? -srcHeight : srcHeight;
    BlitSource source;
    source.bitmap = view.get();
    xSrc = clampCoord(xSrc);
    ySrc = clampCoord(ySrc);
    srcWidth = clampCoord(srcWidth);
    srcHeight = clampCoord(srcHeight);
    source.x = xSrc;
    // Source rows of a bottom-up DIB count from its lower edge.
    source.y = view->topDown ? ySrc : view->height - ySrc - srcHeight;
    source.width = srcWidth;
    source.height = srcHeight;
    blit(t, clampCoord(xDest) + t.dx, clampCoord(yDest) + t.dy, clampCoord(destWidth), clampCoord(destHeight), source,
         rop, t.dc->state.stretchMode);
    return srcHeight < 0 ? -srcHeight : srcHeight;
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    std::shared_ptr<Bitmap> view = dibFromInfo(info, usage, dc, bits);
    if (!findDc(dc) || !view || !bits || lines == 0 || width > INT32_MAX || height > INT32_MAX)
        return 0;
    width = static_cast<DWORD>(clampCoord(width));
    height = static_cast<DWORD>(clampCoord(height));
    xSrc = clampCoord(xSrc);
    ySrc = clampCoord(ySrc);
    xDest = clampCoord(xDest);
    yDest = clampCoord(yDest);
    int fullHeight = view->height;
    if (startScan >= static_cast<UINT>(fullHeight))
        return 0;
    lines = std::min<UINT>(lines, static_cast<UINT>(fullHeight) - startScan);
    // The buffer holds only the scans startScan .. startScan + lines - 1.
    int firstRow = view->topDown ? static_cast<int>(startScan) : fullHeight - static_cast<int>(startScan + lines);
    view->height = static_cast<int>(lines);
    Target t;
    if (!targetOf(dc, t))
        return static_cast<int>(lines);
    BlitSource source;
    source.bitmap = view.get();
    source.x = xSrc;
    int top = view->topDown ? ySrc : fullHeight - ySrc - static_cast<int>(height);
    source.y = top - firstRow;
    source.width = static_cast<int>(width);
    source.height = static_cast<int>(height);
    blit(t, xDest + t.dx, yDest + t.dy, static_cast<int>(width), static_cast<int>(height), source, SRCCOPY,
         COLORONCOLOR);
    return static_cast<int>(lines);
}
