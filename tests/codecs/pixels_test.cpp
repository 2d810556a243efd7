#include <gtest/gtest.h>

#include "RasterImage.h"
#include "gdi/gdiapi.h"

TEST(Pixels, IndexAccessAtEveryDepth)
{
    CRasterImage img(10, 4, 8);
    img.SetPixelIndex(0, 0, 3);
    EXPECT_EQ(img.GetPixelIndex(-1, 0), 3);
    img.SetTransIndex(7);
    EXPECT_EQ(img.GetPixelIndex(-1, 0), 7);

    CRasterImage nib(10, 4, 4);
    nib.SetPixelIndex(2, 0, 0xA);
    EXPECT_EQ(nib.GetBits(0)[1], 0xA0);
    nib.SetPixelIndex(0, 0, 5);
    // Outside at 4 bits: the corner pixel's index, not the raw byte 0x50.
    EXPECT_EQ(nib.GetPixelIndex(100, 0), 5);

    CRasterImage bit(10, 4, 1);
    bit.SetPixelIndex(0, 0, 1);
    bit.SetPixelIndex(9, 3, 1);
    EXPECT_EQ(bit.GetBits(0)[0], 0x80);
    EXPECT_EQ(bit.GetPixelIndex(-5, -5), 1);
    EXPECT_EQ(bit.GetPixelIndex(9, 3), 1);
    bit.SetPixelIndex(10, 0, 1);
    bit.SetPixelIndex(0, 4, 1);
    EXPECT_EQ(bit.GetPixelIndex(8, 0), 0);
}

TEST(Pixels, PaletteBoundsAndNearestIndex)
{
    CRasterImage img(2, 2, 4);
    img.SetGrayPalette();
    EXPECT_EQ(img.GetPaletteColor(1).rgbGreen, 17);
    EXPECT_EQ(img.GetPaletteColor(15).rgbGreen, 255);
    BYTE r = 1, g = 1, b = 1;
    EXPECT_FALSE(img.GetPaletteColor(16, &r, &g, &b));
    EXPECT_EQ(img.GetPaletteColor(200).rgbRed, 0);
    img.SetPaletteColor(200, 1, 2, 3);

    CRasterImage p(2, 2, 8);
    p.SetPaletteColor(5, 10, 20, 30);
    p.SetPaletteColor(9, 10, 20, 30);
    RGBQUAD c = {30, 20, 10, 0};
    EXPECT_EQ(p.GetNearestIndex(c), 5);
    EXPECT_EQ(p.GetNearestIndex(c), 5);

    // An important-colour count beyond the 16-entry table searches the table only.
    CRasterImage small(2, 2, 4);
    small.SetGrayPalette();
    small.SetClrImportant(200);
    EXPECT_EQ(small.GetClrImportant(), 16u);
    RGBQUAD white = {255, 255, 255, 0};
    EXPECT_EQ(small.GetNearestIndex(white), 15);
    small.SetClrImportant(300);
    EXPECT_EQ(small.GetClrImportant(), 0u);
}

TEST(Pixels, ColourAndLines)
{
    CRasterImage img(10, 3, 24);
    RGBQUAD red = {0, 0, 255, 0};
    img.DrawLine(0, 9, 0, 0, red);
    for (int x = 0; x < 10; x++)
        EXPECT_EQ(img.GetPixelColor(x, 0).rgbRed, 255) << x;
    EXPECT_EQ(img.GetPixelColor(0, 1).rgbRed, 0);
    img.SetPixelColor(3, 2, RGB(1, 2, 3));
    EXPECT_EQ(CRasterImage::RGBQUADtoRGB(img.GetPixelColor(3, 2)), RGB(1, 2, 3));
    img.BlendPixelColor(3, 2, red, 1.0f);
    EXPECT_EQ(img.GetPixelColor(3, 2).rgbRed, 255);

    CRasterImage pal(4, 4, 8);
    pal.SetStdPalette();
    EXPECT_EQ(pal.GetPaletteColor(9).rgbBlue, 240);
    EXPECT_EQ(pal.GetPaletteColor(226).rgbRed, 242);
    EXPECT_EQ(pal.GetPaletteColor(255).rgbGreen, 255);
    pal.SetPixelColor(1, 1, RGB(255, 0, 0));
    EXPECT_EQ(pal.GetPixelIndex(1, 1), 249);
}

TEST(Pixels, SwapIndexMovesPixelsWithEntries)
{
    CRasterImage img(3, 1, 4);
    img.SetPaletteColor(0, 1, 1, 1);
    img.SetPaletteColor(5, 5, 5, 5);
    img.SetPixelIndex(0, 0, 5);
    img.SwapIndex(0, 5);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 5);
    EXPECT_EQ(img.GetPaletteColor(0).rgbRed, 5);
}

TEST(Alpha, ChannelOperations)
{
    CRasterImage img(4, 2, 24);
    img.AlphaCreate();
    EXPECT_EQ(img.AlphaGet(0, 0), 255);
    img.AlphaClear();
    EXPECT_EQ(img.AlphaGet(0, 0), 0);
    img.AlphaSet(1, 1, 100);
    EXPECT_TRUE(img.AlphaFlip());
    EXPECT_EQ(img.AlphaGet(1, 0), 100);
    EXPECT_TRUE(img.AlphaMirror());
    EXPECT_EQ(img.AlphaGet(2, 0), 100);
    EXPECT_EQ(img.AlphaGet(9, 9), 0);
    EXPECT_EQ(img.AlphaGetPointer(9, 9), nullptr);
    CRasterImage split;
    ASSERT_TRUE(img.AlphaSplit(&split));
    EXPECT_EQ(split.GetPixelIndex(2, 0), 100);
    EXPECT_TRUE(img.IsTransparent(0, 0));

    // Stripping composites over the transparent colour and drops the channel.
    CRasterImage pal(2, 1, 8);
    pal.SetPaletteColor(1, 200, 200, 200);
    pal.SetPixelIndex(0, 0, 1);
    pal.AlphaCreate();
    pal.AlphaSet(0, 0, 0);
    RGBQUAD blue = {255, 0, 0, 0};
    pal.SetTransColor(blue);
    pal.AlphaStrip();
    EXPECT_EQ(pal.GetBpp(), 24);
    EXPECT_FALSE(pal.AlphaIsValid());
    EXPECT_EQ(pal.GetPixelColor(0, 0).rgbBlue, 255);
    EXPECT_EQ(pal.GetPixelColor(1, 0).rgbBlue, 0);
}

TEST(Selection, RectEllipsePolygon)
{
    CRasterImage img(20, 20, 8);
    RECT r = {10, 0, 5, 3};
    ASSERT_TRUE(img.SelectionAddRect(r));
    EXPECT_TRUE(img.SelectionIsInside(5, 0));
    EXPECT_TRUE(img.SelectionIsInside(9, 2));
    EXPECT_FALSE(img.SelectionIsInside(10, 0));
    EXPECT_FALSE(img.SelectionIsInside(4, 0));

    // An ellipse reaching far past the top and bottom rows selects only rows inside.
    CRasterImage e(20, 20, 8);
    RECT big = {2, -100, 18, 120};
    ASSERT_TRUE(e.SelectionAddEllipse(big));
    EXPECT_TRUE(e.SelectionIsInside(10, 10));
    EXPECT_TRUE(e.SelectionIsInside(10, 19));
    RECT flat = {2, 5, 18, 5};
    EXPECT_FALSE(e.SelectionAddEllipse(flat));

    CRasterImage p(20, 20, 8);
    POINT tri[3] = {{2, 2}, {17, 2}, {2, 17}};
    ASSERT_TRUE(p.SelectionAddPolygon(tri, 3));
    EXPECT_TRUE(p.SelectionIsInside(4, 4));
    EXPECT_TRUE(p.SelectionIsInside(2, 10));
    EXPECT_FALSE(p.SelectionIsInside(15, 15));
    RECT box;
    p.SelectionGetBox(box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 18);
    POINT off[3] = {{-50, -50}, {500, -50}, {-50, 500}};
    EXPECT_TRUE(p.SelectionAddPolygon(off, 3));
    EXPECT_FALSE(p.SelectionAddPolygon(off, 2));

    EXPECT_TRUE(p.SelectionInvert());
    EXPECT_TRUE(p.SelectionDelete());
    EXPECT_TRUE(p.SelectionIsInside(15, 15));
}

TEST(Transform, IncreaseBppFlipAndCrop)
{
    CRasterImage img(6, 4, 8);
    img.SetPaletteColor(3, 10, 20, 30);
    img.SetPixelIndex(5, 0, 3);
    img.SetTransIndex(3);
    EXPECT_FALSE(img.IncreaseBpp(16));
    ASSERT_TRUE(img.IncreaseBpp(24));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetTransColor().rgbRed, 10);
    EXPECT_EQ(img.GetPixelColor(5, 0).rgbBlue, 30);
    EXPECT_TRUE(img.IncreaseBpp(24));

    // An index past the table has no colour: entry 256 is not entry 0.
    CRasterImage far(3, 2, 8);
    far.SetPaletteColor(0, 70, 80, 90);
    far.SetTransIndex(256);
    const RGBQUAD none = far.GetTransColor();
    EXPECT_EQ(none.rgbRed + none.rgbGreen + none.rgbBlue + none.rgbReserved, 0);
    EXPECT_EQ(far.GetPixelColor(-1, 0).rgbRed, 0);
    ASSERT_TRUE(far.IncreaseBpp(24));
    EXPECT_EQ(far.GetTransColor().rgbRed, 0);
    EXPECT_FALSE(img.IncreaseBpp(8));

    img.AlphaCreate();
    img.AlphaSet(5, 0, 7);
    ASSERT_TRUE(img.Flip());
    EXPECT_EQ(img.GetPixelColor(5, 3).rgbBlue, 30);
    EXPECT_EQ(img.AlphaGet(5, 3), 7);
    ASSERT_TRUE(img.Flip());

    // Top-down coordinates: row 3 from the bottom is the top row.
    EXPECT_FALSE(img.Crop(10, 10, 10, 50));
    CRasterImage a, b;
    ASSERT_TRUE(img.Crop(4, 2, 6, 4, &a));
    ASSERT_TRUE(img.Crop(6, 4, 4, 2, &b));
    EXPECT_EQ(a.GetWidth(), 2u);
    EXPECT_EQ(a.GetHeight(), 2u);
    EXPECT_EQ(a.GetPixelColor(1, 0).rgbBlue, 30);
    EXPECT_EQ(b.GetPixelColor(1, 0).rgbBlue, 30);
    EXPECT_EQ(a.AlphaGet(1, 0), 7);
    RECT all = {-5, -5, 100, 100};
    ASSERT_TRUE(img.Crop(all));
    EXPECT_EQ(img.GetWidth(), 6u);

    CRasterImage nib(9, 3, 4);
    nib.SetPixelIndex(8, 2, 9);
    ASSERT_TRUE(nib.Crop(7, 0, 9, 1));
    EXPECT_EQ(nib.GetPixelIndex(1, 0), 9);
}

TEST(Selection, RegionOfTheMask)
{
    CRasterImage img(10, 6, 24);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_FALSE(img.SelectionToHRGN(none));
    RECT r = {2, 1, 5, 3};
    ASSERT_TRUE(img.SelectionAddRect(r));
    ASSERT_TRUE(img.SelectionAddPixel(8, 5));
    ASSERT_TRUE(img.SelectionToHRGN(none));
    RECT box;
    GetRgnBox(none, &box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.bottom, 6);
    EXPECT_TRUE(PtInRegion(none, 4, 2));
    EXPECT_FALSE(PtInRegion(none, 5, 2));
    EXPECT_TRUE(PtInRegion(none, 8, 5));
    HRGN null = nullptr;
    EXPECT_FALSE(img.SelectionToHRGN(null));
    DeleteObject(none);
}
