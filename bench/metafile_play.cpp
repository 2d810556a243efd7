// Playback of a Windows metafile of 10,000 drawing records (shapes, lines,
// text, brush changes) onto a 1000 x 800 bitmap. Goal: under 50 ms.
// Ordinary documents of a 1200 x 900 page (a chart of page-wide series, a
// drawing of long lines, shapes reaching far off the page) play whole.
// Metafiles whose drawing costs far more than their size (records covering
// a 4000 x 4000 picture, clip rectangles cut out one by one) go through the
// codec as a whole. Goal: under 3 s each, whether they open or are refused.
// KindNearBudget: drawings of one kind of record each (text in small and
// large glyphs, thin, dotted, XOR and wide lines at several slopes,
// polylines, fills and text under clips of many parts, polygons, stretched
// bitmaps, paths, a new font for each text, large glyphs more than the
// font cache holds drawn in turn, small and large text at thousands of
// angles, text turned by the world transform) repeated until their count nears
// the budget, on a small picture, a page, a picture larger than the cache and
// the largest picture; time_over_modelled is the playback's processor time
// over its count. KindFarOverBudget: the same four times over, refused.
// Every case reports the playback's modelled cost beside its time
// (modelled_ms): the time must never exceed it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "MemoryStream.h"
#include "RasterWMF.h"
#include "gdi/font.h"
#include "gdi/gdi.h"
#include "gdi/metafile_player.h"

namespace {

class WmfBuilder {
public:
    WmfBuilder() { m_bytes.resize(18, 0); }

    void Record(uint16_t function, std::vector<int16_t> params)
    {
        uint32_t words = 3 + uint32_t(params.size());
        Put16(uint16_t(words & 0xFFFF));
        Put16(uint16_t(words >> 16));
        Put16(function);
        for (int16_t p : params)
            Put16(uint16_t(p));
        m_records++;
    }

    std::vector<uint8_t> Finish()
    {
        Record(0x0000, {});
        uint32_t words = uint32_t(m_bytes.size() / 2);
        const uint16_t header[9] = {1, 9, 0x300, uint16_t(words & 0xFFFF), uint16_t(words >> 16), 4, 64, 0, 0};
        for (int i = 0; i < 9; i++) {
            m_bytes[2 * i] = uint8_t(header[i]);
            m_bytes[2 * i + 1] = uint8_t(header[i] >> 8);
        }
        return m_bytes;
    }

    int Count() const { return m_records; }

private:
    void Put16(uint16_t v)
    {
        m_bytes.push_back(uint8_t(v));
        m_bytes.push_back(uint8_t(v >> 8));
    }
    std::vector<uint8_t> m_bytes;
    int m_records = 0;
};

std::vector<uint8_t> Drawing()
{
    WmfBuilder b;
    b.Record(0x020C, {800, 1000});  // window extent
    for (int i = 0; b.Count() < 10000; i++) {
        int16_t x = int16_t((i * 37) % 900), y = int16_t((i * 53) % 700);
        b.Record(0x02FC, {0, int16_t((i * 41) & 0xFF), int16_t((i * 7) & 0xFF), 0});  // brush
        b.Record(0x012D, {0});                                                          // select
        switch (i % 4) {
        case 0: b.Record(0x041B, {int16_t(y + 60), int16_t(x + 80), y, x}); break;     // rectangle
        case 1: b.Record(0x0418, {int16_t(y + 50), int16_t(x + 70), y, x}); break;     // ellipse
        case 2: b.Record(0x0325, {4, x, y, int16_t(x + 90), int16_t(y + 10), int16_t(x + 40), int16_t(y + 70), x, y}); break;
        default: b.Record(0x0521, {6, 0x6554, 0x7478, 0x3231, y, x}); break;           // "Text12"
        }
        b.Record(0x01F0, {0});  // delete
    }
    return b.Finish();
}

void PlayTenThousandRecords(benchmark::State& state)
{
    std::vector<uint8_t> bytes = Drawing();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1000, 800);
    SelectObject(dc, bitmap);
    METAFILEPICT pict = {MM_ANISOTROPIC, 26458, 21167, nullptr};
    HENHMETAFILE metafile = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), screen, &pict);
    RECT rect = {0, 0, 1000, 800};
    for (auto _ : state)
        benchmark::DoNotOptimize(PlayEnhMetaFile(dc, metafile, &rect));
    state.counters["modelled_ms"] = gdi::LastPlaybackCost() / 1e6;
    DeleteEnhMetaFile(metafile);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}
BENCHMARK(PlayTenThousandRecords)->Unit(benchmark::kMillisecond);

// A placeable metafile of width x height pixels (96 units an inch).
std::vector<uint8_t> Placeable(std::vector<uint8_t> standard, int16_t width, int16_t height)
{
    const uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, uint16_t(width), uint16_t(height), 96, 0, 0};
    std::vector<uint8_t> out;
    uint16_t sum = 0;
    for (uint16_t w : words) {
        out.push_back(uint8_t(w));
        out.push_back(uint8_t(w >> 8));
        sum ^= w;
    }
    out.push_back(uint8_t(sum));
    out.push_back(uint8_t(sum >> 8));
    out.insert(out.end(), standard.begin(), standard.end());
    return out;
}

std::vector<uint8_t> WholeCanvasShapes(int shapes, bool mixed)
{
    const int16_t side = 4000;
    WmfBuilder b;
    b.Record(0x020C, {side, side});  // window extent
    for (int i = 0; i < shapes; i++) {
        if (i % 100 == 0) {
            b.Record(0x02FC, {0, int16_t((i * 41) & 0xFF), int16_t((i * 7) & 0xFF), 0});
            b.Record(0x012D, {0});
            b.Record(0x01F0, {0});  // deleted, still selected
        }
        switch (mixed ? i % 4 : 0) {
        case 0: b.Record(0x041B, {side, side, 0, 0}); break;                                 // rectangle
        case 1: b.Record(0x0418, {side, side, 0, 0}); break;                                 // ellipse
        case 2: b.Record(0x0324, {4, 0, 0, side, 0, side, side, 0, side}); break;           // polygon
        default: b.Record(0x081A, {0, 0, side, 0, side, side, 0, 0}); break;                 // pie
        }
    }
    return Placeable(b.Finish(), side, side);
}

// Small rectangles after each record of one kind (0 clip rectangles cut out
// one by one, 1 saved states, 2 text in a large font, 3 fonts created and
// selected): records that cost little themselves but may make later ones
// dear.
std::vector<uint8_t> RecordsBetweenRectangles(int count, int kind)
{
    const int16_t side = 4000;
    WmfBuilder b;
    b.Record(0x020C, {side, side});
    b.Record(0x02FB, {-1000, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x7241, 0x6169, 0x006C});  // font
    b.Record(0x012D, {0});
    for (int i = 0; b.Count() < count; i++) {
        int16_t x = int16_t((i * 37) % 3990), y = int16_t((i * 53) % 3990);
        switch (i % 2 ? 3 : kind) {
        case 0: b.Record(0x0415, {int16_t(y + 3), int16_t(x + 3), y, x}); break;  // exclude clip
        case 1: b.Record(0x001E, {}); break;                                      // save state
        case 2: b.Record(0x0521, {2, 0x6948, y, x}); break;                      // text "Hi"
        case 3:                                                                   // a font of its own
            b.Record(0x02FB, {int16_t(-10 - i % 50), 0, 0, 0, 400, 0, 0, 0, 0x7241, 0x6169, 0x006C});
            b.Record(0x012D, {1});
            b.Record(0x01F0, {1});
            break;
        default: b.Record(0x041B, {int16_t(y + 9), int16_t(x + 9), y, x}); break; // rectangle
        }
    }
    return Placeable(b.Finish(), side, side);
}

// Series of 100 points, each wandering over the whole plot.
std::vector<uint8_t> LineChart(int series)
{
    WmfBuilder b;
    b.Record(0x020C, {900, 1200});
    for (int s = 0; s < series; s++) {
        b.Record(0x02FA, {0, 1, 0, int16_t((s * 37) & 0xFF), int16_t((s * 11) & 0xFF)});  // pen
        b.Record(0x012D, {0});
        std::vector<int16_t> points = {100};
        for (int k = 0; k < 100; k++) {
            points.push_back(int16_t(60 + k * 11));
            points.push_back(int16_t(80 + (k * 37 + s * 53) % 740));
        }
        b.Record(0x0325, points);  // polyline
        b.Record(0x01F0, {0});
    }
    return Placeable(b.Finish(), 1200, 900);
}

// Long lines across the page, as a drawing's outlines and hatching come.
std::vector<uint8_t> CadDrawing(int lines)
{
    WmfBuilder b;
    b.Record(0x020C, {900, 1200});
    for (int i = 0; i < lines; i++) {
        b.Record(0x0214, {int16_t((i * 29) % 900), int16_t((i * 13) % 200)});          // move to
        b.Record(0x0213, {int16_t((i * 31) % 900), int16_t(1000 + (i * 17) % 200)});   // line to
    }
    return Placeable(b.Finish(), 1200, 900);
}

// An enhanced metafile of a width x height pixel page on a 96 dpi screen.
class EmfBuilder {
public:
    EmfBuilder(int32_t width, int32_t height, uint32_t handles = 1)
    {
        const int32_t frameWidth = width * 2540 / 96, frameHeight = height * 2540 / 96;
        Put({1, 100, 0, 0, uint32_t(width), uint32_t(height), 0, 0, uint32_t(frameWidth), uint32_t(frameHeight),
             0x464D4520, 0x10000, 0, 0, handles, 0, 0, 0, 96 * 100, 96 * 100, 2540, 2540, 0, 0, 0});
    }

    void Record(uint32_t type, std::vector<int32_t> params)
    {
        std::vector<uint32_t> words = {type, uint32_t(8 + 4 * params.size())};
        words.insert(words.end(), params.begin(), params.end());
        Put(words);
        m_records++;
    }

    // A record whose last parameters are 16-bit values, padded to a word.
    void Record16(uint32_t type, std::vector<int32_t> params, const std::vector<int16_t>& values)
    {
        for (size_t i = 0; i < values.size(); i += 2)
            params.push_back(int32_t(uint16_t(values[i]) | uint32_t(i + 1 < values.size() ? uint16_t(values[i + 1]) : 0) << 16));
        Record(type, params);
    }

    std::vector<uint8_t> Finish()
    {
        Record(14, {0, 16, 20});  // end of file
        const uint32_t total = uint32_t(m_bytes.size()), records = uint32_t(m_records + 1);
        for (int i = 0; i < 4; i++) {
            m_bytes[48 + i] = uint8_t(total >> (8 * i));
            m_bytes[52 + i] = uint8_t(records >> (8 * i));
        }
        return m_bytes;
    }

private:
    void Put(const std::vector<uint32_t>& words)
    {
        for (uint32_t w : words)
            for (int i = 0; i < 4; i++)
                m_bytes.push_back(uint8_t(w >> (8 * i)));
    }
    std::vector<uint8_t> m_bytes;
    int m_records = 0;
};

// Page-covering rectangles in the default pen and brush on a 30,000-unit
// page, drawn onto the largest picture, as WMF or EMF.
std::vector<uint8_t> PageRectangles(int count, bool enhanced)
{
    const int16_t side = 30000;
    if (enhanced) {
        EmfBuilder b(side, side);
        for (int i = 0; i < count; i++)
            b.Record(43, {0, 0, side, side});  // rectangle
        return b.Finish();
    }
    WmfBuilder b;
    b.Record(0x020C, {side, side});
    for (int i = 0; i < count; i++)
        b.Record(0x041B, {side, side, 0, 0});
    return Placeable(b.Finish(), side, side);
}

// Rectangles reaching far off a 1200 x 900 page, each filling a band of it.
std::vector<uint8_t> OffPageRectangles(int count)
{
    WmfBuilder b;
    b.Record(0x020C, {900, 1200});
    for (int i = 0; i < count; i++)
        b.Record(0x041B, {int16_t(1 + (i * 7) % 900), 30000, -30000, -30000});
    return Placeable(b.Finish(), 1200, 900);
}

// A zoomed view of a large drawing: long thin lines crossing the page, most
// of each far outside it.
std::vector<uint8_t> ZoomedCadView(int lines)
{
    WmfBuilder b;
    b.Record(0x020C, {900, 1200});
    for (int i = 0; i < lines; i++) {
        b.Record(0x0214, {int16_t(-20000 + (i * 13) % 9000), -30000});                  // move to
        b.Record(0x0213, {int16_t(20000 - (i * 17) % 9000), 30000});                    // line to
    }
    return Placeable(b.Finish(), 1200, 900);
}


// The kinds of record the count is held against, each drawn repeatedly.
enum Kind {
    kLargeText, kSmallText, kSteepLines, kShallowLines, kDiagonalLines, kDottedLines, kXorLines,
    kZigzagPolyline, kWidePenLines, kFillsUnderHoles, kPolygonsCrossingRows, kStretchedBitmap,
    kWidePaths, kPageFills, kXorFills, kEllipses, kFillsUnderColumns, kTextUnderHoles, kLinesUnderHoles, kLinesUnderFewHoles, kFontPerText,
    kGlyphsBeyondCache, kTextAtEveryAngle, kLargeTextAtEveryAngle, kTextTurnedByTheWorld, kKinds
};

const int kSides[][2] = {{300, 200}, {1200, 900}, {2000, 1500}, {4000, 4000}};

enum : uint32_t { kPenSlot = 1, kBrushSlot = 2, kFontSlot = 3 };

void SelectPen(EmfBuilder& b, uint32_t style, int32_t width, uint32_t colour)
{
    b.Record(95, {kPenSlot, 0, 0, 0, 0, int32_t(style), width, 0, int32_t(colour), 0, 0});  // extended pen
    b.Record(37, {kPenSlot});
}

void SelectBrush(EmfBuilder& b, uint32_t colour)
{
    b.Record(39, {kBrushSlot, 0, int32_t(colour), 0});
    b.Record(37, {kBrushSlot});
}

void SelectFont(EmfBuilder& b, int32_t height, int32_t weight, const std::u16string& face = u"Arial", int italic = 0,
                int32_t escapement = 0)
{
    std::vector<int32_t> font = {kFontSlot, -height, 0, escapement, escapement, weight, italic, 0};
    for (size_t i = 0; i < 32; i += 2)
        font.push_back(int32_t((i < face.size() ? face[i] : 0) | (i + 1 < face.size() ? face[i + 1] : 0) << 16));
    b.Record(82, font);
    b.Record(37, {kFontSlot});
}

void Line(EmfBuilder& b, int x0, int y0, int x1, int y1)
{
    b.Record(27, {x0, y0});
    b.Record(54, {x1, y1});
}

void Text(EmfBuilder& b, int x, int y, const std::u16string& text, int32_t mode = 1)
{
    std::vector<int16_t> units(text.begin(), text.end());
    b.Record16(84, {0, 0, 0, 0, mode, 0, 0, x, y, int32_t(text.size()), 76, 0, 0, 0, 0, 0, 0}, units);
}

// A world transform turning by tenths of a degree about the point.
void TurnWorld(EmfBuilder& b, int tenths, float x, float y)
{
    const float c = float(std::cos(tenths * M_PI / 1800)), s = float(std::sin(tenths * M_PI / 1800));
    const float m[6] = {c, -s, s, c, x, y};
    std::vector<int32_t> words;
    for (float v : m) {
        int32_t w;
        memcpy(&w, &v, 4);
        words.push_back(w);
    }
    b.Record(35, words);
}

// A 4 x 3 picture of 24-bit colours stretched over the box.
void StretchedBitmap(EmfBuilder& b, int x, int y, int width, int height)
{
    std::vector<int32_t> info = {40, 4, 3, 1 | 24 << 16, 0, 36, 0, 0, 0, 0};
    std::vector<int32_t> bits = {0x00FF0000, 0x112233FF, 0x44556677, 0x0ABBCCDD, 0x10203040, 0x50607080,
                                 0x708090A0, 0x0B0C0D0E, 0x01020304};
    std::vector<int32_t> record = {0, 0, 0, 0, x, y, 0, 0, 4, 3, 80, 40, 120, 36, 0, 0x00CC0020, width, height};
    record.insert(record.end(), info.begin(), info.end());
    record.insert(record.end(), bits.begin(), bits.end());
    b.Record(81, record);
}

// A clip region of rectangles (left, top, right, bottom each) combined
// with the clip by the mode.
void ClipRegion(EmfBuilder& b, int32_t mode, const std::vector<int32_t>& rects)
{
    const int32_t count = int32_t(rects.size() / 4);
    std::vector<int32_t> record = {32 + 16 * count, mode, 32, 1, count, 16 * count, 0, 0, 0, 0};
    record.insert(record.end(), rects.begin(), rects.end());
    b.Record(75, record);
}

// What each kind draws before its repeated records.
void Prepare(EmfBuilder& b, int kind, int w, int h)
{
    switch (kind) {
    case kLargeText: SelectFont(b, 200, 700); break;
    case kSmallText: SelectFont(b, 12, 400); break;
    case kGlyphsBeyondCache: SelectFont(b, 600, 400, u"SimSun"); break;
    case kTextTurnedByTheWorld: SelectFont(b, 40, 400); break;
    case kTextAtEveryAngle: b.Record(18, {1}); break;  // transparent: the glyphs alone
    case kDottedLines: SelectPen(b, 2, 1, 0x204080); break;  // cosmetic dots
    case kXorLines:
    case kXorFills: b.Record(20, {7}); break;                // XOR
    case kWidePenLines: SelectPen(b, 0, 3, 0x804020); break;
    case kWidePaths: SelectPen(b, 0x10000 | 1, 12, 0x408020); break;  // geometric, dashed
    case kFillsUnderHoles:
    case kTextUnderHoles:
    case kLinesUnderHoles:
    case kLinesUnderFewHoles: {
        std::vector<int32_t> holes;
        for (int k = 0; k < 3000; k++) {
            const int x = 5 + (k * 37) % (w - 10), y = 5 + (k * 53) % (h - 10);
            holes.insert(holes.end(), {x, y, x + 3, y + 3});
        }
        if (kind == kLinesUnderFewHoles)
            holes.resize(8);
        ClipRegion(b, 4, holes);  // the picture less the holes
        if (kind == kTextUnderHoles)
            SelectFont(b, 40, 700);
        break;
    }
    case kFillsUnderColumns: {
        std::vector<int32_t> columns;
        for (int x = 0; x < w; x += 2)
            columns.insert(columns.end(), {x, 0, x + 1, h});
        ClipRegion(b, 5, columns);  // every other column
        break;
    }
    default: break;
    }
    if (kind == kPolygonsCrossingRows || kind == kPageFills || kind == kXorFills || kind == kEllipses ||
        kind == kFillsUnderColumns)
        SelectBrush(b, 0x3060C0);
}

// The i-th record (or small group of records) of a kind.
void DrawOne(EmfBuilder& b, int kind, int i, int w, int h)
{
    const int dx = (i * 97) % w, dy = (i * 89) % h;
    switch (kind) {
    case kLargeText:
    case kSmallText:
    case kTextUnderHoles:
        Text(b, (i * 131) % (w / 2), (i * 71) % h, u"WMBWMBWMBWMBWMBWMBWMBW");
        break;
    case kSteepLines: Line(b, dx, 0, (dx + w / 9) % w, h - 1); break;
    case kShallowLines: Line(b, 0, dy, w - 1, (dy + h / 9) % h); break;
    case kDiagonalLines:
    case kDottedLines:
    case kXorLines:
    case kLinesUnderHoles:
    case kLinesUnderFewHoles: Line(b, dx / 4, 0, w - 1 - dx / 4, h - 1); break;
    case kZigzagPolyline: {
        std::vector<int16_t> points;
        for (int k = 0; k < 1000; k++) {
            points.push_back(int16_t(k % 2 ? w - 1 - dx / 8 : dx / 8));
            points.push_back(int16_t(k * h / 1000));
        }
        b.Record16(87, {0, 0, w, h, 1000}, points);  // polyline
        break;
    }
    case kWidePenLines: Line(b, dx, 0, w - 1 - dx / 2, h - 1); break;
    case kFillsUnderHoles:
    case kFillsUnderColumns:
    case kPageFills:
    case kXorFills: b.Record(43, {-5, -5, w + 5, h + 5}); break;  // rectangle
    case kPolygonsCrossingRows: {
        std::vector<int16_t> points;
        for (int k = 0; k < 200; k++) {
            points.push_back(int16_t(k * w / 200 + i % 7));
            points.push_back(int16_t(k % 2 ? h - 1 : 0));
        }
        b.Record16(86, {0, 0, w, h, 200}, points);  // polygon
        break;
    }
    case kFontPerText: {
        // Fonts are cached by what they render, so names do not make them
        // new: a thousand heights do, more than the cache holds, and a slant
        // that differs from the drawing before.
        static int drawing = 0;
        if (i == 0)
            drawing++;
        SelectFont(b, 10 + i % 1000, i % 2 ? 700 : 400, u"Face", drawing % 2);
        Text(b, dx, dy, u"W");
        break;
    }
    case kGlyphsBeyondCache: {
        // Large glyphs, more than the cache holds, drawn in turn: each is
        // rendered again every time.
        const char16_t glyph[] = {char16_t(0x4E00 + (i % 400) * 37), 0};
        Text(b, dx - w / 4, dy - h / 4, glyph);
        break;
    }
    case kTextAtEveryAngle:
    case kLargeTextAtEveryAngle: {
        // A label at each of thousands of angles: every glyph is rendered
        // anew for each.
        const bool large = kind == kLargeTextAtEveryAngle;
        SelectFont(b, large ? 200 : 30, 400, u"Arial", 0, (i * 7) % 3600);
        Text(b, w / 2 + dx / 4, h / 2 + dy / 4, large ? u"WMBW" : u"WMBWMBWMBWMBWMBWMBWMBW");
        break;
    }
    case kTextTurnedByTheWorld:
        TurnWorld(b, (i * 37) % 3600, float(w / 2 + dx / 4), float(h / 2 + dy / 4));
        Text(b, 0, 0, u"WMBWMBWMBWMBWMBWMBWMBW", 2);
        break;
    case kStretchedBitmap: StretchedBitmap(b, -(i % 5), -(i % 3), w + 7, h + 5); break;
    case kWidePaths:
        b.Record(59, {});  // begin path
        b.Record(27, {dx / 4, 0});
        for (int k = 1; k <= 8; k++)
            b.Record(54, {k % 2 ? w - 1 - dx / 4 : dx / 4, k * (h - 1) / 8});
        b.Record(60, {});             // end path
        b.Record(64, {0, 0, w, h});   // stroke path
        break;
    case kEllipses: b.Record(42, {dx / 2 - w / 2, dy / 2 - h / 2, w + w / 2 - dx / 2, h + h / 2 - dy / 2}); break;
    default: break;
    }
}

std::vector<uint8_t> Repeated(int kind, int side, int count)
{
    const int w = kSides[side][0], h = kSides[side][1];
    EmfBuilder b(w, h, 8);
    Prepare(b, kind, w, h);
    for (int i = 0; i < count; i++)
        DrawOne(b, kind, i, w, h);
    return b.Finish();
}

void DecodeMetafile(benchmark::State& state, const std::vector<uint8_t>& bytes)
{
    bool drawn = false;
    for (auto _ : state) {
        std::vector<uint8_t> copy(bytes);
        CMemoryStream stream(copy.data(), uint32_t(copy.size()));
        CRasterWMF codec;
        drawn = codec.Decode(&stream);
    }
    state.counters["drawn"] = drawn;
    state.counters["modelled_ms"] = gdi::LastPlaybackCost() / 1e6;
}

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double ModelledCost(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> copy(bytes);
    CMemoryStream stream(copy.data(), uint32_t(copy.size()));
    CRasterWMF codec;
    codec.Decode(&stream);
    return gdi::LastPlaybackCost();
}

// The count of records whose modelled cost comes to just under the budget,
// found from what two short drawings cost.
int CountNearBudget(int kind, int side)
{
    const double one = ModelledCost(Repeated(kind, side, 10)), two = ModelledCost(Repeated(kind, side, 20));
    const double each = std::max(1.0, (two - one) / 10), base = one - 10 * each;
    return std::max(1, int((0.95 * gdi::kPlaybackBudget - base) / each));
}

// Time over modelled cost, the worst of the iterations, on the thread's
// own clock.
void KindNearBudget(benchmark::State& state)
{
    const int kind = int(state.range(0)), side = int(state.range(1));
    const std::vector<uint8_t> bytes = Repeated(kind, side, CountNearBudget(kind, side));
    bool drawn = false;
    double worst = 0;
    for (auto _ : state) {
        std::vector<uint8_t> copy(bytes);
        CMemoryStream stream(copy.data(), uint32_t(copy.size()));
        CRasterWMF codec;
        const double start = ThreadSeconds();
        const size_t rendered = gdi::fontCacheCount().renders;
        drawn = codec.Decode(&stream);
        worst = std::max(worst, (ThreadSeconds() - start) * 1e9 / gdi::LastPlaybackCost());
        state.counters["glyphs_rendered"] = double(gdi::fontCacheCount().renders - rendered);
    }
    state.counters["drawn"] = drawn;
    state.counters["modelled_ms"] = gdi::LastPlaybackCost() / 1e6;
    state.counters["time_over_modelled"] = worst;
}
BENCHMARK(KindNearBudget)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kKinds - 1, 1), {0, 1, 2, 3}});

// The same drawings four times over the budget, on a page and on the
// largest picture: refused well within three seconds.
void KindFarOverBudget(benchmark::State& state)
{
    const int kind = int(state.range(0)), side = int(state.range(1));
    DecodeMetafile(state, Repeated(kind, side, 4 * CountNearBudget(kind, side)));
}
BENCHMARK(KindFarOverBudget)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kKinds - 1, 1), {1, 3}});

void ChartOfPageWideSeries(benchmark::State& state)
{
    DecodeMetafile(state, LineChart(int(state.range(0))));
}
BENCHMARK(ChartOfPageWideSeries)->Unit(benchmark::kMillisecond)->Arg(200)->Arg(2000);

void DrawingOfLongLines(benchmark::State& state)
{
    DecodeMetafile(state, CadDrawing(int(state.range(0))));
}
BENCHMARK(DrawingOfLongLines)->Unit(benchmark::kMillisecond)->Arg(3000)->Arg(30000)->Iterations(1);

void ThousandCanvasRectangles(benchmark::State& state)
{
    DecodeMetafile(state, WholeCanvasShapes(1000, false));
}
BENCHMARK(ThousandCanvasRectangles)->Unit(benchmark::kMillisecond)->Iterations(1);

void SeventyThousandCanvasShapes(benchmark::State& state)
{
    DecodeMetafile(state, WholeCanvasShapes(70000, true));
}
BENCHMARK(SeventyThousandCanvasShapes)->Unit(benchmark::kMillisecond)->Iterations(1);

void ClipStateAndTextRecords(benchmark::State& state)
{
    DecodeMetafile(state, RecordsBetweenRectangles(int(state.range(0)), int(state.range(1))));
}
BENCHMARK(ClipStateAndTextRecords)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->ArgsProduct({{4000, 70000}, {0, 1, 2, 3}});

void PageCoveringRectangles(benchmark::State& state)
{
    DecodeMetafile(state, PageRectangles(1000, state.range(0) != 0));
}
BENCHMARK(PageCoveringRectangles)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(0)->Arg(1);

void RectanglesReachingOffThePage(benchmark::State& state)
{
    DecodeMetafile(state, OffPageRectangles(3000));
}
BENCHMARK(RectanglesReachingOffThePage)->Unit(benchmark::kMillisecond);

void ZoomedViewOfLongLines(benchmark::State& state)
{
    DecodeMetafile(state, ZoomedCadView(20000));
}
BENCHMARK(ZoomedViewOfLongLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

