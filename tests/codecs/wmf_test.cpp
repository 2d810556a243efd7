// Metafiles written by an independent library (libuemf), decoded through
// the WMF codec and checked at known pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <uemf.h>
#include <uwmf.h>
#include <uemf_utf.h>

#include "RasterImage.h"
#include "codec_test_util.h"
#include "metafile_canvas.h"
#include "gdi/gdi.h"
#include "gdi/playback_deadline.h"

using namespace codectest;

namespace {

const Rgb kRed{200, 30, 20};
const Rgb kGreen{20, 160, 40};
const Rgb kBlue{30, 40, 210};

// 2 x 1 inches at 1440 units an inch, 192 x 96 pixels on the screen; the
// window origin is off zero so that a sign error moves every shape.
std::string WriteWmf(const std::string& dir)
{
    std::string path = dir + "/shapes.wmf";
    WMFTRACK* wt;
    WMFHANDLES* wht;
    EXPECT_EQ(wmf_start(path.c_str(), 4096, 4096, &wt), 0);
    wmf_htable_create(128, 128, &wht);
    U_PAIRF* size = U_PAIRF_set(2.0f, 1.0f);
    wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(size, 1440)), wt, 1);
    free(size);
    U_POINT16 org = {-150, 75}, ext = {2880, 1440};
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMRSETWINDOWORG_set(org)), wt, 1);
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMRSETWINDOWEXT_set(ext)), wt, 1);
    WmfBrush(wt, wht, kRed);
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMRRECTANGLE_set(U_RECT16_set({300, 150}, {900, 600}))), wt, 1);
    WmfBrush(wt, wht, kGreen);
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMRELLIPSE_set(U_RECT16_set({1500, 300}, {2400, 1200}))), wt, 1);
    WmfBrush(wt, wht, kBlue);
    U_POINT16 triangle[3] = {{150, 900}, {1050, 900}, {150, 1350}};
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMRPOLYGON_set(3, triangle)), wt, 1);
    wmf_append(reinterpret_cast<U_METARECORD*>(U_WMREOF_set()), wt, 1);
    EXPECT_EQ(wmf_finish(wt), 0);
    wmf_free(&wt);
    wmf_htable_free(&wht);
    return path;
}

// 200 x 100 pixels; the logical window is five times the viewport.
std::string WriteEmf(const std::string& dir)
{
    std::string path = dir + "/shapes.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 200, 100, &eht);
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(200, 100));
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC)), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 500))), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRSETVIEWPORTEXTEX_set(sizel_set(200, 100))), et, 1);
    EmfBrush(et, eht, kRed);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRRECTANGLE_set(rectl_set(pointl_set(100, 100), pointl_set(400, 300)))), et, 1);
    // A square with a square hole: the alternate fill leaves the hole empty.
    EmfBrush(et, eht, kBlue);
    U_POINT16 rings[8] = {{500, 50}, {950, 50}, {950, 450}, {500, 450},
                          {600, 150}, {850, 150}, {850, 350}, {600, 350}};
    uint32_t counts[2] = {4, 4};
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRPOLYPOLYGON16_set(bounds, 2, counts, 8, rings)), et, 1);
    EmfBrush(et, eht, kGreen);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRBEGINPATH_set()), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRMOVETOEX_set(pointl_set(100, 350))), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRLINETO_set(pointl_set(400, 350))), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRLINETO_set(pointl_set(250, 480))), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRCLOSEFIGURE_set()), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRENDPATH_set()), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRFILLPATH_set(bounds)), et, 1);
    FinishEmf(et, eht);
    return path;
}

}  // namespace

TEST(WmfDecode, PlaceableMetafileShapesLandAtTheirPixels)
{
    std::string path = WriteWmf(ScratchDir("wmf"));
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), DWORD(RASTER_FORMAT_WMF));
    EXPECT_EQ(img.GetWidth(), 192u);
    EXPECT_EQ(img.GetHeight(), 96u);
    // Rectangle (30,5)-(70,35), ellipse (110,15)-(170,75), triangle
    // (20,55) (80,55) (20,85), in pixels.
    EXPECT_EQ(PixelTopDown(img, 50, 20), kRed);
    EXPECT_EQ(PixelTopDown(img, 26, 20), kWhite);
    EXPECT_EQ(PixelTopDown(img, 50, 39), kWhite);
    EXPECT_EQ(PixelTopDown(img, 140, 45), kGreen);
    EXPECT_EQ(PixelTopDown(img, 113, 18), kWhite);
    EXPECT_EQ(PixelTopDown(img, 30, 70), kBlue);
    EXPECT_EQ(PixelTopDown(img, 70, 80), kWhite);
    // The pen outlines the rectangle in black.
    EXPECT_EQ(PixelTopDown(img, 30, 20), (Rgb{0, 0, 0}));
}

TEST(WmfDecode, EnhancedMetafileMappingPolyPolygonAndPath)
{
    std::string path = WriteEmf(ScratchDir("wmf"));
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_UNKNOWN)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 200u);
    EXPECT_EQ(img.GetHeight(), 100u);
    EXPECT_EQ(PixelTopDown(img, 50, 40), kRed);
    EXPECT_EQ(PixelTopDown(img, 85, 40), kWhite);
    EXPECT_EQ(PixelTopDown(img, 110, 50), kBlue);
    EXPECT_EQ(PixelTopDown(img, 145, 50), kWhite);
    EXPECT_EQ(PixelTopDown(img, 50, 78), kGreen);
    EXPECT_EQ(PixelTopDown(img, 25, 90), kWhite);
}

TEST(WmfDecode, DamagedFilesFailWithTheirReason)
{
    std::string dir = ScratchDir("wmf");
    std::vector<unsigned char> wmf = ReadFile(WriteWmf(dir));
    std::vector<unsigned char> emf = ReadFile(WriteEmf(dir));
    // A checksum that does not match makes the file unreadable as either kind.
    std::vector<unsigned char> badSum = wmf;
    badSum[20] ^= 1;
    CRasterImage img;
    EXPECT_FALSE(img.Decode(badSum.data(), DWORD(badSum.size()), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "corrupted WMF");
    // Empty bounds.
    std::vector<unsigned char> empty = emf;
    memset(&empty[8], 0, 16);
    EXPECT_FALSE(img.Decode(empty.data(), DWORD(empty.size()), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "empty WMF");
    // A record length running past the end stops playback, not the decode.
    std::vector<unsigned char> cut = emf;
    cut.resize(cut.size() - 40);
    EXPECT_TRUE(img.Decode(cut.data(), DWORD(cut.size()), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_FALSE(img.Save((dir + "/x.wmf").c_str(), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
}

TEST(WmfDecode, WideDrawingsAreShrunkToTheLimit)
{
    std::vector<unsigned char> emf = ReadFile(WriteEmf(ScratchDir("wmf")));
    // Bounds 5000 x 2500 device units.
    int32_t right = 5000, bottom = 2500;
    memcpy(&emf[16], &right, 4);
    memcpy(&emf[20], &bottom, 4);
    CRasterImage img;
    ASSERT_TRUE(img.Decode(emf.data(), DWORD(emf.size()), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 4000u);
    EXPECT_EQ(img.GetHeight(), 2000u);
}

// The object table is as large as the header's handle count says,
// whatever the file's length: a file of 65,536 bytes keeps its brushes.
TEST(WmfDecode, ObjectTableHasTheHeaderHandleCount)
{
    std::vector<unsigned char> emf = ReadFile(WriteEmf(ScratchDir("wmf")));
    // A comment before the end record pads the file to 65,536 bytes.
    const uint32_t eofBytes = 20, padding = uint32_t(65536 - emf.size());
    std::vector<unsigned char> comment(padding, 0);
    const uint32_t fields[3] = {70, padding, padding - 12};
    memcpy(comment.data(), fields, sizeof(fields));
    emf.insert(emf.end() - eofBytes, comment.begin(), comment.end());
    uint32_t bytes = uint32_t(emf.size()), records;
    memcpy(&records, &emf[52], 4);
    ++records;
    memcpy(&emf[48], &bytes, 4);
    memcpy(&emf[52], &records, 4);
    ASSERT_EQ(emf.size(), 65536u);
    CRasterImage img;
    ASSERT_TRUE(img.Decode(emf.data(), DWORD(emf.size()), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(PixelTopDown(img, 50, 40), kRed);
    EXPECT_EQ(PixelTopDown(img, 110, 50), kBlue);
}

// Curves are flattened from their start point on: a curve whose control
// points lie on a line draws that line, and one drawn onward from the
// current position starts there.
TEST(WmfDecode, BezierCurvesStartWhereTheyShould)
{
    std::string path = ScratchDir("wmf") + "/curves.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 120, 80, &eht);
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(120, 80));
    U_POINT16 line[4] = {{10, 40}, {40, 40}, {80, 40}, {110, 40}};
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRPOLYBEZIER16_set(bounds, 4, line)), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRMOVETOEX_set(pointl_set(30, 15))), et, 1);
    U_POINT16 onward[6] = {{30, 25}, {30, 35}, {30, 45}, {30, 55}, {30, 65}, {30, 70}};
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRPOLYBEZIERTO16_set(bounds, 6, onward)), et, 1);
    FinishEmf(et, eht);

    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 120u);
    ASSERT_EQ(img.GetHeight(), 80u);
    const Rgb black{0, 0, 0};
    for (int x : {10, 11, 60, 109})
        EXPECT_EQ(PixelTopDown(img, x, 40), black) << x;
    for (auto [x, y] : {std::pair{9, 40}, {111, 40}, {60, 39}, {60, 41}, {30, 14}, {31, 50}, {30, 71}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;
    for (int y : {15, 16, 50, 69})
        EXPECT_EQ(PixelTopDown(img, 30, y), black) << y;
}

namespace {

// What rasterconv prints on stderr converting the file.
std::string RasterconvErrors(const std::string& path)
{
    std::string tool = "'" + std::string(BINARY_DIR) + "/tools/rasterconv' '" + path + "' '" + path + ".bmp'";
    return Capture(tool + " 2>&1 >/dev/null");
}

// Whether any pixel of the box [x0, x1] x [y0, y1] (pixels, top-down) has
// the colour.
bool AnyIn(CRasterImage& img, int x0, int y0, int x1, int y1, Rgb colour)
{
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++)
            if (PixelTopDown(img, x, y) == colour)
                return true;
    return false;
}

}  // namespace

// Arcs run counter-clockwise on the screen (y down) from the start radial
// to the end radial; a pie fills the wedge between them and the centre.
TEST(WmfDecode, ArcsRunCounterClockwiseAndPiesFillTheirWedge)
{
    const Rgb pen{10, 90, 200};
    WmfCanvas arc(ScratchDir("wmf") + "/arc.wmf");
    uint32_t handle;
    arc.Add(wcreatepenindirect_set(&handle, arc.Handles(), U_PEN_set(U_PS_SOLID, 1, U_RGB(pen.r, pen.g, pen.b))));
    arc.Add(wselectobject_set(handle, arc.Handles()));
    // Ellipse (20,10)-(120,70): centre (70,40), radii 50 and 30. From -30
    // degrees (below right) to 120 degrees (above left).
    arc.Add(U_WMRARC_set(Logical(70 + 87, 40 + 50), Logical(70 - 50, 40 - 87), U_RECT16_set(Logical(20, 10), Logical(120, 70))));
    CRasterImage img;
    ASSERT_TRUE(img.Load(arc.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 192u);
    EXPECT_TRUE(AnyIn(img, 118, 39, 120, 41, pen));   // 0 degrees
    EXPECT_TRUE(AnyIn(img, 69, 9, 71, 11, pen));      // 90 degrees
    EXPECT_FALSE(AnyIn(img, 65, 64, 75, 72, pen));    // 270 degrees
    EXPECT_FALSE(AnyIn(img, 17, 35, 24, 45, pen));    // 180 degrees
    EXPECT_TRUE(AnyIn(img, 110, 50, 118, 58, pen));   // -30 degrees, the start
    EXPECT_FALSE(AnyIn(img, 20, 48, 50, 70, pen));    // lower left, never reached

    WmfCanvas pie(ScratchDir("wmf") + "/pie.wmf");
    uint32_t brush;
    U_WLOGBRUSH lb = U_WLOGBRUSH_set(U_BS_SOLID, U_RGB(kRed.r, kRed.g, kRed.b), 0);
    pie.Add(wcreatebrushindirect_set(&brush, pie.Handles(), lb));
    pie.Add(wselectobject_set(brush, pie.Handles()));
    // The upper right quarter of the same ellipse.
    pie.Add(U_WMRPIE_set(Logical(170, 40), Logical(70, 0), U_RECT16_set(Logical(20, 10), Logical(120, 70))));
    ASSERT_TRUE(img.Load(pie.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(PixelTopDown(img, 82, 33), kRed);    // near the centre: a pie, not a chord
    EXPECT_EQ(PixelTopDown(img, 100, 25), kRed);
    EXPECT_EQ(PixelTopDown(img, 110, 20), kWhite);  // outside the ellipse
    EXPECT_EQ(PixelTopDown(img, 58, 33), kWhite);   // upper left quarter
    EXPECT_EQ(PixelTopDown(img, 82, 47), kWhite);   // lower right quarter
}

// A text of odd length is padded to a whole word; the position follows.
TEST(WmfDecode, TextOfOddLengthLandsAtItsPosition)
{
    WmfCanvas canvas(ScratchDir("wmf") + "/text.wmf");
    uint32_t font;
    U_FONT* face = U_FONT_set(-200, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, const_cast<char*>("Sans"));
    canvas.Add(wcreatefontindirect_set(&font, canvas.Handles(), face));
    free(face);
    canvas.Add(wselectobject_set(font, canvas.Handles()));
    canvas.Add(U_WMRTEXTOUT_set(Logical(120, 50), const_cast<char*>("HiX")));
    CRasterImage img;
    ASSERT_TRUE(img.Load(canvas.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    RECT ink = InkBox(img);
    // Cells 20 pixels high from the top left corner (120, 50).
    EXPECT_GE(ink.left, 120);
    EXPECT_LE(ink.left, 123);
    EXPECT_GE(ink.top, 50);
    EXPECT_LE(ink.top, 56);
    EXPECT_LE(ink.right, 120 + 3 * 20);
    EXPECT_LE(ink.bottom, 50 + 20);
    EXPECT_GE(ink.right - ink.left, 20);
}

// A page drawn over a hundred times, then a chart of 200 series each
// wandering over the whole plot, then one long line: all of it plays, each
// layer where it belongs.
TEST(WmfDecode, LayeredPagesAndPageWideSeriesPlayWhole)
{
    WmfCanvas canvas(ScratchDir("wmf") + "/chart.wmf", 1200, 900);
    for (int i = 0; i < 100; i++) {
        WmfBrush(canvas.Track(), canvas.Handles(), i % 2 ? kBlue : kGreen);
        canvas.Add(U_WMRRECTANGLE_set(U_RECT16_set(Logical(-1, -1), Logical(1201, 901))));
    }
    uint32_t pen;
    canvas.Add(wcreatepenindirect_set(&pen, canvas.Handles(), U_PEN_set(U_PS_SOLID, 10, U_RGB(kRed.r, kRed.g, kRed.b))));
    canvas.Add(wselectobject_set(pen, canvas.Handles()));
    for (int series = 0; series < 200; series++) {
        std::vector<U_POINT16> points;
        for (int k = 0; k < 100; k++)
            points.push_back(Logical(60 + 11 * k, 80 + (37 * k + 53 * series) % 740));
        canvas.Add(U_WMRPOLYLINE_set(uint16_t(points.size()), points.data()));
    }
    uint32_t green;
    canvas.Add(wcreatepenindirect_set(&green, canvas.Handles(), U_PEN_set(U_PS_SOLID, 10, U_RGB(kGreen.r, kGreen.g, kGreen.b))));
    canvas.Add(wselectobject_set(green, canvas.Handles()));
    canvas.Add(U_WMRMOVETO_set(Logical(10, 890)));
    canvas.Add(U_WMRLINETO_set(Logical(1190, 10)));
    CRasterImage img;
    ASSERT_TRUE(img.Load(canvas.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 1200u);
    ASSERT_EQ(img.GetHeight(), 900u);
    EXPECT_EQ(PixelTopDown(img, 30, 40), kBlue);      // the last page, outside the plot
    EXPECT_EQ(PixelTopDown(img, 1170, 860), kBlue);
    EXPECT_EQ(PixelTopDown(img, 60, 267), kRed);      // the last series' first point
    EXPECT_EQ(PixelTopDown(img, 59, 267), kBlue);
    EXPECT_EQ(PixelTopDown(img, 10, 890), kGreen);    // the line: its start,
    EXPECT_EQ(PixelTopDown(img, 600, 450), kGreen);   // its middle,
    EXPECT_EQ(PixelTopDown(img, 1189, 11), kGreen);   // its last pixel
    EXPECT_EQ(PixelTopDown(img, 1190, 10), kBlue);    // and its end, left out
}

// A radial gradient of 256 nested ellipses under 3,000 long lines plays
// whole: the innermost ellipse at the centre, each ring's own colour.
TEST(WmfDecode, NestedEllipsesAndLongLinesPlayWhole)
{
    std::string path = ScratchDir("wmf") + "/gradient.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 1200, 900, &eht);
    auto ring = [](int i) { return Rgb{uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 0xFF)}; };
    for (int i = 0; i < 256; i++) {
        EmfBrush(et, eht, ring(i));
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRELLIPSE_set(rectl_set(pointl_set(2 * i, i), pointl_set(1200 - 2 * i, 900 - i)))), et, 1);
    }
    for (int i = 0; i < 3000; i++) {
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRMOVETOEX_set(pointl_set(0, i % 60))), et, 1);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRLINETO_set(pointl_set(1199, (i * 7) % 60))), et, 1);
    }
    FinishEmf(et, eht);
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 1200u);
    EXPECT_EQ(PixelTopDown(img, 600, 450), ring(255));
    EXPECT_EQ(PixelTopDown(img, 5, 450), ring(2));    // left of ring 3
    EXPECT_EQ(PixelTopDown(img, 1195, 890), kWhite);   // outside them all
    EXPECT_EQ(PixelTopDown(img, 0, 59), (Rgb{0, 0, 0}));  // the last line's start
}

// One polyline of 60,000 page-crossing strokes of a wide pen would take
// many seconds to draw: it is refused at once, with the reason, for the
// codec's callers and from the command line alike.
TEST(WmfDecode, DrawingTooDearToPlayIsRefusedWithItsReason)
{
    std::string path = ScratchDir("wmf") + "/bomb.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 1000, 1000, &eht);
    uint32_t pen;
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(createpen_set(&pen, eht, logpen_set(U_PS_SOLID, point_set(100, 100), U_RGB(1, 2, 3)))), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(selectobject_set(pen, eht)), et, 1);
    std::vector<U_POINT16> zigzag;
    for (int i = 0; i < 60000; i++)
        zigzag.push_back(i % 2 ? U_POINT16{999, 999} : U_POINT16{0, int16_t(i % 7)});
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(999, 999));
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRPOLYLINE16_set(bounds, uint32_t(zigzag.size()), zigzag.data())), et, 1);
    FinishEmf(et, eht);
    CRasterImage img;
    EXPECT_FALSE(img.Load(path.c_str(), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "WMF drawing too complex");
    EXPECT_EQ(RasterconvErrors(path), "WMF drawing too complex\n");
}

// Clip regions of many rectangles: each rectangle takes part, the last one
// too.
TEST(WmfDecode, ClipRegionsKeepEveryRectangle)
{
    std::string path = ScratchDir("wmf") + "/clip.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 200, 100, &eht);
    U_RECTL rects[5] = {rectl_set(pointl_set(10, 10), pointl_set(30, 20)), rectl_set(pointl_set(50, 10), pointl_set(70, 20)),
                        rectl_set(pointl_set(90, 30), pointl_set(110, 40)), rectl_set(pointl_set(130, 50), pointl_set(150, 60)),
                        rectl_set(pointl_set(170, 70), pointl_set(190, 90))};
    PU_RGNDATA region = rgndata_set(rgndataheader_set(5, rectl_set(pointl_set(10, 10), pointl_set(190, 90))), rects);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, region)), et, 1);
    free(region);
    EmfBrush(et, eht, kBlue);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRRECTANGLE_set(rectl_set(pointl_set(0, 0), pointl_set(200, 100)))), et, 1);
    FinishEmf(et, eht);
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    for (auto [x, y] : {std::pair{20, 15}, {60, 15}, {100, 35}, {140, 55}, {180, 80}})
        EXPECT_EQ(PixelTopDown(img, x, y), kBlue) << x << "," << y;
    for (auto [x, y] : {std::pair{40, 15}, {100, 15}, {120, 35}, {160, 80}, {180, 95}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;
}

namespace {

void SelectPen(WmfCanvas& canvas, int width, Rgb colour)
{
    uint32_t pen;
    canvas.Add(wcreatepenindirect_set(&pen, canvas.Handles(), U_PEN_set(U_PS_SOLID, width, U_RGB(colour.r, colour.g, colour.b))));
    canvas.Add(wselectobject_set(pen, canvas.Handles()));
}

// In place of the playing thread's processor clock, for one playback (its
// start is the first reading): the first reading is taken far on (the
// thread has long been at work), every later one `used` nanoseconds after.
class StoppedClock {
public:
    explicit StoppedClock(double used)
    {
        gdi::SetPlaybackClock([this, used] { return m_reads++ == 0 ? kStart : kStart + used; });
    }
    ~StoppedClock() { gdi::SetPlaybackClock(nullptr); }
    StoppedClock(const StoppedClock&) = delete;
    StoppedClock& operator=(const StoppedClock&) = delete;

private:
    static constexpr double kStart = 4e13;
    int m_reads = 0;
};

// Playback is refused by its count, with its reason, and nothing is
// decoded: the deadline never comes, whatever the drawing takes.
void ExpectRefused(const std::string& path)
{
    StoppedClock never(0);
    CRasterImage img;
    EXPECT_FALSE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << path;
    EXPECT_STREQ(img.GetLastError(), "WMF drawing too complex") << path;
}

}  // namespace

// A page ruled with a wide pen plays. One ruled 260,000 times across its
// width is refused at once, from the command line too, where a .wmf file
// keeps its reason as an .emf file does.
TEST(WmfDecode, WideHorizontalStrokesCostTheirLength)
{
    std::string dir = ScratchDir("wmf");
    WmfCanvas ruled(dir + "/ruled.wmf", 400, 120);
    SelectPen(ruled, 60, kRed);  // 6 pixels
    for (int y = 15; y < 120; y += 20) {
        ruled.Add(U_WMRMOVETO_set(Logical(10, y)));
        ruled.Add(U_WMRLINETO_set(Logical(390, y)));
    }
    CRasterImage img;
    ASSERT_TRUE(img.Load(ruled.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    // Rows 32 to 37 for the line along row 35; its caps reach 3 pixels out.
    for (auto [x, y] : {std::pair{200, 32}, {200, 37}, {7, 35}, {393, 35}, {388, 117}})
        EXPECT_EQ(PixelTopDown(img, x, y), kRed) << x << "," << y;
    for (auto [x, y] : {std::pair{200, 31}, {200, 38}, {6, 35}, {394, 35}, {200, 25}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;

    WmfCanvas bomb(dir + "/ruled-over.wmf", 2000, 60);
    SelectPen(bomb, 300, kRed);
    std::vector<U_POINT16> zigzag;
    for (int k = 0; k < 65535; k++)
        zigzag.push_back(Logical(k % 2 ? 1999 : 0, 20 + k / 2 % 7));
    for (int i = 0; i < 4; i++)
        bomb.Add(U_WMRPOLYLINE_set(uint16_t(zigzag.size()), zigzag.data()));
    std::string path = bomb.Finish();
    ExpectRefused(path);
    EXPECT_EQ(RasterconvErrors(path), "WMF drawing too complex\n");
}

// A hundred backgrounds far larger than the page play: only what lands on
// it is painted. One polygon of 28,000 page-size rings is refused.
TEST(WmfDecode, FillsCostWhatLandsOnThePage)
{
    std::string path = ScratchDir("wmf") + "/backgrounds.emf";
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 200, 100, &eht);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRSELECTOBJECT_set(U_NULL_PEN)), et, 1);
    for (int i = 0; i < 100; i++) {
        EmfBrush(et, eht, i % 2 ? kBlue : kGreen);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRRECTANGLE_set(rectl_set(pointl_set(-30000, -30000), pointl_set(30000, 30000)))), et, 1);
    }
    FinishEmf(et, eht);
    CRasterImage img;
    ASSERT_TRUE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_EQ(PixelTopDown(img, 3, 97), kBlue);
    EXPECT_EQ(PixelTopDown(img, 197, 2), kBlue);

    path = ScratchDir("wmf") + "/rings.emf";
    et = StartEmf(path, 2000, 2000, &eht);
    EmfBrush(et, eht, kGreen);
    const uint32_t kRings = 28000;
    std::vector<U_POINT16> points;
    for (uint32_t i = 0; i < kRings; i++)
        points.insert(points.end(), {{0, 0}, {1999, 0}, {1999, 1999}, {0, 1999}});
    std::vector<uint32_t> counts(kRings, 4);
    U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(1999, 1999));
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRPOLYPOLYGON16_set(bounds, kRings, counts.data(), uint32_t(points.size()), points.data())), et, 1);
    FinishEmf(et, eht);
    ExpectRefused(path);
}

// A page clipped to a frame with a few holes plays. A clip of 20,000 holes
// with 10,000 small shapes drawn through it is refused.
TEST(WmfDecode, ClipsCostTheirParts)
{
    std::string dir = ScratchDir("wmf");
    WmfCanvas page(dir + "/clipped.wmf");
    page.Add(U_WMRINTERSECTCLIPRECT_set(U_RECT16_set(Logical(20, 10), Logical(170, 80))));
    for (int i = 0; i < 3; i++)
        page.Add(U_WMREXCLUDECLIPRECT_set(U_RECT16_set(Logical(40 + 40 * i, 30), Logical(60 + 40 * i, 50))));
    WmfBrush(page.Track(), page.Handles(), kGreen);
    for (int i = 0; i < 50; i++)
        page.Add(U_WMRRECTANGLE_set(U_RECT16_set(Logical(0, 0), Logical(192, 96))));
    CRasterImage img;
    ASSERT_TRUE(img.Load(page.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    for (auto [x, y] : {std::pair{20, 10}, {169, 79}, {39, 40}, {60, 40}, {100, 29}})
        EXPECT_EQ(PixelTopDown(img, x, y), kGreen) << x << "," << y;
    for (auto [x, y] : {std::pair{19, 40}, {170, 40}, {100, 9}, {100, 80}, {40, 30}, {59, 49}, {139, 40}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;

    WmfCanvas bomb(dir + "/holes.wmf", 2000, 300);
    for (int k = 0; k < 20000; k++) {
        U_POINT16 hole = Logical(7 + 13 * (k % 150), 3 + 2 * (k / 150));
        bomb.Add(U_WMREXCLUDECLIPRECT_set(U_RECT16_set(hole, U_POINT16{int16_t(hole.x + 10), int16_t(hole.y + 10)})));
    }
    WmfBrush(bomb.Track(), bomb.Handles(), kGreen);
    for (int k = 0; k < 10000; k++)
        bomb.Add(U_WMRRECTANGLE_set(U_RECT16_set(Logical(k % 1990, 5), Logical(k % 1990 + 3, 8))));
    ExpectRefused(bomb.Finish());
}

// Twenty tall ellipses play. 25,000 ellipses as tall as the page, thin
// as they are, are refused: each costs its rows.
TEST(WmfDecode, EllipsesCostTheirRows)
{
    std::string dir = ScratchDir("wmf");
    WmfCanvas page(dir + "/ellipses.wmf");
    WmfBrush(page.Track(), page.Handles(), kBlue);
    for (int i = 0; i < 20; i++)
        page.Add(U_WMRELLIPSE_set(U_RECT16_set(Logical(5 + 9 * i, 4), Logical(12 + 9 * i, 92))));
    CRasterImage img;
    ASSERT_TRUE(img.Load(page.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    for (auto [x, y] : {std::pair{8, 48}, {179, 48}, {98, 20}})
        EXPECT_EQ(PixelTopDown(img, x, y), kBlue) << x << "," << y;
    for (auto [x, y] : {std::pair{13, 48}, {185, 48}, {8, 2}, {8, 94}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;

    WmfCanvas bomb(dir + "/tall-ellipses.wmf", 100, 2000);
    for (int k = 0; k < 25000; k++)
        bomb.Add(U_WMRELLIPSE_set(U_RECT16_set(Logical(10 + k % 80, 0), Logical(13 + k % 80, 2000))));
    ExpectRefused(bomb.Finish());
}

// A zoomed view of 20,000 long lines under bands of rectangles reaching
// tens of thousands of pixels off the page plays: a pen costs what it can
// show of its path.
TEST(WmfDecode, ShapesAndLinesFarOffThePagePlay)
{
    WmfCanvas canvas(ScratchDir("wmf") + "/zoomed.wmf", 1200, 900);
    canvas.Add(U_WMRSETWINDOWEXT_set(U_POINT16{1200, 900}));  // a unit a pixel
    for (int i = 0; i < 20000; i++) {
        canvas.Add(U_WMRMOVETO_set(U_POINT16{int16_t(-20000 + (i * 13) % 9000), -30000}));
        canvas.Add(U_WMRLINETO_set(U_POINT16{int16_t(20000 - (i * 17) % 9000), 30000}));
    }
    WmfBrush(canvas.Track(), canvas.Handles(), kGreen);
    for (int i = 0; i < 3000; i++)
        canvas.Add(U_WMRRECTANGLE_set(U_RECT16_set({-30000, -30000}, {30000, int16_t(1 + (i * 7) % 900)})));
    SelectPen(canvas, 1, kRed);
    canvas.Add(U_WMRMOVETO_set(U_POINT16{-29550, -30000}));  // x = y + 450 across the page
    canvas.Add(U_WMRLINETO_set(U_POINT16{30450, 30000}));
    CRasterImage img;
    ASSERT_TRUE(img.Load(canvas.Finish().c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    // The last band ends at row 294, its outline's bottom row 293.
    EXPECT_EQ(PixelTopDown(img, 1150, 292), kGreen);
    for (int x : {0, 1150, 1199})
        EXPECT_EQ(PixelTopDown(img, x, 293), (Rgb{0, 0, 0})) << x;
    for (auto [x, y] : {std::pair{450, 0}, {451, 1}, {1100, 650}, {1199, 749}})
        EXPECT_EQ(PixelTopDown(img, x, y), kRed) << x << "," << y;
    EXPECT_FALSE(PixelTopDown(img, 451, 0) == kRed);
    EXPECT_FALSE(PixelTopDown(img, 1100, 651) == kRed);
}

namespace {

// Ten rows of twenty green squares, one record each.
std::string SquaresPage(const std::string& path, int width = 192, int height = 96)
{
    WmfCanvas canvas(path, width, height);
    WmfBrush(canvas.Track(), canvas.Handles(), kGreen);
    for (int k = 0; k < 200; k++)
        canvas.Add(U_WMRRECTANGLE_set(U_RECT16_set(Logical(9 * (k % 20), 9 * (k / 20)), Logical(9 * (k % 20) + 8, 9 * (k / 20) + 8))));
    return canvas.Finish();
}

}  // namespace

// Playback stops once it has used its deadline of the thread's processor
// time (three seconds on the build people run), counted from its own start,
// with the picture's set-up and hand-over counted in: a page plays where a
// picture of 2000 x 2000 pixels has run out of time. A drawing cut short is
// refused with the count's reason, and not played again as Load tries the
// other formats.
TEST(WmfDecode, PlaybackHasADeadlineOfProcessorTime)
{
    const std::string dir = ScratchDir("wmf");
    const std::string page = SquaresPage(dir + "/deadline.wmf");
    const double deadline = gdi::kPlaybackDeadline;
    for (double used : {deadline - 0.1e9, deadline - 0.05e9}) {
        StoppedClock clock(used);
        CRasterImage img;
        ASSERT_TRUE(img.Load(page.c_str(), RASTER_FORMAT_WMF)) << used << " " << img.GetLastError();
        EXPECT_EQ(PixelTopDown(img, 175, 85), kGreen);  // the last square
    }
    for (const std::string& path : {page, SquaresPage(dir + "/deadline-large.wmf", 2000, 2000)}) {
        StoppedClock clock(path == page ? deadline + 0.05e9 : deadline - 0.05e9);
        CRasterImage img;
        EXPECT_FALSE(img.Load(path.c_str(), RASTER_FORMAT_WMF)) << path;
        EXPECT_STREQ(img.GetLastError(), "WMF drawing too complex") << path;
    }
}

// The clock is looked at as playback goes: once it says the time is up, the
// records after are not drawn.
TEST(WmfDecode, RecordsAfterTheDeadlineAreNotDrawn)
{
    const std::string path = SquaresPage(ScratchDir("wmf") + "/deadline-gdi.wmf");
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t kPlaceableHeader = 22;
    ASSERT_GT(bytes.size(), kPlaceableHeader);
    HENHMETAFILE metafile = SetWinMetaFileBits(UINT(bytes.size() - kPlaceableHeader),
                                               reinterpret_cast<const BYTE*>(bytes.data()) + kPlaceableHeader, nullptr, nullptr);
    ASSERT_NE(metafile, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 192, 96);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT rect = {0, 0, 192, 96};
    PatBlt(dc, 0, 0, 192, 96, WHITENESS);
    int reads = 0;
    gdi::SetPlaybackClock([&reads] { return reads++ < 3 ? 0.0 : gdi::kPlaybackDeadline + 0.1e9; });
    EXPECT_FALSE(PlayEnhMetaFile(dc, metafile, &rect));
    gdi::SetPlaybackClock(nullptr);
    EXPECT_GE(reads, 4);
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(kGreen.r, kGreen.g, kGreen.b));     // the first square
    EXPECT_EQ(GetPixel(dc, 175, 85), RGB(255, 255, 255));                 // the last
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DeleteEnhMetaFile(metafile);
}

// A page of fills through a clip of every other column plays, each fill
// leaving the columns between. Ten thousand are refused: a fill costs the
// pieces the clip cuts it into, each painted on its own.
TEST(WmfDecode, FillsUnderAClipOfManyPartsCostTheirPieces)
{
    const std::string dir = ScratchDir("wmf");
    auto fills = [&](const std::string& name, int count) {
        const std::string path = dir + "/" + name;
        EMFHANDLES* eht;
        EMFTRACK* et = StartEmf(path, 400, 300, &eht);
        std::vector<U_RECTL> columns;
        for (int x = 1; x < 400; x += 2)
            columns.push_back(rectl_set(pointl_set(x, 0), pointl_set(x + 1, 300)));
        PU_RGNDATA region = rgndata_set(rgndataheader_set(int(columns.size()), rectl_set(pointl_set(1, 0), pointl_set(400, 300))), columns.data());
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, region)), et, 1);
        free(region);
        emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRSELECTOBJECT_set(U_NULL_PEN)), et, 1);
        for (int i = 0; i < count; i++) {
            EmfBrush(et, eht, i % 2 ? kBlue : kRed);
            emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRRECTANGLE_set(rectl_set(pointl_set(-5, -5), pointl_set(405, 305)))), et, 1);
            emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRDELETEOBJECT_set(1)), et, 1);
        }
        FinishEmf(et, eht);
        return path;
    };
    CRasterImage img;
    ASSERT_TRUE(img.Load(fills("columns.emf", 50).c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    for (auto [x, y] : {std::pair{1, 0}, {3, 150}, {399, 299}})
        EXPECT_EQ(PixelTopDown(img, x, y), kBlue) << x << "," << y;
    for (auto [x, y] : {std::pair{0, 0}, {2, 150}, {398, 299}})
        EXPECT_EQ(PixelTopDown(img, x, y), kWhite) << x << "," << y;
    ExpectRefused(fills("columns-over.emf", 10000));
}

// A page of 3,000 lines of text plays. Text of large glyphs drawn over and
// over is refused: each glyph costs its cell, wherever it lands.
TEST(WmfDecode, TextCostsItsGlyphs)
{
    const std::string dir = ScratchDir("wmf");
    auto text = [&](const std::string& name, int height, int runs, int length) {
        WmfCanvas canvas(dir + "/" + name, 1200, 900);
        char face[] = "Arial";
        U_FONT* logical = U_FONT_set(int16_t(-10 * height), 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, face);
        uint32_t font;
        canvas.Add(wcreatefontindirect_set(&font, canvas.Handles(), logical));
        free(logical);
        canvas.Add(wselectobject_set(font, canvas.Handles()));
        std::string line(size_t(length), 'W');
        for (int i = 0; i < runs; i++)
            canvas.Add(U_WMRTEXTOUT_set(Logical(3 * (i % 200), 3 * (i % 290)), line.data()));
        return canvas.Finish();
    };
    CRasterImage img;
    ASSERT_TRUE(img.Load(text("lines.wmf", 12, 3000, 40).c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    EXPECT_TRUE(AnyIn(img, 0, 0, 30, 20, Rgb{0, 0, 0}));
    ExpectRefused(text("glyphs-over.wmf", 200, 400, 1000));
}

// A record dear enough to run past the deadline is weighed with its cost
// before it starts: a polygon zigzagging across every row refuses a page
// whose playback has 30 ms left, where the page without it plays.
TEST(WmfDecode, DearRecordIsWeighedWithItsCostBeforeItStarts)
{
    const std::string dir = ScratchDir("wmf");
    auto page = [&](const std::string& name, bool zigzag) {
        WmfCanvas canvas(dir + "/" + name, 600, 400);
        WmfBrush(canvas.Track(), canvas.Handles(), kGreen);
        canvas.Add(U_WMRRECTANGLE_set(U_RECT16_set(Logical(10, 20), Logical(50, 40))));
        std::vector<U_POINT16> points;
        for (int k = 0; zigzag && k < 6000; k++)
            points.push_back(Logical(k / 10, k % 2 ? 399 : 0));
        if (zigzag)
            canvas.Add(U_WMRPOLYGON_set(uint16_t(points.size()), points.data()));
        return canvas.Finish();
    };
    const double used = gdi::kPlaybackDeadline - 30e6;
    {
        StoppedClock clock(used);
        CRasterImage img;
        ASSERT_TRUE(img.Load(page("cheap.wmf", false).c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
        EXPECT_EQ(PixelTopDown(img, 30, 30), kGreen);
    }
    StoppedClock clock(used);
    CRasterImage img;
    EXPECT_FALSE(img.Load(page("dear.wmf", true).c_str(), RASTER_FORMAT_WMF));
    EXPECT_STREQ(img.GetLastError(), "WMF drawing too complex");
}

namespace {

// One record of text in 300-pixel glyphs of a Chinese face, drawn above
// the picture.
std::string LargeChineseText(const std::string& path, const std::u16string& text)
{
    EMFHANDLES* eht;
    EMFTRACK* et = StartEmf(path, 300, 200, &eht);
    uint16_t* face = U_Utf8ToUtf16le("SimSun", 0, nullptr);
    U_LOGFONT font = logfont_set(-300, 0, 0, 0, 400, 0, 0, 0, 134, 0, 0, 0, 0, face);
    free(face);
    uint32_t handle;
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(extcreatefontindirectw_set(&handle, eht, reinterpret_cast<char*>(&font), nullptr)), et, 1);
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(selectobject_set(handle, eht)), et, 1);
    std::vector<uint32_t> advances(text.size(), 300);
    char* record = emrtext_set(pointl_set(0, -1000), U_NUM_STR(text.size()), 2, const_cast<char16_t*>(text.data()), 0,
                               rectl_set(pointl_set(0, 0), pointl_set(0, 0)), advances.data());
    emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMREXTTEXTOUTW_set(rectl_set(pointl_set(0, 0), pointl_set(0, 0)), U_GM_COMPATIBLE, 1.0f, 1.0f,
                                                                       reinterpret_cast<PU_EMRTEXT>(record))),
               et, 1);
    free(record);
    FinishEmf(et, eht);
    return path;
}

}  // namespace

// Glyphs the font cache has dropped count each time they are rendered
// again: text cycling through a thousand large glyphs, more than the cache
// holds, is refused, where text as long cycling through forty plays.
TEST(WmfDecode, GlyphsTheFontCacheDropsCountEachRendering)
{
    std::u16string many, few;
    for (int k = 0; k < 10000; k++) {
        many += char16_t(0x4E00 + k % 1000);
        few += char16_t(0x4E00 + k % 40);
    }
    const std::string dir = ScratchDir("wmf");
    CRasterImage img;
    EXPECT_TRUE(img.Load(LargeChineseText(dir + "/few.emf", few).c_str(), RASTER_FORMAT_WMF)) << img.GetLastError();
    ExpectRefused(LargeChineseText(dir + "/many.emf", many));
}
