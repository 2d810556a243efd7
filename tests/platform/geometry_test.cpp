#include <gtest/gtest.h>

#include "base/CRect.h"

TEST(CRect, SizeCornersAndNormalisation)
{
    CRect r(30, 40, 10, 5);
    EXPECT_EQ(r.Width(), -20);
    EXPECT_TRUE(r.IsRectEmpty());
    r.NormalizeRect();
    EXPECT_EQ(r, CRect(10, 5, 30, 40));
    EXPECT_EQ(r.Size(), CSize(20, 35));
    EXPECT_EQ(r.CenterPoint(), CPoint(20, 22));
    r.TopLeft() = CPoint(0, 0);
    r.BottomRight().Offset(1, 1);
    EXPECT_EQ(r, CRect(0, 0, 31, 41));
    EXPECT_TRUE(CRect().IsRectNull());
    EXPECT_FALSE(CRect(1, 0, 1, 0).IsRectNull());
}

TEST(CRect, InflateDeflateOffset)
{
    CRect r(10, 10, 20, 20);
    r.InflateRect(2, 3);
    EXPECT_EQ(r, CRect(8, 7, 22, 23));
    r.DeflateRect(2, 3);
    EXPECT_EQ(r, CRect(10, 10, 20, 20));
    r.InflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(9, 8, 23, 24));
    r.DeflateRect(CRect(1, 2, 3, 4));
    r.OffsetRect(CPoint(-10, 5));
    EXPECT_EQ(r, CRect(0, 15, 10, 25));
    EXPECT_EQ(r + CSize(1, 1), CRect(1, 16, 11, 26));
}

// A rectangle away from the origin and wider than high, so that swapped
// coordinates or a lost offset show.
TEST(CRect, HitTestIntersectionAndUnion)
{
    const CRect r(3, 7, 23, 17);
    EXPECT_TRUE(r.PtInRect(CPoint(3, 7)));
    EXPECT_TRUE(r.PtInRect(CPoint(22, 16)));
    EXPECT_FALSE(r.PtInRect(CPoint(23, 10)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 17)));
    EXPECT_FALSE(r.PtInRect(CPoint(2, 10)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 6)));
    EXPECT_TRUE(r.PtInRect(CPoint(16, 8)));  // inside only if x and y are not swapped

    CRect out;
    EXPECT_TRUE(out.IntersectRect(r, CRect(10, -5, 40, 9)));
    EXPECT_EQ(out, CRect(10, 7, 23, 9));
    EXPECT_FALSE(out.IntersectRect(r, CRect(23, 7, 40, 17))); // touching edges share nothing
    EXPECT_TRUE(out.IsRectNull());

    EXPECT_TRUE(out.UnionRect(r, CRect(30, 1, 35, 4)));
    EXPECT_EQ(out, CRect(3, 1, 35, 17));
    EXPECT_TRUE(out.UnionRect(r, CRect(50, 50, 50, 60))); // an empty one adds nothing
    EXPECT_EQ(out, r);
    EXPECT_EQ(r & CRect(-5, 12, 5, 40), CRect(3, 12, 5, 17));
}

TEST(CPoint, ArithmeticAndPackedForm)
{
    CPoint p(3, 4);
    p += CSize(2, 7);
    EXPECT_EQ(p, CPoint(5, 11));
    EXPECT_EQ(p - CPoint(1, 2), CSize(4, 9));
    EXPECT_EQ(p - CSize(4, 5), CPoint(1, 6));
    EXPECT_EQ(CPoint(static_cast<DWORD>(MAKELONG(-5, 300))), CPoint(-5, 300));
}
