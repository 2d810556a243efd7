// Pixel lists that measurement and burning walk.
#include "OverLay.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Walks the major axis one pixel at a time from a toward b: toward larger
// values the end is included, toward smaller ones it is not. The minor
// coordinate moves by a single-precision step, rounded half up per pixel.
template <class Emit>
void WalkAxis(int a, int b, float minorStart, float step, Emit emit)
{
    float minor = minorStart;
    if (b >= a) {
        for (int major = a; major <= b; ++major) {
            emit(major, static_cast<int>(minor + 0.5f));
            minor += step;
        }
    } else {
        for (int major = a; major > b; --major) {
            emit(major, static_cast<int>(minor + 0.5f));
            minor -= step;
        }
    }
}

}  // namespace

namespace {

// The walk of a line: its major axis, the major values from a toward b, and
// the minor coordinate's start and step per pixel.
struct LineWalk {
    bool xMajor;
    int a;
    int b;
    float minorStart;
    float step;
    // The major values visited, inclusive.
    int Low() const { return b >= a ? a : b + 1; }
    int High() const { return b >= a ? b : a; }
};

LineWalk PlanLine(int x1, int y1, int x2, int y2)
{
    const float k = x1 == x2 ? 0.0f : static_cast<float>(y2 - y1) / static_cast<float>(x2 - x1);
    if (x1 != x2 && k >= -1.0f && k <= 1.0f)
        return {true, x1, x2, static_cast<float>(y1), k};
    // A vertical line or a single point keeps x where it started.
    return {false, y1, y2, static_cast<float>(x1), x1 == x2 ? 0.0f : 1.0f / k};
}

}  // namespace

void COverLay::GetLinePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list)
{
    list.RemoveAll();
    const LineWalk walk = PlanLine(x1, y1, x2, y2);
    list.SetSize(0, static_cast<int>(std::min<long long>(1LL + walk.High() - walk.Low(), INT_MAX)));
    if (walk.xMajor)
        WalkAxis(walk.a, walk.b, walk.minorStart, walk.step, [&](int x, int y) { list.Add(CPoint(x, y)); });
    else
        WalkAxis(walk.a, walk.b, walk.minorStart, walk.step, [&](int y, int x) { list.Add(CPoint(x, y)); });
}

int COverLay::LineMayStayIn(int x1, int y1, int x2, int y2, CSize image)
{
    const LineWalk walk = PlanLine(x1, y1, x2, y2);
    // The first point as the walk emits it: the minor start is rounded there too.
    const int minor = static_cast<int>(walk.minorStart + 0.5f);
    const CPoint first = walk.xMajor ? CPoint(walk.a, minor) : CPoint(minor, walk.a);
    const long long extent = walk.xMajor ? image.cx : image.cy;
    const bool firstIn = first.x >= 0 && first.y >= 0 && first.x < image.cx && first.y < image.cy;
    return firstIn && walk.Low() >= 0 && walk.High() < extent ? 1 : 0;
}

void COverLay::GetArrowHeadPoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list)
{
    if (x1 == x2 && y1 == y2)
        return;
    const double theta = std::atan2(static_cast<double>(y1 - y2), static_cast<double>(x1 - x2));
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    list.Add(CPoint(x2, y2));
    list.Add(CPoint(x2 + static_cast<int>(10 * c - 5 * s), y2 + static_cast<int>(5 * c + 10 * s)));
    list.Add(CPoint(x2 + static_cast<int>(10 * c + 5 * s), y2 - static_cast<int>(5 * c - 10 * s)));
    list.Add(CPoint(x2, y2));
}

namespace {

void AddFour(CArray<CPoint, CPoint>& list, int cx, int cy, int64_t x, int64_t y)
{
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    list.Add(CPoint(cx + ix, cy + iy));
    list.Add(CPoint(cx + ix, cy - iy));
    list.Add(CPoint(cx - ix, cy + iy));
    list.Add(CPoint(cx - ix, cy - iy));
}

}  // namespace

// Midpoint ellipse; the decision values are 64-bit because a*a*b*b
// overflows int once the radii pass a few hundred pixels.
void COverLay::GetEllipsePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list)
{
    const int64_t a = std::llabs(static_cast<int64_t>(x2) - x1) / 2;
    const int64_t b = std::llabs(static_cast<int64_t>(y2) - y1) / 2;
    const int cx = static_cast<int>((static_cast<int64_t>(x1) + x2) / 2);
    const int cy = static_cast<int>((static_cast<int64_t>(y1) + y2) / 2);
    const int64_t aa = a * a;
    const int64_t bb = b * b;
    // Each step of the walk adds four points and moves x or y by one: one
    // growth step holds them all.
    list.SetSize(list.GetSize(), static_cast<int>(4 * (a + b + 2)));

    list.Add(CPoint(cx, cy + static_cast<int>(b)));
    list.Add(CPoint(cx, cy - static_cast<int>(b)));
    list.Add(CPoint(cx, cy + static_cast<int>(b)));
    list.Add(CPoint(cx, cy - static_cast<int>(b)));

    int64_t x = 0;
    int64_t y = b;
    int64_t px = 0;
    int64_t py = 2 * aa * b;
    int64_t p = static_cast<int64_t>((0.25 - static_cast<double>(b)) * static_cast<double>(aa) +
                                     static_cast<double>(bb) + 0.5);
    while (px < py) {
        ++x;
        px += 2 * bb;
        if (p >= 0) {
            --y;
            py -= 2 * aa;
            p += px - py + bb;
        } else {
            p += px + bb;
        }
        AddFour(list, cx, cy, x, y);
    }
    if (y < 1)
        return;
    const double ym1 = static_cast<double>(y - 1);
    const double xh = static_cast<double>(x) + 0.5;
    p = static_cast<int64_t>(ym1 * ym1 * static_cast<double>(aa) + xh * xh * static_cast<double>(bb) -
                             static_cast<double>(aa) * static_cast<double>(bb) + 0.5);
    while (y > 0) {
        --y;
        py -= 2 * aa;
        if (p <= 0) {
            ++x;
            px += 2 * bb;
            p += px - py + aa;
        } else {
            p += aa - py;
        }
        AddFour(list, cx, cy, x, y);
    }
}
