#include <climits>

#include "gdi_canvas.h"

namespace {

// Extreme arguments must neither crash nor hang nor touch memory they do not
// own; what little lies inside the canvas may be drawn.
TEST(GdiHostile, ExtremeCoordinatesAreSurvived)
{
    Canvas c(16, 16);
    HPEN wide = CreatePen(PS_SOLID, 5, RGB(255, 255, 255));
    LOGBRUSH lb{BS_SOLID, RGB(255, 255, 255), 0};
    HPEN dots = ExtCreatePen(PS_GEOMETRIC | PS_DOT, 3, &lb, 0, nullptr);
    for (HPEN pen : {static_cast<HPEN>(GetStockObject(WHITE_PEN)), wide, dots}) {
        SelectObject(c.dc, pen);
        MoveToEx(c.dc, INT_MIN, INT_MIN, nullptr);
        LineTo(c.dc, INT_MAX, INT_MAX);
        Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        Ellipse(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        const POINT far[] = {{INT_MIN, 0}, {INT_MAX, 5}, {0, INT_MAX}};
        Polygon(c.dc, far, 3);
        Polyline(c.dc, far, 3);
    }
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    EXPECT_EQ(SetPixel(c.dc, INT_MAX, INT_MIN, 0), CLR_INVALID);
    EXPECT_TRUE(PatBlt(c.dc, INT_MAX, INT_MAX, INT_MAX, INT_MAX, DSTINVERT));
    EXPECT_TRUE(BitBlt(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, c.dc, INT_MAX, INT_MIN, SRCCOPY));
    EXPECT_TRUE(StretchBlt(c.dc, 0, 0, INT_MIN, INT_MIN, c.dc, 0, 0, INT_MAX, 1, SRCCOPY));
    SetStretchBltMode(c.dc, HALFTONE);
    EXPECT_TRUE(StretchBlt(c.dc, 0, 0, 16, 16, c.dc, 0, 0, INT_MAX, INT_MAX, SRCCOPY));
    SetViewportOrgEx(c.dc, INT_MAX, INT_MAX, nullptr);
    OffsetViewportOrgEx(c.dc, INT_MAX, INT_MAX, nullptr);
    TextOut(c.dc, INT_MAX, INT_MAX, "x", 1);
    RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    DrawText(c.dc, "x\ny", -1, &huge, DT_CENTER);
    EXPECT_EQ(CreateEllipticRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX) != nullptr, true);
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    EXPECT_EQ(OffsetRgn(r, INT_MAX, INT_MAX), RGN_ERROR);
    DeleteObject(r);
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    DeleteObject(wide);
    DeleteObject(dots);
}

TEST(GdiHostile, MalformedHeadersAndText)
{
    Canvas c(4, 4);
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 4, 4, 1, 7, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(c.dc, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    h.biBitCount = 32;
    h.biCompression = BI_RLE8;
    EXPECT_EQ(CreateDIBSection(c.dc, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    h.biCompression = BI_RGB;
    h.biHeight = INT_MIN;
    EXPECT_EQ(CreateDIBSection(c.dc, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    h.biSize = 8;
    EXPECT_EQ(GetDIBits(c.dc, c.bitmap, 0, 4, nullptr, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS), 0);
    EXPECT_EQ(CreateBitmap(-1, 5, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(c.dc, -4, 4), nullptr);
    const char broken[] = {'\xE4', '\xB8', 'A', '\xFF', '\xC0'};
    EXPECT_TRUE(TextOut(c.dc, 0, 0, broken, 5));
    SIZE s;
    EXPECT_TRUE(GetTextExtentPoint32(c.dc, broken, 5, &s));
    EXPECT_FALSE(TextOut(c.dc, 0, 0, "x", -1));
    EXPECT_EQ(DrawText(c.dc, nullptr, 3, nullptr, 0), 0);
    EXPECT_EQ(LoadImage(nullptr, "/nonexistent/file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

}  // namespace
