#include "RasterImage.h"

#include <cstdlib>
#include <cstring>

static const CRasterImage::rgb_color kStdPalette16[16] = {
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

static const CRasterImage::rgb_color kStdPalette256[256] = {
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {192, 220, 192}, {166, 202, 240}, {255, 240, 212}, {255, 226, 177},
    {255, 212, 142}, {255, 198, 107}, {255, 184, 72}, {255, 170, 37},
    {255, 170, 0}, {220, 146, 0}, {185, 122, 0}, {150, 98, 0},
    {115, 74, 0}, {80, 50, 0}, {255, 227, 212}, {255, 199, 177},
    {255, 171, 142}, {255, 143, 107}, {255, 115, 72}, {255, 87, 37},
    {255, 85, 0}, {220, 73, 0}, {185, 61, 0}, {150, 49, 0},
    {115, 37, 0}, {80, 25, 0}, {255, 212, 212}, {255, 177, 177},
    {255, 142, 142}, {255, 107, 107}, {255, 72, 72}, {255, 37, 37},
    {254, 0, 0}, {220, 0, 0}, {185, 0, 0}, {150, 0, 0},
    {115, 0, 0}, {80, 0, 0}, {255, 212, 227}, {255, 177, 199},
    {255, 142, 171}, {255, 107, 143}, {255, 72, 115}, {255, 37, 87},
    {255, 0, 85}, {220, 0, 73}, {185, 0, 61}, {150, 0, 49},
    {115, 0, 37}, {80, 0, 25}, {255, 212, 240}, {255, 177, 226},
    {255, 142, 212}, {255, 107, 198}, {255, 72, 184}, {255, 37, 170},
    {255, 0, 170}, {220, 0, 146}, {185, 0, 122}, {150, 0, 98},
    {115, 0, 74}, {80, 0, 50}, {255, 212, 255}, {255, 177, 255},
    {255, 142, 255}, {255, 107, 255}, {255, 72, 255}, {255, 37, 255},
    {254, 0, 254}, {220, 0, 220}, {185, 0, 185}, {150, 0, 150},
    {115, 0, 115}, {80, 0, 80}, {240, 212, 255}, {226, 177, 255},
    {212, 142, 255}, {198, 107, 255}, {184, 72, 255}, {170, 37, 255},
    {170, 0, 255}, {146, 0, 220}, {122, 0, 185}, {98, 0, 150},
    {74, 0, 115}, {50, 0, 80}, {227, 212, 255}, {199, 177, 255},
    {171, 142, 255}, {143, 107, 255}, {115, 72, 255}, {87, 37, 255},
    {85, 0, 255}, {73, 0, 220}, {61, 0, 185}, {49, 0, 150},
    {37, 0, 115}, {25, 0, 80}, {212, 212, 255}, {177, 177, 255},
    {142, 142, 255}, {107, 107, 255}, {72, 72, 255}, {37, 37, 255},
    {0, 0, 254}, {0, 0, 220}, {0, 0, 185}, {0, 0, 150},
    {0, 0, 115}, {0, 0, 80}, {212, 227, 255}, {177, 199, 255},
    {142, 171, 255}, {107, 143, 255}, {72, 115, 255}, {37, 87, 255},
    {0, 85, 255}, {0, 73, 220}, {0, 61, 185}, {0, 49, 150},
    {0, 37, 115}, {0, 25, 80}, {212, 240, 255}, {177, 226, 255},
    {142, 212, 255}, {107, 198, 255}, {72, 184, 255}, {37, 170, 255},
    {0, 170, 255}, {0, 146, 220}, {0, 122, 185}, {0, 98, 150},
    {0, 74, 115}, {0, 50, 80}, {212, 255, 255}, {177, 255, 255},
    {142, 255, 255}, {107, 255, 255}, {72, 255, 255}, {37, 255, 255},
    {0, 254, 254}, {0, 220, 220}, {0, 185, 185}, {0, 150, 150},
    {0, 115, 115}, {0, 80, 80}, {212, 255, 240}, {177, 255, 226},
    {142, 255, 212}, {107, 255, 198}, {72, 255, 184}, {37, 255, 170},
    {0, 255, 170}, {0, 220, 146}, {0, 185, 122}, {0, 150, 98},
    {0, 115, 74}, {0, 80, 50}, {212, 255, 227}, {177, 255, 199},
    {142, 255, 171}, {107, 255, 143}, {72, 255, 115}, {37, 255, 87},
    {0, 255, 85}, {0, 220, 73}, {0, 185, 61}, {0, 150, 49},
    {0, 115, 37}, {0, 80, 25}, {212, 255, 212}, {177, 255, 177},
    {142, 255, 142}, {107, 255, 107}, {72, 255, 72}, {37, 255, 37},
    {0, 254, 0}, {0, 220, 0}, {0, 185, 0}, {0, 150, 0},
    {0, 115, 0}, {0, 80, 0}, {227, 255, 212}, {199, 255, 177},
    {171, 255, 142}, {143, 255, 107}, {115, 255, 72}, {87, 255, 37},
    {85, 255, 0}, {73, 220, 0}, {61, 185, 0}, {49, 150, 0},
    {37, 115, 0}, {25, 80, 0}, {240, 255, 212}, {226, 255, 177},
    {212, 255, 142}, {198, 255, 107}, {184, 255, 72}, {170, 255, 37},
    {170, 255, 0}, {146, 220, 0}, {122, 185, 0}, {98, 150, 0},
    {74, 115, 0}, {50, 80, 0}, {255, 255, 212}, {255, 255, 177},
    {255, 255, 142}, {255, 255, 107}, {255, 255, 72}, {255, 255, 37},
    {254, 254, 0}, {220, 220, 0}, {185, 185, 0}, {150, 150, 0},
    {115, 115, 0}, {80, 80, 0}, {242, 242, 242}, {230, 230, 230},
    {218, 218, 218}, {206, 206, 206}, {194, 194, 194}, {182, 182, 182},
    {170, 170, 170}, {158, 158, 158}, {146, 146, 146}, {134, 134, 134},
    {122, 122, 122}, {110, 110, 110}, {98, 98, 98}, {86, 86, 86},
    {74, 74, 74}, {62, 62, 62}, {50, 50, 50}, {38, 38, 38},
    {26, 26, 26}, {14, 14, 14}, {255, 251, 240}, {160, 160, 164},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

static int Luminance(RGBQUAD c)
{
    return (c.rgbRed * 306 + c.rgbGreen * 601 + c.rgbBlue * 117) >> 10;
}

DWORD CRasterImage::GetPaletteSize() const
{
    return head.biClrUsed * sizeof(RGBQUAD);
}

RGBQUAD* CRasterImage::GetPalette() const
{
    if (!pDib || head.biClrUsed == 0)
        return nullptr;
    return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(pDib) + sizeof(BITMAPINFOHEADER));
}

RGBQUAD CRasterImage::GetPaletteColor(BYTE idx) const
{
    RGBQUAD rgb = {0, 0, 0, 0};
    RGBQUAD* pal = GetPalette();
    if (pal && idx < head.biClrUsed)
        rgb = pal[idx];
    return rgb;
}

bool CRasterImage::GetPaletteColor(BYTE idx, BYTE* r, BYTE* g, BYTE* b) const
{
    RGBQUAD* pal = GetPalette();
    if (!pal || idx >= head.biClrUsed)
        return false;
    if (r)
        *r = pal[idx].rgbRed;
    if (g)
        *g = pal[idx].rgbGreen;
    if (b)
        *b = pal[idx].rgbBlue;
    return true;
}

void CRasterImage::SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha)
{
    RGBQUAD c = {b, g, r, alpha};
    SetPaletteColor(idx, c);
}

void CRasterImage::SetPaletteColor(BYTE idx, RGBQUAD c)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || idx >= head.biClrUsed)
        return;
    pal[idx] = c;
    info.last_c_isvalid = false;
}

void CRasterImage::SetPaletteColor(BYTE idx, COLORREF cr)
{
    SetPaletteColor(idx, RGBtoRGBQUAD(cr));
}

void CRasterImage::SetPalette(DWORD n, BYTE* r, BYTE* g, BYTE* b)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !r)
        return;
    if (!g)
        g = r;
    if (!b)
        b = g;
    DWORD count = n < head.biClrUsed ? n : head.biClrUsed;
    for (DWORD i = 0; i < count; i++) {
        pal[i].rgbRed = r[i];
        pal[i].rgbGreen = g[i];
        pal[i].rgbBlue = b[i];
    }
    info.last_c_isvalid = false;
}

void CRasterImage::SetPalette(rgb_color* rgb, DWORD nColors)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !rgb)
        return;
    DWORD count = nColors < head.biClrUsed ? nColors : head.biClrUsed;
    for (DWORD i = 0; i < count; i++) {
        pal[i].rgbRed = rgb[i].r;
        pal[i].rgbGreen = rgb[i].g;
        pal[i].rgbBlue = rgb[i].b;
    }
    info.last_c_isvalid = false;
}

void CRasterImage::SetPalette(RGBQUAD* pPal, DWORD nColors)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !pPal)
        return;
    DWORD count = nColors < head.biClrUsed ? nColors : head.biClrUsed;
    memcpy(pal, pPal, size_t(count) * sizeof(RGBQUAD));
    info.last_c_isvalid = false;
}

void CRasterImage::SetGrayPalette()
{
    RGBQUAD* pal = GetPalette();
    if (!pal || head.biClrUsed < 2)
        return;
    DWORD step = 255 / (head.biClrUsed - 1);
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        BYTE v = BYTE(step * i);
        pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = v;
    }
    info.last_c_isvalid = false;
}

void CRasterImage::SetStdPalette()
{
    if (!pDib)
        return;
    if (head.biBitCount == 4)
        SetPalette(const_cast<rgb_color*>(kStdPalette16), 16);
    else if (head.biBitCount == 8)
        SetPalette(const_cast<rgb_color*>(kStdPalette256), 256);
    else
        return;
    RGBQUAD* pal = GetPalette();
    for (DWORD i = 0; i < head.biClrUsed; i++)
        pal[i].rgbReserved = 0;
}

void CRasterImage::BlendPalette(COLORREF cr, long perc)
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return;
    if (perc > 100)
        perc = 100;
    long keep = 100 - perc;
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        pal[i].rgbBlue = BYTE((pal[i].rgbBlue * keep + GetBValue(cr) * perc) / 100);
        pal[i].rgbGreen = BYTE((pal[i].rgbGreen * keep + GetGValue(cr) * perc) / 100);
        pal[i].rgbRed = BYTE((pal[i].rgbRed * keep + GetRValue(cr) * perc) / 100);
    }
    info.last_c_isvalid = false;
}

bool CRasterImage::IsGrayScale()
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i)
            return false;
    }
    return true;
}

bool CRasterImage::IsSamePalette(CRasterImage& img, bool bCheckAlpha)
{
    if (head.biClrUsed == 0 || head.biClrUsed != img.head.biClrUsed)
        return false;
    RGBQUAD* a = GetPalette();
    RGBQUAD* b = img.GetPalette();
    if (!a || !b)
        return false;
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        if (a[i].rgbBlue != b[i].rgbBlue || a[i].rgbGreen != b[i].rgbGreen ||
            a[i].rgbRed != b[i].rgbRed)
            return false;
        if (bCheckAlpha && a[i].rgbReserved != b[i].rgbReserved)
            return false;
    }
    return true;
}

void CRasterImage::SwapIndex(BYTE idx1, BYTE idx2)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || idx1 >= head.biClrUsed || idx2 >= head.biClrUsed)
        return;
    RGBQUAD t = pal[idx1];
    pal[idx1] = pal[idx2];
    pal[idx2] = t;
    info.last_c_isvalid = false;
    for (long y = 0; y < head.biHeight; y++) {
        for (long x = 0; x < head.biWidth; x++) {
            BYTE i = BlindGetPixelIndex(x, y);
            if (i == idx1)
                SetPixelIndex(x, y, idx2);
            else if (i == idx2)
                SetPixelIndex(x, y, idx1);
        }
    }
}

void CRasterImage::SetClrImportant(DWORD ncolors)
{
    if (ncolors == 0 || ncolors > 256) {
        head.biClrImportant = 0;
        return;
    }
    switch (head.biBitCount) {
    case 1: head.biClrImportant = ncolors < 2 ? ncolors : 2; break;
    case 4: head.biClrImportant = ncolors < 16 ? ncolors : 16; break;
    case 8: head.biClrImportant = ncolors; break;
    default: break;
    }
    info.last_c_isvalid = false;
}

BYTE CRasterImage::GetNearestIndex(RGBQUAD c)
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return 0;
    if (info.last_c_isvalid && memcmp(&info.last_c, &c, sizeof(c)) == 0)
        return info.last_c_index;
    info.last_c = c;
    info.last_c_isvalid = true;
    // An important-colour count larger than the table must not widen the search.
    DWORD n = head.biClrImportant ? head.biClrImportant : head.biClrUsed;
    if (n > head.biClrUsed)
        n = head.biClrUsed;
    if (n < 1) {
        info.last_c_index = 0;
        return 0;
    }
    long best = 200000;
    BYTE bestIndex = 0;
    for (DWORD i = 0; i < n; i++) {
        long db = long(pal[i].rgbBlue) - c.rgbBlue;
        long dg = long(pal[i].rgbGreen) - c.rgbGreen;
        long dr = long(pal[i].rgbRed) - c.rgbRed;
        long d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            bestIndex = BYTE(i);
            break;
        }
        if (d < best) {
            best = d;
            bestIndex = BYTE(i);
        }
    }
    info.last_c_index = bestIndex;
    return bestIndex;
}

BYTE CRasterImage::GetPixelIndex(long x, long y)
{
    if (!pDib || head.biClrUsed == 0)
        return 0;
    if (!IsInside(x, y)) {
        if (info.nBkgndIndex >= 0)
            return BYTE(info.nBkgndIndex);
        // The corner pixel, decoded at its depth, not the raw first byte.
        return BlindGetPixelIndex(0, 0);
    }
    return BlindGetPixelIndex(x, y);
}

BYTE CRasterImage::BlindGetPixelIndex(long x, long y)
{
    const BYTE* row = info.pImage + size_t(y) * info.dwEffWidth;
    switch (head.biBitCount) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? BYTE(row[x >> 1] & 0x0F) : BYTE(row[x >> 1] >> 4);
    case 1:
        return BYTE((row[x >> 3] >> (7 - (x & 7))) & 1);
    default:
        return 0;
    }
}

RGBQUAD CRasterImage::GetPixelColor(long x, long y, bool bGetAlpha)
{
    RGBQUAD rgb = info.nBkgndColor;
    if (!pDib)
        return rgb;
    if (!IsInside(x, y)) {
        if (info.nBkgndIndex < 0)
            return GetPixelColor(0, 0, bGetAlpha);
        return GetTransColor();
    }
    if (head.biClrUsed) {
        rgb = GetPaletteColor(BlindGetPixelIndex(x, y));
    } else {
        const BYTE* p = info.pImage + size_t(y) * info.dwEffWidth + size_t(x) * 3;
        rgb.rgbBlue = p[0];
        rgb.rgbGreen = p[1];
        rgb.rgbRed = p[2];
    }
    if (pAlpha && bGetAlpha)
        rgb.rgbReserved = BlindAlphaGet(x, y);
    return rgb;
}

RGBQUAD CRasterImage::BlindGetPixelColor(long x, long y)
{
    if (head.biClrUsed)
        return GetPaletteColor(BlindGetPixelIndex(x, y));
    RGBQUAD rgb;
    const BYTE* p = info.pImage + size_t(y) * info.dwEffWidth + size_t(x) * 3;
    rgb.rgbBlue = p[0];
    rgb.rgbGreen = p[1];
    rgb.rgbRed = p[2];
    rgb.rgbReserved = pAlpha ? BlindAlphaGet(x, y) : 0;
    return rgb;
}

BYTE CRasterImage::GetPixelGray(long x, long y)
{
    return BYTE(Luminance(GetPixelColor(x, y)));
}

void CRasterImage::SetPixelIndex(long x, long y, BYTE i)
{
    if (!pDib || head.biClrUsed == 0 || !IsInside(x, y))
        return;
    BYTE* row = info.pImage + size_t(y) * info.dwEffWidth;
    switch (head.biBitCount) {
    case 8:
        row[x] = i;
        break;
    case 4: {
        BYTE& b = row[x >> 1];
        if (x & 1)
            b = BYTE((b & 0xF0) | (i & 0x0F));
        else
            b = BYTE((b & 0x0F) | ((i & 0x0F) << 4));
        break;
    }
    case 1: {
        BYTE mask = BYTE(0x80 >> (x & 7));
        if (i & 1)
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= BYTE(~mask);
        break;
    }
    default:
        break;
    }
}

void CRasterImage::SetPixelColor(long x, long y, RGBQUAD c, bool bSetAlpha)
{
    if (!pDib || !IsInside(x, y))
        return;
    if (head.biClrUsed) {
        SetPixelIndex(x, y, GetNearestIndex(c));
    } else {
        BYTE* p = info.pImage + size_t(y) * info.dwEffWidth + size_t(x) * 3;
        p[0] = c.rgbBlue;
        p[1] = c.rgbGreen;
        p[2] = c.rgbRed;
    }
    if (bSetAlpha && pAlpha)
        AlphaSet(x, y, c.rgbReserved);
}

void CRasterImage::SetPixelColor(long x, long y, COLORREF cr)
{
    SetPixelColor(x, y, RGBtoRGBQUAD(cr), false);
}

void CRasterImage::BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool bSetAlpha)
{
    if (!pDib || !IsInside(x, y))
        return;
    int a = int(blend * 256);
    RGBQUAD old = GetPixelColor(x, y, false);
    RGBQUAD mixed = old;
    mixed.rgbBlue = BYTE((old.rgbBlue * (256 - a) + c.rgbBlue * a) >> 8);
    mixed.rgbGreen = BYTE((old.rgbGreen * (256 - a) + c.rgbGreen * a) >> 8);
    mixed.rgbRed = BYTE((old.rgbRed * (256 - a) + c.rgbRed * a) >> 8);
    mixed.rgbReserved = c.rgbReserved;
    SetPixelColor(x, y, mixed, bSetAlpha);
}

BYTE* CRasterImage::BlindGetPixelPointer(long x, long y)
{
    if (head.biClrUsed)
        return nullptr;
    return info.pImage + size_t(y) * info.dwEffWidth + size_t(x) * 3;
}

bool CRasterImage::IsTransparent(long x, long y)
{
    if (!pDib)
        return false;
    if (info.nBkgndIndex >= 0) {
        if (head.biClrUsed)
            return GetPixelIndex(x, y) == info.nBkgndIndex;
        RGBQUAD c = GetPixelColor(x, y, false);
        RGBQUAD t = info.nBkgndColor;
        return c.rgbBlue == t.rgbBlue && c.rgbGreen == t.rgbGreen && c.rgbRed == t.rgbRed;
    }
    if (pAlpha)
        return AlphaGet(x, y) == 0;
    return false;
}

void CRasterImage::DrawLine(int StartX, int EndX, int StartY, int EndY, RGBQUAD color,
                            bool bSetAlpha)
{
    if (!pDib)
        return;
    int dx = abs(EndX - StartX), dy = abs(EndY - StartY);
    int sx = EndX >= StartX ? 1 : -1, sy = EndY >= StartY ? 1 : -1;
    int x = StartX, y = StartY;
    if (dx >= dy) {
        int acc = dx / 2;
        for (int i = 0; i <= dx; i++) {
            SetPixelColor(x, y, color, bSetAlpha);
            x += sx;
            acc += dy;
            if (acc >= dx && dx) {
                acc -= dx;
                y += sy;
            }
        }
    } else {
        int acc = dy / 2;
        for (int i = 0; i <= dy; i++) {
            SetPixelColor(x, y, color, bSetAlpha);
            y += sy;
            acc += dx;
            if (acc >= dy) {
                acc -= dy;
                x += sx;
            }
        }
    }
}

void CRasterImage::DrawLine(int StartX, int EndX, int StartY, int EndY, COLORREF cr)
{
    DrawLine(StartX, EndX, StartY, EndY, RGBtoRGBQUAD(cr));
}

RGBQUAD CRasterImage::RGBtoRGBQUAD(COLORREF cr)
{
    RGBQUAD c;
    c.rgbBlue = GetBValue(cr);
    c.rgbGreen = GetGValue(cr);
    c.rgbRed = GetRValue(cr);
    c.rgbReserved = 0;
    return c;
}

COLORREF CRasterImage::RGBQUADtoRGB(RGBQUAD c)
{
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

void CRasterImage::RGBtoBGR(BYTE* buffer, int length)
{
    if (!buffer || head.biClrUsed != 0 || length <= 0)
        return;
    DWORD n = DWORD(length) < info.dwEffWidth ? DWORD(length) : info.dwEffWidth;
    for (DWORD i = 0; i + 2 < n; i += 3) {
        BYTE t = buffer[i];
        buffer[i] = buffer[i + 2];
        buffer[i + 2] = t;
    }
}
