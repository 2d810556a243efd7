// Moving pictures between the raster image and the GDI: global-memory DIB
// blocks, bitmaps, drawing into a device context and text burned into pixels.
#include "RasterImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/winmemory.h"
#include "gdi/gdiapi.h"
#include "wnd/icons.h"

namespace {

// A 24-bit bottom-up DIB section on a memory context compatible with the screen.
class Section24 {
public:
    Section24(long width, long height) : m_width(width), m_height(height)
    {
        m_dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = height;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 24;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        if (m_dc && width > 0 && height > 0)
            m_bitmap = CreateDIBSection(m_dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<BYTE*>(bits);
        if (m_bitmap)
            m_old = SelectObject(m_dc, m_bitmap);
        m_info = bmi;
    }
    ~Section24()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }
    bool IsValid() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    BYTE* Pixel(long x, long rowUp) const { return m_bits + size_t(rowUp) * Stride() + size_t(x) * 3; }
    size_t Stride() const { return (size_t(m_width) * 3 + 3) & ~size_t(3); }
    void CopyTo(HDC dc, long x, long y)
    {
        SetDIBitsToDevice(dc, int(x), int(y), DWORD(m_width), DWORD(m_height), 0, 0, 0, UINT(m_height), m_bits,
                          &m_info, DIB_RGB_COLORS);
    }

private:
    long m_width;
    long m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    BYTE* m_bits = nullptr;
    BITMAPINFO m_info;
};

// Remembers the clip box and narrows the clip region to a rectangle; the
// box is added back when it goes out of scope.
class ClipScope {
public:
    ClipScope(HDC dc, const RECT* clip) : m_dc(dc), m_active(clip != nullptr)
    {
        if (!m_active)
            return;
        GetClipBox(dc, &m_saved);
        HRGN region = CreateRectRgnIndirect(clip);
        ExtSelectClipRgn(dc, region, RGN_AND);
        DeleteObject(region);
    }
    ~ClipScope()
    {
        if (!m_active)
            return;
        HRGN region = CreateRectRgnIndirect(&m_saved);
        ExtSelectClipRgn(m_dc, region, RGN_OR);
        DeleteObject(region);
    }

private:
    HDC m_dc;
    bool m_active;
    RECT m_saved{};
};

DWORD Le32(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

WORD Le16(const BYTE* p)
{
    return WORD(p[0] | p[1] << 8);
}

// One of the two run-length codings of indexed rows; writing stops at the
// row's end and at the last row, whatever the data asks for.
class RleWriter {
public:
    RleWriter(BYTE* bits, size_t stride, long width, long height, int bpp)
        : m_bits(bits), m_stride(stride), m_width(width), m_height(height), m_bpp(bpp)
    {
    }
    void Put(BYTE value)
    {
        if (m_x < m_width && m_y < m_height) {
            BYTE* row = m_bits + size_t(m_y) * m_stride;
            if (m_bpp == 8) {
                row[m_x] = value;
            } else {
                BYTE& b = row[m_x / 2];
                b = (m_x & 1) ? BYTE((b & 0xF0) | (value & 0x0F)) : BYTE((b & 0x0F) | (value << 4));
            }
        }
        ++m_x;
    }
    void EndRow()
    {
        m_x = 0;
        ++m_y;
    }
    void Move(BYTE dx, BYTE dy)
    {
        m_x += dx;
        m_y += dy;
    }

private:
    BYTE* m_bits;
    size_t m_stride;
    long m_width;
    long m_height;
    int m_bpp;
    long m_x = 0;
    long m_y = 0;
};

void DecodeRle(const BYTE* data, size_t size, RleWriter& out, int bpp)
{
    size_t i = 0;
    while (i + 1 < size) {
        const BYTE count = data[i];
        const BYTE value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int n = 0; n < count; ++n)
                out.Put(bpp == 8 ? value : ((n & 1) ? (value & 0x0F) : (value >> 4)));
            continue;
        }
        if (value == 0) {
            out.EndRow();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (i + 1 >= size)
                return;
            out.Move(data[i], data[i + 1]);
            i += 2;
        } else {
            const size_t bytes = bpp == 8 ? value : (size_t(value) + 1) / 2;
            if (i + bytes > size)
                return;
            for (int n = 0; n < value; ++n)
                out.Put(bpp == 8 ? data[i + n] : ((n & 1) ? (data[i + n / 2] & 0x0F) : (data[i + n / 2] >> 4)));
            i += (bytes + 1) & ~size_t(1);
        }
    }
}

}  // namespace

HGLOBAL CRasterImage::CopyToHandle()
{
    if (!pDib)
        return nullptr;
    HGLOBAL memory = GlobalAlloc(GHND, size_t(GetSize()));
    if (!memory)
        return nullptr;
    void* block = GlobalLock(memory);
    if (block)
        std::memcpy(block, pDib, size_t(GetSize()));
    GlobalUnlock(memory);
    return memory;
}

bool CRasterImage::CreateFromHANDLE(HGLOBAL memory)
{
    if (!Destroy())
        return false;
    const size_t size = GlobalSize(memory);
    if (size == 0)
        return false;
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(memory));
    if (!block)
        return false;
    const bool ok = ReadPackedDib(block, size);
    GlobalUnlock(memory);
    if (!ok && pDib)
        Destroy();
    return ok;
}

// A packed DIB of `size` bytes: header, colour table, rows. Every read is
// checked against the block, so a header that claims more than the block
// holds is refused instead of read past.
bool CRasterImage::ReadPackedDib(const BYTE* block, size_t size)
{
    if (size < 4) {
        SetLastError("DIB header too small");
        return false;
    }
    const DWORD headerSize = Le32(block);
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    if ((!core && headerSize < sizeof(BITMAPINFOHEADER)) || headerSize > size) {
        SetLastError("DIB header size not valid");
        return false;
    }
    const long width = core ? Le16(block + 4) : long(Le32(block + 4));
    const long height = core ? Le16(block + 6) : long(Le32(block + 8));
    const WORD bpp = core ? Le16(block + 10) : Le16(block + 14);
    const DWORD compression = core ? BI_RGB : Le32(block + 16);
    const DWORD xPels = core ? 0 : Le32(block + 24);
    const DWORD yPels = core ? 0 : Le32(block + 28);
    DWORD colours = core ? 0 : Le32(block + 32);
    const bool knownDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    if (!knownDepth || width <= 0 || height <= 0) {
        SetLastError("DIB size or bit count not valid");
        return false;
    }
    if (colours == 0 && bpp <= 8)
        colours = 1u << bpp;
    if (bpp <= 8 && colours > (1u << bpp)) {
        SetLastError("DIB colour count not valid");
        return false;
    }
    if (!Create(DWORD(width), DWORD(height), bpp, 0))
        return false;
    SetXDPI(xPels ? long(xPels * 0.0254 + 0.5) : 96);
    SetYDPI(yPels ? long(yPels * 0.0254 + 0.5) : 96);
    if (!ReadDibColours(block, size, headerSize, core ? colours : (bpp <= 8 ? colours : 0)))
        return false;

    const size_t tableBytes = core ? size_t(colours) * 3 : size_t(colours) * 4;
    size_t offset = headerSize + (bpp <= 8 ? tableBytes : 0);
    if (offset > size) {
        SetLastError("DIB block too small");
        return false;
    }
    if (compression == BI_RGB && bpp != 32 && bpp != 16) {
        const size_t rows = size_t(info.dwEffWidth) * size_t(height);
        if (size - offset < rows) {
            SetLastError("DIB block too small");
            return false;
        }
        std::memcpy(info.pImage, block + offset, rows);
        return true;
    }
    if ((compression == BI_RLE8 && bpp == 8) || (compression == BI_RLE4 && bpp == 4)) {
        RleWriter writer(info.pImage, info.dwEffWidth, width, height, bpp);
        DecodeRle(block + offset, size - offset, writer, bpp);
        return true;
    }
    if (bpp == 16 && (compression == BI_RGB || compression == BI_BITFIELDS)) {
        DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (compression == BI_BITFIELDS) {
            if (size - offset < 12) {
                SetLastError("DIB block too small");
                return false;
            }
            for (int i = 0; i < 3; ++i)
                masks[i] = Le32(block + offset + 4 * i);
            offset += 12;
        }
        const size_t rows = ((size_t(width) + 1) / 2) * 4 * size_t(height);
        if (size - offset < rows) {
            SetLastError("DIB block too small");
            return false;
        }
        std::memcpy(info.pImage, block + offset, rows);
        Bitfield2RGB(info.pImage, WORD(masks[0]), WORD(masks[1]), WORD(masks[2]), 16);
        return true;
    }
    if (bpp == 32 && (compression == BI_RGB || compression == BI_BITFIELDS)) {
        if (compression == BI_BITFIELDS)
            offset += 12;
        const size_t rows = size_t(width) * 4 * size_t(height);
        if (offset > size || size - offset < rows) {
            SetLastError("DIB block too small");
            return false;
        }
        Bitfield2RGB(const_cast<BYTE*>(block + offset), 0, 0, 0, 32);
        return true;
    }
    SetLastError(bpp == 32 ? "unknown compression" : "compression type not supported");
    return false;
}

bool CRasterImage::ReadDibColours(const BYTE* block, size_t size, DWORD headerSize, DWORD colours)
{
    RGBQUAD* table = GetPalette();
    if (!table || colours == 0)
        return true;
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    const size_t entry = core ? 3 : 4;
    if (size - headerSize < size_t(colours) * entry) {
        SetLastError("DIB block too small");
        return false;
    }
    const DWORD count = std::min<DWORD>(colours, GetNumColors());
    for (DWORD i = 0; i < count; ++i) {
        const BYTE* p = block + headerSize + i * entry;
        table[i] = RGBQUAD{p[0], p[1], p[2], 0};
    }
    return true;
}

HBITMAP CRasterImage::MakeBitmap(HDC dc)
{
    if (!pDib)
        return nullptr;
    const BITMAPINFO* bmi = static_cast<const BITMAPINFO*>(pDib);
    if (dc)
        return CreateDIBitmap(dc, &bmi->bmiHeader, CBM_INIT, GetBits(), bmi, DIB_RGB_COLORS);
    HDC memory = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits)
        std::memcpy(bits, GetBits(), head.biSizeImage);
    DeleteDC(memory);
    return bitmap;
}

bool CRasterImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette)
{
    if (!Destroy() || !bitmap)
        return false;
    BITMAP bm{};
    if (!GetObject(bitmap, sizeof(bm), &bm))
        return false;
    if (!Create(DWORD(bm.bmWidth), DWORD(bm.bmHeight), bm.bmBitsPixel, 0))
        return false;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    HPALETTE oldPalette = nullptr;
    if (palette) {
        oldPalette = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    const int rows = GetDIBits(screen, bitmap, 0, UINT(head.biHeight), GetBits(), static_cast<BITMAPINFO*>(pDib),
                               DIB_RGB_COLORS);
    if (oldPalette)
        SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);
    if (rows == 0) {
        SetLastError("GetDIBits failed");
        return false;
    }
    return true;
}

// The mask's set bits mark transparent pixels: grey and inverted, it is the
// alpha channel. The icon's bitmaps are ours to delete whatever happens.
bool CRasterImage::CreateFromHICON(HICON icon)
{
    if (!Destroy() || !icon)
        return false;
    ICONINFO iconInfo{};
    if (!GetIconInfo(icon, &iconInfo))
        return false;
    const bool created = CreateFromHBITMAP(iconInfo.hbmColor);
    if (created) {
        CRasterImage mask;
        if (mask.CreateFromHBITMAP(iconInfo.hbmMask) && mask.GrayScale() && mask.Negative())
            AlphaSet(mask);
    }
    DeleteObject(iconInfo.hbmColor);
    DeleteObject(iconInfo.hbmMask);
    return created;
}

long CRasterImage::Stretch(HDC dc, long x, long y, long cx, long cy, DWORD rop)
{
    if (!pDib || !dc)
        return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, int(x), int(y), int(cx), int(cy), 0, 0, int(head.biWidth), int(head.biHeight), GetBits(),
                  static_cast<BITMAPINFO*>(pDib), DIB_RGB_COLORS, rop);
    return 1;
}

long CRasterImage::Stretch(HDC dc, const RECT& rect, DWORD rop)
{
    return Stretch(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, rop);
}

long CRasterImage::Draw(HDC dc, const RECT& rect, RECT* clip, bool smooth)
{
    return Draw(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, clip, smooth);
}

// The source pixel for destination column `column` and row `rowUp` counted
// upward from the destination's bottom edge.
RGBQUAD CRasterImage::DrawSample(long, long, long cx, long cy, long column, long rowUp, bool smooth)
{
    long sx = long(int64_t(column) * head.biWidth / cx);
    long sy = long(int64_t(rowUp) * head.biHeight / cy);
    sx = std::clamp<long>(sx, 0, head.biWidth - 1);
    sy = std::clamp<long>(sy, 0, head.biHeight - 1);
    RGBQUAD colour = BlindGetPixelColor(sx, sy);
    const BYTE opacity = DrawOpacity(sx, sy, colour);
    if (smooth) {
        const float fx = float(column) * float(head.biWidth) / float(cx);
        const float fy = float(rowUp) * float(head.biHeight) / float(cy);
        colour = GetPixelColorInterpolated(fx - 0.5f, fy - 0.5f, IM_BILINEAR, OM_REPEAT);
    }
    colour.rgbReserved = opacity;
    return colour;
}

// Opacity of a source pixel, 0 for a transparent one.
BYTE CRasterImage::DrawOpacity(long sx, long sy, const RGBQUAD& colour)
{
    if (info.nBkgndIndex >= 0) {
        if (head.biClrUsed) {
            if (BlindGetPixelIndex(sx, sy) == BYTE(info.nBkgndIndex))
                return 0;
        } else if (colour.rgbBlue == info.nBkgndColor.rgbBlue && colour.rgbGreen == info.nBkgndColor.rgbGreen &&
                   colour.rgbRed == info.nBkgndColor.rgbRed) {
            return 0;
        }
    }
    int a = ((info.nAlphaMax + 1) * (pAlpha ? BlindAlphaGet(sx, sy) : 255)) >> 8;
    if (head.biClrUsed && info.bAlphaPaletteEnabled)
        a = ((GetPaletteColor(BlindGetPixelIndex(sx, sy)).rgbReserved + 1) * a) >> 8;
    return BYTE(a);
}

long CRasterImage::Draw(HDC dc, long x, long y, long cx, long cy, RECT* clip, bool smooth)
{
    if (!pDib || !dc || cx == 0 || cy == 0 || !info.bEnabled)
        return 0;
    if (cx < 0)
        cx = head.biWidth;
    if (cy < 0)
        cy = head.biHeight;
    ClipScope scope(dc, clip);
    RECT box{};
    GetClipBox(dc, &box);
    const RECT dest{LONG(x), LONG(y), LONG(x + cx), LONG(y + cy)};
    RECT visible{std::max(dest.left, box.left), std::max(dest.top, box.top), std::min(dest.right, box.right),
                 std::min(dest.bottom, box.bottom)};
    if (visible.right <= visible.left || visible.bottom <= visible.top)
        return 1;
    const bool plain = info.nBkgndIndex < 0 && !pAlpha && !info.bAlphaPaletteEnabled;
    if (plain && cx == head.biWidth && cy == head.biHeight) {
        SetStretchBltMode(dc, COLORONCOLOR);
        SetDIBitsToDevice(dc, int(x), int(y), DWORD(cx), DWORD(cy), 0, 0, 0, UINT(cy), GetBits(),
                          static_cast<BITMAPINFO*>(pDib), DIB_RGB_COLORS);
        return 1;
    }
    const long vw = visible.right - visible.left;
    const long vh = visible.bottom - visible.top;
    Section24 section(vw, vh);
    if (!section.IsValid())
        return 0;
    if (!plain)
        BitBlt(section.Dc(), 0, 0, int(vw), int(vh), dc, int(visible.left), int(visible.top), SRCCOPY);
    for (long r = 0; r < vh; ++r) {
        const long py = visible.bottom - 1 - r;
        const long rowUp = dest.bottom - 1 - py;
        for (long c = 0; c < vw; ++c) {
            const RGBQUAD colour = DrawSample(x, y, cx, cy, visible.left + c - dest.left, rowUp, smooth);
            BYTE* out = section.Pixel(c, r);
            const int a = plain ? 255 : colour.rgbReserved;
            if (a == 0)
                continue;
            if (a == 255) {
                out[0] = colour.rgbBlue;
                out[1] = colour.rgbGreen;
                out[2] = colour.rgbRed;
            } else {
                out[0] = BYTE((out[0] * (255 - a) + colour.rgbBlue * a) >> 8);
                out[1] = BYTE((out[1] * (255 - a) + colour.rgbGreen * a) >> 8);
                out[2] = BYTE((out[2] * (255 - a) + colour.rgbRed * a) >> 8);
            }
        }
    }
    section.CopyTo(dc, visible.left, visible.top);
    return 1;
}

long CRasterImage::Draw2(HDC dc, const RECT& rect)
{
    return Draw2(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

long CRasterImage::Draw2(HDC dc, long x, long y, long cx, long cy)
{
    if (!pDib || !dc || cx == 0 || cy == 0 || !info.bEnabled)
        return 0;
    if (cx < 0)
        cx = head.biWidth;
    if (cy < 0)
        cy = head.biHeight;
    if (info.nBkgndIndex < 0) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, int(x), int(y), int(cx), int(cy), 0, 0, int(head.biWidth), int(head.biHeight),
                      GetBits(), static_cast<BITMAPINFO*>(pDib), DIB_RGB_COLORS, SRCCOPY);
        return 1;
    }
    const RECT dest{LONG(x), LONG(y), LONG(x + cx), LONG(y + cy)};
    if (!RectVisible(dc, &dest))
        return 1;
    const int w = int(head.biWidth);
    const int h = int(head.biHeight);
    HDC imageDc = CreateCompatibleDC(dc);
    HBITMAP image = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    SetDIBitsToDevice(imageDc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), GetBits(),
                      static_cast<BITMAPINFO*>(pDib), DIB_RGB_COLORS);
    const RGBQUAD key = head.biBitCount < 24 ? GetPaletteColor(BYTE(info.nBkgndIndex)) : info.nBkgndColor;
    HDC maskDc = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    SetBkColor(imageDc, RGB(key.rgbRed, key.rgbGreen, key.rgbBlue));
    BitBlt(maskDc, 0, 0, w, h, imageDc, 0, 0, SRCCOPY);
    StretchBlt(dc, int(x), int(y), int(cx), int(cy), imageDc, 0, 0, w, h, SRCINVERT);
    StretchBlt(dc, int(x), int(y), int(cx), int(cy), maskDc, 0, 0, w, h, SRCAND);
    StretchBlt(dc, int(x), int(y), int(cx), int(cy), imageDc, 0, 0, w, h, SRCINVERT);
    SelectObject(maskDc, oldMask);
    SelectObject(imageDc, oldImage);
    DeleteObject(mask);
    DeleteObject(image);
    DeleteDC(maskDc);
    DeleteDC(imageDc);
    return 1;
}

long CRasterImage::Tile(HDC dc, RECT* rect)
{
    if (!pDib || !dc || !rect)
        return 0;
    const long w = head.biWidth;
    const long h = head.biHeight;
    for (long top = rect->top; top < rect->bottom; top += h) {
        const long bottom = std::min<long>(top + h, rect->bottom);
        for (long left = rect->left; left < rect->right; left += w) {
            RECT cell{LONG(left), LONG(top), LONG(std::min<long>(left + w, rect->right)), LONG(bottom)};
            Draw(dc, left, top, -1, -1, &cell, false);
        }
    }
    return 1;
}

// Every pixel of `text` whose blue byte is set paints `colour` into this
// image; text rows count from its bottom, so its bottom edge lies on row y.
void CRasterImage::StampText(CRasterImage& text, long x, long y, RGBQUAD colour, bool setAlpha)
{
    const long baseRow = long(head.biHeight) - y - 1;
    for (long row = 0; row < long(text.GetHeight()); ++row)
        for (long column = 0; column < long(text.GetWidth()); ++column)
            if (text.BlindGetPixelColor(column, row).rgbBlue != 0)
                SetPixelColor(x + column, baseRow + row, colour, setAlpha);
}

long CRasterImage::DrawString(HDC dc, long x, long y, const char* text, RGBQUAD color, const char* font,
                              long size, long weight, BYTE italic, BYTE underline, bool setAlpha)
{
    if (!pDib || !text)
        return 1;
    LOGFONT log{};
    log.lfHeight = size;
    log.lfWeight = weight;
    log.lfItalic = italic;
    log.lfUnderline = underline;
    if (font)
        std::strncpy(log.lfFaceName, font, 31);
    HFONT created = CreateFontIndirect(&log);
    HFONT face = created ? created : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC measure = CreateCompatibleDC(dc);
    HGDIOBJ oldFont = SelectObject(measure, face);
    RECT box{0, 0, 0, 0};
    DrawText(measure, text, -1, &box, DT_CALCRECT);
    Section24 section(box.right + box.bottom, box.bottom);
    if (section.IsValid()) {
        HGDIOBJ sectionFont = SelectObject(section.Dc(), face);
        SetTextColor(section.Dc(), RGB(255, 255, 255));
        SetBkColor(section.Dc(), RGB(0, 0, 0));
        SetBkMode(section.Dc(), OPAQUE);
        DrawText(section.Dc(), text, -1, &box, 0);
        SelectObject(section.Dc(), sectionFont);
        CRasterImage stamp;
        if (stamp.CreateFromHBITMAP(section.Bitmap()))
            StampText(stamp, x, y, color, setAlpha);
    }
    SelectObject(measure, oldFont);
    DeleteDC(measure);
    if (created)
        DeleteObject(created);
    return 1;
}

void CRasterImage::InitTextInfo(tagTextInfo* textInfo)
{
    std::memset(textInfo, 0, sizeof(*textInfo));
    std::strcpy(textInfo->text, "Sample Text 01234觖");
    textInfo->lfont.lfHeight = -36;
    textInfo->lfont.lfWeight = 400;
    textInfo->lfont.lfCharSet = 238;
    textInfo->lfont.lfQuality = 2;
    std::strcpy(textInfo->lfont.lfFaceName, "Arial");
    textInfo->fcolor = RGB(255, 255, 160);
    textInfo->align = 1;
    textInfo->opaque = 1;
    textInfo->bcolor = RGB(32, 96, 0);
    textInfo->b_opacity = 0;
    textInfo->b_outline = 0;
    textInfo->b_round = 20;
}

long CRasterImage::DrawStringEx(HDC dc, long x, long y, tagTextInfo* textInfo, bool setAlpha)
{
    if (!pDib)
        return -1;
    if (!textInfo)
        return 1;
    tagTextInfo& t = *textInfo;
    t.text[sizeof t.text - 1] = '\0';
    if (t.align < 0 || t.align > 2)
        t.align = 1;
    if (t.b_round > 50)
        t.b_round = 10;
    if (!(t.b_opacity >= 0.0f && t.b_opacity <= 1.0f))
        t.b_opacity = 0;

    HDC screen = dc ? nullptr : GetDC(nullptr);
    HDC target = dc ? dc : screen;
    HFONT font = CreateFontIndirect(&t.lfont);
    HDC measure = CreateCompatibleDC(target);
    HGDIOBJ oldFont = SelectObject(measure, font);
    const long lines = 1 + long(std::count(t.text, t.text + std::strlen(t.text), '\r'));
    RECT box{0, 0, 0, 0};
    DrawText(measure, t.text, -1, &box, DT_CALCRECT | DT_NOPREFIX);
    long width = box.right;
    long height = box.bottom;
    if (t.lfont.lfItalic)
        width += height / 2 / lines;
    long radius = 0;
    long margin = 0;
    if (t.opaque) {
        const long lineHeight = height / lines;
        radius = t.b_round * lineHeight / 100;
        margin = long(radius * 0.29289);
        width += lineHeight / 3;
    }
    const long boxWidth = width + 2 * margin;
    const long boxHeight = height + 2 * margin;
    Section24 section(boxWidth, boxHeight);
    if (section.IsValid()) {
        HGDIOBJ sectionFont = SelectObject(section.Dc(), font);
        SetTextColor(section.Dc(), RGB(255, 255, 255));
        SetBkMode(section.Dc(), TRANSPARENT);
        RECT textRect{LONG(margin), LONG(margin), LONG(margin + width), LONG(margin + height)};
        const UINT alignFlag = t.align == 0 ? DT_LEFT : (t.align == 1 ? DT_CENTER : DT_RIGHT);
        DrawText(section.Dc(), t.text, -1, &textRect, alignFlag | DT_NOPREFIX);
        SelectObject(section.Dc(), sectionFont);
        CRasterImage stamp;
        if (stamp.CreateFromHBITMAP(section.Bitmap())) {
            long left = x - (t.align == 1 ? boxWidth / 2 : (t.align == 2 ? boxWidth : 0));
            left = std::max<long>(left, 0);
            const long baseRow = long(head.biHeight) - y - 1;
            if (t.opaque) {
                const RGBQUAD back = RGBtoRGBQUAD(t.bcolor);
                for (long column = 0; column < boxWidth; ++column) {
                    const long d = std::min(column, boxWidth - 1 - column);
                    long cut = 0;
                    if (d < radius)
                        cut = long(radius + 0.5 - std::sqrt(double(radius) * radius - double(radius - d) * (radius - d)));
                    for (long row = cut; row < boxHeight - cut; ++row) {
                        const long px = left + column;
                        const long py = baseRow + row;
                        if (!IsInside(px, py))
                            continue;
                        RGBQUAD colour = back;
                        if (t.b_opacity < 1.0f) {
                            const RGBQUAD old = BlindGetPixelColor(px, py);
                            colour.rgbBlue = BYTE(old.rgbBlue * t.b_opacity + back.rgbBlue * (1 - t.b_opacity));
                            colour.rgbGreen = BYTE(old.rgbGreen * t.b_opacity + back.rgbGreen * (1 - t.b_opacity));
                            colour.rgbRed = BYTE(old.rgbRed * t.b_opacity + back.rgbRed * (1 - t.b_opacity));
                            colour.rgbReserved = 0;
                        }
                        SetPixelColor(px, py, colour, setAlpha);
                    }
                }
            }
            StampText(stamp, left, y, RGBtoRGBQUAD(t.fcolor), setAlpha);
        }
    }
    SelectObject(measure, oldFont);
    DeleteDC(measure);
    if (font)
        DeleteObject(font);
    if (screen)
        ReleaseDC(nullptr, screen);
    return 1;
}
