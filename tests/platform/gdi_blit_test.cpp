#include "gdi_canvas.h"

namespace {

// An 8-bit grey DIB section selected into its own DC.
struct GreySource : Canvas {
    GreySource(int w, int h, std::initializer_list<int> values) : Canvas(w, h, 8)
    {
        int i = 0;
        int stride = (w + 3) & ~3;
        for (int v : values) {
            static_cast<uint8_t*>(bits)[(i / w) * stride + i % w] = static_cast<uint8_t>(v);
            ++i;
        }
    }
};

uint32_t grey(int v) { return static_cast<uint32_t>(v * 0x010101); }

TEST(GdiBlit, RasterOperationsOnKnownBytes)
{
    struct Case {
        DWORD rop;
        uint32_t expected;
    } cases[] = {{SRCCOPY, 0xF0F0F0},   {SRCINVERT, 0x5A5A5A}, {SRCAND, 0xA0A0A0}, {SRCPAINT, 0xFAFAFA},
                 {DSTINVERT, 0x555555}, {PATCOPY, 0x0000FF},   {BLACKNESS, 0},     {WHITENESS, 0xFFFFFF},
                 {NOTSRCCOPY, 0x0F0F0F}, {MERGEPAINT, 0xAFAFAF}};
    GreySource src(1, 1, {0xF0});
    for (const Case& c : cases) {
        Canvas dst(1, 1);
        dst.fill(0xAAAAAA);
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        HGDIOBJ old = SelectObject(dst.dc, blue);
        EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop));
        EXPECT_EQ(dst.at(0, 0), c.expected) << std::hex << c.rop;
        SelectObject(dst.dc, old);
        DeleteObject(blue);
    }
}

TEST(GdiBlit, NearestStretchAndMirroring)
{
    GreySource src(3, 2, {10, 20, 30, 40, 50, 60});
    Canvas dst(6, 2);
    EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
    StretchBlt(dst.dc, 0, 0, 6, 2, src.dc, 0, 0, 3, 2, SRCCOPY);
    EXPECT_EQ(dst.at(0, 0), grey(10));
    EXPECT_EQ(dst.at(1, 0), grey(10));
    EXPECT_EQ(dst.at(5, 1), grey(60));
    // Negative destination width mirrors left to right over [x + cx, x).
    StretchBlt(dst.dc, 3, 0, -3, 2, src.dc, 0, 0, 3, 2, SRCCOPY);
    EXPECT_EQ(dst.at(0, 0), grey(30));
    EXPECT_EQ(dst.at(2, 0), grey(10));
    // Negative source height mirrors top to bottom.
    StretchBlt(dst.dc, 3, 0, 3, 2, src.dc, 0, 2, 3, -2, SRCCOPY);
    EXPECT_EQ(dst.at(3, 0), grey(40));
    EXPECT_EQ(dst.at(5, 1), grey(30));
    // Halving picks every other pixel.
    GreySource wide(4, 1, {1, 2, 3, 4});
    Canvas half(2, 1);
    SetStretchBltMode(half.dc, COLORONCOLOR);
    StretchBlt(half.dc, 0, 0, 2, 1, wide.dc, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(half.at(0, 0), grey(1));
    EXPECT_EQ(half.at(1, 0), grey(3));
}

TEST(GdiBlit, HalftoneAveragesAreas)
{
    GreySource src(4, 2, {0, 100, 200, 255, 0, 100, 200, 255});
    Canvas dst(2, 1);
    SetStretchBltMode(dst.dc, HALFTONE);
    EXPECT_EQ(GetStretchBltMode(dst.dc), HALFTONE);
    StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY);
    EXPECT_EQ(dst.at(0, 0), grey(50));
    EXPECT_EQ(dst.at(1, 0), grey(228));  // (200 + 255) / 2 rounded
    // Three source pixels onto two: the middle one is split.
    GreySource three(3, 1, {0, 90, 180});
    Canvas two(2, 1);
    SetStretchBltMode(two.dc, HALFTONE);
    StretchBlt(two.dc, 0, 0, 2, 1, three.dc, 0, 0, 3, 1, SRCCOPY);
    EXPECT_EQ(two.at(0, 0), grey(30));
    EXPECT_EQ(two.at(1, 0), grey(150));
    // Mirrored halftone.
    StretchBlt(two.dc, 2, 0, -2, 1, three.dc, 0, 0, 3, 1, SRCCOPY);
    EXPECT_EQ(two.at(0, 0), grey(150));
}

TEST(GdiBlit, MonochromeConversions)
{
    Canvas colour(3, 1);
    SetPixel(colour.dc, 0, 0, RGB(1, 2, 3));
    SetPixel(colour.dc, 1, 0, RGB(9, 9, 9));
    SetPixel(colour.dc, 2, 0, RGB(1, 2, 3));
    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(monoDc, 3, 1);  // monochrome, like the DC
    BITMAP bm{};
    GetObject(mono, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HGDIOBJ old = SelectObject(monoDc, mono);
    SetBkColor(colour.dc, RGB(1, 2, 3));
    BitBlt(monoDc, 0, 0, 3, 1, colour.dc, 0, 0, SRCCOPY);
    BYTE row[2] = {};
    GetBitmapBits(mono, 2, row);
    EXPECT_EQ(row[0] & 0xE0, 0xA0);  // the background colour became 1
    // Back to colour: 0 takes the text colour, 1 the background colour.
    Canvas out(3, 1);
    SetTextColor(out.dc, RGB(0, 255, 0));
    SetBkColor(out.dc, RGB(255, 0, 0));
    BitBlt(out.dc, 0, 0, 3, 1, monoDc, 0, 0, SRCCOPY);
    EXPECT_EQ(out.at(0, 0), 0xFF0000u);
    EXPECT_EQ(out.at(1, 0), 0x00FF00u);
    SelectObject(monoDc, old);
    DeleteObject(mono);
    DeleteDC(monoDc);
}

TEST(GdiBlit, TransparentDrawingThroughAMask)
{
    // The image's colour (9, 9, 9) is transparent: a mask made against it,
    // then image XOR, mask AND, image XOR leaves the background there.
    Canvas image(2, 1);
    SetPixel(image.dc, 0, 0, RGB(9, 9, 9));
    SetPixel(image.dc, 1, 0, RGB(200, 100, 50));
    HDC maskDc = CreateCompatibleDC(image.dc);
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(maskDc, mask);
    SetBkColor(image.dc, RGB(9, 9, 9));
    BitBlt(maskDc, 0, 0, 2, 1, image.dc, 0, 0, SRCCOPY);
    SetBkColor(image.dc, RGB(255, 255, 255));
    Canvas dst(4, 2);
    dst.fill(0x336699);
    StretchBlt(dst.dc, 0, 0, 4, 2, image.dc, 0, 0, 2, 1, SRCINVERT);
    StretchBlt(dst.dc, 0, 0, 4, 2, maskDc, 0, 0, 2, 1, SRCAND);
    StretchBlt(dst.dc, 0, 0, 4, 2, image.dc, 0, 0, 2, 1, SRCINVERT);
    EXPECT_EQ(dst.at(0, 0), 0x336699u);
    EXPECT_EQ(dst.at(1, 1), 0x336699u);
    EXPECT_EQ(dst.at(2, 0), 0xC86432u);
    EXPECT_EQ(dst.at(3, 1), 0xC86432u);
    SelectObject(maskDc, old);
    DeleteObject(mask);
    DeleteDC(maskDc);
}

// A 32-bit source whose every pixel tells where it came from.
struct ColourSource : Canvas {
    ColourSource(int w, int h) : Canvas(w, h)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                static_cast<uint32_t*>(bits)[y * w + x] = origin(x, y);
    }
    static uint32_t origin(int x, int y) { return 0x200000u * x + 0x1100u * y + 0x0Fu; }
};

TEST(GdiBlit, CopiesFromASourceOffset)
{
    ColourSource src(7, 5);
    Canvas dst(6, 6);
    dst.fill(0x123456);
    EXPECT_TRUE(BitBlt(dst.dc, 1, 2, 3, 2, src.dc, 4, 1, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
            EXPECT_EQ(dst.at(x, y), inside ? ColourSource::origin(x + 3, y - 1) : 0x123456u) << x << "," << y;
        }
    // Stretched from an offset: each source pixel of (5,2)-(7,3) twice wide, three times high.
    Canvas big(4, 3);
    SetStretchBltMode(big.dc, COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(big.dc, 0, 0, 4, 3, src.dc, 5, 2, 2, 1, SRCCOPY));
    EXPECT_EQ(big.at(0, 0), ColourSource::origin(5, 2));
    EXPECT_EQ(big.at(1, 2), ColourSource::origin(5, 2));
    EXPECT_EQ(big.at(2, 0), ColourSource::origin(6, 2));
    EXPECT_EQ(big.at(3, 2), ColourSource::origin(6, 2));
}

// Each channel is averaged on its own over the covered area, and from the
// source rectangle, not from the origin.
TEST(GdiBlit, HalftoneAveragesColourChannelsApart)
{
    Canvas src(5, 3);
    src.fill(0xFFFFFF);
    const uint32_t block[2][4] = {{0x0AC828, 0x1E6400, 0xC80A0A, 0xFF00FF},
                                  {0x320050, 0x4614F0, 0x64FF14, 0x0101FF}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            static_cast<uint32_t*>(src.bits)[(y + 1) * 5 + x + 1] = block[y][x];
    Canvas dst(2, 1);
    SetStretchBltMode(dst.dc, HALFTONE);
    EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 1, 1, 4, 2, SRCCOPY));
    // R (10+30+50+70)/4, G (200+100+0+20)/4, B (40+0+80+240)/4.
    EXPECT_EQ(dst.at(0, 0), 0x28505Au);
    // R (200+255+100+1)/4, G (10+0+255+1)/4 = 66.5, B (10+255+20+255)/4.
    EXPECT_EQ(dst.at(1, 0), 0x8B4387u);
}

TEST(GdiBlit, OverlappingCopyInOneDc)
{
    Canvas c(5, 1);
    for (int x = 0; x < 5; ++x)
        SetPixel(c.dc, x, 0, RGB(x, x, x));
    BitBlt(c.dc, 1, 0, 4, 1, c.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(c.at(0, 0), grey(0));
    EXPECT_EQ(c.at(1, 0), grey(0));
    EXPECT_EQ(c.at(4, 0), grey(3));
}

TEST(GdiBlit, ClippedToDestinationAndSource)
{
    GreySource src(2, 2, {1, 2, 3, 4});
    Canvas dst(3, 3);
    dst.fill(0x777777);
    EXPECT_TRUE(BitBlt(dst.dc, 2, 2, 2, 2, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.at(2, 2), grey(1));
    EXPECT_EQ(dst.count(0x777777), 8);
    EXPECT_TRUE(BitBlt(dst.dc, -1, -1, 2, 2, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.at(0, 0), grey(4));
    // Huge extents are clipped, not allocated.
    EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 2000000000, 2000000000, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.at(2, 2), grey(1));
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(PatBlt(dst.dc, 0, 0, 3, 3, DSTINVERT));
    EXPECT_EQ(dst.at(2, 2), grey(1) ^ 0xFFFFFF);
}

TEST(GdiBlit, DibTransfersToDevice)
{
    // A bottom-up 2 x 2 24-bit DIB: the first stored row is the bottom one.
    struct {
        BITMAPINFOHEADER h;
    } info{{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0}};
    const BYTE bits[16] = {0, 0, 255, 0, 255, 0, 0, 0, /* bottom: red, green */
                           255, 0, 0, 255, 255, 255, 0, 0 /* top: blue, white */};
    Canvas dst(4, 4);
    const BITMAPINFO* bi = reinterpret_cast<const BITMAPINFO*>(&info);
    EXPECT_EQ(SetDIBitsToDevice(dst.dc, 0, 0, 2, 2, 0, 0, 0, 2, bits, bi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(dst.at(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.at(1, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.at(0, 1), 0xFF0000u);
    EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 4, 4, 0, 0, 2, 2, bits, bi, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(dst.at(3, 3), 0x00FF00u);
    EXPECT_EQ(dst.at(3, 0), 0xFFFFFFu);
    EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 4, 4, 0, 0, 2, 2, nullptr, bi, DIB_RGB_COLORS, SRCCOPY), 0);
}

}  // namespace
