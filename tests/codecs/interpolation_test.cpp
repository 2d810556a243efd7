// Sub-pixel sampling: kernel weights, overflow at the border, interpolated
// and area-averaged colours, and the float geometry behind them.
#include <gtest/gtest.h>

#include <cmath>

#include "RasterImage.h"

namespace {

using K = float (*)(float);

float Lanczos6(float x) { return CRasterImage::KernelLanczosSinc(x, 6); }
float GenCubicHalf(float x) { return CRasterImage::KernelGeneralizedCubic(x, -0.5f); }

// A 10 x 7 colour picture whose pixel (x, y) is (20x + 3, 30y + 5, 7x + 11y).
struct Picture : CRasterImage {
    Picture(DWORD bpp = 24) : CRasterImage(10, 7, bpp)
    {
        for (long y = 0; y < 7; y++)
            for (long x = 0; x < 10; x++)
                SetPixelColor(x, y, Colour(x, y));
    }
    static RGBQUAD Colour(long x, long y)
    {
        return RGBQUAD{BYTE(7 * x + 11 * y), BYTE(30 * y + 5), BYTE(20 * x + 3), 0};
    }
};

bool Same(RGBQUAD a, RGBQUAD b)
{
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue && a.rgbReserved == b.rgbReserved;
}

} // namespace

TEST(Kernels, WeightsAtZeroHalfAndOnTheNegativeSide)
{
    struct Row {
        const char* name;
        K kernel;
        float at0, atHalf, atMinus1_2;
    } rows[] = {
        {"bspline", CRasterImage::KernelBSpline, 0.6666667f, 0.4791667f, 0.0853333f},
        {"cubic", CRasterImage::KernelCubic, 1, 0.625f, -0.128f},
        {"generalized cubic", GenCubicHalf, 1, 0.5625f, -0.064f},
        {"lanczos", Lanczos6, 1, 0.6293724f, -0.1458567f},
        {"box", CRasterImage::KernelBox, 1, 0, 0},
        {"hermite", CRasterImage::KernelHermite, 1, 0.5f, 0},
        {"hamming", CRasterImage::KernelHamming, 1, 0.54f, 0},
        {"sinc", CRasterImage::KernelSinc, 1, 0.6366198f, -0.1559149f},
        {"blackman", CRasterImage::KernelBlackman, 1, 0.34f, 0.0402129f},
        {"bessel", CRasterImage::KernelBessel, 0.7853982f, 0.5668241f, 0.0104485f},
        {"gaussian", CRasterImage::KernelGaussian, 0.7978846f, 0.4839415f, 0.0447891f},
        {"quadratic", CRasterImage::KernelQuadratic, 0.75f, 0.5f, 0.045f},
        {"mitchell", CRasterImage::KernelMitchell, 0.8888889f, 0.5347222f, -0.0142222f},
        {"catrom", CRasterImage::KernelCatrom, 1, 0.5625f, -0.064f},
        {"linear", CRasterImage::KernelLinear, 1, 0.5f, 0},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(r.kernel(0), r.at0, 2e-5) << r.name;
        EXPECT_NEAR(r.kernel(0.5f), r.atHalf, 2e-5) << r.name;
        EXPECT_NEAR(r.kernel(-1.2f), r.atMinus1_2, 2e-5) << r.name;
    }
    EXPECT_EQ(CRasterImage::KernelBox(-0.5f), 1.0f);
    EXPECT_EQ(CRasterImage::KernelCubic(1), 0.0f);
    EXPECT_EQ(CRasterImage::KernelCubic(2), 0.0f);
    EXPECT_EQ(CRasterImage::KernelCatrom(2.5f), 0.0f);
    // Past eight the Bessel function takes its asymptotic form, as close
    // to J1 as its coefficients allow.
    EXPECT_NEAR(CRasterImage::KernelBessel_Order1(10.0f), 0.0434727f, 1e-4);
    EXPECT_NEAR(CRasterImage::KernelBessel_Order1(-10.0f), -0.0434727f, 1e-4);
    EXPECT_NEAR(CRasterImage::KernelBessel_Order1(8.5f), 0.2731220f, 3e-4);
    EXPECT_NEAR(CRasterImage::KernelBessel_Order1(3.0f), 0.3390590f, 2e-5);
}

TEST(Overflow, CoordinatesWrapClampAndMirror)
{
    Picture img;
    struct Case {
        CRasterImage::OverflowMethod method;
        long x, y, wantX, wantY;
    } cases[] = {
        {CRasterImage::OM_WRAP, -1, 8, 9, 1},    {CRasterImage::OM_WRAP, 12, -9, 2, 5},
        {CRasterImage::OM_MIRROR, -3, 7, 3, 6},  {CRasterImage::OM_MIRROR, 10, -2, 9, 2},
        {CRasterImage::OM_MIRROR, 13, 9, 6, 4},  {CRasterImage::OM_REPEAT, -4, 15, 0, 6},
        {CRasterImage::OM_REPEAT, 15, -1, 9, 0}, {CRasterImage::OM_COLOR, 15, -1, 15, -1},
        {CRasterImage::OM_WRAP, 4, 3, 4, 3},
    };
    for (const Case& c : cases) {
        long x = c.x, y = c.y;
        img.OverflowCoordinates(x, y, c.method);
        EXPECT_EQ(x, c.wantX) << c.method << " " << c.x;
        EXPECT_EQ(y, c.wantY) << c.method << " " << c.y;
        EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(c.x, c.y, c.method),
                         c.method == CRasterImage::OM_COLOR ? RGBQUAD{255, 255, 255, 0}
                                                            : Picture::Colour(c.wantX, c.wantY)));
    }
    float fx = 12.5f, fy = -0.5f;
    img.OverflowCoordinates(fx, fy, CRasterImage::OM_MIRROR);
    EXPECT_FLOAT_EQ(fx, 6.5f);
    EXPECT_FLOAT_EQ(fy, 0.5f);
    fx = -1.25f;
    fy = 7.5f;
    img.OverflowCoordinates(fx, fy, CRasterImage::OM_WRAP);
    EXPECT_FLOAT_EQ(fx, 8.75f);
    EXPECT_FLOAT_EQ(fy, 0.5f);
}

TEST(Overflow, OutsideColourByMethod)
{
    Picture img;
    RGBQUAD repl = {10, 20, 30, 40};
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(-1, 0, CRasterImage::OverflowMethod(0)), RGBQUAD{255, 255, 255, 0}));
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(0, 7, CRasterImage::OM_COLOR, &repl), repl));
    // Background without a transparent index falls back to the replacement.
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(10, 0, CRasterImage::OM_BACKGROUND, &repl), repl));
    img.SetTransIndex(0);
    img.SetTransColor(RGBQUAD{1, 2, 3, 0});
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(10, 0, CRasterImage::OM_BACKGROUND, &repl), RGBQUAD{1, 2, 3, 0}));
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(10, 0, CRasterImage::OM_TRANSPARENT, &repl), RGBQUAD{1, 2, 3, 0}));
    img.AlphaCreate();
    EXPECT_TRUE(Same(img.GetPixelColorWithOverflow(10, 0, CRasterImage::OM_TRANSPARENT, &repl), RGBQUAD{10, 20, 30, 0}));

    CRasterImage indexed(4, 3, 8);
    indexed.SetPaletteColor(6, 50, 60, 70);
    indexed.SetTransIndex(6);
    RGBQUAD got = indexed.GetPixelColorWithOverflow(-1, -1, CRasterImage::OM_BACKGROUND, &repl);
    EXPECT_EQ(got.rgbRed, 50);
    EXPECT_EQ(got.rgbGreen, 60);
    EXPECT_EQ(got.rgbBlue, 70);
}

TEST(Interpolation, NearestBilinearAndKernelsAtKnownPositions)
{
    Picture img;
    EXPECT_TRUE(Same(img.GetPixelColorInterpolated(2.4f, 3.6f, CRasterImage::IM_NEAREST_NEIGHBOUR), Picture::Colour(2, 4)));
    // Bilinear at (3.25, 1.5): every channel is linear in x and y.
    RGBQUAD b = img.GetPixelColorInterpolated(3.25f, 1.5f, CRasterImage::IM_BILINEAR);
    EXPECT_EQ(b.rgbRed, 68);   // 20 * 3.25 + 3
    EXPECT_EQ(b.rgbGreen, 50); // 30 * 1.5 + 5
    EXPECT_EQ(b.rgbBlue, 39);  // 7 * 3.25 + 11 * 1.5 = 39.25
    // Interpolating kernels give the pixel itself at a pixel centre.
    for (auto m : {CRasterImage::IM_CATROM, CRasterImage::IM_BICUBIC, CRasterImage::IM_BICUBIC2, CRasterImage::IM_LANCZOS})
        EXPECT_TRUE(Same(img.GetPixelColorInterpolated(4, 3, m), Picture::Colour(4, 3))) << m;
    // Catmull-Rom reproduces a linear ramp between centres.
    RGBQUAD c = img.GetPixelColorInterpolated(5.5f, 2.25f, CRasterImage::IM_CATROM);
    EXPECT_EQ(c.rgbRed, 113);  // 20 * 5.5 + 3
    EXPECT_EQ(c.rgbGreen, 73); // 30 * 2.25 + 5 = 72.5
    EXPECT_EQ(c.rgbBlue, 63);  // 7 * 5.5 + 11 * 2.25 = 63.25
    // The B-spline smooths: 1/6, 4/6, 1/6 across a ramp keeps it; here the
    // green ramp ends at the border, where the clamp bends it.
    RGBQUAD s = img.GetPixelColorInterpolated(4, 0, CRasterImage::IM_BSPLINE, CRasterImage::OM_REPEAT);
    EXPECT_EQ(s.rgbRed, 83);
    EXPECT_EQ(s.rgbGreen, 10); // (5 * 5 + 35) / 6
}

TEST(Interpolation, SupportOutsideTheImageGivesTheOutsideColour)
{
    Picture img;
    RGBQUAD repl = {200, 100, 50, 0};
    // Support of the 4 x 4 kernels reaches one pixel back and two ahead.
    EXPECT_TRUE(Same(img.GetPixelColorInterpolated(-2.5f, 3, CRasterImage::IM_CATROM, CRasterImage::OM_COLOR, &repl), repl));
    EXPECT_FALSE(Same(img.GetPixelColorInterpolated(-1.5f, 3, CRasterImage::IM_CATROM, CRasterImage::OM_COLOR, &repl), repl));
    EXPECT_TRUE(Same(img.GetPixelColorInterpolated(11.0f, 3, CRasterImage::IM_BILINEAR, CRasterImage::OM_COLOR, &repl), repl));
    // Lanczos reaches five pixels back.
    EXPECT_FALSE(Same(img.GetPixelColorInterpolated(-5.5f, 3, CRasterImage::IM_LANCZOS, CRasterImage::OM_COLOR, &repl), repl));
    EXPECT_TRUE(Same(img.GetPixelColorInterpolated(-6.5f, 3, CRasterImage::IM_LANCZOS, CRasterImage::OM_COLOR, &repl), repl));
    // Half a pixel outside, bilinear mixes the edge with the replacement.
    RGBQUAD half = img.GetPixelColorInterpolated(9.5f, 2, CRasterImage::IM_BILINEAR, CRasterImage::OM_COLOR, &repl);
    EXPECT_EQ(half.rgbRed, (183 + 50 + 1) / 2);
    // Wrap reads the far side.
    EXPECT_TRUE(Same(img.GetPixelColorInterpolated(-1, 3, CRasterImage::IM_CATROM, CRasterImage::OM_WRAP), Picture::Colour(9, 3)));
}

TEST(Interpolation, AreaAveragesByCoveredSurface)
{
    Picture img;
    // Exactly pixels 2..3 by 4..5.
    RGBQUAD a = img.GetAreaColorInterpolated(2.5f, 4.5f, 2, 2, CRasterImage::IM_BILINEAR);
    EXPECT_EQ(a.rgbRed, 53);   // 20 * 2.5 + 3
    EXPECT_EQ(a.rgbGreen, 140); // 30 * 4.5 + 5
    EXPECT_EQ(a.rgbBlue, 67);  // 7 * 2.5 + 11 * 4.5
    // 3 x 1.5 around (5, 1.25): columns 4 to 6 whole, row 1 whole and half of row 2.
    RGBQUAD b = img.GetAreaColorInterpolated(5, 1.25f, 3, 1.5f, CRasterImage::IM_BILINEAR);
    EXPECT_EQ(b.rgbRed, 103);
    EXPECT_EQ(b.rgbGreen, 45); // (35 + 65 / 2) / 1.5
    // One direction wide: the other is interpolated.
    RGBQUAD c = img.GetAreaColorInterpolated(6, 2.5f, 1, 4, CRasterImage::IM_BILINEAR);
    EXPECT_EQ(c.rgbGreen, 80);
    EXPECT_EQ(c.rgbRed, 123);
}

TEST(Geometry, PointsAndRectangles)
{
    CPointF p(1.5f, -2), q(4.5f, 2);
    EXPECT_FLOAT_EQ(p.Distance(q), 5);
    EXPECT_FLOAT_EQ(q.Distance(1.5f, 6), 5);
    CRectF r(1, 2, 5, 8), s(3, -1, 9, 4);
    EXPECT_FLOAT_EQ(r.Width(), 4);
    EXPECT_FLOAT_EQ(r.Height(), 6);
    EXPECT_FLOAT_EQ(r.Surface(), 24);
    EXPECT_FLOAT_EQ(r.Center().x, 3);
    EXPECT_FLOAT_EQ(r.Center().y, 5);
    CRectF x = r.CrossSection(s);
    EXPECT_FLOAT_EQ(x.botLeft.x, 3);
    EXPECT_FLOAT_EQ(x.botLeft.y, 2);
    EXPECT_FLOAT_EQ(x.topRight.x, 5);
    EXPECT_FLOAT_EQ(x.topRight.y, 4);
    CRectF none = r.CrossSection(CRectF(6, 2, 7, 8));
    EXPECT_EQ(none.botLeft.x + none.botLeft.y + none.topRight.x + none.topRight.y, 0);
    EXPECT_EQ(r.CrossSection(CRectF(2, 9, 3, 10)).Surface(), 0);
}
