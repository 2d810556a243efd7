// Multi-frame GIF and TIFF files open as one image with a frame per frame
// or page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "RasterImage.h"

TEST(RasterRoadFormats, AnimatedGifAndPagedTiffGiveTheirFrames)
{
    const std::string dir = testfiles::TempDir("raster_formats");
    const std::string command = "cd '" + dir + "' && gm convert -size 12x8 xc:'#d02010' a.gif && "
                                "gm convert -size 12x8 xc:'#10c020' b.gif && "
                                "gm convert -size 5x3 xc:'#2040e0' c.gif && "
                                "gifsicle a.gif b.gif --position 7,5 c.gif > anim.gif && "
                                "gm convert a.gif a.tif && gm convert b.gif b.tif && tiffcp a.tif b.tif pages.tif";
    ASSERT_EQ(std::system(command.c_str()), 0);

    CDcmImage gif;
    ASSERT_EQ(gif.OpenFile((dir + "/anim.gif").c_str()), 1);
    EXPECT_EQ(gif.GetFramesCount(), 3);
    gif.LastFrame();
    gif.AdjustBoth(256, 128, 0);
    const BYTE* bits = gif.GetBitmapBits();
    // Display rows run top-down with B, G, R bytes: the last frame covers
    // the bottom-right corner only.
    EXPECT_EQ(bits[3 * (7 * 12 + 11) + 0], 0xe0);
    EXPECT_EQ(bits[0 + 1], 0xc0);

    CDcmImage tiff;
    ASSERT_EQ(tiff.OpenFile((dir + "/pages.tif").c_str()), 1);
    EXPECT_EQ(tiff.GetFramesCount(), 2);
    EXPECT_EQ(tiff.GetColumns(), 12);
    // Each page shows its own picture.
    for (int page : {0, 1}) {
        tiff.SetCurrentFrame(page);
        tiff.AdjustBoth(256, 128, 0);
        const BYTE* pixel = tiff.GetBitmapBits() + 3 * (7 * 12 + 11);
        EXPECT_EQ(pixel[2], page == 0 ? 0xd0 : 0x10) << page;
        EXPECT_EQ(pixel[1], page == 0 ? 0x20 : 0xc0) << page;
    }
}

// Palette pictures of 1, 4 and 8 bits give their colours, row for row,
// cut to the first 12 columns and the last 8 rows.
TEST(RasterRoadFormats, PalettePicturesGiveTheirColours)
{
    const std::string dir = testfiles::TempDir("raster_formats_palette");
    for (DWORD bpp : {1u, 4u, 8u}) {
        SCOPED_TRACE(bpp);
        CRasterImage picture(13, 9, bpp);
        const DWORD colours = 1u << bpp;
        for (DWORD i = 0; i < colours; ++i)
            picture.SetPaletteColor(BYTE(i), BYTE(40 + i * 13), BYTE(200 - i * 7), BYTE(i * 3 + 1));
        // Stored rows run bottom-up: row 8 is the top one, which is cut.
        for (long y = 0; y < 9; ++y)
            for (long x = 0; x < 13; ++x)
                picture.SetPixelIndex(x, y, BYTE((x + 2 * y) % colours));
        const std::string path = dir + "/p" + std::to_string(bpp) + ".bmp";
        ASSERT_TRUE(picture.Save(path.c_str(), RASTER_FORMAT_BMP));
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(path.c_str()), 1);
        ASSERT_EQ(image.GetColumns(), 12);
        ASSERT_EQ(image.GetRows(), 8);
        image.AdjustBoth(256, 128, 0);
        const BYTE* bits = image.GetBitmapBits();  // B, G, R, top row first
        for (long row = 0; row < 8; ++row)
            for (long x = 0; x < 12; ++x) {
                const RGBQUAD want = picture.GetPaletteColor(BYTE((x + 2 * (7 - row)) % colours));
                const BYTE* got = bits + 3 * (row * 12 + x);
                ASSERT_EQ(got[2], want.rgbRed) << x << "," << row;
                ASSERT_EQ(got[1], want.rgbGreen) << x << "," << row;
                ASSERT_EQ(got[0], want.rgbBlue) << x << "," << row;
            }
    }
}
