// An icon handle stands for the id of its resource, like a cursor handle;
// nothing is allocated for it.
#include "wnd/icons.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "gdi/gdi.h"

namespace {

std::map<UINT, std::vector<BYTE>>& Icons()
{
    static std::map<UINT, std::vector<BYTE>> icons;
    return icons;
}

bool IdOfName(LPCTSTR name, UINT& id)
{
    if (name == nullptr)
        return false;
    if (IS_INTRESOURCE(name)) {
        id = (UINT) reinterpret_cast<uintptr_t>(name);
        return true;
    }
    if (name[0] != '#')
        return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(name + 1, &end, 10);
    if (end == name + 1 || *end != '\0' || value > 0xFFFF)
        return false;
    id = (UINT)value;
    return true;
}

}  // namespace

void RegisterIconResource(UINT id, std::vector<BYTE> bmpFile) { Icons()[id] = std::move(bmpFile); }

HICON LoadIcon(HINSTANCE, LPCTSTR name)
{
    UINT id = 0;
    if (!IdOfName(name, id) || Icons().count(id) == 0)
        return nullptr;
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(id));
}

bool PlatformIconPixels(HICON icon, int& width, int& height, std::vector<uint32_t>& argb)
{
    auto found = Icons().find((UINT) reinterpret_cast<uintptr_t>(icon));
    if (icon == nullptr || found == Icons().end())
        return false;
    const std::vector<BYTE>& file = found->second;
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER h;
    if (file.size() < sizeof(fh) + sizeof(h) || file[0] != 'B' || file[1] != 'M')
        return false;
    std::memcpy(&fh, file.data(), sizeof(fh));
    std::memcpy(&h, file.data() + sizeof(fh), sizeof(h));
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biWidth > 256 || h.biHeight == 0 ||
        std::abs(h.biHeight) > 256)
        return false;
    width = h.biWidth;
    height = std::abs(h.biHeight);
    const size_t bytes = (size_t)width * height * 4;
    if (fh.bfOffBits > file.size() || file.size() - fh.bfOffBits < bytes)
        return false;
    argb.assign((size_t)width * height, 0);
    for (int row = 0; row < height; ++row) {
        const int stored = h.biHeight > 0 ? height - 1 - row : row;
        const BYTE* p = file.data() + fh.bfOffBits + (size_t)stored * width * 4;
        for (int x = 0; x < width; ++x, p += 4)
            argb[(size_t)row * width + x] = (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
    }
    return true;
}

BOOL GetIconInfo(HICON icon, PICONINFO info)
{
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    if (info == nullptr || !PlatformIconPixels(icon, width, height, argb))
        return FALSE;
    // Rows of bitmap bits are padded to 16 bits.
    const size_t maskStride = (size_t(width) + 15) / 16 * 2;
    std::vector<BYTE> mask(maskStride * height, 0);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            if (argb[size_t(row) * width + x] >> 24 == 0)
                mask[row * maskStride + x / 8] |= BYTE(0x80 >> (x % 8));
    HBITMAP colour = CreateBitmap(width, height, 1, 32, argb.data());
    HBITMAP monochrome = CreateBitmap(width, height, 1, 1, mask.data());
    if (colour == nullptr || monochrome == nullptr) {
        DeleteObject(colour);
        DeleteObject(monochrome);
        return FALSE;
    }
    info->fIcon = TRUE;
    info->xHotspot = DWORD(width / 2);
    info->yHotspot = DWORD(height / 2);
    info->hbmMask = monochrome;
    info->hbmColor = colour;
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon)
{
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    if (dc == nullptr || !PlatformIconPixels(icon, width, height, argb))
        return FALSE;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const uint32_t pixel = argb[(size_t)row * width + column];
            const unsigned alpha = pixel >> 24;
            if (alpha == 0)
                continue;
            const COLORREF under = alpha == 255 ? 0 : GetPixel(dc, x + column, y + row);
            auto blend = [&](unsigned over, unsigned back) { return (BYTE)((over * alpha + back * (255 - alpha)) / 255); };
            SetPixel(dc, x + column, y + row,
                     RGB(blend((pixel >> 16) & 0xFF, GetRValue(under)), blend((pixel >> 8) & 0xFF, GetGValue(under)),
                         blend(pixel & 0xFF, GetBValue(under))));
        }
    }
    return TRUE;
}
