#include "gdi_canvas.h"

namespace {

const uint32_t kWhite = 0xFFFFFF;

TEST(GdiLines, AllOctantsLeaveTheLastPixel)
{
    // From the centre of a 9 x 9 canvas to points in every octant.
    const POINT ends[] = {{8, 6}, {6, 8}, {2, 8}, {0, 6}, {0, 2}, {2, 0}, {6, 0}, {8, 2}, {8, 4}, {4, 8}, {0, 4}, {4, 0}};
    for (const POINT& end : ends) {
        Canvas c(9, 9);
        HGDIOBJ old = SelectObject(c.dc, GetStockObject(WHITE_PEN));
        MoveToEx(c.dc, 4, 4, nullptr);
        ASSERT_TRUE(LineTo(c.dc, end.x, end.y));
        SelectObject(c.dc, old);
        EXPECT_EQ(c.at(4, 4), kWhite) << end.x << "," << end.y;
        EXPECT_EQ(c.at(end.x, end.y), 0u) << end.x << "," << end.y;
        int dx = std::abs(end.x - 4), dy = std::abs(end.y - 4);
        EXPECT_EQ(c.count(kWhite), std::max(dx, dy)) << end.x << "," << end.y;
    }
}

TEST(GdiLines, ShallowLineSteps)
{
    Canvas c(8, 3);
    SelectObject(c.dc, GetStockObject(WHITE_PEN));
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 8, 2);
    EXPECT_EQ(c.mask(kWhite), rows({"###.....", "...####.", ".......#"}));
    POINT p;
    GetCurrentPositionEx(c.dc, &p);
    EXPECT_EQ(p.x, 8);
    EXPECT_EQ(p.y, 2);
}

TEST(GdiLines, XorTwiceRestoresAndNotInverts)
{
    Canvas c(16, 16);
    c.fill(0x123456);
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0x80, 0x80, 0x80));
    HGDIOBJ old = SelectObject(c.dc, pen);
    HGDIOBJ oldBrush = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(SetROP2(c.dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(GetROP2(c.dc), R2_XORPEN);
    POINT poly[] = {{1, 1}, {14, 3}, {7, 14}};
    Polyline(c.dc, poly, 3);
    Rectangle(c.dc, 2, 2, 12, 12);
    EXPECT_NE(c.count(0x123456), 256);
    Polyline(c.dc, poly, 3);
    Rectangle(c.dc, 2, 2, 12, 12);
    EXPECT_EQ(c.count(0x123456), 256);
    SetROP2(c.dc, R2_NOT);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 4, 0);
    EXPECT_EQ(c.at(0, 0), 0xEDCBA9u);
    SetROP2(c.dc, R2_NOTXORPEN);
    SelectObject(c.dc, old);
    SelectObject(c.dc, oldBrush);
    DeleteObject(pen);
}

TEST(GdiLines, DotPensLeaveGaps)
{
    Canvas c(12, 3);
    HPEN cosmetic = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(c.dc, cosmetic);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 12, 0);
    // The pattern runs on from segment to segment.
    const POINT bent[] = {{0, 2}, {4, 2}, {12, 2}};
    Polyline(c.dc, bent, 3);
    LOGBRUSH lb{BS_SOLID, RGB(255, 255, 255), 0};
    HPEN geometric = ExtCreatePen(PS_GEOMETRIC | PS_DOT, 1, &lb, 0, nullptr);
    ASSERT_NE(geometric, nullptr);
    SelectObject(c.dc, geometric);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 12, 1);
    EXPECT_EQ(c.mask(kWhite), rows({"###...###...", "#.#.#.#.#.#.", "###...###..."}));
    SelectObject(c.dc, old);
    DeleteObject(cosmetic);
    DeleteObject(geometric);
}

// A pen of width 2 or more covers a band of its width between round caps:
// discs of that width about the end points' pixel centres. Where the band's
// edge runs through pixel centres, its top row is in and its bottom row out.
TEST(GdiLines, WidePensCoverTheirBandAndRoundCaps)
{
    struct Case {
        int width;
        POINT flat[2], slant[2];
        int w, h;
        std::string expected;
    };
    const Case cases[] = {
        {2, {{3, 3}, {9, 3}}, {{13, 2}, {20, 6}}, 24, 9,
         rows({"........................", ".............#..........", "...#######..####........",
               "..#########..####.......", "...#.....#.....####.....", ".................####...",
               "..................####..", "....................#...", "........................"})},
        {4, {{4, 3}, {11, 3}}, {{17, 3}, {24, 7}}, 28, 11,
         rows({"............................", "....########.....#..........", "...##########...####........",
               "..############.#######......", "...##########...#######.....", "....#......#.....########...",
               "...................#######..", "....................#######.", "......................####..",
               "........................#...", "............................"})},
        {6, {{5, 4}, {12, 4}}, {{20, 4}, {27, 8}}, 32, 13,
         rows({"................................", ".....########.......#...........",
               "...############...#####.........", "...############...#######.......",
               "..##############.##########.....", "...############...##########....",
               "...############...############..", ".....#......#.......##########..",
               ".....................##########.", ".......................#######..",
               ".........................#####..", "...........................#....",
               "................................"})},
    };
    for (const Case& k : cases) {
        Canvas c(k.w, k.h);
        c.fill(0x203040);
        HPEN pen = CreatePen(PS_SOLID, k.width, RGB(0xC8, 0x1E, 0x5A));
        HGDIOBJ old = SelectObject(c.dc, pen);
        MoveToEx(c.dc, k.flat[0].x, k.flat[0].y, nullptr);
        LineTo(c.dc, k.flat[1].x, k.flat[1].y);
        Polyline(c.dc, k.slant, 2);
        EXPECT_EQ(c.mask(0xC81E5A), k.expected) << "width " << k.width;
        EXPECT_EQ(c.count(0x203040) + c.count(0xC81E5A), k.w * k.h);
        SelectObject(c.dc, old);
        DeleteObject(pen);
    }
}

// Thin lines that combine with the picture change each pixel once, also
// where a polyline crosses itself.
TEST(GdiLines, ThinXorAndNotLinesFlipACrossingPixelOnce)
{
    const POINT path[] = {{2, 6}, {14, 6}, {14, 2}, {8, 2}, {8, 10}};
    const std::string expected = rows({".................", ".................", "........#######..",
                                       "........#.....#..", "........#.....#..", "........#.....#..",
                                       "..#############..", "........#........", "........#........",
                                       "........#........", ".................", "................."});
    for (auto [rop, flipped] : {std::pair{R2_NOT, 0xEDCBA9u}, {R2_XORPEN, 0x123456u ^ 0x3C0FA5u}}) {
        Canvas c(17, 12);
        c.fill(0x123456);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x3C, 0x0F, 0xA5));
        HGDIOBJ old = SelectObject(c.dc, pen);
        SetROP2(c.dc, rop);
        Polyline(c.dc, path, 5);
        EXPECT_EQ(c.mask(flipped), expected) << rop;
        EXPECT_EQ(c.count(0x123456) + c.count(flipped), 17 * 12) << rop;
        SelectObject(c.dc, old);
        DeleteObject(pen);
    }
}

// Thin solid lines copied as they are walked land where the viewport and
// window origins put them, their last pixel left out.
TEST(GdiLines, ThinLinesFollowTheViewportAndWindowOrigins)
{
    Canvas c(20, 12);
    c.fill(0x0A0B0C);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x30, 0xC0, 0x60));
    HGDIOBJ old = SelectObject(c.dc, pen);
    SetViewportOrgEx(c.dc, 7, 2, nullptr);
    SetWindowOrgEx(c.dc, 3, -4, nullptr);  // device = logical + (4, 6)
    MoveToEx(c.dc, -3, -5, nullptr);
    LineTo(c.dc, 8, -2);
    const POINT path[] = {{-2, 0}, {12, 0}, {12, 5}};
    Polyline(c.dc, path, 3);
    EXPECT_EQ(c.mask(0x30C060), rows({"....................", ".##.................", "...####.............",
                                      ".......####.........", "...........#........", "....................",
                                      "..###############...", "................#...", "................#...",
                                      "................#...", "................#...", "...................."}));
    SelectObject(c.dc, old);
    DeleteObject(pen);
}

TEST(GdiShapes, RectangleNormalisesAndLeavesRightBottom)
{
    Canvas c(6, 5);
    SelectObject(c.dc, GetStockObject(WHITE_PEN));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(c.dc, red);
    Rectangle(c.dc, 5, 4, 0, 0);
    EXPECT_EQ(c.mask(kWhite), rows({"#####.", "#...#.", "#...#.", "#####.", "......"}));
    EXPECT_EQ(c.count(0xFF0000), 6);
    // Without a pen the filled area shrinks by one on the right and bottom.
    Canvas d(6, 5);
    SelectObject(d.dc, GetStockObject(NULL_PEN));
    SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
    Rectangle(d.dc, 0, 0, 5, 4);
    EXPECT_EQ(d.mask(kWhite), rows({"####..", "####..", "####..", "......", "......"}));
    SelectObject(c.dc, oldBrush);
    DeleteObject(red);
}

TEST(GdiShapes, EllipseCoverage)
{
    Canvas c(8, 6);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    Ellipse(c.dc, 0, 0, 9, 7);  // an 8 x 6 dot with the null pen
    EXPECT_EQ(c.mask(kWhite), rows({"..####..", ".######.", "########", "########", ".######.", "..####.."}));
    Canvas o(8, 6);
    SelectObject(o.dc, GetStockObject(WHITE_PEN));
    SelectObject(o.dc, GetStockObject(NULL_BRUSH));
    Ellipse(o.dc, 0, 0, 8, 6);
    EXPECT_EQ(o.mask(kWhite), rows({"..####..", ".#....#.", "#......#", "#......#", ".#....#.", "..####.."}));
}

TEST(GdiShapes, PolygonFillModes)
{
    // A square traced twice around: alternate leaves it empty, winding fills it.
    const POINT twice[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}, {5, 1}, {5, 5}, {1, 5}};
    const POINT overlap[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
    Canvas a(7, 7);
    SelectObject(a.dc, GetStockObject(NULL_PEN));
    SelectObject(a.dc, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SetPolyFillMode(a.dc, ALTERNATE), ALTERNATE);
    Polygon(a.dc, overlap, 10);
    EXPECT_EQ(a.mask(kWhite),
              rows({"####...", "####...", "##..##.", "##..##.", "..####.", "..####.", "......."}));
    Canvas w(7, 7);
    SelectObject(w.dc, GetStockObject(NULL_PEN));
    SelectObject(w.dc, GetStockObject(WHITE_BRUSH));
    SetPolyFillMode(w.dc, WINDING);
    Polygon(w.dc, twice, 8);
    EXPECT_EQ(w.count(kWhite), 16);
}

TEST(GdiShapes, RectFillsAndInversions)
{
    Canvas c(6, 6);
    c.fill(0x102030);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT r{4, 4, 1, 1};  // FillRect takes the rectangle as given: nothing
    EXPECT_EQ(FillRect(c.dc, &r, blue), 1);
    EXPECT_EQ(c.count(0x102030), 36);
    r = {1, 1, 4, 4};
    FillRect(c.dc, &r, blue);
    EXPECT_EQ(c.count(0x0000FF), 9);
    r = {0, 0, 6, 6};
    FrameRect(c.dc, &r, blue);
    EXPECT_EQ(c.count(0x0000FF), 9 + 20);
    InvertRect(c.dc, &r);
    EXPECT_EQ(c.count(0xFFFF00), 29);
    InvertRect(c.dc, &r);
    std::string before = c.mask(0x0000FF);
    DrawFocusRect(c.dc, &r);
    EXPECT_NE(c.mask(0x0000FF), before);
    DrawFocusRect(c.dc, &r);
    EXPECT_EQ(c.mask(0x0000FF), before);
    DeleteObject(blue);
}

TEST(GdiShapes, PixelsAndSolidFills)
{
    Canvas c(4, 4);
    EXPECT_EQ(SetPixel(c.dc, 1, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(c.dc, 1, 2), RGB(1, 2, 3));
    EXPECT_EQ(c.at(1, 2), 0x010203u);
    EXPECT_EQ(GetPixel(c.dc, 4, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(c.dc, -1, 0, 0), CLR_INVALID);
    CDC* dc = CDC::FromHandle(c.dc);
    dc->FillSolidRect(1, 1, 2, 2, RGB(0xB5, 0x92, 0x84));
    EXPECT_EQ(c.count(0xB59284), 4);
    EXPECT_EQ(GetBkColor(c.dc), RGB(0xB5, 0x92, 0x84));
}

}  // namespace

// Wide pens reaching far beyond the canvas paint in it exactly the rows a
// canvas 80 rows taller shows there: rows outside are never needed.
TEST(GdiShapes, WidePensCrossingTheEdgesPaintAsOnATallerCanvas)
{
    auto draw = [](Canvas& c, int shift) {
        c.fill(0);
        SetViewportOrgEx(c.dc, 0, shift, nullptr);
        HPEN pen = CreatePen(PS_SOLID, 37, RGB(200, 40, 10));
        LOGBRUSH lb{BS_SOLID, RGB(30, 180, 90), 0};
        HPEN dashed = ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_ROUND, 23, &lb, 0, nullptr);
        HGDIOBJ old = SelectObject(c.dc, pen);
        const POINT zigzag[] = {{-20, -50}, {19, 12}, {44, -31}, {7, 71}};
        Polyline(c.dc, zigzag, 4);
        Ellipse(c.dc, 30, -45, 61, 60);
        SelectObject(c.dc, dashed);
        const POINT corner[] = {{-5, 20}, {51, 3}, {40, 64}};
        Polygon(c.dc, corner, 3);
        const POINT away[] = {{-30, -70}, {50, -2}, {3, 90}};
        Polyline(c.dc, away, 3);
        SelectObject(c.dc, old);
        DeleteObject(pen);
        DeleteObject(dashed);
    };
    Canvas small(57, 23), tall(57, 103);
    draw(small, 0);
    draw(tall, 40);
    int painted = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 57; ++x) {
            ASSERT_EQ(small.at(x, y), tall.at(x, y + 40)) << x << "," << y;
            painted += small.at(x, y) != 0;
        }
    EXPECT_GT(painted, 200);
}

// Thin and wide pens reaching far beyond the canvas, drawn in pieces that
// leave it and come back, paint in it exactly what a canvas holding them
// whole shows there: the walk starts where they enter, in step and in
// their dash pattern.
TEST(GdiLines, PensFromFarAwayPaintAsOnACanvasHoldingThemWhole)
{
    struct Pen {
        int style, width, rop2;
    };
    const Pen pens[] = {{PS_SOLID, 1, R2_COPYPEN}, {PS_DASH, 1, R2_COPYPEN}, {PS_DOT, 1, R2_XORPEN},
                        {PS_DASHDOT, 1, R2_COPYPEN}, {PS_SOLID, 1, R2_NOT}, {PS_SOLID, 9, R2_COPYPEN}};
    // Shallow, steep and diagonal, in every direction, crossing every edge.
    const POINT path[] = {{-390, -61}, {371, 37}, {-23, -377}, {61, 380}, {-300, -317}, {333, 290}, {377, -20}, {-350, 17}};
    auto draw = [&](Canvas& c, POINT origin, const Pen& p) {
        c.fill(0x2B4C6D);
        SetViewportOrgEx(c.dc, origin.x, origin.y, nullptr);
        HPEN pen = CreatePen(p.style, p.width, RGB(0xD2, 0x5A, 0x17));
        HGDIOBJ old = SelectObject(c.dc, pen);
        SetROP2(c.dc, p.rop2);
        Polyline(c.dc, path, 8);
        MoveToEx(c.dc, 395, 3, nullptr);
        LineTo(c.dc, -395, 11);
        SelectObject(c.dc, old);
        DeleteObject(pen);
    };
    for (const Pen& p : pens) {
        SCOPED_TRACE(std::to_string(p.style) + " " + std::to_string(p.width) + " " + std::to_string(p.rop2));
        Canvas small(57, 23), whole(820, 800);
        draw(small, {-9, 7}, p);
        draw(whole, {401, 405}, p);
        int painted = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 57; ++x) {
                ASSERT_EQ(small.at(x, y), whole.at(x + 410, y + 398)) << x << "," << y;
                painted += small.at(x, y) != 0x2B4C6D;
            }
        EXPECT_GT(painted, 40);
    }
}

// Fills of every length up to a few times the widest store, at every
// alignment, paint exactly their pixels, copied or combined, and leave
// their neighbours as they were.
TEST(GdiShapes, SpansFillExactlyTheirPixels)
{
    const int width = 53, height = 31;
    Canvas c(width, height);
    auto original = [](int x, int y) { return uint32_t(0x10203 * (x + 1) + 0x70000 * y) & 0xFFFFFF; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            static_cast<uint32_t*>(c.bits)[y * width + x] = original(x, y);
    const uint32_t colour = 0xC3A51E;
    HBRUSH brush = CreateSolidBrush(RGB(0xC3, 0xA5, 0x1E));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0xC3, 0xA5, 0x1E));
    HGDIOBJ oldBrush = SelectObject(c.dc, brush), oldPen = SelectObject(c.dc, GetStockObject(NULL_PEN));
    auto start = [](int y) { return y % 11; };
    auto length = [](int y) { return 1 + (y * 7) % 37; };
    for (int y = 0; y < height; ++y) {
        RECT r{start(y), y, start(y) + length(y), y + 1};
        switch (y % 3) {
        case 0: FillRect(c.dc, &r, brush); break;
        case 1:
            SetROP2(c.dc, R2_COPYPEN);
            Rectangle(c.dc, r.left, r.top, r.right + 1, r.bottom + 1);  // a null pen leaves right and bottom
            break;
        default:
            SelectObject(c.dc, pen);
            SetROP2(c.dc, R2_XORPEN);
            MoveToEx(c.dc, r.left, y, nullptr);
            LineTo(c.dc, r.right, y);
            SelectObject(c.dc, GetStockObject(NULL_PEN));
            break;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= start(y) && x < start(y) + length(y);
            const uint32_t expected = !inside ? original(x, y) : (y % 3 == 2 ? original(x, y) ^ colour : colour);
            ASSERT_EQ(c.at(x, y), expected) << x << "," << y;
        }
    }
    SelectObject(c.dc, oldBrush);
    SelectObject(c.dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}
