#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "gdi/font.h"
#include "gdi_canvas.h"

namespace {

struct Font {
    Font(int height, const char* face, int charset = ANSI_CHARSET, int weight = FW_NORMAL, DWORD italic = 0)
        : handle(CreateFont(height, 0, 0, 0, weight, italic, 0, 0, charset, 0, 0, 0, 0, face))
    {
    }
    ~Font() { DeleteObject(handle); }
    HFONT handle;
};

TEST(GdiFont, FacesResolveToPinnedFiles)
{
    LOGFONT lf{};
    std::strcpy(lf.lfFaceName, "Arial");
    EXPECT_NE(gdi::fontFileFor(lf).find("LiberationSans-Regular.ttf"), std::string::npos);
    std::strcpy(lf.lfFaceName, "宋体");
    EXPECT_NE(gdi::fontFileFor(lf).find("wqy-microhei.ttc"), std::string::npos);
    std::strcpy(lf.lfFaceName, "MS Sans Serif");
    lf.lfWeight = FW_BOLD;
    EXPECT_NE(gdi::fontFileFor(lf).find("DejaVuSans-Bold.ttf"), std::string::npos);
}

TEST(GdiFont, HeightConventions)
{
    Canvas c(4, 4);
    for (const char* face : {"Arial", "Tahoma", "宋体"}) {
        Font cell(20, face), character(-20, face);
        TEXTMETRIC tm{};
        SelectObject(c.dc, cell.handle);
        ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
        EXPECT_EQ(tm.tmHeight, 20) << face;
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        SelectObject(c.dc, character.handle);
        GetTextMetrics(c.dc, &tm);
        EXPECT_GE(tm.tmHeight, 20) << face;
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
        SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    }
}

TEST(GdiFont, GlyphOutlineBitmaps)
{
    Canvas c(4, 4);
    Font font(-16, "宋体", GB2312_CHARSET);
    SelectObject(c.dc, font.handle);
    MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (UINT code : {UINT('A'), UINT('g'), UINT(0xD6D0) /* 中 in code page 936 */}) {
        GLYPHMETRICS gm{};
        DWORD size = GetGlyphOutline(c.dc, code, GGO_BITMAP, &gm, 0, nullptr, &identity);
        ASSERT_NE(size, GDI_ERROR) << code;
        DWORD rowBytes = (gm.gmBlackBoxX + 31) / 32 * 4;
        EXPECT_EQ(size, rowBytes * gm.gmBlackBoxY);
        std::vector<BYTE> buffer(size);
        ASSERT_EQ(GetGlyphOutline(c.dc, code, GGO_BITMAP, &gm, size, buffer.data(), &identity), size);
        // Ink lies inside the black box; every box edge row and column has ink.
        bool firstRow = false, lastRow = false, firstCol = false, lastCol = false;
        for (UINT y = 0; y < gm.gmBlackBoxY; ++y)
            for (UINT x = 0; x < rowBytes * 8; ++x) {
                bool on = (buffer[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
                if (!on)
                    continue;
                EXPECT_LT(x, gm.gmBlackBoxX);
                firstRow |= y == 0;
                lastRow |= y == gm.gmBlackBoxY - 1;
                firstCol |= x == 0;
                lastCol |= x == gm.gmBlackBoxX - 1;
            }
        EXPECT_TRUE(firstRow && lastRow && firstCol && lastCol) << code;
        EXPECT_GT(gm.gmCellIncX, 0);
        EXPECT_GE(gm.gmCellIncX, static_cast<short>(gm.gmBlackBoxX) / 2);
        if (code == 'g') {
            EXPECT_LT(gm.gmptGlyphOrigin.y, static_cast<LONG>(gm.gmBlackBoxY));  // descends below the baseline
        }
        if (code == 'A') {
            GLYPHMETRICS small{};
            EXPECT_EQ(GetGlyphOutline(c.dc, code, GGO_BITMAP, &small, 1, buffer.data(), &identity), GDI_ERROR);
        }
    }
    GLYPHMETRICS gm{};
    EXPECT_EQ(GetGlyphOutline(c.dc, 0xFFFF, GGO_BITMAP, &gm, 0, nullptr, &identity), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutline(nullptr, 'A', GGO_BITMAP, &gm, 0, nullptr, &identity), GDI_ERROR);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST(GdiText, AdvancesSumToTheExtent)
{
    Canvas c(4, 4);
    Font font(-12, "Tahoma", GB2312_CHARSET);
    SelectObject(c.dc, font.handle);
    const char* text = "W/L: 40/400 中文";
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32(c.dc, text, static_cast<int>(std::strlen(text)), &extent));
    int sum = 0;
    for (UINT code : std::vector<UINT>{'W', '/', 'L', ':', ' ', '4', '0', '/', '4', '0', '0', ' ', 0xD6D0, 0xCEC4}) {
        GLYPHMETRICS gm{};
        MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        ASSERT_NE(GetGlyphOutline(c.dc, code, GGO_METRICS, &gm, 0, nullptr, &identity), GDI_ERROR);
        sum += gm.gmCellIncX;
    }
    EXPECT_EQ(extent.cx, sum);
    TEXTMETRIC tm{};
    GetTextMetrics(c.dc, &tm);
    EXPECT_EQ(extent.cy, tm.tmHeight);
    CDC* dc = CDC::FromHandle(c.dc);
    EXPECT_EQ(dc->GetTextExtent(CString(text)).cx, sum);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

// Bounding box of the pixels of a colour.
RECT inkBox(const Canvas& c, int w, int h, uint32_t colour)
{
    RECT r{w, h, -1, -1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (c.at(x, y) == colour) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r;
}

TEST(GdiText, PlacementAndBackground)
{
    Canvas c(120, 60);
    Font font(-20, "Arial");
    SelectObject(c.dc, font.handle);
    TEXTMETRIC tm{};
    GetTextMetrics(c.dc, &tm);
    SetTextColor(c.dc, RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
    TextOut(c.dc, 10, 5, "H", 1);
    RECT ink = inkBox(c, 120, 60, 0xFFFFFF);
    EXPECT_EQ(ink.bottom, 5 + tm.tmAscent);  // 'H' sits on the baseline
    EXPECT_GE(ink.left, 10);
    SIZE ext;
    GetTextExtentPoint32(c.dc, "H", 1, &ext);
    c.fill(0);
    SetTextAlign(c.dc, TA_RIGHT | TA_BASELINE);
    TextOut(c.dc, 100, 40, "H", 1);
    ink = inkBox(c, 120, 60, 0xFFFFFF);
    EXPECT_EQ(ink.bottom, 40);
    EXPECT_LE(ink.right, 100);
    EXPECT_GE(ink.left, 100 - ext.cx);
    // Bottom alignment puts the descent, not the baseline, on y.
    c.fill(0);
    SetTextAlign(c.dc, TA_LEFT | TA_BOTTOM);
    TextOut(c.dc, 30, 50, "H", 1);
    ink = inkBox(c, 120, 60, 0xFFFFFF);
    EXPECT_EQ(ink.bottom, 50 - tm.tmDescent);
    EXPECT_GE(ink.left, 30);
    EXPECT_LE(ink.right, 30 + ext.cx);
    c.fill(0);
    SetTextAlign(c.dc, TA_LEFT | TA_TOP);
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, RGB(0, 0, 255));
    TextOut(c.dc, 0, 0, "H", 1);
    EXPECT_EQ(c.count(0x0000FF) + c.count(0xFFFFFF), ext.cx * tm.tmHeight);
    RECT box{0, 0, 120, 60};
    ExtTextOut(c.dc, 0, 0, ETO_OPAQUE, &box, "", 0, nullptr);
    EXPECT_EQ(c.count(0x0000FF), 120 * 60);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST(GdiText, DrawTextLinesAndAlignment)
{
    Canvas c(200, 100);
    Font font(-12, "MS Sans Serif");
    SelectObject(c.dc, font.handle);
    TEXTMETRIC tm{};
    GetTextMetrics(c.dc, &tm);
    SIZE wide;
    GetTextExtentPoint32(c.dc, "a longer line", 13, &wide);
    RECT r{5, 5, 5, 5};
    EXPECT_EQ(DrawText(c.dc, "one\r\na longer line\ntwo", -1, &r, DT_CALCRECT | DT_NOPREFIX), 3 * tm.tmHeight);
    EXPECT_EQ(r.right, 5 + wide.cx);
    EXPECT_EQ(r.bottom, 5 + 3 * tm.tmHeight);
    SetTextColor(c.dc, RGB(255, 255, 255));
    SetBkMode(c.dc, TRANSPARENT);
    RECT area{0, 0, 200, 100};
    DrawText(c.dc, "mid", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RECT ink = inkBox(c, 200, 100, 0xFFFFFF);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 50, 4);
    c.fill(0);
    DrawText(c.dc, "right", -1, &area, DT_RIGHT | DT_SINGLELINE);
    ink = inkBox(c, 200, 100, 0xFFFFFF);
    EXPECT_GE(ink.right, 195);
    EXPECT_LT(ink.bottom, tm.tmHeight + 1);
    c.fill(0);
    RECT lower{30, 20, 170, 90};
    DrawText(c.dc, "H", -1, &lower, DT_BOTTOM | DT_SINGLELINE);
    ink = inkBox(c, 200, 100, 0xFFFFFF);
    EXPECT_EQ(ink.bottom, 90 - tm.tmDescent);  // the line's descent ends at the bottom
    EXPECT_GE(ink.left, 30);
    EXPECT_LT(ink.left, 40);
    // Prefix characters are hidden unless DT_NOPREFIX.
    RECT a{0, 0, 0, 0}, b{0, 0, 0, 0};
    DrawText(c.dc, "&File", -1, &a, DT_CALCRECT);
    DrawText(c.dc, "File", -1, &b, DT_CALCRECT);
    EXPECT_EQ(a.right, b.right);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

// A character of the basic multilingual plane from U+0800 on, in UTF-8.
std::string utf8Of(char32_t code)
{
    return {char(0xE0 | code >> 12), char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
}

// Fonts named and glyphs drawn by the thousand: the cache drops what it must
// to keep within its bound, and counts FreeType's sizes with each font.
TEST(GdiFontCache, ThousandsOfFontsAndLargeGlyphsStayWithinTheBound)
{
    Canvas c(300, 200);
    const size_t before = gdi::fontCacheCount().bytes;
    for (int i = 0; i < 3000; ++i) {
        Font font(-(6 + i % 750), "Arial", ANSI_CHARSET, (i / 750) % 2 ? FW_BOLD : FW_NORMAL, i / 1500);
        SelectObject(c.dc, font.handle);
        TextOut(c.dc, 5 + i % 7, 5, ".", 1);
        SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
        if (i == 99) {
            EXPECT_GT(gdi::fontCacheCount().bytes - before, 100u * 8192);
        }
        ASSERT_LE(gdi::fontCacheCount().bytes, gdi::kFontCacheLimit) << i;
    }
    EXPECT_LT(gdi::fontCacheCount().fonts, 3000u);
    Font large(-400, "宋体", GB2312_CHARSET);
    SelectObject(c.dc, large.handle);
    const size_t rendered = gdi::fontCacheCount().renders;
    for (char32_t code = 0x4E00; code < 0x4E00 + 1500; ++code) {
        TextOut(c.dc, -100, -150, utf8Of(code).c_str(), 3);
        ASSERT_LE(gdi::fontCacheCount().bytes, gdi::kFontCacheLimit) << code;
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    const gdi::FontCacheCount after = gdi::fontCacheCount();
    EXPECT_EQ(after.renders - rendered, 1500u);
    EXPECT_LE(after.peak, gdi::kFontCacheLimit);
    EXPECT_GT(after.bytes, gdi::kFontCacheLimit * 3 / 4);
}

// Text of a font, drawn on its own canvas: the pixels in the text colour.
std::string textMask(const Font& font, const char* text)
{
    Canvas c(90, 48);
    c.fill(0x102030);
    SelectObject(c.dc, font.handle);
    SetTextColor(c.dc, RGB(250, 200, 40));
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 7, 3, text, static_cast<int>(std::strlen(text)));
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    return c.mask(0xFAC828);
}

// Two fonts of one face at two heights, drawn in turn, each render their
// own glyphs, whichever drew last; and glyphs the cache dropped are
// rendered again with the same pixels.
TEST(GdiFontCache, FontsSharingAFaceKeepTheirPixelsThroughDrops)
{
    Font small(-13, "Arial"), large(-29, "Arial");
    const std::string smallFirst = textMask(small, "Rg"), largeFirst = textMask(large, "Rg");
    const std::string smallAfterLarge = textMask(small, "&中"), largeAfterSmall = textMask(large, "&中");
    EXPECT_NE(smallFirst, largeFirst);
    Canvas c(50, 50);
    Font filler(-400, "宋体", GB2312_CHARSET);
    SelectObject(c.dc, filler.handle);
    for (char32_t code = 0x5000; code < 0x5000 + 600; ++code) {
        TextOut(c.dc, 0, 0, utf8Of(code).c_str(), 3);
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    const size_t rendered = gdi::fontCacheCount().renders;
    EXPECT_EQ(textMask(large, "&中"), largeAfterSmall);
    EXPECT_EQ(textMask(small, "&中"), smallAfterLarge);
    EXPECT_EQ(textMask(large, "Rg"), largeFirst);
    EXPECT_EQ(textMask(small, "Rg"), smallFirst);
    EXPECT_EQ(gdi::fontCacheCount().renders - rendered, 8u);
}

// Text drawn from several threads at once, in fonts that share faces, while
// each thread's large glyphs make the cache drop the others': every thread
// keeps its own pixels.
TEST(GdiFontCache, ThreadsDrawingAtOnceKeepTheirPixels)
{
    const Font fonts[] = {{-13, "Arial"}, {-22, "Arial"}, {-17, "Tahoma"}, {-26, "Tahoma"}};
    const int kThreads = 4;
    std::string expected[kThreads];
    for (int i = 0; i < kThreads; ++i)
        expected[i] = textMask(fonts[i], "&Rg中");
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            Canvas c(40, 40);
            Font filler(-300 - i, "宋体", GB2312_CHARSET);
            for (int round = 0; round < 40; ++round) {
                if (textMask(fonts[i], "&Rg中") != expected[i])
                    ++mismatches;
                SelectObject(c.dc, filler.handle);
                const char32_t first = 0x6000 + char32_t(i * 1000 + round * 20);
                for (char32_t code = first; code < first + 20; ++code) {
                    TextOut(c.dc, 0, 0, utf8Of(code).c_str(), 3);
                }
                SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_LE(gdi::fontCacheCount().peak, gdi::kFontCacheLimit);
}

LOGFONT logFont(int height, const char* face, int weight = FW_NORMAL, BYTE italic = 0, int width = 0, int escapement = 0)
{
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

std::string textMask(const LOGFONT& lf, const char* text)
{
    Canvas c(90, 90);
    c.fill(0x102030);
    HFONT font = CreateFontIndirect(&lf);
    SelectObject(c.dc, font);
    SetTextColor(c.dc, RGB(250, 200, 40));
    SetBkMode(c.dc, TRANSPARENT);
    TextOut(c.dc, 40, 45, text, static_cast<int>(std::strlen(text)));
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
    return c.mask(0xFAC828);
}

// Fonts that differ in one thing their glyphs depend on, drawn in turn,
// each draw their own glyphs, however often they alternate.
TEST(GdiFontCache, FontsDifferingInOneFieldDrawTheirOwnGlyphs)
{
    const LOGFONT base = logFont(-17, "Arial");
    const LOGFONT others[] = {logFont(-17, "Arial", FW_BOLD),      logFont(-17, "Arial", FW_NORMAL, 1),
                              logFont(-17, "Courier New"),          logFont(-17, "Tahoma"),
                              logFont(-17, "宋体"),                 logFont(-18, "Arial"),
                              logFont(-17, "Arial", FW_NORMAL, 0, 11), logFont(-17, "Arial", FW_NORMAL, 0, 0, 450)};
    const std::string first = textMask(base, "Rg");
    for (const LOGFONT& other : others) {
        const std::string own = textMask(other, "Rg");
        EXPECT_NE(own, first) << other.lfFaceName << " " << other.lfWeight << " " << int(other.lfItalic) << " "
                              << other.lfHeight << " " << other.lfWidth << " " << other.lfEscapement;
        EXPECT_EQ(textMask(base, "Rg"), first);
        EXPECT_EQ(textMask(other, "Rg"), own);
    }
}

// Glyphs enough to fill the cache over, none seen before.
void fillCacheOver(char32_t first)
{
    Canvas c(50, 50);
    Font filler(-400, "宋体", GB2312_CHARSET);
    SelectObject(c.dc, filler.handle);
    for (char32_t code = first; code < first + 1000; ++code) {
        TextOut(c.dc, 0, 0, utf8Of(code).c_str(), 3);
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

// A font held while the cache drops all it can stays the cache's; a glyph
// held while its font is dropped leaves with its font. Either way every
// font and glyph the cache keeps in order is one it holds.
TEST(GdiFontCache, HeldFontsAndGlyphsKeepTheCountExact)
{
    const LOGFONT held = logFont(-23, "Arial", FW_BOLD, 1), other = logFont(-31, "Tahoma", FW_NORMAL, 1);
    std::shared_ptr<gdi::FontInstance> font = gdi::fontFor(held);
    ASSERT_TRUE(font->glyph('A'));
    std::shared_ptr<const gdi::GlyphImage> glyph = gdi::fontFor(other)->glyph('Q');
    ASSERT_TRUE(glyph);
    fillCacheOver(0x7000);
    EXPECT_EQ(gdi::fontFor(held), font);
    ASSERT_TRUE(font->glyph('B'));
    gdi::FontCacheCount count = gdi::fontCacheCount();
    EXPECT_EQ(count.entries, count.fonts + count.glyphs);
    font.reset();
    glyph.reset();
    fillCacheOver(0x7400);
    count = gdi::fontCacheCount();
    EXPECT_EQ(count.entries, count.fonts + count.glyphs);
    EXPECT_LE(count.bytes, gdi::kFontCacheLimit);
}

// A font's width is its average character width.
TEST(GdiFont, WidthIsTheAverageCharacterWidth)
{
    Canvas c(4, 4);
    SIZE extents[2];
    const int widths[] = {6, 19};
    for (int i = 0; i < 2; ++i) {
        const LOGFONT lf = logFont(-20, "Arial", FW_NORMAL, 0, widths[i]);
        HFONT font = CreateFontIndirect(&lf);
        SelectObject(c.dc, font);
        TEXTMETRIC tm{};
        ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
        EXPECT_EQ(tm.tmAveCharWidth, widths[i]);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        GetTextExtentPoint32(c.dc, "average", 7, &extents[i]);
        SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    }
    EXPECT_EQ(extents[0].cy, extents[1].cy);
    EXPECT_GT(extents[1].cx, 2 * extents[0].cx);
}

}  // namespace
