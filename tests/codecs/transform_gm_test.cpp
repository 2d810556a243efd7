// Whole-image transformations compared with GraphicsMagick on a synthetic
// pattern and a photograph-like picture: exact where the operation is
// exact, within a stated mean error where it resamples.
#include <gtest/gtest.h>

#include <cmath>

#include "codec_test_util.h"

using namespace codectest;

namespace {

// Smooth shading, fine texture and a hard-edged block, 61 x 47.
std::string MakePhotoPpm(const std::string& dir)
{
    std::string path = dir + "/photo.ppm";
    FILE* fp = fopen(path.c_str(), "wb");
    const int w = 61, h = 47;
    fprintf(fp, "P6\n%d %d\n255\n", w, h);
    unsigned seed = 11;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = int((seed >> 16) % 17);
            bool block = x >= 35 && x < 50 && y >= 8 && y < 30;
            unsigned char px[3] = {(unsigned char)(block ? 230 : 120 + 90 * std::sin(x * 0.11) + noise),
                                   (unsigned char)(block ? 40 : 110 + 70 * std::cos(y * 0.13 + x * 0.05) + noise / 2),
                                   (unsigned char)((x * 3 + y * 2) % 200 + noise)};
            fwrite(px, 1, 3, fp);
        }
    fclose(fp);
    return path;
}

// Our 24-bit image of a PNM decoded by gm.
void Load(CRasterImage& img, const std::string& ppm)
{
    Pnm pnm = Reference("gm convert '" + ppm + "' -depth 8 ppm:-");
    ASSERT_TRUE(img.Create(DWORD(pnm.width), DWORD(pnm.height), 24));
    for (int y = 0; y < pnm.height; y++)
        for (int x = 0; x < pnm.width; x++) {
            Rgb c = pnm.At(x, y);
            img.SetPixelColor(x, pnm.height - 1 - y, RGBQUAD{BYTE(c.b), BYTE(c.g), BYTE(c.r), 0});
        }
}

double MeanDifference(CRasterImage& img, const Pnm& ref)
{
    if (int(img.GetWidth()) != ref.width || int(img.GetHeight()) != ref.height)
        return 1000;
    double sum = 0;
    for (int y = 0; y < ref.height; y++)
        for (int x = 0; x < ref.width; x++) {
            Rgb a = PixelTopDown(img, x, y), b = ref.At(x, y);
            sum += abs(a.r - b.r) + abs(a.g - b.g) + abs(a.b - b.b);
        }
    return sum / (3.0 * ref.width * ref.height);
}

struct Sources {
    std::string dir = ScratchDir("transform");
    std::string files[2] = {MakeSourcePpm(dir), MakePhotoPpm(dir)};
};

Pnm Gm(const std::string& src, const std::string& flags)
{
    return Reference("gm convert '" + src + "' " + flags + " -depth 8 ppm:-");
}

} // namespace

TEST(TransformAgainstGm, ExactOperations)
{
    Sources s;
    struct Op {
        const char* flags;
        bool (*apply)(CRasterImage&);
    } ops[] = {
        {"-flip", [](CRasterImage& i) { return i.Flip(); }},
        {"-flop", [](CRasterImage& i) { return i.Mirror(); }},
        {"-rotate 90", [](CRasterImage& i) { return i.RotateRight(); }},
        {"-rotate -90", [](CRasterImage& i) { return i.RotateLeft(); }},
        {"-rotate 180", [](CRasterImage& i) { return i.Rotate180(); }},
        {"-negate", [](CRasterImage& i) { return i.Negative(); }},
    };
    for (const std::string& src : s.files)
        for (const Op& op : ops) {
            CRasterImage img;
            Load(img, src);
            ASSERT_TRUE(op.apply(img)) << op.flags;
            EXPECT_EQ(MaxDifference(img, Gm(src, op.flags)), 0) << src << " " << op.flags;
        }
}

TEST(TransformAgainstGm, GreyIsTheWeightedLuminance)
{
    Sources s;
    for (const std::string& src : s.files) {
        CRasterImage img;
        Load(img, src);
        ASSERT_TRUE(img.GrayScale());
        EXPECT_EQ(img.GetBpp(), 8);
        EXPECT_TRUE(img.IsGrayScale());
        Pnm colour = Gm(src, "");
        for (int y = 0; y < colour.height; y++)
            for (int x = 0; x < colour.width; x++) {
                Rgb c = colour.At(x, y);
                int want = (c.r * 306 + c.g * 601 + c.b * 117) >> 10;
                ASSERT_EQ(PixelTopDown(img, x, y), (Rgb{want, want, want})) << x << "," << y;
            }
        // gm rounds its luminance where we truncate.
        EXPECT_LE(MaxDifference(img, Gm(src, "-colorspace gray")), 1);
    }
}

// Enlarging samples the kernel at each destination centre as gm's filters
// do: mean error within 0.75 of a level, which the B-spline in place of
// Catmull-Rom misses by far. Shrinking averages by covered area as gm's
// -scale does: within one level everywhere.
TEST(TransformAgainstGm, ResamplingWithinStatedMeanError)
{
    Sources s;
    for (const std::string& src : s.files) {
        CRasterImage base;
        Load(base, src);
        long w = long(base.GetWidth()), h = long(base.GetHeight());
        long upW = w * 8 / 5, upH = h * 7 / 4, downW = w * 2 / 3, downH = h * 3 / 5;
        std::string up = " -resize " + std::to_string(upW) + "x" + std::to_string(upH) + "!";
        std::string down = "-scale " + std::to_string(downW) + "x" + std::to_string(downH) + "!";
        auto enlarged = [&](CRasterImage::InterpolationMethod m, const std::string& filter) {
            CRasterImage img(base);
            EXPECT_TRUE(img.Resample2(upW, upH, m, CRasterImage::OM_REPEAT));
            return MeanDifference(img, Gm(src, "-filter " + filter + up));
        };
        EXPECT_LE(enlarged(CRasterImage::IM_CATROM, "Catrom"), 0.75) << src;
        EXPECT_LE(enlarged(CRasterImage::IM_MITCHELL, "Mitchell"), 0.75) << src;
        EXPECT_LE(enlarged(CRasterImage::IM_BILINEAR, "Triangle"), 0.75) << src;
        EXPECT_GT(enlarged(CRasterImage::IM_BSPLINE, "Catrom"), 1.5) << src;

        Pnm scaled = Gm(src, down);
        CRasterImage averaged(base), fixedPoint(base);
        ASSERT_TRUE(averaged.Resample2(downW, downH, CRasterImage::IM_CATROM, CRasterImage::OM_REPEAT));
        EXPECT_LE(MaxDifference(averaged, scaled), 1) << src;
        ASSERT_TRUE(fixedPoint.Resample(downW, downH, 0));
        EXPECT_LE(MaxDifference(fixedPoint, scaled), 1) << src;
    }
}

TEST(Rasterconv, AppliesOperationsInOrderAndReportsTheirFailure)
{
    Sources s;
    std::string tool = "'" + std::string(BINARY_DIR) + "/tools/rasterconv'";
    std::string png = s.dir + "/photo.png", out = s.dir + "/out.png";
    ASSERT_EQ(Shell("gm convert '" + s.files[1] + "' '" + png + "'"), 0);
    ASSERT_EQ(Shell(tool + " --op rotr --op crop:1,2,20,15 --op negative '" + png + "' '" + out + "'"), 0);
    CRasterImage ours;
    Load(ours, out);
    EXPECT_EQ(MaxDifference(ours, Gm(s.files[1], "-rotate 90 -crop 19x13+1+2 -negate")), 0);

    ASSERT_EQ(Shell(tool + " --op resample2:97x61:16:5 --op bpp:8 '" + png + "' '" + out + "'"), 0);
    EXPECT_EQ(Capture("gm identify -format '%w %h %r' '" + out + "'"), "97 61 Palette\n");

    std::string fail = tool + " --op grey --op shrink:100x5 '" + png + "' '" + out + "'";
    EXPECT_EQ(Shell(fail), 1);
    EXPECT_EQ(Capture(fail + " 2>&1 >/dev/null"), "QIShrink can't enlarge image\n");
    EXPECT_EQ(Shell(tool + " --op turn:90 '" + png + "' '" + out + "'"), 2);
    EXPECT_EQ(Shell(tool + " --op crop:1,2,3 '" + png + "' '" + out + "'"), 2);
}
