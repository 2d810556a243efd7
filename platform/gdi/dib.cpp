#include "gdi/dib.h"

#include <cstring>

#include "gdi/pixels.h"

namespace gdi {

namespace {

bool supportedDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

bool readMasks(const BITMAPINFOHEADER& h, Bitmap& b)
{
    if (h.biCompression == BI_RGB)
        return true;
    if (h.biCompression != BI_BITFIELDS || (h.biBitCount != 16 && h.biBitCount != 32))
        return false;
    const DWORD* m = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(&h) + sizeof(BITMAPINFOHEADER));
    if (h.biBitCount == 32)
        return m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF;
    if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) {
        std::memcpy(b.masks, m, sizeof(b.masks));
        return true;
    }
    return m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F;
}

void readColors(const BITMAPINFO* info, UINT usage, HDC dc, Bitmap& b)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (b.bpp > 8)
        return;
    size_t count = h.biClrUsed ? std::min<size_t>(h.biClrUsed, size_t(1) << b.bpp) : size_t(1) << b.bpp;
    const BYTE* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
    b.colors.assign(count, RGBQUAD{0, 0, 0, 0});
    if (usage == DIB_PAL_COLORS) {
        std::shared_ptr<Dc> d = findDc(dc);
        std::shared_ptr<Palette> pal = d ? findPalette(d->state.paletteHandle) : nullptr;
        const WORD* index = reinterpret_cast<const WORD*>(table);
        for (size_t i = 0; i < count && pal; ++i)
            if (index[i] < pal->entries.size()) {
                const PALETTEENTRY& e = pal->entries[index[i]];
                b.colors[i] = {e.peBlue, e.peGreen, e.peRed, 0};
            }
        return;
    }
    std::memcpy(b.colors.data(), table, count * sizeof(RGBQUAD));
}

}  // namespace

std::shared_ptr<Bitmap> dibFromInfo(const BITMAPINFO* info, UINT usage, HDC dc, const void* bits)
{
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (!supportedDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return nullptr;
    auto b = std::make_shared<Bitmap>();
    b->width = h.biWidth;
    b->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    b->topDown = h.biHeight < 0;
    b->bpp = h.biBitCount;
    size_t stride = ((static_cast<size_t>(b->width) * b->bpp + 31) / 32) * 4;
    if (stride > (size_t(1) << 30) / static_cast<size_t>(b->height))
        return nullptr;
    b->stride = static_cast<int>(stride);
    b->dibSection = true;
    if (!readMasks(h, *b))
        return nullptr;
    readColors(info, usage, dc, *b);
    b->data = static_cast<uint8_t*>(const_cast<void*>(bits));
    return b;
}

std::vector<RGBQUAD> defaultColors(int bpp)
{
    std::vector<RGBQUAD> c;
    if (bpp == 1) {
        c = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (bpp == 4) {
        static const BYTE vga[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                        {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                        {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                        {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& v : vga)
            c.push_back({v[2], v[1], v[0], 0});
    } else if (bpp == 8) {
        // 6 x 6 x 6 colour cube followed by a grey ramp.
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    c.push_back({BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0});
        for (int i = 0; i < 40; ++i) {
            BYTE v = BYTE(i * 255 / 39);
            c.push_back({v, v, v, 0});
        }
    }
    return c;
}

void convertRow(const Bitmap& src, int sy, Bitmap& dst, int dy)
{
    const bool sameTable = src.colors.size() == dst.colors.size() &&
                           (src.colors.empty() || std::memcmp(src.colors.data(), dst.colors.data(), src.colors.size() * sizeof(RGBQUAD)) == 0);
    const bool sameLayout = src.bpp == dst.bpp && (src.bpp > 8 || sameTable) &&
                            (src.bpp != 16 || src.masks[1] == dst.masks[1]);
    if (sameLayout) {
        std::memcpy(dst.row(dy), src.row(sy), static_cast<size_t>((src.width * src.bpp + 7) / 8));
        return;
    }
    if (src.bpp == 32 && dst.bpp == 24) {
        const uint8_t* s = src.row(sy);
        uint8_t* d = dst.row(dy);
        for (int x = 0; x < src.width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
        return;
    }
    if (src.bpp <= 8) {
        uint32_t lut[256];
        size_t n = size_t(1) << src.bpp;
        for (size_t i = 0; i < n; ++i)
            lut[i] = colorToRaw(dst, rawToColor(src, static_cast<uint32_t>(i)));
        for (int x = 0; x < src.width; ++x)
            writeRaw(dst, x, dy, lut[readRaw(src, x, sy)]);
        return;
    }
    for (int x = 0; x < src.width; ++x)
        writeRaw(dst, x, dy, colorToRaw(dst, rawToColor(src, readRaw(src, x, sy))));
}

}  // namespace gdi
