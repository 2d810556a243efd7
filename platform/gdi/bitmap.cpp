// Bitmaps: DIB sections, device-dependent bitmaps and the DIB bit transfers.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "gdi/dib.h"
#include "gdi/gdiapi.h"
#include "gdi/pixels.h"

using namespace gdi;

namespace {

// The format a bitmap compatible with the DC gets: a memory DC holding a
// monochrome bitmap makes monochrome ones, as GDI does.
std::shared_ptr<Bitmap> makeCompatible(HDC dc, int width, int height)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d)
        return nullptr;
    int bpp = 32;
    std::vector<RGBQUAD> colors;
    if (d->memory && d->state.bitmap) {
        bpp = d->state.bitmap->bpp;
        colors = d->state.bitmap->colors;
    }
    if (width == 0 || height == 0) {
        width = height = 1;
        bpp = 1;
        colors.clear();
    }
    std::shared_ptr<Bitmap> b = makeBitmap(width, height, bpp, true);
    if (b && bpp <= 8 && bpp > 1)
        b->colors = colors.empty() ? defaultColors(bpp) : colors;
    return b;
}

// Copies rows given top row first with the given row length into b.
void copyRowsIn(Bitmap& b, const uint8_t* bits, size_t count, int stride)
{
    size_t rowBytes = std::min<size_t>(stride, static_cast<size_t>(b.stride));
    for (int y = 0; y < b.height; ++y) {
        size_t offset = static_cast<size_t>(y) * stride;
        if (offset >= count)
            break;
        std::memcpy(b.row(y), bits + offset, std::min(rowBytes, count - offset));
    }
}

size_t totalBitsBytes(const Bitmap& b) { return static_cast<size_t>(bitmapBitsStride(b)) * b.height; }

}  // namespace

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD)
{
    if (bits)
        *bits = nullptr;
    std::shared_ptr<Bitmap> view = dibFromInfo(info, usage, dc, nullptr);
    if (!view)
        return nullptr;
    std::shared_ptr<Bitmap> b = makeBitmap(view->width, view->height, view->bpp, view->topDown);
    if (!b)
        return nullptr;
    b->dibSection = true;
    b->colors = view->colors;
    std::memcpy(b->masks, view->masks, sizeof(b->masks));
    if (b->bpp <= 8 && b->colors.size() < (size_t(1) << b->bpp))
        b->colors.resize(size_t(1) << b->bpp, RGBQUAD{0, 0, 0, 0});
    if (bits)
        *bits = b->bits();
    return static_cast<HBITMAP>(add(b));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (width < 0 || height < 0)
        return nullptr;
    std::shared_ptr<Bitmap> b = makeCompatible(dc, width, height);
    return b ? static_cast<HBITMAP>(add(b)) : nullptr;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (planes != 1 || width <= 0 || height <= 0)
        return nullptr;
    std::shared_ptr<Bitmap> b = makeBitmap(width, height, static_cast<int>(bitsPerPixel), true);
    if (!b)
        return nullptr;
    if (b->bpp > 1 && b->bpp <= 8)
        b->colors = defaultColors(b->bpp);
    if (bits)
        copyRowsIn(*b, static_cast<const uint8_t*>(bits), totalBitsBytes(*b), bitmapBitsStride(*b));
    return static_cast<HBITMAP>(add(b));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage)
{
    if (!header || header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == INT32_MIN)
        return nullptr;
    int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    std::shared_ptr<Bitmap> b = makeCompatible(dc, header->biWidth, height);
    if (!b)
        return nullptr;
    HBITMAP handle = static_cast<HBITMAP>(add(b));
    if ((init & CBM_INIT) && bits && info && SetDIBits(dc, handle, 0, height, bits, info, usage) == 0) {
        DeleteObject(handle);
        return nullptr;
    }
    return handle;
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD count, const void* bits)
{
    std::shared_ptr<Bitmap> b = findBitmap(bitmap);
    if (!b || !bits)
        return 0;
    size_t n = std::min<size_t>(count, totalBitsBytes(*b));
    copyRowsIn(*b, static_cast<const uint8_t*>(bits), n, bitmapBitsStride(*b));
    return static_cast<LONG>(n);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG count, LPVOID bits)
{
    std::shared_ptr<Bitmap> b = findBitmap(bitmap);
    if (!b || count < 0)
        return 0;
    if (!bits)
        return static_cast<LONG>(totalBitsBytes(*b));
    size_t n = std::min<size_t>(static_cast<size_t>(count), totalBitsBytes(*b));
    size_t stride = static_cast<size_t>(bitmapBitsStride(*b));
    uint8_t* out = static_cast<uint8_t*>(bits);
    for (int y = 0; y < b->height && static_cast<size_t>(y) * stride < n; ++y) {
        size_t offset = static_cast<size_t>(y) * stride;
        std::memcpy(out + offset, b->row(y), std::min({stride, n - offset, static_cast<size_t>(b->stride)}));
    }
    return static_cast<LONG>(n);
}

namespace {

void describe(const Bitmap& b, BITMAPINFOHEADER& h)
{
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = b.width;
    h.biHeight = b.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b.bpp);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(b.byteSize());
    h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
    h.biClrUsed = h.biClrImportant = 0;
}

// The colour table GetDIBits hands out for a requested depth.
std::vector<RGBQUAD> tableFor(const Bitmap& src, int bpp)
{
    if (src.bpp == bpp && !src.colors.empty())
        return src.colors;
    return defaultColors(bpp);
}

// Scan line s of a DIB counts from the bottom unless the DIB is top-down.
int rowOfScan(int scan, int height, bool topDown) { return topDown ? scan : height - 1 - scan; }

}  // namespace

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage)
{
    std::shared_ptr<Bitmap> src = findBitmap(bitmap);
    if (!findDc(dc) || !src || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits && h.biBitCount == 0) {
        describe(*src, h);
        return src->height;
    }
    std::shared_ptr<Bitmap> dst = dibFromInfo(info, DIB_RGB_COLORS, dc, bits);
    if (!dst || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS))
        return 0;
    dst->colors = tableFor(*src, dst->bpp);
    if (dst->bpp <= 8 && usage == DIB_RGB_COLORS) {
        RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(info) + h.biSize);
        std::copy(dst->colors.begin(), dst->colors.end(), table);
    }
    h.biSizeImage = static_cast<DWORD>(dst->byteSize());
    if (!bits)
        return src->height;
    if (dst->width != src->width || start >= static_cast<UINT>(src->height))
        return 0;
    UINT count = std::min<UINT>(lines, static_cast<UINT>(std::min(src->height, dst->height)) - start);
    for (UINT i = 0; i < count; ++i) {
        int scan = static_cast<int>(start + i);
        int sy = rowOfScan(scan, src->height, false);
        int dy = rowOfScan(scan, dst->height, dst->topDown);
        convertRow(*src, sy, *dst, dy);
    }
    return static_cast<int>(count);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    std::shared_ptr<Bitmap> dst = findBitmap(bitmap);
    std::shared_ptr<Bitmap> src = dibFromInfo(info, usage, dc, bits);
    if (!dst || !src || !bits || src->width != dst->width || start >= static_cast<UINT>(src->height))
        return 0;
    UINT count = std::min<UINT>(lines, static_cast<UINT>(std::min(src->height, dst->height)) - start);
    for (UINT i = 0; i < count; ++i) {
        int scan = static_cast<int>(start + i);
        convertRow(*src, rowOfScan(scan, src->height, src->topDown), *dst, rowOfScan(scan, dst->height, false));
    }
    return static_cast<int>(count);
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !d->state.bitmap || !colors)
        return 0;
    const std::vector<RGBQUAD>& table = d->state.bitmap->colors;
    if (start >= table.size())
        return 0;
    UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
    std::copy_n(table.begin() + start, n, colors);
    return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !d->state.bitmap || !colors)
        return 0;
    std::vector<RGBQUAD>& table = d->state.bitmap->colors;
    if (start >= table.size())
        return 0;
    UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
    std::copy_n(colors, n, table.begin() + start);
    return n;
}

namespace {

// A BMP file image in memory as a DIB section; null for anything malformed.
HBITMAP bitmapFromBmp(const uint8_t* file, size_t size)
{
    if (!file || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || file[0] != 'B' || file[1] != 'M')
        return nullptr;
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, file, sizeof(fh));
    // Keep the header and colour table 4-byte aligned for the DIB reader,
    // and padded so that a short colour table reads as zeros.
    std::vector<uint32_t> header((size - sizeof(fh) + 3) / 4 + 512, 0);
    std::memcpy(header.data(), file + sizeof(fh), size - sizeof(fh));
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    if (info->bmiHeader.biSize > 1024 || info->bmiHeader.biSize > size - sizeof(fh))
        return nullptr;
    std::shared_ptr<Bitmap> view = dibFromInfo(info, DIB_RGB_COLORS, nullptr, nullptr);
    if (!view || fh.bfOffBits > size || size - fh.bfOffBits < view->byteSize())
        return nullptr;
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(screen, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (b)
        std::memcpy(bits, file + fh.bfOffBits, view->byteSize());
    ReleaseDC(nullptr, screen);
    return b;
}

}  // namespace

HANDLE LoadImage(HINSTANCE, LPCSTR name, UINT type, int, int, UINT flags)
{
    if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || !name)
        return nullptr;
    std::ifstream in(name, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bitmapFromBmp(file.data(), file.size());
}
