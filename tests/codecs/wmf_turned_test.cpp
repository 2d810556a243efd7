// Metafile shapes and text that a world transform or a font's escapement
// turns, fonts of a given width and text placed by spacing arrays, each
// against the same drawing made upright or by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <uemf.h>
#include <uwmf.h>
#include <uemf_utf.h>

#include "RasterImage.h"
#include "codec_test_util.h"
#include "metafile_canvas.h"

using namespace codectest;

namespace {

using Pixels = std::set<std::pair<int, int>>;

const Rgb kInk{20, 90, 200};
const Rgb kFill{210, 40, 30};

void Append(EMFTRACK* et, char* record) { emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), et, 1); }

// A text record; without a spacing array its offset is 0, as in a file
// that has none.
void AppendText(EMFTRACK* et, U_POINTL at, const std::u16string& text, uint32_t options, int mode,
                const std::vector<uint32_t>* spacing)
{
    std::vector<uint32_t> none(text.size() * 2, 0);
    char* record = emrtext_set(at, U_NUM_STR(text.size()), 2, const_cast<char16_t*>(text.data()), options,
                               rectl_set(pointl_set(0, 0), pointl_set(0, 0)),
                               const_cast<uint32_t*>(spacing ? spacing->data() : none.data()));
    if (!spacing)
        memset(record + 36, 0, 4);
    Append(et, U_EMREXTTEXTOUTW_set(rectl_set(pointl_set(0, 0), pointl_set(0, 0)), mode, 1.0f, 1.0f,
                                    reinterpret_cast<PU_EMRTEXT>(record)));
    free(record);
}

// The pixels of a colour, relative to the point.
Pixels PixelsOf(CRasterImage& img, Rgb colour, int x0 = 0, int y0 = 0)
{
    Pixels out;
    for (int y = 0; y < int(img.GetHeight()); y++)
        for (int x = 0; x < int(img.GetWidth()); x++)
            if (PixelTopDown(img, x, y) == colour)
                out.insert({x - x0, y - y0});
    return out;
}

Pixels Load(const std::string& path, Rgb colour, int x0 = 0, int y0 = 0)
{
    CRasterImage img;
    EXPECT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    return PixelsOf(img, colour, x0, y0);
}

// A pixel is the square right and down of its corner: a quarter turn
// counter-clockwise on the screen takes the square at (x, y) to (y, -x - 1).
Pixels TurnedQuarter(const Pixels& upright, int quarters)
{
    Pixels out;
    for (auto [x, y] : upright) {
        for (int q = 0; q < quarters; q++)
            std::tie(x, y) = std::pair{y, -x - 1};
        out.insert({x, y});
    }
    return out;
}

// The least-squares slope dy / dx of the pixels.
double Slope(const Pixels& p)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (auto [x, y] : p) {
        n++, sx += x, sy += y, sxx += double(x) * x, sxy += double(x) * y;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

size_t Differing(const Pixels& a, const Pixels& b)
{
    size_t n = 0;
    for (const auto& p : a)
        n += !b.count(p);
    for (const auto& p : b)
        n += !a.count(p);
    return n;
}

void SelectPenAndBrush(EMFTRACK* et, EMFHANDLES* eht)
{
    uint32_t pen;
    Append(et, createpen_set(&pen, eht, logpen_set(U_PS_SOLID, point_set(1, 1), U_RGB(kInk.r, kInk.g, kInk.b))));
    Append(et, selectobject_set(pen, eht));
    EmfBrush(et, eht, kFill);
}

// A picture whose frame is exactly its size in pixels, so that nothing
// but the drawing's own transform moves what it draws.
EMFTRACK* StartExactEmf(const std::string& path, int width, int height, EMFHANDLES** eht)
{
    EMFTRACK* et = nullptr;
    EXPECT_EQ(emf_start(path.c_str(), 4096, 4096, &et), 0);
    emf_htable_create(128, 128, eht);
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width, height));
    U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(width * 254 / 10, height * 254 / 10));
    Append(et, U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(1000, 1000), sizel_set(254, 254), 0));
    return et;
}

struct Affine {
    float m11, m12, m21, m22, dx, dy;
    POINT apply(double x, double y) const
    {
        return {LONG(std::lround(m11 * x + m21 * y + dx)), LONG(std::lround(m12 * x + m22 * y + dy))};
    }
};

// A rectangle or an ellipse drawn under the transform.
std::string TurnedShape(const std::string& path, const Affine& a, bool ellipse)
{
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 300, 200, &eht);
    SelectPenAndBrush(et, eht);
    Append(et, U_EMRSETWORLDTRANSFORM_set(xform_set(a.m11, a.m12, a.m21, a.m22, a.dx, a.dy)));
    const U_RECTL box = rectl_set(pointl_set(-100, -40), pointl_set(100, 40));
    Append(et, ellipse ? U_EMRELLIPSE_set(box) : U_EMRRECTANGLE_set(box));
    FinishEmf(et, eht);
    return path;
}

// The same outline, transformed by hand and drawn as a polygon.
std::string OutlineByHand(const std::string& path, const Affine& a, bool ellipse)
{
    std::vector<U_POINTL> points;
    if (ellipse) {
        for (int i = 0; i < 1440; i++) {
            const double t = 2 * M_PI * i / 1440;
            const POINT p = a.apply(100 * std::cos(t), -40 * std::sin(t));
            points.push_back(pointl_set(p.x, p.y));
        }
    } else {
        for (auto [x, y] : {std::pair{-100, -40}, {100, -40}, {100, 40}, {-100, 40}}) {
            const POINT p = a.apply(x, y);
            points.push_back(pointl_set(p.x, p.y));
        }
    }
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 300, 200, &eht);
    SelectPenAndBrush(et, eht);
    Append(et, U_EMRPOLYGON_set(rectl_set(pointl_set(0, 0), pointl_set(300, 200)), uint32_t(points.size()), points.data()));
    FinishEmf(et, eht);
    return path;
}

}  // namespace

// A rectangle and an ellipse under a world transform that turns or shears
// them fill and outline their transformed outline, with their own pen and
// brush.
TEST(WmfTurned, RectanglesAndEllipsesFillTheirTransformedOutline)
{
    const std::string dir = ScratchDir("wmf");
    const Affine turned{0.8660254f, 0.5f, -0.5f, 0.8660254f, 152, 97};
    const Affine sheared{1.1f, 0.25f, 0.6f, 0.9f, 143, 104};
    for (const Affine& a : {turned, sheared}) {
        const Pixels fill = Load(TurnedShape(dir + "/rect.emf", a, false), kFill);
        EXPECT_EQ(fill, Load(OutlineByHand(dir + "/rect-hand.emf", a, false), kFill));
        EXPECT_EQ(Load(dir + "/rect.emf", kInk), Load(dir + "/rect-hand.emf", kInk));
        EXPECT_GT(fill.size(), 12000u);
        // An ellipse's outline is a polygon of its own: a thin seam differs.
        const Pixels ellipse = Load(TurnedShape(dir + "/ellipse.emf", a, true), kFill);
        const Pixels byHand = Load(OutlineByHand(dir + "/ellipse-hand.emf", a, true), kFill);
        EXPECT_LT(Differing(ellipse, byHand), 120u);
        EXPECT_GT(ellipse.size(), 9000u);
    }
}

namespace {

// Text in a 20-pixel font of the escapement, its reference point at (137,
// 91), underlined and in the ink colour.
std::string EnhancedText(const std::string& path, int escapement, uint32_t align, int mode = U_GM_COMPATIBLE,
                         const Affine* world = nullptr)
{
    EMFHANDLES* eht;
    EMFTRACK* et = StartExactEmf(path, 300, 200, &eht);
    Append(et, U_EMRSETBKMODE_set(U_TRANSPARENT));
    Append(et, U_EMRSETTEXTALIGN_set(align));
    Append(et, U_EMRSETTEXTCOLOR_set(U_RGB(kInk.r, kInk.g, kInk.b)));
    if (world)
        Append(et, U_EMRSETWORLDTRANSFORM_set(xform_set(world->m11, world->m12, world->m21, world->m22, world->dx, world->dy)));
    uint16_t* face = U_Utf8ToUtf16le("Arial", 0, nullptr);
    U_LOGFONT font = logfont_set(-20, 0, escapement, escapement, 700, 0, 1, 0, 0, 0, 0, 0, 0, face);
    free(face);
    uint32_t handle;
    Append(et, extcreatefontindirectw_set(&handle, eht, reinterpret_cast<char*>(&font), nullptr));
    Append(et, selectobject_set(handle, eht));
    AppendText(et, world ? pointl_set(0, 0) : pointl_set(137, 91), u"Axis Rg 3", 0, mode, nullptr);
    FinishEmf(et, eht);
    return path;
}

// The same in a placeable metafile, ten logical units a pixel.
std::string PlaceableText(const std::string& path, int escapement, uint16_t align)
{
    WmfCanvas canvas(path, 300, 200);
    canvas.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    canvas.Add(U_WMRSETTEXTALIGN_set(align));
    canvas.Add(U_WMRSETTEXTCOLOR_set(U_RGB(kInk.r, kInk.g, kInk.b)));
    U_FONT* face = U_FONT_set(-200, 0, int16_t(escapement), int16_t(escapement), 700, 0, 1, 0, 0, 0, 0, 0, 0,
                              const_cast<char*>("Arial"));
    uint32_t font;
    canvas.Add(wcreatefontindirect_set(&font, canvas.Handles(), face));
    free(face);
    canvas.Add(wselectobject_set(font, canvas.Handles()));
    canvas.Add(U_WMRTEXTOUT_set(Logical(137, 91), const_cast<char*>("Axis Rg 3")));
    return canvas.Finish();
}

}  // namespace

// A chart's axis titles: text at escapements 900 and 2700 is the upright
// text turned a quarter about its reference point, its underline with it,
// whatever the alignment, in either kind of metafile.
TEST(WmfTurned, TextAtAQuarterTurnIsTheUprightTextTurned)
{
    const std::string dir = ScratchDir("wmf");
    for (uint32_t align : {U_TA_RIGHT | U_TA_BOTTOM, U_TA_CENTER | U_TA_BASELINE}) {
        const Pixels upright = Load(EnhancedText(dir + "/up.emf", 0, align), kInk, 137, 91);
        EXPECT_GT(upright.size(), 500u);
        EXPECT_EQ(Load(EnhancedText(dir + "/left.emf", 900, align), kInk, 137, 91), TurnedQuarter(upright, 1));
        EXPECT_EQ(Load(EnhancedText(dir + "/right.emf", 2700, align), kInk, 137, 91), TurnedQuarter(upright, 3));
        const Pixels placeable = Load(PlaceableText(dir + "/up.wmf", 0, uint16_t(align)), kInk, 137, 91);
        EXPECT_EQ(placeable, upright);
        EXPECT_EQ(Load(PlaceableText(dir + "/left.wmf", 900, uint16_t(align)), kInk, 137, 91), TurnedQuarter(upright, 1));
        EXPECT_EQ(Load(PlaceableText(dir + "/right.wmf", 2700, uint16_t(align)), kInk, 137, 91),
                  TurnedQuarter(upright, 3));
    }
}

// In the advanced mode text turns with the world transform, as a font of
// that escapement draws it; in the compatible mode it stays level.
TEST(WmfTurned, TextTurnsWithTheWorldInTheAdvancedMode)
{
    const std::string dir = ScratchDir("wmf");
    const uint32_t align = U_TA_LEFT | U_TA_BASELINE;
    // 35 degrees counter-clockwise on the screen, about (137, 91).
    const Affine world{0.81915204f, -0.57357644f, 0.57357644f, 0.81915204f, 137, 91};
    const Pixels escaped = Load(EnhancedText(dir + "/escaped.emf", 350, align), kInk);
    EXPECT_EQ(Load(EnhancedText(dir + "/world.emf", 0, align, U_GM_ADVANCED, &world), kInk), escaped);
    const Pixels level = Load(EnhancedText(dir + "/level.emf", 0, align), kInk);
    EXPECT_EQ(Load(EnhancedText(dir + "/compatible.emf", 0, align, U_GM_COMPATIBLE, &world), kInk), level);
    EXPECT_GT(escaped.size(), 500u);
    // The ink rises to the right along the turned line: y falls by tan 35
    // degrees a pixel.
    EXPECT_NEAR(Slope(escaped), -0.70, 0.08);
    EXPECT_NEAR(Slope(level), 0, 0.08);
}

namespace {

// Ten characters, each placed by the spacing array: 30 units along and, in
// pairs, 4 up; the text starts at (20, 60).
std::string SpacedText(const std::string& path, const std::u16string& text, bool spaced, bool pairs)
{
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 360, 120, &eht);
    Append(et, U_EMRSETBKMODE_set(U_TRANSPARENT));
    Append(et, U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
    Append(et, U_EMRSETTEXTCOLOR_set(U_RGB(kInk.r, kInk.g, kInk.b)));
    uint16_t* face = U_Utf8ToUtf16le("Courier New", 0, nullptr);
    U_LOGFONT font = logfont_set(-16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, face);
    free(face);
    uint32_t handle;
    Append(et, extcreatefontindirectw_set(&handle, eht, reinterpret_cast<char*>(&font), nullptr));
    Append(et, selectobject_set(handle, eht));
    std::vector<uint32_t> dx;
    for (size_t i = 0; i < text.size(); i++) {
        dx.push_back(30);
        if (pairs)
            dx.push_back(4);
    }
    AppendText(et, pointl_set(20, 60), text, pairs ? U_ETO_PDY : 0, U_GM_COMPATIBLE, spaced ? &dx : nullptr);
    FinishEmf(et, eht);
    return path;
}

Pixels Shifted(const Pixels& p, int dx, int dy)
{
    Pixels out;
    for (auto [x, y] : p)
        out.insert({x + dx, y + dy});
    return out;
}

}  // namespace

// Spacing arrays place each character where the writer laid it out:
// along the line and, in pairs, up it, in either kind of metafile.
TEST(WmfTurned, SpacingArraysPlaceEachCharacter)
{
    const std::string dir = ScratchDir("wmf");
    const Pixels one = Load(SpacedText(dir + "/one.emf", u"k", false, false), kInk);
    ASSERT_GT(one.size(), 20u);
    Pixels along, rising;
    for (int k = 0; k < 10; k++) {
        along.merge(Shifted(one, 30 * k, 0));
        rising.merge(Shifted(one, 30 * k, -4 * k));
    }
    const std::u16string ten = u"kkkkkkkkkk";
    EXPECT_EQ(Load(SpacedText(dir + "/along.emf", ten, true, false), kInk), along);
    EXPECT_EQ(Load(SpacedText(dir + "/rising.emf", ten, true, true), kInk), rising);
    // Without an array the font's own advances place them.
    EXPECT_NE(Load(SpacedText(dir + "/plain.emf", ten, false, false), kInk), along);

    WmfCanvas canvas(dir + "/along.wmf", 360, 120);
    canvas.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    canvas.Add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
    canvas.Add(U_WMRSETTEXTCOLOR_set(U_RGB(kInk.r, kInk.g, kInk.b)));
    U_FONT* face = U_FONT_set(-160, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, const_cast<char*>("Courier New"));
    uint32_t font;
    canvas.Add(wcreatefontindirect_set(&font, canvas.Handles(), face));
    free(face);
    canvas.Add(wselectobject_set(font, canvas.Handles()));
    std::vector<int16_t> dx(10, 300);
    canvas.Add(U_WMREXTTEXTOUT_set(Logical(20, 60), 10, 0, "kkkkkkkkkk", dx.data(), U_RECT16{}));
    EXPECT_EQ(Load(canvas.Finish(), kInk), along);
}

// A font's width stretches its glyphs: twice the width, twice the ink.
TEST(WmfTurned, FontWidthStretchesItsGlyphs)
{
    const std::string dir = ScratchDir("wmf");
    auto inkWidth = [&](int width) {
        WmfCanvas canvas(dir + "/width.wmf", 400, 80);
        U_FONT* face = U_FONT_set(-240, int16_t(width), 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, const_cast<char*>("Arial"));
        uint32_t font;
        canvas.Add(wcreatefontindirect_set(&font, canvas.Handles(), face));
        free(face);
        canvas.Add(wselectobject_set(font, canvas.Handles()));
        canvas.Add(U_WMRTEXTOUT_set(Logical(10, 20), const_cast<char*>("WMWMWMW")));
        CRasterImage img;
        EXPECT_TRUE(img.Load(canvas.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
        const RECT ink = InkBox(img);
        return double(ink.right - ink.left + 1);
    };
    const double natural = inkWidth(0), narrow = inkWidth(100), wide = inkWidth(200);
    EXPECT_NEAR(wide / narrow, 2.0, 0.2);
    EXPECT_LT(narrow, natural * 0.9);
    EXPECT_GT(wide, natural * 1.1);
}
