#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "OverLay.h"

namespace {

using Points = std::vector<std::pair<int, int>>;

Points ToPairs(CArray<CPoint, CPoint>& list)
{
    Points out;
    for (int i = 0; i < list.GetSize(); ++i)
        out.emplace_back(list[i].x, list[i].y);
    return out;
}

Points Line(int x1, int y1, int x2, int y2)
{
    CArray<CPoint, CPoint> list;
    list.Add(CPoint(99, 99));  // the line list starts empty
    COverLay::GetLinePoints(x1, y1, x2, y2, list);
    return ToPairs(list);
}

TEST(LinePoints, WalkTowardLargerIncludesTheEndAndTowardSmallerStopsBefore)
{
    EXPECT_EQ(Line(0, 0, 3, 0), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(Line(3, 0, 0, 0), (Points{{3, 0}, {2, 0}, {1, 0}}));
    EXPECT_EQ(Line(5, 7, 5, 7), (Points{{5, 7}}));
    // Vertical, both directions.
    EXPECT_EQ(Line(4, 2, 4, 5), (Points{{4, 2}, {4, 3}, {4, 4}, {4, 5}}));
    EXPECT_EQ(Line(4, 5, 4, 2), (Points{{4, 5}, {4, 4}, {4, 3}}));
}

TEST(LinePoints, SteepLinesWalkYAndShallowOnesWalkXWithHalfUpRounding)
{
    // Slope 2.5: y walks, x moves by 0.4 and rounds half up.
    EXPECT_EQ(Line(0, 0, 2, 5), (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}));
    // Slope 0.4 right to left: x walks down, y falls by 0.4 per step.
    EXPECT_EQ(Line(15, 12, 10, 10), (Points{{15, 12}, {14, 12}, {13, 11}, {12, 11}, {11, 10}}));
    // Slope exactly -1 still walks x.
    EXPECT_EQ(Line(1, 9, 4, 6), (Points{{1, 9}, {2, 8}, {3, 7}, {4, 6}}));
}

// The quick refusal may only refuse lines the walk takes out of the image
// (13 x 7): starts a rounding brings back in stay candidates.
TEST(LinePoints, OnlyLinesLeavingTheImageAreRefusedUnwalked)
{
    const CSize image(13, 7);
    int inside = 0, refused = 0;
    for (int y1 = -3; y1 <= 9; ++y1)
        for (int x1 = -3; x1 <= 15; x1 += 2)
            for (int y2 = -3; y2 <= 9; ++y2)
                for (int x2 = -4; x2 <= 16; ++x2) {
                    CArray<CPoint, CPoint> list;
                    COverLay::GetLinePoints(x1, y1, x2, y2, list);
                    bool allIn = true;
                    for (int i = 0; i < list.GetSize(); ++i)
                        allIn = allIn && list[i].x >= 0 && list[i].y >= 0 && list[i].x < 13 && list[i].y < 7;
                    const int may = COverLay::LineMayStayIn(x1, y1, x2, y2, image);
                    inside += allIn;
                    refused += !may;
                    if (allIn) {
                        ASSERT_EQ(may, 1) << x1 << "," << y1 << " " << x2 << "," << y2;
                    }
                }
    EXPECT_GT(inside, 1000);
    EXPECT_GT(refused, 10000);
    EXPECT_EQ(COverLay::LineMayStayIn(-32768, -32768, 32767, 32767, image), 0);
    EXPECT_EQ(COverLay::LineMayStayIn(2, 3, 2, 32767, image), 0);
}

TEST(ArrowHeadPoints, WingsTenBackAndFiveAside)
{
    CArray<CPoint, CPoint> list;
    COverLay::GetArrowHeadPoints(1, 1, 1, 1, list);
    EXPECT_EQ(list.GetSize(), 0);
    list.Add(CPoint(-1, -2));  // appended to, not emptied
    COverLay::GetArrowHeadPoints(7, 3, 27, 18, list);
    EXPECT_EQ(ToPairs(list), (Points{{-1, -2}, {27, 18}, {22, 8}, {16, 16}, {27, 18}}));
}

TEST(EllipsePoints, SmallEllipseKnownAnswer)
{
    CArray<CPoint, CPoint> list;
    COverLay::GetEllipsePoints(10, 20, 17, 25, list);
    EXPECT_EQ(ToPairs(list), (Points{{13, 24}, {13, 20}, {13, 24}, {13, 20}, {14, 24}, {14, 20},
                                     {12, 24}, {12, 20}, {15, 23}, {15, 21}, {11, 23}, {11, 21},
                                     {16, 22}, {16, 22}, {10, 22}, {10, 22}}));
}

TEST(EllipsePoints, LargeRadiiStayOnTheEllipse)
{
    // a*a*b*b is far beyond 32 bits here.
    CArray<CPoint, CPoint> list;
    const int a = 12000;
    const int b = 7000;
    COverLay::GetEllipsePoints(100, 50, 100 + 2 * a, 50 + 2 * b, list);
    ASSERT_GT(list.GetSize(), 4 * (a + b) / 2);
    double worst = 0;
    for (int i = 0; i < list.GetSize(); ++i) {
        const double dx = (list[i].x - (100 + a)) / static_cast<double>(a);
        const double dy = (list[i].y - (50 + b)) / static_cast<double>(b);
        worst = std::max(worst, std::fabs(std::sqrt(dx * dx + dy * dy) - 1.0));
    }
    EXPECT_LT(worst, 2.0 / b);
    // The last points close the curve on the horizontal axis.
    EXPECT_EQ(list[list.GetSize() - 4], CPoint(100 + 2 * a, 50 + b));
}

}  // namespace
