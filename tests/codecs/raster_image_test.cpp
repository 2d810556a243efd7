#include <gtest/gtest.h>

#include <cstring>

#include "RasterImage.h"

TEST(RasterImage, CreateRoundsDepthsAndLaysOutTheBlock)
{
    CRasterImage img;
    ASSERT_NE(img.Create(10, 10, 16, 0), nullptr);
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetNumColors(), 0u);
    EXPECT_EQ(img.GetEffWidth(), 32u);

    ASSERT_NE(img.Create(1, 1, 1, 0), nullptr);
    EXPECT_EQ(img.GetEffWidth(), 4u);
    EXPECT_EQ(img.GetNumColors(), 2u);
    EXPECT_EQ(img.GetSize(), 40 + 8 + 4);
    EXPECT_EQ(img.GetBits(0), static_cast<BYTE*>(img.GetDIB()) + 48);
    EXPECT_EQ(img.GetBits(1), nullptr);
    EXPECT_EQ(img.GetPaletteColor(1).rgbRed, 0);
}

TEST(RasterImage, CreateRefusesEmptyAndOversizedImages)
{
    CRasterImage img(8, 8, 8);
    EXPECT_EQ(img.Create(0, 5, 8, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "CRasterImage::Create : width and height must be greater than zero");
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.GetBits(0), nullptr);

    // The product wraps to 0 in 32 bits.
    EXPECT_EQ(img.Create(65536, 65536, 24, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    // Within the limit, but the row width alone would not fit a 32-bit size.
    EXPECT_EQ(img.Create(0x7FFFFFFF, 1, 24, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_EQ(img.Create(0xFFFFFFFF, 1, 1, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    // Fits the limit but not a 32-bit image size.
    EXPECT_EQ(img.Create(50000, 50000, 24, 0), nullptr);
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
}

TEST(RasterImage, CopyTransferAndGhost)
{
    CRasterImage a(4, 3, 8, 3);
    a.SetGrayPalette();
    a.SetPixelIndex(1, 2, 77);
    a.AlphaCreate();
    a.AlphaSet(0, 0, 9);
    a.SetXDPI(150);

    CRasterImage b(a);
    EXPECT_EQ(b.GetPixelIndex(1, 2), 77);
    EXPECT_EQ(b.AlphaGet(0, 0), 9);
    EXPECT_EQ(b.GetXDPI(), 150);
    EXPECT_NE(b.GetBits(), a.GetBits());

    CRasterImage c(a, false, false, false);
    EXPECT_EQ(c.GetPaletteColor(200).rgbRed, 200);
    EXPECT_FALSE(c.AlphaIsValid());

    CRasterImage d;
    ASSERT_TRUE(d.Transfer(b));
    EXPECT_EQ(d.GetPixelIndex(1, 2), 77);
    EXPECT_FALSE(b.IsValid());
    EXPECT_EQ(b.GetJpegQuality(), 0);
    EXPECT_EQ(b.GetTransIndex(), 0);

    CRasterImage ghost;
    ghost.Ghost(&a);
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_EQ(ghost.Create(2, 2, 8, 0), nullptr);
    EXPECT_EQ(ghost.GetBits(), a.GetBits());

    // Copying from a ghost gives an owning image with its own block.
    CRasterImage fromGhost(ghost);
    EXPECT_TRUE(fromGhost.Destroy());
    CRasterImage again(ghost);
    EXPECT_NE(again.GetBits(), a.GetBits());
    EXPECT_EQ(again.GetPixelIndex(1, 2), 77);
}

TEST(RasterImage, CopyIntoFailedCreateLeavesNoStalePixels)
{
    CRasterImage empty;
    CRasterImage target(5, 5, 24);
    target = empty;
    EXPECT_FALSE(target.IsValid());
    EXPECT_EQ(target.GetBits(), nullptr);
}

TEST(RasterImage, InfoAccessors)
{
    CRasterImage img(2, 2, 24, 1);
    img.SetXDPI(0);
    EXPECT_EQ(img.GetXDPI(), 96);
    BITMAPINFOHEADER* h = static_cast<BITMAPINFOHEADER*>(img.GetDIB());
    (void)h;
    img.SetFlags(0x12345678);
    EXPECT_EQ(img.GetFlags(), 0x5678u);
    img.SetFlags(0x12345678, false);
    EXPECT_EQ(img.GetFlags(), 0x12345678u);
    EXPECT_EQ(img.GetCodecOption(17), 0u);
    EXPECT_FALSE(img.SetCodecOption(1, 17));
    EXPECT_TRUE(img.SetCodecOption(5));
    EXPECT_EQ(img.GetCodecOption(1), 5u);
    EXPECT_STREQ(CRasterImage::GetVersion(), "CRasterImage 5.99c");
    RGBQUAD t = {1, 2, 3, 4};
    img.SetTransColor(t);
    EXPECT_EQ(img.GetTransColor().rgbReserved, 0);
}

TEST(RasterImage, ClearAndArrays)
{
    CRasterImage img(3, 2, 4);
    img.Clear(1);
    EXPECT_EQ(img.GetBits()[0], 0x11);

    BYTE rgba[2 * 2 * 4] = {10, 20, 30, 40, 11, 21, 31, 41, 12, 22, 32, 42, 13, 23, 33, 43};
    CRasterImage a;
    ASSERT_TRUE(a.CreateFromArray(rgba, 2, 2, 32, 8, true));
    EXPECT_EQ(a.GetBpp(), 24);
    RGBQUAD c = a.GetPixelColor(0, 1);
    EXPECT_EQ(c.rgbBlue, 10);
    EXPECT_EQ(c.rgbReserved, 40);
    EXPECT_FALSE(a.CreateFromArray(rgba, 2, 2, 16, 8, false));
}

TEST(RasterImage, BitfieldsToRgb)
{
    CRasterImage img(2, 1, 24);
    // One 5-6-5 row: pure red, pure blue.
    BYTE src[4] = {0x00, 0xF8, 0x1F, 0x00};
    img.Bitfield2RGB(src, 0xF800, 0x07E0, 0x001F, 16);
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbRed, 0xF8);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbBlue, 0xF8);
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbRed, 0);
}
