#include "gdi/pixels.h"

#include <climits>

namespace gdi {

uint32_t nearestIndex(const RGBQUAD* table, int count, COLORREF color)
{
    int r = GetRValue(color), g = GetGValue(color), bl = GetBValue(color);
    uint32_t best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < count; ++i) {
        int dr = table[i].rgbRed - r, dg = table[i].rgbGreen - g, db = table[i].rgbBlue - bl;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint32_t>(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

uint32_t colorToRaw(const Bitmap& b, COLORREF color)
{
    uint32_t r = GetRValue(color), g = GetGValue(color), bl = GetBValue(color);
    switch (b.bpp) {
    case 32:
    case 24: return (r << 16) | (g << 8) | bl;
    case 16:
        if (b.masks[1] == 0x07E0)
            return ((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3);
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3);
    default:
        if (b.colors.empty())
            return 0;
        return nearestIndex(b.colors.data(), static_cast<int>(b.colors.size()), color);
    }
}

COLORREF rawToColor(const Bitmap& b, uint32_t raw)
{
    switch (b.bpp) {
    case 32:
    case 24: return RGB((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF);
    case 16: {
        if (b.masks[1] == 0x07E0) {
            uint32_t r = (raw >> 11) & 31, g = (raw >> 5) & 63, bl = raw & 31;
            return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (bl << 3) | (bl >> 2));
        }
        uint32_t r = (raw >> 10) & 31, g = (raw >> 5) & 31, bl = raw & 31;
        return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (bl << 3) | (bl >> 2));
    }
    default:
        if (raw >= b.colors.size())
            return 0;
        return RGB(b.colors[raw].rgbRed, b.colors[raw].rgbGreen, b.colors[raw].rgbBlue);
    }
}

}  // namespace gdi
