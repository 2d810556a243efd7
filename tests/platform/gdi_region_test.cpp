#include <algorithm>
#include <cmath>
#include <vector>

#include "gdi_canvas.h"

namespace {

TEST(GdiRegion, MembershipAndBoxes)
{
    CRgn rect, ellipse, poly;
    ASSERT_TRUE(rect.CreateRectRgn(10, 10, 0, 0));  // given in any corner order
    EXPECT_TRUE(rect.PtInRegion(0, 0));
    EXPECT_FALSE(rect.PtInRegion(10, 5));
    RECT box{};
    EXPECT_EQ(rect.GetRgnBox(&box), SIMPLEREGION);
    EXPECT_EQ(box.right, 10);
    ASSERT_TRUE(ellipse.CreateEllipticRgn(0, 0, 20, 10));
    EXPECT_TRUE(ellipse.PtInRegion(10, 5));
    EXPECT_FALSE(ellipse.PtInRegion(0, 0));
    EXPECT_FALSE(ellipse.PtInRegion(19, 9));
    const POINT tri[] = {{0, 0}, {8, 0}, {0, 8}};
    ASSERT_TRUE(poly.CreatePolygonRgn(tri, 3, ALTERNATE));
    EXPECT_TRUE(poly.PtInRegion(1, 1));
    EXPECT_FALSE(poly.PtInRegion(6, 6));
    RECT inside{0, 0, 2, 2}, outside{6, 6, 8, 8};
    EXPECT_TRUE(poly.RectInRegion(&inside));
    EXPECT_FALSE(poly.RectInRegion(&outside));
    EXPECT_EQ(poly.OffsetRgn(100, 0), COMPLEXREGION);
    EXPECT_TRUE(poly.PtInRegion(101, 1));
}

TEST(GdiRegion, PolygonWithoutAreaIsRefused)
{
    const POINT line[] = {{0, 0}, {5, 5}, {10, 10}};
    EXPECT_EQ(CreatePolygonRgn(line, 3, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolygonRgn(line, 2, ALTERNATE), nullptr);
    CRgn r;
    EXPECT_FALSE(r.CreatePolygonRgn(line, 3, WINDING));
    EXPECT_FALSE(r.PtInRegion(0, 0));
}

// Pixel centres counted against every edge: inside when an odd number of
// crossings (alternate) or a non-zero winding (winding) lies at or left of
// the pixel's column.
bool CentreInside(const std::vector<POINT>& pts, int fillMode, int px, int py)
{
    const double yc = py + 0.5;
    int count = 0, winding = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const POINT& a = pts[i];
        const POINT& b = pts[(i + 1) % pts.size()];
        if (a.y == b.y || yc < std::min(a.y, b.y) || yc >= std::max(a.y, b.y))
            continue;
        const double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
        if (std::ceil(x - 0.5) <= px) {
            ++count;
            winding += a.y < b.y ? 1 : -1;
        }
    }
    return fillMode == ALTERNATE ? (count & 1) != 0 : winding != 0;
}

TEST(GdiRegion, PolygonsHoldThePixelsWhoseCentresTheyEnclose)
{
    unsigned state = 99;
    auto next = [&](int low, int high) {
        state = state * 1103515245u + 12345u;
        return low + int((state >> 8) % unsigned(high - low + 1));
    };
    for (int i = 0; i < 200; ++i) {
        std::vector<POINT> pts;
        for (int n = next(3, 12); n > 0; --n)
            pts.push_back({next(-5, 30), next(-3, 20)});
        if (i % 5 == 0)
            pts[1].y = pts[0].y;  // a horizontal edge
        for (int mode : {ALTERNATE, WINDING}) {
            CRgn region;
            const bool made = region.CreatePolygonRgn(pts.data(), int(pts.size()), mode);
            int inside = 0;
            for (int y = -4; y <= 21; ++y)
                for (int x = -6; x <= 31; ++x) {
                    const bool expected = CentreInside(pts, mode, x, y);
                    inside += expected ? 1 : 0;
                    ASSERT_EQ(made && region.PtInRegion(x, y), expected) << i << " " << mode << " " << x << "," << y;
                }
            EXPECT_EQ(made, inside > 0) << i;
        }
    }
}

// Traces whose every edge crosses every row: hundreds of crossings a row,
// some far out on either side.
TEST(GdiRegion, DenselyCrossedRowsHoldThePixelsWhoseCentresTheyEnclose)
{
    unsigned state = 7;
    auto next = [&](int low, int high) {
        state = state * 1103515245u + 12345u;
        return low + int((state >> 8) % unsigned(high - low + 1));
    };
    for (int i = 0; i < 4; ++i) {
        std::vector<POINT> pts;
        for (int n = 0; n < 601; ++n) {
            const int x = n % 50 == 7 ? next(-120000, 120000) : next(-45, 50);
            pts.push_back({x, n % 2 ? next(17, 20) : next(-3, 0)});
        }
        for (int mode : {ALTERNATE, WINDING}) {
            CRgn region;
            ASSERT_TRUE(region.CreatePolygonRgn(pts.data(), int(pts.size()), mode));
            for (int y = -4; y <= 21; ++y)
                for (int x = -50; x <= 55; ++x)
                    ASSERT_EQ(region.PtInRegion(x, y) != 0, CentreInside(pts, mode, x, y))
                        << i << " " << mode << " " << x << "," << y;
        }
    }
}

TEST(GdiRegion, CombineModes)
{
    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6), out = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
    RECT box;
    GetRgnBox(out, &box);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(out, 5, 5));
    EXPECT_FALSE(PtInRegion(out, 5, 0));
    EXPECT_EQ(CombineRgn(out, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(out, 3, 3));
    EXPECT_TRUE(PtInRegion(out, 1, 1));
    EXPECT_EQ(CombineRgn(out, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(out, 3, 3));
    EXPECT_FALSE(PtInRegion(out, 5, 5));
    EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(out, a));
    HRGN far = CreateRectRgn(10, 10, 11, 11);
    EXPECT_EQ(CombineRgn(out, a, far, RGN_AND), NULLREGION);
    DeleteObject(far);
    EXPECT_EQ(CombineRgn(out, a, far, RGN_AND), RGN_ERROR);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(out);
}

TEST(GdiRegion, ClippingDrawing)
{
    Canvas c(8, 8);
    HRGN clip = CreateEllipticRgn(0, 0, 8, 8);
    EXPECT_EQ(SelectClipRgn(c.dc, clip), COMPLEXREGION);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT all{0, 0, 8, 8};
    FillRect(c.dc, &all, white);
    EXPECT_EQ(c.at(0, 0), 0u);
    EXPECT_EQ(c.at(4, 4), 0xFFFFFFu);
    RECT box;
    EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
    EXPECT_EQ(box.right, 8);
    EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 4, 8), COMPLEXREGION);
    RECT right{5, 0, 8, 8}, left{1, 3, 2, 4};
    EXPECT_FALSE(RectVisible(c.dc, &right));
    EXPECT_TRUE(RectVisible(c.dc, &left));
    HRGN extra = CreateRectRgn(6, 0, 8, 1);
    EXPECT_EQ(ExtSelectClipRgn(c.dc, extra, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtVisible(c.dc, 7, 0));
    EXPECT_EQ(SelectClipRgn(c.dc, nullptr), SIMPLEREGION);
    EXPECT_TRUE(RectVisible(c.dc, &right));
    // Clipping survives SaveDC and goes with RestoreDC.
    int saved = SaveDC(c.dc);
    IntersectClipRect(c.dc, 0, 0, 1, 1);
    EXPECT_FALSE(RectVisible(c.dc, &right));
    EXPECT_TRUE(RestoreDC(c.dc, saved));
    EXPECT_TRUE(RectVisible(c.dc, &right));
    DeleteObject(extra);
    DeleteObject(clip);
    DeleteObject(white);
}

// Fills, text, thin, dashed, XOR and wide lines drawn through a clip paint
// exactly the pixels they paint without it that the clip holds, and no
// others: through a clip of a single rectangle, and of many parts in bands
// of unequal height, looked up row by row.
TEST(GdiRegion, DrawingThroughAClipKeepsToItPixelForPixel)
{
    const int width = 97, height = 61;
    auto draw = [](HDC dc) {
        HBRUSH brush = CreateSolidBrush(RGB(200, 40, 10));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HPEN thin = CreatePen(PS_SOLID, 1, RGB(10, 150, 60));
        HGDIOBJ oldPen = SelectObject(dc, thin);
        Rectangle(dc, 3, 2, 70, 40);
        Ellipse(dc, 40, 10, 95, 58);
        MoveToEx(dc, 0, 60, nullptr);
        LineTo(dc, 96, 1);   // shallow, copied as it is walked
        MoveToEx(dc, 5, 0, nullptr);
        LineTo(dc, 30, 60);  // steep
        HPEN dashed = CreatePen(PS_DASH, 1, RGB(30, 60, 220));
        SelectObject(dc, dashed);
        MoveToEx(dc, 0, 33, nullptr);
        LineTo(dc, 96, 47);
        HPEN wide = CreatePen(PS_SOLID, 5, RGB(250, 200, 30));
        SelectObject(dc, wide);
        MoveToEx(dc, 10, 55, nullptr);
        LineTo(dc, 80, 5);
        SetROP2(dc, R2_XORPEN);
        SelectObject(dc, thin);
        MoveToEx(dc, 96, 60, nullptr);
        LineTo(dc, 0, 7);
        SetROP2(dc, R2_COPYPEN);
        LOGFONT lf{};
        lf.lfHeight = -22;
        lf.lfWeight = FW_BOLD;
        HFONT font = CreateFontIndirect(&lf);
        HGDIOBJ oldFont = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(90, 0, 160));
        TextOut(dc, 6, 14, "WMgq", 4);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        for (HGDIOBJ o : {HGDIOBJ(brush), HGDIOBJ(thin), HGDIOBJ(dashed), HGDIOBJ(wide), HGDIOBJ(font)})
            DeleteObject(o);
    };
    Canvas whole(width, height);
    whole.fill(0x102030);
    draw(whole.dc);

    HRGN single = CreateRectRgn(7, 4, 83, 51);
    HRGN holes = CreateRectRgn(2, 1, 95, 59);
    for (int k = 0; k < 14; k++) {
        const int x = 4 + (k * 29) % 86, y = 2 + (k * 17) % 52;
        HRGN hole = CreateRectRgn(x, y, x + 2 + k % 5, y + 1 + k % 4);
        CombineRgn(holes, holes, hole, RGN_DIFF);
        DeleteObject(hole);
    }
    for (HRGN clip : {single, holes}) {
        Canvas clipped(width, height);
        clipped.fill(0x102030);
        SelectClipRgn(clipped.dc, clip);
        draw(clipped.dc);
        int differing = 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                const uint32_t expected = PtInRegion(clip, x, y) ? whole.at(x, y) : 0x102030u;
                differing += clipped.at(x, y) != expected;
            }
        EXPECT_EQ(differing, 0) << (clip == single ? "one rectangle" : "many parts");
    }
    EXPECT_GT(whole.count(0x5A00A0), 0);  // the text was drawn
    DeleteObject(single);
    DeleteObject(holes);
}

}  // namespace
