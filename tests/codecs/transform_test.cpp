// Whole-image transformations: geometric identities, known answers and
// clean failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "RasterImage.h"

namespace {

// A w x h picture at the given depth whose pixels all differ as far as the
// depth allows; 24-bit pictures get an alpha channel of their own.
void Fill(CRasterImage& img, DWORD w, DWORD h, DWORD bpp)
{
    ASSERT_TRUE(img.Create(w, h, bpp));
    if (bpp < 24)
        for (DWORD i = 0; i < img.GetNumColors(); i++)
            img.SetPaletteColor(BYTE(i), BYTE(i * 37), BYTE(255 - i * 11), BYTE(i * 5));
    else
        img.AlphaCreate();
    for (long y = 0; y < long(h); y++)
        for (long x = 0; x < long(w); x++) {
            if (bpp < 24)
                img.SetPixelIndex(x, y, BYTE((x * 7 + y * 3 + x * y) % img.GetNumColors()));
            else
                img.SetPixelColor(x, y, RGBQUAD{BYTE(x * 31 + y), BYTE(y * 29 + 3), BYTE(x * y + 7), BYTE(x + 10 * y)}, true);
        }
}

::testing::AssertionResult SameImage(CRasterImage& a, CRasterImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp())
        return ::testing::AssertionFailure() << a.GetWidth() << "x" << a.GetHeight() << "x" << a.GetBpp() << " vs "
                                             << b.GetWidth() << "x" << b.GetHeight() << "x" << b.GetBpp();
    for (long y = 0; y < long(a.GetHeight()); y++)
        for (long x = 0; x < long(a.GetWidth()); x++) {
            RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            if (memcmp(&p, &q, sizeof p) != 0 || a.AlphaGet(x, y) != b.AlphaGet(x, y))
                return ::testing::AssertionFailure() << "differs at " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

bool IsColour(CRasterImage& img, long x, long y, BYTE r, BYTE g, BYTE b)
{
    RGBQUAD c = img.GetPixelColor(x, y, false);
    return c.rgbRed == r && c.rgbGreen == g && c.rgbBlue == b;
}

double WhiteShare(CRasterImage& img)
{
    long white = 0;
    for (long y = 0; y < long(img.GetHeight()); y++)
        for (long x = 0; x < long(img.GetWidth()); x++)
            white += img.GetPixelIndex(x, y);
    return double(white) / (img.GetWidth() * img.GetHeight());
}

} // namespace

TEST(RasterTransformation, QuarterTurnsAtEveryDepth)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        SCOPED_TRACE(bpp);
        CRasterImage src, img;
        Fill(src, 13, 6, bpp);
        img = src;
        for (int i = 0; i < 4; i++)
            ASSERT_TRUE(img.RotateLeft());
        EXPECT_TRUE(SameImage(img, src));

        CRasterImage right, other, turned;
        ASSERT_TRUE(src.RotateRight(&right));
        EXPECT_EQ(src.GetWidth(), 13u); // a destination leaves the source alone
        EXPECT_EQ(right.GetWidth(), 6u);
        // Picture top-left goes to the top-right corner.
        EXPECT_EQ(right.GetPixelColor(5, 12).rgbRed, src.GetPixelColor(0, 5).rgbRed);
        ASSERT_TRUE(src.Rotate180(&other));
        EXPECT_EQ(other.GetPixelIndex(12, 5), src.GetPixelIndex(0, 0));
        ASSERT_TRUE(other.RotateLeft());
        EXPECT_TRUE(SameImage(other, right));
        ASSERT_TRUE(src.Rotate(90, &turned));
        EXPECT_TRUE(SameImage(turned, right));
        ASSERT_TRUE(src.Rotate(-90, &turned));
        ASSERT_TRUE(src.RotateLeft(&other));
        EXPECT_TRUE(SameImage(turned, other));
    }
}

TEST(RasterTransformation, MirrorAndRotate2)
{
    CRasterImage src, img;
    Fill(src, 13, 6, 1);
    img = src;
    ASSERT_TRUE(img.Mirror());
    for (long x = 0; x < 13; x++)
        EXPECT_EQ(img.GetPixelIndex(x, 4), src.GetPixelIndex(12 - x, 4)) << x;

    CRasterImage small, right, turned;
    Fill(small, 4, 4, 24);
    ASSERT_TRUE(small.RotateRight(&right));
    ASSERT_TRUE(small.Rotate2(90.1f, &turned, CRasterImage::IM_BILINEAR, CRasterImage::OM_REPEAT));
    EXPECT_TRUE(SameImage(turned, right));
    ASSERT_TRUE(small.Rotate2(45, &turned, CRasterImage::IM_BILINEAR, CRasterImage::OM_REPEAT));
    EXPECT_EQ(turned.GetWidth(), 6u); // 4 * sqrt(2), rounded
    EXPECT_EQ(turned.GetHeight(), 6u);
    // Keeping the size, no turn samples every pixel at its own centre.
    Fill(src, 9, 5, 24);
    ASSERT_TRUE(src.Rotate2(0, &turned, CRasterImage::IM_CATROM, CRasterImage::OM_REPEAT, nullptr, false, true));
    EXPECT_TRUE(SameImage(turned, src));
    ASSERT_TRUE(src.Rotate2(180, &turned, CRasterImage::IM_CATROM, CRasterImage::OM_REPEAT, nullptr, false, true));
    ASSERT_TRUE(src.Rotate180(&right));
    EXPECT_TRUE(SameImage(turned, right));
}

TEST(RasterTransformation, ResampleToTheSameSize)
{
    CRasterImage src, img, dst;
    Fill(src, 11, 7, 24);
    img = src;
    EXPECT_TRUE(img.Resample(11, 7, 0));
    EXPECT_TRUE(SameImage(img, src));
    EXPECT_TRUE(img.Resample(11, 7, 2, &dst));
    EXPECT_TRUE(SameImage(dst, src));
    for (auto m : {CRasterImage::IM_CATROM, CRasterImage::IM_BICUBIC2, CRasterImage::IM_LANCZOS, CRasterImage::IM_NEAREST_NEIGHBOUR}) {
        ASSERT_TRUE(img.Resample2(11, 7, m, CRasterImage::OM_REPEAT, &dst));
        EXPECT_TRUE(SameImage(dst, src)) << m;
    }
    EXPECT_FALSE(img.Resample(0, 7));
    EXPECT_FALSE(img.Resample2(11, -1));
    // Nearest halving keeps the pixels at even positions.
    ASSERT_TRUE(img.Resample(6, 4, 1, &dst));
    EXPECT_EQ(dst.GetPixelColor(3, 2).rgbBlue, src.GetPixelColor(5, 3).rgbBlue);
}

TEST(RasterTransformation, ExpandCropAndFailures)
{
    CRasterImage src, img;
    Fill(src, 7, 5, 24);
    const RGBQUAD fill = {10, 20, 30, 0};
    img = src;
    ASSERT_TRUE(img.Expand(3, 2, 4, 6, fill));
    ASSERT_EQ(img.GetWidth(), 14u);
    ASSERT_EQ(img.GetHeight(), 13u);
    EXPECT_TRUE(IsColour(img, 0, 12, 30, 20, 10));  // top-left margin
    EXPECT_TRUE(IsColour(img, 13, 0, 30, 20, 10));  // bottom-right margin
    EXPECT_TRUE(IsColour(img, 10, 6, 30, 20, 10));  // right margin, beside the picture
    ASSERT_TRUE(img.Crop(3, 2, 10, 7));
    EXPECT_TRUE(SameImage(img, src));

    // Negative margins cut: one column off the left, one row off the bottom.
    img = src;
    ASSERT_TRUE(img.Expand(-1, 2, 0, -1, fill));
    ASSERT_EQ(img.GetWidth(), 6u);
    ASSERT_EQ(img.GetHeight(), 6u);
    for (long y = 0; y < 4; y++)
        for (long x = 0; x < 6; x++)
            EXPECT_EQ(img.GetPixelColor(x, y).rgbBlue, src.GetPixelColor(x + 1, y + 1).rgbBlue) << x << "," << y;
    EXPECT_TRUE(IsColour(img, 2, 5, 30, 20, 10));

    // The size form centres, the odd pixel going right and down.
    img = src;
    ASSERT_TRUE(img.Expand(10, 8, fill));
    EXPECT_TRUE(IsColour(img, 0, 3, 30, 20, 10));
    EXPECT_EQ(img.GetPixelColor(1, 2).rgbBlue, src.GetPixelColor(0, 0).rgbBlue);
    EXPECT_TRUE(IsColour(img, 8, 2, 30, 20, 10));
    EXPECT_TRUE(IsColour(img, 1, 1, 30, 20, 10));
    EXPECT_FALSE(img.Expand(9, 20, fill));

    img = src;
    EXPECT_FALSE(img.Expand(-4, 0, -3, 0, fill));
    EXPECT_FALSE(img.Expand(0, 0, 2000000000, 2000000000, fill));
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_FALSE(img.Resample2(3000000000L, 2, CRasterImage::IM_BILINEAR));
    EXPECT_STREQ(img.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_FALSE(img.Resample(200000, 200000, 1));
    EXPECT_TRUE(SameImage(img, src));
}

TEST(RasterTransformation, CropRotatedRectangle)
{
    CRasterImage src, straight, turned, crop;
    Fill(src, 11, 12, 8);
    ASSERT_TRUE(src.CropRotatedRectangle(2, 3, 5, 4, 0.0001f, &straight));
    ASSERT_TRUE(src.Crop(2, 3, 7, 7, &crop));
    EXPECT_TRUE(SameImage(straight, crop));
    // Turned a quarter counter-clockwise, the top edge runs up from (2, 9).
    ASSERT_TRUE(src.CropRotatedRectangle(2, 9, 5, 3, float(M_PI / 2), &turned));
    ASSERT_TRUE(src.Crop(2, 4, 5, 9, &crop));
    ASSERT_TRUE(crop.RotateRight());
    EXPECT_TRUE(SameImage(turned, crop));
    EXPECT_FALSE(src.CropRotatedRectangle(40, 40, 5, 3, 0.5f, &turned));
}

TEST(RasterTransformation, ShrinkAndThumbnail)
{
    CRasterImage src, img;
    Fill(src, 5, 3, 24);
    img = src;
    EXPECT_FALSE(img.QIShrink(6, 2));
    EXPECT_STREQ(img.GetLastError(), "QIShrink can't enlarge image");
    ASSERT_TRUE(img.QIShrink(2, 2));
    // Columns 0-2 and 3-4, rows 0-1 and 2.
    auto mean = [&](long x0, long x1, long y0, long y1) {
        int sum = 0;
        for (long y = y0; y <= y1; y++)
            for (long x = x0; x <= x1; x++)
                sum += src.GetPixelColor(x, y).rgbBlue;
        return sum / int((x1 - x0 + 1) * (y1 - y0 + 1));
    };
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, mean(0, 2, 0, 1));
    EXPECT_EQ(img.GetPixelColor(1, 0).rgbBlue, mean(3, 4, 0, 1));
    EXPECT_EQ(img.GetPixelColor(1, 1).rgbBlue, mean(3, 4, 2, 2));

    CRasterImage wide;
    ASSERT_TRUE(wide.Create(40, 20, 24));
    wide.Clear(200);
    const RGBQUAD bg = {1, 2, 3, 0};
    ASSERT_TRUE(wide.Thumbnail(10, 9, bg));
    ASSERT_EQ(wide.GetWidth(), 10u);
    ASSERT_EQ(wide.GetHeight(), 9u);
    // 10 x 5 of picture, two rows of background above and below.
    EXPECT_TRUE(IsColour(wide, 4, 8, 3, 2, 1));
    EXPECT_TRUE(IsColour(wide, 4, 1, 3, 2, 1));
    EXPECT_TRUE(IsColour(wide, 0, 2, 200, 200, 200));
    EXPECT_TRUE(IsColour(wide, 9, 6, 200, 200, 200));
    EXPECT_FALSE(wide.Thumbnail(0, 9, bg));
}

TEST(RasterTransformation, DepthReductionAndDithering)
{
    CRasterImage grey;
    ASSERT_TRUE(grey.Create(64, 48, 24));
    // Every method keeps the mean: a quarter white at 64, three quarters at
    // 192 (truncated error shares cost diffusion up to three points).
    for (int level : {64, 192})
        for (long method = 0; method <= 8; method++) {
            CRasterImage img(grey);
            img.Clear(BYTE(level));
            ASSERT_TRUE(img.Dither(method));
            ASSERT_EQ(img.GetBpp(), 1);
            EXPECT_NEAR(WhiteShare(img), level / 255.0, 0.03) << method << " at " << level;
        }
    grey.Clear(64);
    // Ordered patterns at their exact thresholds.
    CRasterImage ordered(grey);
    ordered.Clear(128);
    ASSERT_TRUE(ordered.Dither(1));
    const char* bayer = "1010" "0101" "1010" "0101"; // entries below 8
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(ordered.GetPixelIndex(i % 4, i / 4), bayer[i] - '0') << i;
    ordered = grey;
    ordered.Clear(100);
    ASSERT_TRUE(ordered.Dither(7));
    const char* table = "1010" "0100" "1010" "0101"; // thresholds below 100
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(ordered.GetPixelIndex(i % 4, i / 4), table[i] - '0') << i;

    CRasterImage img(grey);
    ASSERT_TRUE(img.DecreaseBpp(1, false));
    EXPECT_EQ(WhiteShare(img), 0);
    img = grey;
    ASSERT_TRUE(img.DecreaseBpp(1, true));
    // Its weights pass on 14/16 of each error, so a little less white.
    EXPECT_NEAR(WhiteShare(img), 0.23, 0.01);
    EXPECT_FALSE(img.DecreaseBpp(4, false));
    EXPECT_FALSE(grey.DecreaseBpp(2, false));

    CRasterImage colour;
    Fill(colour, 9, 4, 24);
    ASSERT_TRUE(colour.DecreaseBpp(8, false));
    ASSERT_EQ(colour.GetBpp(), 8);
    EXPECT_TRUE(IsColour(colour, 0, 0, 0, 0, 0)); // (7, 3, 0) is nearest to black
    RGBQUAD pal[16] = {};
    pal[5] = {200, 100, 50, 0};
    Fill(colour, 9, 4, 24);
    ASSERT_TRUE(colour.DecreaseBpp(4, false, pal));
    EXPECT_EQ(colour.GetPixelIndex(8, 3), 5);
}

namespace {

// One error-diffusion method: its divisor and the weights of the pixel's
// own row and the rows below it, columns x - 3 to x + 3.
struct Diffusion {
    long method;
    int divisor;
    std::vector<std::vector<int>> rows;
};

// Dithers grey values the long way: each pixel becomes white above 128 and
// hands its error on, every share truncated and every sum held to a byte.
std::vector<int> Diffused(const Diffusion& d, std::vector<int> grey, int width, int height)
{
    std::vector<int> out(grey.size());
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const int value = grey[size_t(y * width + x)];
            const bool white = value > 128;
            out[size_t(y * width + x)] = white;
            const int error = value - (white ? 255 : 0);
            for (size_t r = 0; r < d.rows.size(); r++)
                for (int dx = -3; dx <= 3; dx++) {
                    const int nx = x + dx, ny = y + int(r), weight = d.rows[r][size_t(dx + 3)];
                    if (weight == 0 || nx < 0 || nx >= width || ny >= height)
                        continue;
                    int& target = grey[size_t(ny * width + nx)];
                    target = std::clamp(target + error * weight / d.divisor, 0, 255);
                }
        }
    return out;
}

}  // namespace

TEST(RasterTransformation, DiffusionWeightsOfEveryDitheringMethod)
{
    const Diffusion floyd{0, 16, {{0, 0, 0, 0, 7, 0, 0}, {0, 0, 3, 5, 1, 0, 0}}};
    const Diffusion methods[] = {
        floyd,
        {2, 32, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}}},
        {3, 42, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}, {0, 1, 2, 4, 2, 1, 0}}},
        {4, 48, {{0, 0, 0, 0, 7, 5, 0}, {0, 3, 5, 7, 5, 3, 0}, {0, 1, 3, 5, 3, 1, 0}}},
        {5, 32, {{0, 0, 0, 0, 5, 3, 0}, {0, 2, 4, 5, 4, 2, 0}, {0, 0, 2, 3, 2, 0, 0}}},
        {6, 200, {{0, 0, 0, 0, 0, 32, 0}, {12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}},
        {9, 16, floyd.rows},  // any other method is Floyd-Steinberg
    };
    const int width = 23, height = 13;
    std::vector<int> grey;
    CRasterImage source;
    ASSERT_TRUE(source.Create(width, height, 8));
    source.SetGrayPalette();
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            grey.push_back((x * 37 + y * 91 + x * y * 5) % 256);
            source.SetPixelIndex(x, y, BYTE(grey.back()));
        }
    for (const Diffusion& d : methods) {
        CRasterImage img(source);
        ASSERT_TRUE(img.Dither(d.method));
        ASSERT_EQ(img.GetBpp(), 1);
        const std::vector<int> expected = Diffused(d, grey, width, height);
        int differing = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                differing += img.GetPixelIndex(x, y) != expected[size_t(y * width + x)];
        EXPECT_EQ(differing, 0) << "method " << d.method;
    }
}

// Shrinking by area averages each destination pixel over the source cells
// it covers (a third of a cell is 333/1000, two thirds 667) and rounds, the
// alpha channel as well as the colours.
TEST(RasterTransformation, AreaAveragesRoundToTheNearestLevel)
{
    CRasterImage img;
    ASSERT_TRUE(img.Create(7, 5, 24));
    img.AlphaCreate();
    for (long y = 0; y < 5; y++)
        for (long x = 0; x < 7; x++) {
            img.SetPixelColor(x, y, RGBQUAD{BYTE((x * 29 + y * 41 + 7) % 256), BYTE((x * 53 + y * 17 + 100) % 256),
                                            BYTE((x * 11 + y * 71 + 200) % 256), 0});
            img.AlphaSet(x, y, BYTE((x * 19 + y * 83 + 240) % 256));
        }
    ASSERT_TRUE(img.Resample(3, 2, 0));
    ASSERT_EQ(img.GetWidth(), 3u);
    ASSERT_EQ(img.GetHeight(), 2u);
    const int blue[] = {61, 127, 171, 159, 152, 79};
    const int green[] = {151, 90, 138, 163, 72, 179};
    const int red[] = {111, 136, 117, 179, 131, 127};
    const int alpha[] = {108, 107, 129, 146, 102, 123};
    ASSERT_TRUE(img.AlphaIsValid());
    for (int i = 0; i < 6; i++) {
        RGBQUAD c = img.GetPixelColor(i % 3, i / 3);
        EXPECT_EQ(c.rgbBlue, blue[i]) << i;
        EXPECT_EQ(c.rgbGreen, green[i]) << i;
        EXPECT_EQ(c.rgbRed, red[i]) << i;
        EXPECT_EQ(img.AlphaGet(i % 3, i / 3), alpha[i]) << i;
    }
}

TEST(RasterTransformation, GreyOfIndexedImagesKeepsTransparency)
{
    CRasterImage img;
    Fill(img, 6, 3, 4);
    img.SetTransIndex(3);
    RGBQUAD entry = img.GetPaletteColor(3);
    BYTE lum = BYTE((entry.rgbRed * 306 + entry.rgbGreen * 601 + entry.rgbBlue * 117) >> 10);
    BYTE pixelIndex = img.GetPixelIndex(4, 2);
    RGBQUAD pixel = img.GetPaletteColor(pixelIndex);
    ASSERT_TRUE(img.GrayScale());
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_EQ(img.GetTransIndex(), lum);
    EXPECT_EQ(img.GetPixelIndex(4, 2), (pixel.rgbRed * 306 + pixel.rgbGreen * 601 + pixel.rgbBlue * 117) >> 10);
}

TEST(RasterTransformation, SkewAndCircleStayInsideTheSource)
{
    CRasterImage src, img;
    Fill(src, 40, 6, 24);
    img = src;
    ASSERT_TRUE(img.Skew(1.0f, 0.0f, 0, 2));
    // Row y reads x + (y - 2); past the right edge the background shows.
    EXPECT_EQ(img.GetPixelColor(5, 4).rgbBlue, src.GetPixelColor(7, 4).rgbBlue);
    EXPECT_EQ(img.GetPixelColor(5, 0).rgbBlue, src.GetPixelColor(3, 0).rgbBlue);
    EXPECT_TRUE(IsColour(img, 39, 5, 255, 255, 255));
    EXPECT_TRUE(IsColour(img, 0, 0, 255, 255, 255));

    img = src;
    ASSERT_TRUE(img.CircleTransform(4, 100, 1));
    // Column x reads x + (x mod 32) - 16; columns that would read left of 0 keep theirs.
    EXPECT_EQ(img.GetPixelColor(20, 3).rgbBlue, src.GetPixelColor(24, 3).rgbBlue);
    EXPECT_EQ(img.GetPixelColor(33, 3).rgbBlue, src.GetPixelColor(18, 3).rgbBlue);
    EXPECT_EQ(img.GetPixelColor(3, 3).rgbBlue, src.GetPixelColor(3, 3).rgbBlue);
    // Outside the radius nothing moves.
    img = src;
    ASSERT_TRUE(img.CircleTransform(2, 3, 0.5f));
    EXPECT_EQ(img.GetPixelColor(0, 0).rgbBlue, src.GetPixelColor(0, 0).rgbBlue);
    EXPECT_EQ(img.GetPixelColor(20, 3).rgbBlue, src.GetPixelColor(20, 3).rgbBlue);
    EXPECT_NE(img.GetPixelColor(21, 4).rgbBlue, src.GetPixelColor(21, 4).rgbBlue);
}

TEST(RasterTransformation, EscapeStopsAndHandsOverThePartialResult)
{
    CRasterImage src, img;
    Fill(src, 30, 20, 24);
    img = src;
    img.SetEscape(1);
    ASSERT_TRUE(img.Resample2(15, 40, CRasterImage::IM_BILINEAR));
    EXPECT_EQ(img.GetHeight(), 40u);
    EXPECT_EQ(img.GetProgress(), 0);
    EXPECT_TRUE(IsColour(img, 7, 20, 0, 0, 0));
    img = src;
    ASSERT_TRUE(img.Rotate180());
    EXPECT_EQ(img.GetProgress(), 95);
}
