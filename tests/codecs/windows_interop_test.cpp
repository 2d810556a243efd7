// Raster images to and from DIB blocks and bitmaps, drawn into device
// contexts, and text burned into their pixels; hostile DIB blocks refused.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RasterImage.h"
#include "base/winmemory.h"
#include "gdi/gdiapi.h"
#include "wnd/icons.h"

namespace {

// A packed DIB block in global memory: header fields, colour table, rows.
HGLOBAL Block(const std::vector<BYTE>& bytes)
{
    HGLOBAL memory = GlobalAlloc(GHND, bytes.size());
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    return memory;
}

std::vector<BYTE> Header(int width, int height, int bpp, int compression, int colours)
{
    std::vector<BYTE> h(40, 0);
    auto put32 = [&](int at, long value) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = BYTE(value >> (8 * i));
    };
    put32(0, 40);
    put32(4, width);
    put32(8, height);
    h[12] = 1;
    h[14] = BYTE(bpp);
    put32(16, compression);
    put32(24, 3780);  // 96 dpi
    put32(32, colours);
    return h;
}

// A 32-bit top-down target for drawing.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<BYTE*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
        std::memset(m_bits, 0x10, size_t(width) * height * 4);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    // B, G, R of (x, y), y from the top.
    const BYTE* Pixel(int x, int y) const { return m_bits + (size_t(y) * m_width + x) * 4; }

private:
    int m_width;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    BYTE* m_bits;
};

// A 5 x 3 24-bit image whose pixel (x, y from the bottom) is (10x, 20y, 7).
CRasterImage Colourful()
{
    CRasterImage image;
    image.Create(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.SetPixelColor(x, y, RGBQUAD{BYTE(10 * x), BYTE(20 * y), 7, 0});
    return image;
}

}  // namespace

TEST(RasterInterop, HandleRoundTripAndBitmapOfThirtyTwoBitsBecomesTwentyFour)
{
    CRasterImage image = Colourful();
    HGLOBAL memory = image.CopyToHandle();
    ASSERT_NE(memory, nullptr);
    CRasterImage back;
    ASSERT_TRUE(back.CreateFromHANDLE(memory));
    GlobalFree(memory);
    EXPECT_EQ(back.GetWidth(), 5u);
    EXPECT_EQ(back.GetXDPI(), 96);
    EXPECT_EQ(back.GetPixelColor(4, 2).rgbBlue, 40);
    EXPECT_EQ(back.GetPixelColor(4, 2).rgbGreen, 40);

    Canvas canvas(6, 4);
    ASSERT_EQ(image.Draw(canvas.Dc(), 1, 0), 1);
    CRasterImage grabbed;
    ASSERT_TRUE(grabbed.CreateFromHBITMAP(canvas.Bitmap()));
    EXPECT_EQ(grabbed.GetBpp(), 24);
    EXPECT_EQ(grabbed.GetType(), 0u);
    // Image row 2 (from the bottom) is the canvas's top row; x shifted by 1.
    const RGBQUAD top = grabbed.GetPixelColor(4, 3);
    EXPECT_EQ(top.rgbBlue, 30);
    EXPECT_EQ(top.rgbGreen, 40);
    EXPECT_EQ(top.rgbRed, 7);
    EXPECT_EQ(grabbed.GetPixelColor(0, 3).rgbBlue, 0x10);
}

TEST(RasterInterop, SixteenBitBlocksReadFiveFiveFiveAndRunLengthRowsStopAtTheirEnd)
{
    std::vector<BYTE> block = Header(2, 1, 16, 0, 0);
    // Red 31, green 0, blue 0; then red 0, green 16, blue 1.
    for (BYTE b : {0x00, 0x7C, 0x01, 0x02})
        block.push_back(b);
    HGLOBAL memory = Block(block);
    CRasterImage image;
    ASSERT_TRUE(image.CreateFromHANDLE(memory));
    GlobalFree(memory);
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 248);
    EXPECT_EQ(image.GetPixelColor(1, 0).rgbGreen, 128);
    EXPECT_EQ(image.GetPixelColor(1, 0).rgbBlue, 8);

    std::vector<BYTE> rle = Header(4, 2, 8, 1, 3);
    for (BYTE b : {0, 0, 0, 0, 10, 10, 10, 0, 20, 20, 20, 0})
        rle.push_back(b);
    // A run of 9 into a row of 4, the end of the row, three literals padded to even, the end.
    for (BYTE b : {9, 1, 0, 0, 0, 3, 2, 1, 0, 0, 0, 1})
        rle.push_back(b);
    memory = Block(rle);
    CRasterImage runs;
    ASSERT_TRUE(runs.CreateFromHANDLE(memory));
    GlobalFree(memory);
    EXPECT_EQ(runs.GetPixelIndex(3, 0), 1);
    EXPECT_EQ(runs.GetPixelIndex(0, 1), 2);
    EXPECT_EQ(runs.GetPixelIndex(1, 1), 1);
    EXPECT_EQ(runs.GetPixelIndex(2, 1), 0);
}

TEST(RasterInterop, HostileBlocksAreRefused)
{
    struct Case {
        std::vector<BYTE> block;
        const char* what;
    };
    std::vector<BYTE> tooManyColours = Header(2, 2, 4, 0, 17);
    tooManyColours.resize(40 + 17 * 4 + 8);
    std::vector<BYTE> headerPastBlock = Header(2, 2, 24, 0, 0);
    headerPastBlock[0] = 200;
    std::vector<BYTE> zeroBits = Header(2, 2, 0, 0, 0);
    zeroBits.resize(64);
    std::vector<BYTE> tooManyBits = Header(2, 2, 33, 0, 0);
    tooManyBits.resize(64);
    std::vector<BYTE> shortRows = Header(64, 64, 24, 0, 0);
    shortRows.resize(40 + 100);
    std::vector<BYTE> badCompression = Header(2, 2, 32, 5, 0);
    badCompression.resize(40 + 16);
    for (const Case& c : {Case{tooManyColours, "colours"}, Case{headerPastBlock, "header"},
                          Case{zeroBits, "0 bits"}, Case{tooManyBits, "33 bits"}, Case{shortRows, "rows"},
                          Case{badCompression, "compression"}}) {
        HGLOBAL memory = Block(c.block);
        CRasterImage image;
        EXPECT_FALSE(image.CreateFromHANDLE(memory)) << c.what;
        EXPECT_FALSE(image.IsValid()) << c.what;
        GlobalFree(memory);
    }
    CRasterImage image;
    HGLOBAL memory = Block(badCompression);
    image.CreateFromHANDLE(memory);
    EXPECT_STREQ(image.GetLastError(), "unknown compression");
    GlobalFree(memory);
}

TEST(RasterInterop, DrawScalesBlendsAlphaAndRefusesDisabledImages)
{
    CRasterImage image = Colourful();
    Canvas canvas(12, 8);
    // Twice the size: pixel (x, y from the top) shows source (x / 2, 2 - y / 2).
    ASSERT_EQ(image.Draw(canvas.Dc(), 2, 1, 10, 6), 1);
    EXPECT_EQ(canvas.Pixel(2, 1)[1], 40);
    EXPECT_EQ(canvas.Pixel(11, 6)[0], 40);
    EXPECT_EQ(canvas.Pixel(11, 6)[1], 0);
    EXPECT_EQ(canvas.Pixel(1, 1)[0], 0x10);

    // Smoothed: bilinear between neighbours; at twice the size canvas column
    // 4 samples source x 0.5, halfway from blue 0 to blue 10 (unsmoothed: 10).
    Canvas smooth(12, 8);
    ASSERT_EQ(image.Draw(smooth.Dc(), 2, 1, 10, 6, nullptr, true), 1);
    EXPECT_EQ(smooth.Pixel(3, 1)[0], 0);
    EXPECT_EQ(smooth.Pixel(4, 1)[0], 5);
    EXPECT_EQ(smooth.Pixel(5, 1)[0], 10);
    EXPECT_EQ(smooth.Pixel(4, 1)[1], 40);
    EXPECT_EQ(canvas.Pixel(4, 1)[0], 10);

    image.AlphaCreate();
    image.AlphaSet(128);
    Canvas blend(5, 3);
    ASSERT_EQ(image.Draw(blend.Dc(), 0, 0), 1);
    // (background x (255 - a) + colour x a) >> 8 with a = 128.
    EXPECT_EQ(blend.Pixel(4, 0)[0], (0x10 * 127 + 40 * 128) >> 8);
    image.Enable(false);
    EXPECT_EQ(image.Draw(blend.Dc(), 0, 0), 0);
}

TEST(RasterInterop, DrawStringExNormalisesItsRecordAndPaintsTheBox)
{
    CRasterImage image;
    image.Create(120, 60, 24);
    CRasterImage::tagTextInfo info;
    CRasterImage::InitTextInfo(&info);
    EXPECT_STREQ(info.lfont.lfFaceName, "Arial");
    EXPECT_EQ(info.lfont.lfHeight, -36);
    EXPECT_EQ(info.b_round, 20);
    std::strcpy(info.text, "Hi");
    info.lfont.lfHeight = -20;
    info.align = 0;
    info.b_round = 60;
    EXPECT_EQ(image.DrawStringEx(nullptr, 10, 40, &info), 1);
    EXPECT_EQ(info.b_round, 10);
    // The box lies above row 40 (top-down): background colour inside, black elsewhere.
    const RGBQUAD inside = image.GetPixelColor(12, 60 - 1 - 38);
    EXPECT_TRUE((inside.rgbRed == 32 && inside.rgbGreen == 96) || (inside.rgbRed == 255 && inside.rgbBlue == 160));
    EXPECT_EQ(image.GetPixelColor(12, 60 - 1 - 45).rgbGreen, 0);
    CRasterImage empty;
    EXPECT_EQ(empty.DrawStringEx(nullptr, 0, 0, &info), -1);
}

// A 5 x 3 icon (top row first, 0xAARRGGBB): only fully clear pixels are
// masked, so the half-transparent one becomes opaque; clear pixels keep
// the colour they hold.
TEST(RasterInterop, IconBecomesItsColoursWithTheMaskAsAlpha)
{
    const uint32_t argb[15] = {0xFFC81E05, 0x00FFFFFF, 0x80123456, 0xFF00B400, 0xFF0A0B0C,  //
                               0xFF000000, 0xFFFFFFFF, 0x00405060, 0xFF7F8081, 0x00000000,  //
                               0x01FE0102, 0xFF3C2814, 0xFF0000FF, 0x00C0C0C0, 0xFF998877};
    std::vector<BYTE> file(14 + 40, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[10] = 54;
    file[14] = 40;
    file[18] = 5;
    file[22] = 0xFD;  // -3: top-down rows
    file[23] = file[24] = file[25] = 0xFF;
    file[26] = 1;
    file[28] = 32;
    for (uint32_t p : argb)
        file.insert(file.end(), {BYTE(p), BYTE(p >> 8), BYTE(p >> 16), BYTE(p >> 24)});
    RegisterIconResource(7301, file);

    CRasterImage image = Colourful();
    EXPECT_FALSE(image.CreateFromHICON(nullptr));
    EXPECT_FALSE(image.IsValid());
    ASSERT_TRUE(image.CreateFromHICON(LoadIcon(nullptr, MAKEINTRESOURCE(7301))));
    ASSERT_EQ(image.GetWidth(), 5u);
    ASSERT_EQ(image.GetHeight(), 3u);
    EXPECT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.AlphaIsValid());
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x) {
            const uint32_t p = argb[row * 5 + x];
            const RGBQUAD colour = image.GetPixelColor(x, 2 - row, false);
            EXPECT_EQ(colour.rgbRed, BYTE(p >> 16)) << x << "," << row;
            EXPECT_EQ(colour.rgbGreen, BYTE(p >> 8)) << x << "," << row;
            EXPECT_EQ(colour.rgbBlue, BYTE(p)) << x << "," << row;
            EXPECT_EQ(image.AlphaGet(x, 2 - row), p >> 24 == 0 ? 0 : 255) << x << "," << row;
        }
}
