#include "gdi/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gdi/clip_segment.h"
#include "gdi/font.h"
#include "gdi/objects.h"

namespace gdi {

namespace {

// Coordinates far outside any bitmap are pulled in so that integer
// conversion stays defined; the rasteriser clips the rest.
int ToInt(double v)
{
    const double kLimit = 1 << 20;
    if (!(v > -kLimit))
        return -(1 << 20);
    if (v > kLimit)
        return 1 << 20;
    return int(std::lround(v));
}

// Segments of an elliptical arc, enough for a smooth outline.
int ArcSegments(double rx, double ry, double sweep)
{
    double perimeter = (std::fabs(rx) + std::fabs(ry)) * std::fabs(sweep);
    return int(std::clamp(perimeter / 2, 4.0, 2048.0));
}

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Playback work in nanoseconds, as bench_metafile_play measures our
// rasteriser on a desktop core of the build people run (-O2) on a small
// picture, a page and the largest picture, idle and with other work running
// beside it, each rate above the worst that was seen. A drawing that would
// take more than two and a half seconds, with the picture's own set-up, is
// refused; any picture a person drew plays whole.
const double kPicturePixel = 25;     // a pixel of the picture: allocated, cleared and handed over
const double kShape = 400;           // a drawing call: its objects, regions and clip tests
const double kSavedState = 1500;     // a saved state of the device context, kept until restored
const double kCopiedPixel = 0.5;     // a 32-bit pixel filled by a plain copy
const double kCombined32Pixel = 1;   // a 32-bit pixel read back and combined by a raster operation
const double kCombinedPixel = 5;     // a pixel of any other depth, or combined by a ternary operation
const double kShapeRow = 150;        // a row of a shape's region: built, cut by the outline, painted
const double kBorderRow = 900;       // a row of an ellipse's border, cut out of its region
const double kCombinedRow = 150;     // a row of the area so far, as one more ring joins it
const double kRegionRow = 40;        // a row of a region built whole, seen or not
const double kCrossing = 24;         // an edge of a polygon crossing a row
const double kSegment = 60;          // a segment of a pen's path, clipped to the picture
const double kWalkedStep = 24;       // a pixel along a thin pen's path, painted as it is walked
const double kFarWalkedStep = 32;    // ... on a picture larger than the cache: most steps miss it
const double kCacheBytes = 16 << 20;
const double kStrokeStep = 16;       // a pixel along any other pen's path, gathered into rows
const double kStrokeRow = 170;       // ... and each row it crosses: a span of its own
const double kSortedSpan = 12;       // ... times log2 of the spans a row holds, in thousands
const double kPenPoint = 100;        // a vertex of a wide pen, per pixel of its width: its round join
const double kGlyph = 700;           // a glyph: looked up, measured, its runs painted
const double kGlyphPixel = 0.3;      // a pixel of a glyph's cell
const double kFontOpened = 0.2e6;    // a font first drawn with: its faces sized
const double kRenderedPixel = 1;     // a pixel of a glyph's cell, each time it is rendered
const double kDibPixel = 2.4;        // a pixel of a stretched bitmap
// A band or span of the clip, as it is copied and combined, and as every
// later drawing tests against it.
const double kClipPart = 128;
const double kClipPiece = 9;         // a piece of a drawing the clip cuts out, painted on its own

uint64_t Area(const RECT& r)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return 0;
    return uint64_t(int64_t(r.right) - r.left) * uint64_t(int64_t(r.bottom) - r.top);
}

}  // namespace

uint32_t RecordReader::U32(size_t offset) const
{
    if (!Has(offset, 4))
        return 0;
    const uint8_t* p = m_data + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t RecordReader::U16(size_t offset) const
{
    if (!Has(offset, 2))
        return 0;
    return uint16_t(m_data[offset] | m_data[offset + 1] << 8);
}

std::string Latin1ToUtf8(const uint8_t* text, size_t length)
{
    std::string out;
    for (size_t i = 0; i < length && text[i]; i++)
        AppendUtf8(out, text[i]);
    return out;
}

std::string Utf16ToUtf8(const uint8_t* text, size_t units)
{
    std::string out;
    for (size_t i = 0; i < units; i++) {
        uint32_t c = uint32_t(text[2 * i] | text[2 * i + 1] << 8);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            uint32_t low = uint32_t(text[2 * i + 2] | text[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i++;
            }
        }
        if (c == 0)
            break;
        AppendUtf8(out, c);
    }
    return out;
}

namespace {

// Each character takes the spacing of the units it is written in.
void AddCharacter(RecordText& out, char32_t c, size_t unit, size_t units, const std::vector<int32_t>& spacing, bool pairs)
{
    out.chars.push_back(c);
    if (spacing.empty())
        return;
    const size_t step = pairs ? 2 : 1;
    double advance = 0, rise = 0;
    for (size_t u = unit; u < unit + units && (u + 1) * step <= spacing.size(); u++) {
        advance += spacing[u * step];
        if (pairs)
            rise += spacing[u * step + 1];
    }
    out.advance.push_back(advance);
    if (pairs)
        out.rise.push_back(rise);
}

}  // namespace

RecordText Latin1Text(const uint8_t* text, size_t length, const std::vector<int32_t>& spacing, bool pairs)
{
    RecordText out;
    for (size_t i = 0; i < length && text[i]; i++)
        AddCharacter(out, text[i], i, 1, spacing, pairs);
    return out;
}

RecordText Utf16Text(const uint8_t* text, size_t units, const std::vector<int32_t>& spacing, bool pairs)
{
    RecordText out;
    for (size_t i = 0; i < units; i++) {
        uint32_t c = uint32_t(text[2 * i] | text[2 * i + 1] << 8);
        size_t taken = 1;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            uint32_t low = uint32_t(text[2 * i + 2] | text[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                taken = 2;
            }
        }
        if (c == 0)
            break;
        AddCharacter(out, c, i, taken, spacing, pairs);
        i += taken - 1;
    }
    return out;
}

// The picture's set-up and hand-over count against the deadline at their
// modelled cost: they run outside playback.
MetafilePlayer::MetafilePlayer(HDC dc, const RECT& dest)
    : m_dc(dc), m_dest(dest), m_spent(double(Area(dest)) * kPicturePixel),
      m_deadline(kPlaybackDeadline - m_spent)
{
    m_savedDc = SaveDC(dc);
    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
}

MetafilePlayer::~MetafilePlayer()
{
    RestoreDC(m_dc, m_savedDc);
    for (HGDIOBJ object : m_created)
        DeleteObject(object);
}

PointD MetafilePlayer::ToReference(double x, double y) const
{
    const double* w = m_map.world;
    double px = w[0] * x + w[2] * y + w[4];
    double py = w[1] * x + w[3] * y + w[5];
    const Mapping& m = m_map;
    double dx = px - m.windowOrg.x, dy = py - m.windowOrg.y;
    switch (m.mapMode) {
    case MM_ANISOTROPIC:
    case MM_ISOTROPIC: {
        double sx = m.windowExt.cx ? double(m.viewportExt.cx) / m.windowExt.cx : 1.0;
        double sy = m.windowExt.cy ? double(m.viewportExt.cy) / m.windowExt.cy : 1.0;
        return {dx * sx + m.viewportOrg.x, dy * sy + m.viewportOrg.y};
    }
    case MM_LOMETRIC:
    case MM_HIMETRIC:
    case MM_LOENGLISH:
    case MM_HIENGLISH:
    case MM_TWIPS: {
        static const double kMillimetres[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
        double perUnit = kMillimetres[m.mapMode - MM_LOMETRIC] * 96 / 25.4;
        return {dx * perUnit + m.viewportOrg.x, -dy * perUnit + m.viewportOrg.y};
    }
    default:
        return {dx + m.viewportOrg.x, dy + m.viewportOrg.y};
    }
}

PointD MetafilePlayer::ToDeviceExact(double x, double y) const { return ReferenceToDevice(ToReference(x, y)); }

POINT MetafilePlayer::ToDevice(double x, double y) const
{
    PointD d = ToDeviceExact(x, y);
    return {ToInt(d.x), ToInt(d.y)};
}

namespace {

// An entry a millionth of the largest is the cosine or sine of a quarter
// turn, rounded in a file's floats.
void DropNoise(double* m)
{
    const double largest = std::max({std::fabs(m[0]), std::fabs(m[1]), std::fabs(m[2]), std::fabs(m[3])});
    for (int i = 0; i < 4; i++)
        if (std::fabs(m[i]) <= largest * 1e-6)
            m[i] = 0;
}

}  // namespace

bool MetafilePlayer::Turns() const
{
    double w[4] = {m_map.world[0], m_map.world[1], m_map.world[2], m_map.world[3]};
    DropNoise(w);
    return (w[1] != 0 || w[2] != 0) && (w[0] != 0 || w[3] != 0);
}

void MetafilePlayer::LinearPart(double m[4]) const
{
    const PointD o = ToDeviceExact(0, 0), ex = ToDeviceExact(1, 0), ey = ToDeviceExact(0, 1);
    m[0] = ex.x - o.x;
    m[1] = ey.x - o.x;
    m[2] = ex.y - o.y;
    m[3] = ey.y - o.y;
    DropNoise(m);
}

double MetafilePlayer::ScaleLength(double length) const
{
    PointD o = ReferenceToDevice(ToReference(0, 0));
    PointD a = ReferenceToDevice(ToReference(length, 0));
    PointD b = ReferenceToDevice(ToReference(0, length));
    return (std::hypot(a.x - o.x, a.y - o.y) + std::hypot(b.x - o.x, b.y - o.y)) / 2;
}

RECT MetafilePlayer::ToDeviceRect(int left, int top, int right, int bottom) const
{
    POINT a = ToDevice(left, top), b = ToDevice(right, bottom);
    RECT box = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if (Turns())
        box = BoundingBox(ToDevicePoints(Corners(left, top, right, bottom)));
    return box;
}

std::vector<PointD> MetafilePlayer::Corners(int left, int top, int right, int bottom) const
{
    return {{double(left), double(top)}, {double(right), double(top)}, {double(right), double(bottom)},
            {double(left), double(bottom)}};
}

std::vector<POINT> MetafilePlayer::ToDevicePoints(const std::vector<PointD>& logical) const
{
    std::vector<POINT> out;
    out.reserve(logical.size());
    for (const PointD& p : logical)
        out.push_back(ToDevice(p.x, p.y));
    return out;
}

void MetafilePlayer::SetSlot(size_t index, HGDIOBJ object)
{
    if (index >= m_slots.size())
        m_slots.resize(index + 1, nullptr);
    m_slots[index] = object;
}

HGDIOBJ MetafilePlayer::Slot(size_t index) const
{
    return index < m_slots.size() ? m_slots[index] : nullptr;
}

void MetafilePlayer::DeleteSlot(size_t index)
{
    // The object itself lives until the end of playback: it may still be
    // selected into the device context.
    if (index < m_slots.size())
        m_slots[index] = nullptr;
}

HPEN MetafilePlayer::MakePen(int style, int width, COLORREF color)
{
    int deviceWidth = width <= 1 ? 1 : std::max(1, ToInt(ScaleLength(width)));
    HPEN pen = CreatePen(style & 0xFF, std::min(deviceWidth, 4096), color & 0xFFFFFF);
    if (pen)
        m_created.push_back(pen);
    return pen;
}

// Hatched and pattern brushes fill in their colour: our device contexts
// paint solid brushes only.
HBRUSH MetafilePlayer::MakeBrush(UINT style, COLORREF color)
{
    LOGBRUSH log = {style == BS_NULL ? UINT(BS_NULL) : UINT(BS_SOLID), color & 0xFFFFFF, 0};
    HBRUSH brush = CreateBrushIndirect(&log);
    if (brush)
        m_created.push_back(brush);
    return brush;
}

HFONT MetafilePlayer::MakeFont(LOGFONT font)
{
    double height = ScaleLength(std::fabs(double(font.lfHeight)));
    double width = ScaleLength(std::fabs(double(font.lfWidth)));
    font.lfHeight = (font.lfHeight < 0 ? -1 : 1) * std::clamp(ToInt(height), 0, 2000);
    font.lfWidth = std::clamp(ToInt(width), 0, 2000);
    font.lfFaceName[LF_FACESIZE - 1] = 0;
    HFONT handle = CreateFontIndirect(&font);
    if (handle)
        m_created.push_back(handle);
    return handle;
}

bool MetafilePlayer::Exhausted() const
{
    return m_spent > kPlaybackBudget || m_deadline.HasPassed();
}

bool MetafilePlayer::KeepPlaying()
{
    return !Exhausted() && !m_deadline.Passed(m_spent);
}

// Work dear enough to matter is weighed against the deadline before it
// begins, so that no single record runs far past it.
bool MetafilePlayer::Afford(double nanoseconds)
{
    const double cost = nanoseconds + ClipCost();
    m_spent += cost;
    const double kDearRecord = 1e6;
    return !Exhausted() && !(cost >= kDearRecord && m_deadline.WouldPass(cost));
}

// Clip operations, saved states and every drawing inside a clip cost in
// proportion to the clip's bands and spans.
double MetafilePlayer::ClipCost() const
{
    std::shared_ptr<Dc> dc = findDc(m_dc);
    if (!dc || !dc->state.clip)
        return 0;
    uint64_t parts = 0;
    for (const Band& band : dc->state.clip->bands())
        parts += 1 + band.spans.size();
    return double(parts) * kClipPart;
}

// A drawing under a clip of many parts is painted piece by piece, a call
// for every span of the clip it meets in every row, however narrow: the
// pieces of a box are the spans of each band it crosses that meet its
// columns, never more than its pixels.
double MetafilePlayer::PieceCost(RECT box, double pixels) const
{
    std::shared_ptr<Dc> dc = findDc(m_dc);
    if (!dc || !dc->state.clip || !IntersectRect(&box, &box, &m_dest))
        return 0;
    double pieces = 0;
    for (const Band& band : dc->state.clip->bands()) {
        const LONG top = std::max<LONG>(band.top, box.top), bottom = std::min<LONG>(band.bottom, box.bottom);
        if (bottom <= top)
            continue;
        auto first = std::upper_bound(band.spans.begin(), band.spans.end(), box.left,
                                      [](LONG x, const Span& s) { return x < s.x1; });
        auto last = std::lower_bound(first, band.spans.end(), box.right, [](const Span& s, LONG x) { return s.x0 < x; });
        pieces += double(bottom - top) * double(last - first);
    }
    return std::min(pieces, pixels) * kClipPiece;
}

bool MetafilePlayer::AffordClip(uint64_t rects)
{
    uint64_t levels = 1;
    while (rects >> levels)
        levels++;
    return Afford(kShape + double(rects) * double(levels) * kClipPart);
}

// Only what lands on the picture is painted.
double MetafilePlayer::FillCost(RECT box, double perPixel) const
{
    IntersectRect(&box, &box, &m_dest);
    const double pixels = double(Area(box));
    return pixels * perPixel + PieceCost(box, pixels);
}

// Plain copies fill 32-bit rows at memory speed and other binary raster
// operations combine them a pixel at a time; any other depth reads and
// writes each pixel through its format.
double MetafilePlayer::PixelRate(bool plainCopy, bool binary) const
{
    BITMAP bitmap{};
    HGDIOBJ target = GetCurrentObject(m_dc, OBJ_BITMAP);
    if (!GetObject(target, sizeof(bitmap), &bitmap) || bitmap.bmBitsPixel != 32)
        return kCombinedPixel;
    if (plainCopy)
        return kCopiedPixel;
    return binary ? kCombined32Pixel : kCombinedPixel;
}

double MetafilePlayer::PaintRate() const
{
    return PixelRate(GetROP2(m_dc) == R2_COPYPEN, true);
}

// Rows of the box that the picture shows: the rasteriser scans no others.
double MetafilePlayer::RowCost(RECT box, double perRow) const
{
    const LONG top = std::max(box.top, m_dest.top), bottom = std::min(box.bottom, m_dest.bottom);
    return bottom > top ? double(int64_t(bottom) - top) * perRow : 0;
}

int MetafilePlayer::PenWidth(LOGPEN* logical) const
{
    LOGPEN pen{};
    if (!GetObject(GetCurrentObject(m_dc, OBJ_PEN), sizeof(pen), &pen) || pen.lopnStyle == PS_NULL)
        return 0;
    if (logical)
        *logical = pen;
    return std::max<int>(1, pen.lopnWidth.x);
}

// A pen is walked only where it can show: inside the picture widened by
// the pen. An open path of a thin solid pen copied onto the picture is
// painted as it is walked; any other stroke is gathered row by row first,
// each row's spans sorted among themselves.
double MetafilePlayer::StrokeCost(const std::vector<POINT>& path, bool closed) const
{
    LOGPEN pen{};
    const int width = PenWidth(&pen);
    if (width == 0 || path.empty())
        return 0;
    const double reach = width / 2.0 + 2;
    const BoxD showing{m_dest.left - reach, m_dest.top - reach, m_dest.right + reach, m_dest.bottom + reach};
    const size_t segments = path.size() - 1 + (closed ? 1 : 0);
    double steps = 0, rows = 0;
    for (size_t i = 0; i < segments; i++) {
        const POINT& a = path[i];
        const POINT& b = path[(i + 1) % path.size()];
        double t0 = 0, t1 = 1;
        if (!clipSegment(a.x, a.y, b.x, b.y, showing, t0, t1))
            continue;
        const double dx = std::fabs(double(b.x) - a.x) * (t1 - t0), dy = std::fabs(double(b.y) - a.y) * (t1 - t0);
        steps += std::max(dx, dy) + 1;
        rows += dy + width;
    }
    const double perSegment = double(segments) * kSegment;
    if (!closed && width == 1 && (pen.lopnStyle & PS_STYLE_MASK) == PS_SOLID && GetROP2(m_dc) == R2_COPYPEN)
        return perSegment + steps * (double(Area(m_dest)) * 4 > kCacheBytes ? kFarWalkedStep : kWalkedStep);
    const double spansPerRow = rows / std::max(1.0, RowCost(m_dest, 1));
    const double perStep = kStrokeStep + kSortedSpan * std::log2(1 + spansPerRow / 1024) + width * PaintRate();
    const double joins = width > 1 ? double(path.size()) * width * kPenPoint : 0;
    RECT box = BoundingBox(path);
    InflateRect(&box, int(reach), int(reach));
    return perSegment + steps * perStep + rows * kStrokeRow + joins + PieceCost(box, steps * width);
}

// Each row an edge crosses is a crossing to find and sort.
double MetafilePlayer::FillCost(const std::vector<POINT>& outline) const
{
    if (outline.size() < 3)
        return 0;
    double crossings = 0;
    for (size_t i = 0; i < outline.size(); i++) {
        const POINT& a = outline[i];
        const POINT& b = outline[(i + 1) % outline.size()];
        const LONG top = std::max(std::min(a.y, b.y), m_dest.top);
        const LONG bottom = std::min(std::max(a.y, b.y), m_dest.bottom);
        if (bottom > top)
            crossings += double(int64_t(bottom) - top);
    }
    const RECT box = BoundingBox(outline);
    return FillCost(box, PaintRate()) + RowCost(box, kShapeRow) + crossings * kCrossing;
}

// Rows of a region built from a whole outline, within the rasteriser's
// reach.
double MetafilePlayer::RegionRows(RECT box)
{
    const int64_t top = std::max<int64_t>(box.top, -(1 << 17)), bottom = std::min<int64_t>(box.bottom, 1 << 17);
    return bottom > top ? double(bottom - top) : 0;
}

RECT MetafilePlayer::BoundingBox(const std::vector<POINT>& points)
{
    if (points.empty())
        return {0, 0, 0, 0};
    RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points) {
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x);
        box.bottom = std::max(box.bottom, p.y);
    }
    return box;
}

void MetafilePlayer::DrawPolygon(const std::vector<PointD>& points)
{
    std::vector<POINT> device = ToDevicePoints(points);
    if (device.size() >= 2 && Afford(kShape + FillCost(device) + StrokeCost(device, true)))
        Polygon(m_dc, device.data(), int(device.size()));
}

void MetafilePlayer::DrawPolyline(const std::vector<PointD>& points)
{
    std::vector<POINT> device = ToDevicePoints(points);
    if (device.size() >= 2 && Afford(kShape + StrokeCost(device, false)))
        Polyline(m_dc, device.data(), int(device.size()));
}

void MetafilePlayer::DrawPolyPolygon(const std::vector<std::vector<PointD>>& rings)
{
    // Each ring is combined into the area so far: its rows once more.
    std::vector<std::vector<POINT>> devices;
    std::vector<POINT> all;
    double cost = kShape;
    for (const std::vector<PointD>& ring : rings) {
        devices.push_back(ToDevicePoints(ring));
        const std::vector<POINT>& device = devices.back();
        cost += FillCost(device) + StrokeCost(device, true) + RegionRows(BoundingBox(device)) * kRegionRow;
        all.insert(all.end(), device.begin(), device.end());
    }
    cost += double(rings.size()) * RowCost(BoundingBox(all), kCombinedRow);
    if (!Afford(cost))
        return;
    int mode = GetPolyFillMode(m_dc);
    HRGN area = CreateRectRgn(0, 0, 0, 0);
    for (const std::vector<POINT>& device : devices) {
        if (device.size() < 3)
            continue;
        HRGN part = CreatePolygonRgn(device.data(), int(device.size()), mode);
        CombineRgn(area, area, part, mode == ALTERNATE ? RGN_XOR : RGN_OR);
        DeleteObject(part);
    }
    FillRgn(m_dc, area, HBRUSH(GetCurrentObject(m_dc, OBJ_BRUSH)));
    DeleteObject(area);
    for (std::vector<POINT>& device : devices) {
        if (device.size() < 2)
            continue;
        device.push_back(device.front());
        Polyline(m_dc, device.data(), int(device.size()));
    }
}

void MetafilePlayer::DrawRectangle(int left, int top, int right, int bottom)
{
    if (Turns()) {
        DrawPolygon(Corners(left, top, right, bottom));
        return;
    }
    RECT r = ToDeviceRect(left, top, right, bottom);
    const std::vector<POINT> corners = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    if (Afford(kShape + FillCost(r, PaintRate()) + StrokeCost(corners, true)))
        Rectangle(m_dc, r.left, r.top, r.right, r.bottom);
}

void MetafilePlayer::DrawEllipse(int left, int top, int right, int bottom)
{
    if (Turns()) {
        // As many sides as the turned ellipse's outline needs on the device.
        const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
        const double rx = std::fabs(double(right) - left) / 2, ry = std::fabs(double(bottom) - top) / 2;
        const int steps = ArcSegments(ScaleLength(rx), ScaleLength(ry), 2 * M_PI);
        std::vector<PointD> points;
        for (int i = 0; i < steps; i++) {
            const double a = 2 * M_PI * i / steps;
            points.push_back({cx + rx * std::cos(a), cy - ry * std::sin(a)});
        }
        DrawPolygon(points);
        return;
    }
    RECT r = ToDeviceRect(left, top, right, bottom);
    const int width = PenWidth();
    const RECT outer = {r.left - width, r.top - width, r.right + width, r.bottom + width};
    const double rows = RowCost(outer, kShapeRow + (width ? kBorderRow : 0));
    if (Afford(kShape + FillCost(outer, PaintRate()) + rows))
        Ellipse(m_dc, r.left, r.top, r.right, r.bottom);
}

void MetafilePlayer::DrawRoundRect(int left, int top, int right, int bottom, int width, int height)
{
    double l = std::min(left, right), r = std::max(left, right);
    double t = std::min(top, bottom), b = std::max(top, bottom);
    double rx = std::min(std::fabs(double(width)) / 2, (r - l) / 2);
    double ry = std::min(std::fabs(double(height)) / 2, (b - t) / 2);
    // Corner centres, in the order the outline visits them.
    const double corners[4][2] = {{r - rx, t + ry}, {l + rx, t + ry}, {l + rx, b - ry}, {r - rx, b - ry}};
    std::vector<PointD> points;
    int steps = ArcSegments(rx, ry, M_PI / 2);
    for (int c = 0; c < 4; c++)
        for (int i = 0; i <= steps; i++) {
            double a = (c + double(i) / steps) * M_PI / 2;
            points.push_back({corners[c][0] + rx * std::cos(a), corners[c][1] - ry * std::sin(a)});
        }
    DrawPolygon(points);
}

// Arcs run counter-clockwise on the screen from the start radial to the end
// radial, as the metafile formats define them.
void MetafilePlayer::DrawArc(ArcKind kind, int left, int top, int right, int bottom, int xStart,
                             int yStart, int xEnd, int yEnd)
{
    double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    double rx = std::fabs(double(right) - left) / 2, ry = std::fabs(double(bottom) - top) / 2;
    if (rx == 0 || ry == 0)
        return;
    double a0 = std::atan2(-(yStart - cy) / ry, (xStart - cx) / rx);
    double a1 = std::atan2(-(yEnd - cy) / ry, (xEnd - cx) / rx);
    double sweep = a1 - a0;
    if (sweep <= 0)
        sweep += 2 * M_PI;
    int steps = ArcSegments(rx, ry, sweep);
    std::vector<PointD> points;
    if (kind == ArcKind::Pie)
        points.push_back({cx, cy});
    for (int i = 0; i <= steps; i++) {
        double a = a0 + sweep * i / steps;
        points.push_back({cx + rx * std::cos(a), cy - ry * std::sin(a)});
    }
    if (kind == ArcKind::Arc)
        DrawPolyline(points);
    else
        DrawPolygon(points);
}

namespace {

void Multiply(const double a[4], const double b[4], double scale, double out[4])
{
    out[0] = (a[0] * b[0] + a[1] * b[2]) / scale;
    out[1] = (a[0] * b[1] + a[1] * b[3]) / scale;
    out[2] = (a[2] * b[0] + a[3] * b[2]) / scale;
    out[3] = (a[2] * b[1] + a[3] * b[3]) / scale;
}

// The device box of a glyph's cell as the turn draws it.
SIZE TurnedCell(const GlyphTransform& t, double width, double height)
{
    const double k = 1.0 / 65536;
    return {LONG(std::ceil((std::fabs(t.xx) * width + std::fabs(t.xy) * height) * k)),
            LONG(std::ceil((std::fabs(t.yx) * width + std::fabs(t.yy) * height) * k))};
}

}  // namespace

// In the compatible mode text keeps upright on the device, turned only by
// its escapement. In the advanced mode it follows the world transform too,
// its line turned by the escapement and its glyphs by the orientation;
// a transform that only scales leaves text as the compatible mode draws
// it, in the font's own proportions.
TextFrame MetafilePlayer::FrameOf(const LOGFONT& font, bool advanced) const
{
    double linear[4];
    LinearPart(linear);
    const bool scalesOnly = linear[1] == 0 && linear[2] == 0 && linear[0] > 0 && linear[3] > 0;
    const double scale = ScaleLength(1);
    // A transform that collapses or overflows turns nothing.
    const bool plain = scalesOnly || !(scale > 1e-9) || !std::isfinite(scale);
    if (!advanced || (plain && font.lfEscapement == font.lfOrientation))
        return TextFrame::turnedBy(font.lfEscapement);
    if (plain) {
        linear[0] = linear[3] = 1;
        linear[1] = linear[2] = 0;
    }
    double escapement[4], orientation[4], glyphs[4];
    turnMatrix(font.lfEscapement, escapement);
    turnMatrix(font.lfOrientation, orientation);
    TextFrame frame;
    Multiply(linear, escapement, plain ? 1 : scale, frame.line);
    Multiply(linear, orientation, plain ? 1 : scale, glyphs);
    if (!std::all_of(frame.line, frame.line + 4, [](double v) { return std::isfinite(v); }))
        return TextFrame::turnedBy(font.lfEscapement);
    frame.glyphs = GlyphTransform::of(glyphs);
    return frame;
}

// Spacing in logical units to whole device pixels along the line, rounded
// where the characters fall so that no error adds up.
std::vector<INT> MetafilePlayer::DeviceSpacing(const RecordText& text, double alongScale, double riseScale) const
{
    std::vector<INT> out;
    if (!text.spaced())
        return out;
    const bool pairs = !text.rise.empty();
    const double kMost = 1 << 24;
    if (!std::isfinite(alongScale))
        alongScale = 0;
    if (!std::isfinite(riseScale))
        riseScale = 0;
    double along = 0, rise = 0;
    long placedAlong = 0, placedRise = 0;
    for (size_t i = 0; i < text.chars.size(); i++) {
        along += text.advance[i];
        const long a = std::lround(std::clamp(along * alongScale, -kMost, kMost));
        out.push_back(INT(a - placedAlong));
        placedAlong = a;
        if (pairs) {
            rise += text.rise[i];
            const long r = std::lround(std::clamp(rise * riseScale, -kMost, kMost));
            out.push_back(INT(r - placedRise));
            placedRise = r;
        }
    }
    return out;
}

void MetafilePlayer::DrawText(int x, int y, UINT options, const RECT* logicalRect, const RecordText& text,
                              bool advanced)
{
    LOGFONT font{};
    if (!GetObject(GetCurrentObject(m_dc, OBJ_FONT), sizeof(font), &font))
        return;
    const TextFrame frame = FrameOf(font, advanced);
    double linear[4];
    LinearPart(linear);
    const bool withWorld = advanced && !(linear[1] == 0 && linear[2] == 0 && linear[0] > 0 && linear[3] > 0);
    POINT p = ToDevice(x, y);
    RECT deviceRect{};
    std::vector<POINT> box;
    if (logicalRect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
        const RECT& l = *logicalRect;
        if (withWorld) {
            box = ToDevicePoints(Corners(l.left, l.top, l.right, l.bottom));
            deviceRect = BoundingBox(box);
        } else {
            deviceRect = ToDeviceRect(l.left, l.top, l.right, l.bottom);
            box = {{deviceRect.left, deviceRect.top}, {deviceRect.right, deviceRect.top},
                   {deviceRect.right, deviceRect.bottom}, {deviceRect.left, deviceRect.bottom}};
        }
    }
    const double scale = ScaleLength(1);
    const std::vector<INT> spacing = withWorld ? DeviceSpacing(text, scale, scale)
                                               : DeviceSpacing(text, std::hypot(linear[0], linear[2]),
                                                               std::hypot(linear[1], linear[3]));
    std::string utf8;
    for (char32_t c : text.chars)
        AppendUtf8(utf8, c);
    // Each glyph costs its cell, however little of it shows.
    TEXTMETRIC metrics{};
    GetTextMetrics(m_dc, &metrics);
    const LONG cellWidth = std::max<LONG>(1, metrics.tmMaxCharWidth), cellHeight = std::max<LONG>(1, metrics.tmHeight);
    const SIZE turned = frame.glyphs.identity() ? SIZE{cellWidth, cellHeight} : TurnedCell(frame.glyphs, cellWidth, cellHeight);
    const uint64_t cell = uint64_t(std::max<LONG>(1, turned.cx)) * uint64_t(std::max<LONG>(1, turned.cy));
    const double cells = double(utf8.size()) * double(std::min(cell, Area(m_dest) + 1));
    const double glyphs = double(utf8.size()) * kGlyph + cells * kGlyphPixel +
                          RenderCost(text.chars, frame.glyphs, cell, std::max<LONG>(1, turned.cy));
    // Wherever the alignment puts it, the text lies within its length and
    // two lines of the position, along a turned line on either side.
    uint64_t spaced = 0;
    for (size_t i = 0; i < spacing.size(); i++)
        spaced += uint64_t(std::abs(int64_t(spacing[i])));
    const LONG length = LONG(std::min<uint64_t>(std::max<uint64_t>(utf8.size() * uint64_t(cellWidth), spaced), 1 << 24));
    const LONG lines = 2 * cellHeight;
    const RECT reach = frame.upright() ? RECT{p.x - length, p.y - lines, p.x + length, p.y + lines}
                                       : RECT{p.x - length - lines, p.y - length - lines, p.x + length + lines,
                                              p.y + length + lines};
    const double typical = double(std::max<uint64_t>(utf8.size() * uint64_t(std::max<LONG>(1, metrics.tmAveCharWidth)), spaced));
    const double areas = frame.upright() ? FillCost(deviceRect, PixelRate(true, true))
                                         : TurnedAreasCost(frame, p, std::min(typical, double(length)), metrics, font, box, options);
    if (!Afford(kShape + areas + glyphs + PieceCost(reach, cells)))
        return;
    const UINT drawn = (options & (ETO_OPAQUE | ETO_CLIPPED)) | (spacing.size() > text.chars.size() ? ETO_PDY : 0);
    drawTextAlong(m_dc, font, frame, p.x, p.y, drawn, box.empty() ? nullptr : box.data(), utf8.c_str(),
                  UINT(utf8.size()), spacing.empty() ? nullptr : spacing.data());
}

// A turned line's background, underline, strike-out and box are filled as
// polygons, row by row: their pixels and every row they cross. The line is
// taken at the font's average width a byte.
double MetafilePlayer::TurnedAreasCost(const TextFrame& frame, POINT p, double length, const TEXTMETRIC& metrics,
                                       const LOGFONT& font, const std::vector<POINT>& box, UINT options) const
{
    const double* f = frame.line;
    const double stretch = std::fabs(f[0] * f[3] - f[1] * f[2]);
    auto area = [&](double down0, double down1) {
        std::vector<POINT> outline;
        for (const PointD& c : {PointD{0, down0}, {length, down0}, {length, down1}, {0, down1}})
            outline.push_back({ToInt(p.x + f[0] * c.x + f[1] * c.y), ToInt(p.y + f[2] * c.x + f[3] * c.y)});
        RECT reach = BoundingBox(outline);
        IntersectRect(&reach, &reach, &m_dest);
        const double pixels = std::min(double(Area(reach)), stretch * length * (down1 - down0));
        return pixels * PixelRate(true, true) + RowCost(reach, kShapeRow) + PieceCost(reach, pixels);
    };
    const double height = std::max<LONG>(1, metrics.tmHeight);
    double cost = 0;
    if (GetBkMode(m_dc) == OPAQUE)
        cost += area(-height, height);
    const double line = std::max(1.0, height / 20);
    cost += (font.lfUnderline ? area(0, line) : 0) + (font.lfStrikeOut ? area(0, line) : 0);
    if (!box.empty() && (options & ETO_OPAQUE))
        cost += FillCost(box);
    return cost;
}

// Fonts and glyphs are opened and rendered the first time they are drawn
// with, then cached: whatever was drawn before, this drawing pays for each
// font and glyph it draws with once, and again for each its own drawing
// would have made the cache drop since.
double MetafilePlayer::RenderCost(const std::u32string& chars, const GlyphTransform& turn, uint64_t cell, long height)
{
    LOGFONT font{};
    if (!GetObject(GetCurrentObject(m_dc, OBJ_FONT), sizeof(font), &font))
        return 0;
    const FontCacheModel::Work work = m_fontCache.Draw(fontKeyOf(font), chars, cell, height, turn);
    return work.fontsOpened * kFontOpened + work.renderedPixels * kRenderedPixel;
}

void MetafilePlayer::DrawDib(int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                             int ySrc, int srcWidth, int srcHeight, const RecordReader& record,
                             size_t infoOffset, size_t infoBytes, size_t bitsOffset,
                             size_t bitsBytes, DWORD rop)
{
    bool packed = bitsOffset == kPackedBits;
    if (!record.Has(infoOffset, infoBytes) || infoBytes < 40 ||
        (!packed && !record.Has(bitsOffset, bitsBytes)))
        return;
    RecordReader info(record.At(infoOffset), infoBytes);
    uint32_t headerSize = info.U32(0);
    int32_t width = info.S32(4), height = info.S32(8);
    uint32_t bpp = info.U16(14), compression = info.U32(16), used = info.U32(32);
    bool knownDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    bool masks = compression == 3 && (bpp == 16 || bpp == 32);
    if (headerSize < 40 || headerSize > infoBytes || width <= 0 || width > 65536 || height == 0 ||
        height < -65536 || height > 65536 || !knownDepth || (compression != 0 && !masks))
        return;
    uint32_t colours = bpp <= 8 ? (used ? used : 1u << bpp) : 0;
    size_t tableBytes = headerSize + (masks && headerSize == 40 ? 12 : 0) + size_t(colours) * 4;
    if (colours > (bpp <= 8 ? 1u << bpp : 0u) || tableBytes > infoBytes)
        return;
    if (packed) {
        bitsOffset = infoOffset + tableBytes;
        bitsBytes = infoBytes - tableBytes;
    }
    size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    size_t rows = size_t(std::abs(height));
    if (stride * rows > bitsBytes)
        return;
    // Our own aligned copies: the record holds them at any offset.
    std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12, 0);
    memcpy(header.data(), info.At(0), 40);
    reinterpret_cast<BITMAPINFOHEADER*>(header.data())->biSize = 40;
    memcpy(header.data() + 40, info.At(headerSize), tableBytes - headerSize);
    std::vector<uint8_t> bits(record.At(bitsOffset), record.At(bitsOffset) + stride * rows);
    xSrc = std::clamp(xSrc, 0, width);
    ySrc = std::clamp(ySrc, 0, int(rows));
    srcWidth = std::clamp(srcWidth, 0, width - xSrc);
    srcHeight = std::clamp(srcHeight, 0, int(rows) - ySrc);
    POINT a = ToDevice(xDest, yDest);
    POINT b = ToDevice(double(xDest) + destWidth, double(yDest) + destHeight);
    const RECT box = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if (!Afford(kShape + FillCost(box, kDibPixel)))
        return;
    StretchDIBits(m_dc, a.x, a.y, b.x - a.x, b.y - a.y, xSrc, ySrc, srcWidth, srcHeight,
                  bits.data(), reinterpret_cast<BITMAPINFO*>(header.data()), DIB_RGB_COLORS, rop);
}

void MetafilePlayer::PatternFill(const RECT& rect, DWORD rop)
{
    if (Afford(kShape + FillCost(rect, PixelRate(rop == PATCOPY, false))))
        PatBlt(m_dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, rop);
}

void MetafilePlayer::PaintPixel(POINT p, COLORREF color)
{
    if (Afford(kShape))
        SetPixelV(m_dc, p.x, p.y, color);
}

void MetafilePlayer::IntersectClip(int left, int top, int right, int bottom)
{
    if (Turns()) {
        ClipByTurned(left, top, right, bottom, RGN_AND);
        return;
    }
    RECT r = ToDeviceRect(left, top, right, bottom);
    if (AffordClip(1))
        IntersectClipRect(m_dc, r.left, r.top, r.right, r.bottom);
}

void MetafilePlayer::ExcludeClip(int left, int top, int right, int bottom)
{
    if (Turns()) {
        ClipByTurned(left, top, right, bottom, RGN_DIFF);
        return;
    }
    RECT r = ToDeviceRect(left, top, right, bottom);
    if (AffordClip(1))
        ExcludeClipRect(m_dc, r.left, r.top, r.right, r.bottom);
}

// A turned clip rectangle is its turned outline, a part a row, on the rows
// of the picture: nothing is drawn beyond them.
void MetafilePlayer::ClipByTurned(int left, int top, int right, int bottom, int mode)
{
    std::vector<PointD> outline;
    for (const POINT& p : ToDevicePoints(Corners(left, top, right, bottom)))
        outline.push_back({double(p.x), double(p.y)});
    const Rows picture{int(m_dest.top) - 1, int(m_dest.bottom) + 1};
    HRGN area = CreateRectRgn(0, 0, 0, 0);
    std::shared_ptr<RegionObject> region = findRegion(area);
    if (region)
        region->region = polygonRegion(outline, ALTERNATE, picture);
    if (region && AffordClip(uint64_t(region->region.bands().size()) + 1))
        ExtSelectClipRgn(m_dc, area, mode);
    DeleteObject(area);
}

void MetafilePlayer::MoveTo(int x, int y)
{
    POINT p = ToDevice(x, y);
    MoveToEx(m_dc, p.x, p.y, nullptr);
}

void MetafilePlayer::LineTo(int x, int y)
{
    POINT p = ToDevice(x, y);
    POINT from{};
    GetCurrentPositionEx(m_dc, &from);
    if (Afford(kShape + StrokeCost({from, p}, false)))
        ::LineTo(m_dc, p.x, p.y);
    else
        MoveToEx(m_dc, p.x, p.y, nullptr);
}

void MetafilePlayer::SaveState()
{
    Afford(kSavedState);
    SaveDC(m_dc);
    m_savedMaps.push_back(m_map);
}

void MetafilePlayer::RestoreState(int relative)
{
    int depth = int(m_savedMaps.size());
    int count = relative < 0 ? -relative : depth - relative + 1;
    if (count <= 0 || count > depth)
        return;
    RestoreDC(m_dc, -count);
    m_map = m_savedMaps[size_t(depth - count)];
    m_savedMaps.resize(size_t(depth - count));
}

}  // namespace gdi
