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

TEST(CRect, HitTestIntersectionAndUnion)
{
    const CRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
    EXPECT_TRUE(r.PtInRect(CPoint(9, 9)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 5)));
    EXPECT_FALSE(r.PtInRect(CPoint(5, 10)));

    CRect out;
    EXPECT_TRUE(out.IntersectRect(r, CRect(5, -5, 15, 5)));
    EXPECT_EQ(out, CRect(5, 0, 10, 5));
    EXPECT_FALSE(out.IntersectRect(r, CRect(10, 0, 20, 10))); // touching edges share nothing
    EXPECT_TRUE(out.IsRectNull());

    EXPECT_TRUE(out.UnionRect(r, CRect(20, 20, 30, 30)));
    EXPECT_EQ(out, CRect(0, 0, 30, 30));
    EXPECT_TRUE(out.UnionRect(r, CRect(50, 50, 50, 60))); // an empty one adds nothing
    EXPECT_EQ(out, r);
    EXPECT_EQ(r & CRect(-5, -5, 5, 5), CRect(0, 0, 5, 5));
}

TEST(CPoint, ArithmeticAndPackedForm)
{
    CPoint p(3, 4);
    p += CSize(1, 1);
    EXPECT_EQ(p, CPoint(4, 5));
    EXPECT_EQ(p - CPoint(1, 2), CSize(3, 3));
    EXPECT_EQ(p - CSize(4, 5), CPoint(0, 0));
    EXPECT_EQ(CPoint(static_cast<DWORD>(MAKELONG(-5, 300))), CPoint(-5, 300));
}
