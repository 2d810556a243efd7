#include "RasterImage.h"

#include <cmath>

static const float kPi = 3.1415927f;

float CRasterImage::KernelBSpline(const float x)
{
    if (x > 2.0f)
        return 0.0f;
    auto cube = [](float u) { return u > 0.0f ? u * u * u : 0.0f; };
    return (cube(x + 2.0f) - 4.0f * cube(x + 1.0f) + 6.0f * cube(x) - 4.0f * cube(x - 1.0f)) / 6.0f;
}

float CRasterImage::KernelLinear(const float t)
{
    if (t >= -1.0f && t < 0.0f)
        return 1.0f + t;
    if (t >= 0.0f && t < 1.0f)
        return 1.0f - t;
    return 0.0f;
}

float CRasterImage::KernelCubic(const float t)
{
    float a = std::fabs(t);
    if (a < 1.0f)
        return 1.0f - 2.0f * a * a + a * a * a;
    if (a < 2.0f)
        return 4.0f - 8.0f * a + 5.0f * a * a - a * a * a;
    return 0.0f;
}

float CRasterImage::KernelGeneralizedCubic(const float t, const float a)
{
    float x = std::fabs(t);
    if (x < 1.0f)
        return (a + 2.0f) * x * x * x - (a + 3.0f) * x * x + 1.0f;
    if (x < 2.0f)
        return a * x * x * x - 5.0f * a * x * x + 8.0f * a * x - 4.0f * a;
    return 0.0f;
}

float CRasterImage::KernelLanczosSinc(const float t, const float r)
{
    if (std::fabs(t) > r)
        return 0.0f;
    if (t == 0.0f)
        return 1.0f;
    float pit = kPi * t;
    float pitr = pit / r;
    return (std::sin(pitr) / pitr) * (std::sin(pit) / pit);
}

float CRasterImage::KernelBox(const float x)
{
    return (x >= -0.5f && x < 0.5f) ? 1.0f : 0.0f;
}

float CRasterImage::KernelHermite(const float x)
{
    if (x >= -1.0f && x < 0.0f)
        return (-2.0f * x - 3.0f) * x * x + 1.0f;
    if (x >= 0.0f && x < 1.0f)
        return (2.0f * x - 3.0f) * x * x + 1.0f;
    return 0.0f;
}

float CRasterImage::KernelHamming(const float x)
{
    if (x >= -1.0f && x < 0.0f)
        return (-2.0f * x - 3.0f) * x * x * 0.92f + 1.0f;
    if (x >= 0.0f && x < 1.0f)
        return (2.0f * x - 3.0f) * x * x * 0.92f + 1.0f;
    return 0.0f;
}

float CRasterImage::KernelSinc(const float x)
{
    if (x == 0.0f)
        return 1.0f;
    return std::sin(kPi * x) / (kPi * x);
}

float CRasterImage::KernelBlackman(const float x)
{
    return 0.42f + 0.5f * std::cos(kPi * x) + 0.08f * std::cos(2.0f * kPi * x);
}

// Rational approximations evaluated by Horner's rule, highest coefficient first.
static double Horner(const double* c, int n, double t)
{
    double v = c[0];
    for (int i = 1; i < n; i++)
        v = v * t + c[i];
    return v;
}

float CRasterImage::KernelBessel_J1(const float x)
{
    static const double kN[] = {2701.1227108923235, -4695753.530642996, 3413234182.3017006,
                                -1322983480332.1265, 290879526383477.56, -3.588817569910106e16,
                                2.3164335806340024e18, -6.672106568924916e19, 5.811993540016061e20};
    static const double kD[] = {1, 1606.9315734814877, 1501793.5949985855, 1013863514.358674,
                                524371026216.76495, 208166122130760.75, 6.092061398917522e16,
                                1.185770712190321e19, 1.1623987080032122e21};
    double t = double(x) * double(x);
    return float(Horner(kN, 9, t) / Horner(kD, 9, t));
}

float CRasterImage::KernelBessel_P1(const float x)
{
    static const double kN[] = {1.2571716929145342, 211.15291828539623, 4985.4832060594335,
                                31353.963110915956, 62758.84524716128};
    static const double kD[] = {1, 203.07751891347593, 4930.396490181089, 31240.406381904104,
                                62694.34695935605};
    double t = (8.0 / x) * (8.0 / x);
    return float(Horner(kN, 5, t) / Horner(kD, 5, t));
}

float CRasterImage::KernelBessel_Q1(const float x)
{
    static const double kN[] = {0.03532840052740124, 4.568171629551227, 83.18989576738508,
                                425.98730116544425, 721.0391804904475};
    static const double kD[] = {1, 103.81875854621337, 1811.1867005523513, 9152.231701516992,
                                15414.177339265098};
    double t = (8.0 / x) * (8.0 / x);
    return float(Horner(kN, 5, t) / Horner(kD, 5, t));
}

float CRasterImage::KernelBessel_Order1(float x)
{
    if (x == 0.0f)
        return 0.0f;
    float u = std::fabs(x);
    if (u < 8.0f)
        return KernelBessel_J1(u) * x;
    double s = std::sin(double(u)), c = std::cos(double(u));
    double v = std::sqrt(2.0 / (M_PI * u)) *
               (KernelBessel_P1(u) * (s - c) / M_SQRT2 - (8.0 / u) * KernelBessel_Q1(u) * (-(s + c) / M_SQRT2));
    return float(x < 0.0f ? -v : v);
}

float CRasterImage::KernelBessel(const float x)
{
    if (x == 0.0f)
        return 0.7853982f;
    return KernelBessel_Order1(kPi * x) / (2.0f * x);
}

float CRasterImage::KernelGaussian(const float x)
{
    return std::exp(-2.0f * x * x) * 0.7978845834732056f;
}

float CRasterImage::KernelQuadratic(const float x)
{
    if (x < -1.5f)
        return 0.0f;
    if (x < -0.5f)
        return (x + 1.5f) * (x + 1.5f) * 0.5f;
    if (x < 0.5f)
        return 0.75f - x * x;
    if (x < 1.5f)
        return (x - 1.5f) * (x - 1.5f) * 0.5f;
    return 0.0f;
}

float CRasterImage::KernelMitchell(const float x)
{
    const float c1 = 0.3888889f, c2 = 1.1666666f, c3 = 0.8888889f, c4 = 3.3333333f, c5 = 1.7777778f;
    if (x < -2.0f)
        return 0.0f;
    if (x < -1.0f)
        return c5 - (-c4 - (2.0f + c1 * x) * x) * x;
    if (x < 0.0f)
        return (-2.0f - c2 * x) * x * x + c3;
    if (x < 1.0f)
        return (c2 * x - 2.0f) * x * x + c3;
    if (x < 2.0f)
        return ((2.0f - c1 * x) * x - c4) * x + c5;
    return 0.0f;
}

float CRasterImage::KernelCatrom(const float x)
{
    if (x < -2.0f)
        return 0.0f;
    if (x < -1.0f)
        return 0.5f * (((x + 5.0f) * x + 8.0f) * x + 4.0f);
    if (x < 0.0f)
        return 0.5f * ((-5.0f - 3.0f * x) * x * x + 2.0f);
    if (x < 1.0f)
        return 0.5f * ((3.0f * x - 5.0f) * x * x + 2.0f);
    if (x < 2.0f)
        return 0.5f * (((5.0f - x) * x - 8.0f) * x + 4.0f);
    return 0.0f;
}
