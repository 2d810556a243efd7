// Pens, brushes and the shapes drawn with them.
#include <algorithm>

#include "gdi/gdiapi.h"
#include "gdi/raster.h"
#include "gdi/target.h"

using namespace gdi;

HPEN CreatePen(int style, int width, COLORREF color)
{
    int s = style & PS_STYLE_MASK;
    if (s > PS_INSIDEFRAME)
        return nullptr;
    auto p = std::make_shared<Pen>();
    p->style = s == PS_INSIDEFRAME ? PS_SOLID : s;
    p->geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    p->width = std::max(1, std::min(width, 4096));
    p->color = color;
    return static_cast<HPEN>(add(p));
}

HPEN CreatePenIndirect(const LOGPEN* pen)
{
    return pen ? CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*)
{
    if (!brush)
        return nullptr;
    if ((style & PS_TYPE_MASK) == PS_COSMETIC && width != 1)
        return nullptr;
    COLORREF color = brush->lbStyle == BS_NULL ? 0 : brush->lbColor;
    DWORD s = brush->lbStyle == BS_NULL ? (style & ~PS_STYLE_MASK) | PS_NULL : style;
    return CreatePen(static_cast<int>(s), static_cast<int>(std::min<DWORD>(width, 4096)), color);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto b = std::make_shared<Brush>();
    b->color = color;
    return static_cast<HBRUSH>(add(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL))
        return nullptr;
    auto b = std::make_shared<Brush>();
    b->style = static_cast<int>(brush->lbStyle);
    b->color = brush->lbColor;
    return static_cast<HBRUSH>(add(b));
}

namespace {

std::vector<int> penPattern(const Pen& pen)
{
    if (pen.geometric) {
        switch (pen.style) {
        case PS_DASH: return {3, 1};
        case PS_DOT: return {1, 1};
        case PS_DASHDOT: return {3, 1, 1, 1};
        case PS_DASHDOTDOT: return {3, 1, 1, 1, 1, 1};
        default: return {};
        }
    }
    if (pen.width > 1)
        return {};  // wide cosmetic pens are always solid
    switch (pen.style) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

// The device rows a drawing can show on. Regions are combined row by row
// and painted inside the clip, so rows beyond it never matter however wide
// the pen; two rows of margin serve the one-pixel border shifts.
Rows visibleRows(const Target& t)
{
    const int margin = 2;
    return {static_cast<int>(t.bounds.top) - margin, static_cast<int>(t.bounds.bottom) + margin};
}

// The pixels of a thin stroke, kept from stroke to stroke: a page-long
// outline holds thousands of them.
std::vector<POINT>& strokePixels()
{
    const size_t kKept = size_t(1) << 18;
    thread_local std::vector<POINT> pixels;
    if (pixels.capacity() > kKept)
        std::vector<POINT>().swap(pixels);  // what a huge stroke needed is given back
    pixels.clear();
    return pixels;
}

// Device-space pixels a pen covers along a polyline (logical points).
Region strokeRegion(const Target& t, const Pen& pen, std::vector<POINT> points, bool closed)
{
    if (pen.style == PS_NULL || points.empty())
        return Region();
    for (POINT& p : points) {
        p.x = clampCoord(p.x) + t.dx;
        p.y = clampCoord(p.y) + t.dy;
    }
    if (closed)
        points.push_back(points.front());
    std::vector<int> pattern = penPattern(pen);
    if (pen.width > 1)
        return widePolyline(points, pen.width, pattern, t.bounds);
    // Thin pens are walked only where they can show.
    std::vector<POINT>& pixels = strokePixels();
    int phase = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        linePixels(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, pattern, phase, t.bounds, pixels);
    return pixelsRegion(pixels);
}

// A copied 32-bit pixel the clip holds is stored as it is, without a span
// of its own; the walk keeps to the clip's bounds, all a clip of one
// rectangle holds.
void copyPixels(Target& t, const std::vector<POINT>& pixels, uint32_t raw)
{
    Bitmap& b = *t.bitmap;
    if (b.bpp == 32) {
        const uint32_t value = raw & 0x00FFFFFFu;
        const bool everyPixel = t.clip.size() == 1;
        for (const POINT& p : pixels)
            if (everyPixel || t.visible(int(p.x), int(p.y)))
                reinterpret_cast<uint32_t*>(b.row(int(p.y)))[p.x] = value;
        return;
    }
    for (const POINT& p : pixels)
        t.pixel(int(p.x), int(p.y), raw, R2_COPYPEN);
}

// A plain copy may paint a pixel twice: a thin solid line is painted as it
// is walked, without gathering its pixels into a region first.
bool strokeDirectly(Target& t, const Pen& pen, const std::vector<POINT>& points, int rop2)
{
    if (rop2 != R2_COPYPEN || pen.style != PS_SOLID || pen.width > 1)
        return false;
    const uint32_t raw = t.raw(pen.color);
    const std::vector<int> solid;
    std::vector<POINT>& pixels = strokePixels();
    int phase = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        pixels.clear();
        linePixels(clampCoord(points[i].x) + t.dx, clampCoord(points[i].y) + t.dy, clampCoord(points[i + 1].x) + t.dx,
                   clampCoord(points[i + 1].y) + t.dy, solid, phase, t.bounds, pixels);
        copyPixels(t, pixels, raw);
    }
    return true;
}

void paint(Target& t, const Region& region, uint32_t raw, int rop2)
{
    const RECT& bounds = t.bounds;
    for (const Band& band : region.bands()) {
        int top = std::max<int>(band.top, bounds.top), bottom = std::min<int>(band.bottom, bounds.bottom);
        for (int y = top; y < bottom; ++y)
            for (const Span& s : band.spans)
                if (s.x1 > bounds.left && s.x0 < bounds.right)
                    t.span(y, s.x0, s.x1, raw, rop2);
    }
}

// Fills the interior with the brush (less what the pen covers, so that each
// pixel is painted once) and then strokes the outline.
void drawShape(Target& t, Region interior, const Region& outline)
{
    const DcState& s = t.dc->state;
    int rop2 = s.rop2;
    if (s.brush && s.brush->style != BS_NULL) {
        interior = Region::combine(interior, outline, RGN_DIFF);
        paint(t, interior, t.raw(s.brush->color), rop2);
    }
    if (s.pen && s.pen->style != PS_NULL)
        paint(t, outline, t.raw(s.pen->color), rop2);
}

bool nullPen(const DcState& s) { return !s.pen || s.pen->style == PS_NULL; }

}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT old)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d)
        return FALSE;
    if (old)
        *old = d->state.position;
    d->state.position = {x, y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, LPPOINT out)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !out)
        return FALSE;
    *out = d->state.position;
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d)
        return FALSE;
    POINT from = d->state.position;
    d->state.position = {x, y};
    Target t;
    if (!targetOf(dc, t) || strokeDirectly(t, *d->state.pen, {from, {x, y}}, d->state.rop2))
        return TRUE;
    Region stroke = strokeRegion(t, *d->state.pen, {from, {x, y}}, false);
    paint(t, stroke, t.raw(d->state.pen->color), d->state.rop2);
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count)
{
    if (!findDc(dc) || !points || count < 2)
        return FALSE;
    Target t;
    std::vector<POINT> path(points, points + count);
    if (!targetOf(dc, t) || strokeDirectly(t, *t.dc->state.pen, path, t.dc->state.rop2))
        return TRUE;
    Region stroke = strokeRegion(t, *t.dc->state.pen, path, false);
    paint(t, stroke, t.raw(t.dc->state.pen->color), t.dc->state.rop2);
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    if (!findDc(dc))
        return FALSE;
    Target t;
    if (!targetOf(dc, t))
        return TRUE;
    RECT r = normalised(left, top, right, bottom);
    OffsetRect(&r, t.dx, t.dy);
    const DcState& s = t.dc->state;
    if (nullPen(s)) {
        drawShape(t, Region::fromRect(r.left, r.top, r.right - 1, r.bottom - 1), Region());
        return TRUE;
    }
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    RECT l = normalised(left, top, right, bottom);
    std::vector<POINT> path = {{l.left, l.top}, {l.right - 1, l.top}, {l.right - 1, l.bottom - 1}, {l.left, l.bottom - 1}};
    Region outline = strokeRegion(t, *s.pen, path, true);
    if (r.right - r.left == 1 || r.bottom - r.top == 1)
        outline = Region::combine(outline, Region::fromRect(r.left, r.top, r.right, r.bottom), RGN_OR);
    drawShape(t, Region::fromRect(r.left, r.top, r.right, r.bottom), outline);
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    if (!findDc(dc))
        return FALSE;
    Target t;
    if (!targetOf(dc, t))
        return TRUE;
    RECT r = normalised(left, top, right, bottom);
    OffsetRect(&r, t.dx, t.dy);
    const DcState& s = t.dc->state;
    if (nullPen(s)) {
        drawShape(t, ellipseRegion(r.left, r.top, r.right - 1, r.bottom - 1, visibleRows(t)), Region());
        return TRUE;
    }
    Rows rows = visibleRows(t);
    Region shape = ellipseRegion(r.left, r.top, r.right, r.bottom, rows);
    Region outline;
    int w = s.pen->width;
    if (w <= 1) {
        outline = innerBorder(shape);
    } else {
        int grow = (w - 1) / 2;
        Region outer = ellipseRegion(r.left - grow, r.top - grow, r.right + grow, r.bottom + grow, rows);
        Region inner = ellipseRegion(r.left - grow + w, r.top - grow + w, r.right + grow - w, r.bottom + grow - w, rows);
        outline = Region::combine(outer, inner, RGN_DIFF);
        shape = outer;
    }
    drawShape(t, shape, outline);
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count)
{
    std::shared_ptr<Dc> d = findDc(dc);
    if (!d || !points || count < 2)
        return FALSE;
    Target t;
    if (!targetOf(dc, t))
        return TRUE;
    std::vector<POINT> pts(points, points + count);
    for (POINT& p : pts)
        p = {clampCoord(p.x), clampCoord(p.y)};
    Rows rows = visibleRows(t);
    Region interior = polygonRegion(pts.data(), count, d->state.polyFillMode, {rows.top - t.dy, rows.bottom - t.dy});
    interior.offset(t.dx, t.dy);
    drawShape(t, interior, strokeRegion(t, *d->state.pen, pts, true));
    return TRUE;
}

namespace {

int fillWithBrush(HDC dc, const RECT* rect, HBRUSH brush)
{
    std::shared_ptr<Brush> b = findBrush(brush);
    if (!findDc(dc) || !rect || !b)
        return 0;
    Target t;
    if (b->style == BS_NULL || IsRectEmpty(rect) || !targetOf(dc, t))
        return 1;
    RECT r = *rect;
    OffsetRect(&r, t.dx, t.dy);
    patternBlt(t, r, t.raw(b->color), PATCOPY);
    return 1;
}

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    return fillWithBrush(dc, rect, brush);
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    if (!rect || !findDc(dc) || !findBrush(brush))
        return 0;
    if (rect->right <= rect->left || rect->bottom <= rect->top)
        return 1;
    RECT edges[4] = {{rect->left, rect->top, rect->right, rect->top + 1},
                     {rect->left, rect->bottom - 1, rect->right, rect->bottom},
                     {rect->left, rect->top + 1, rect->left + 1, rect->bottom - 1},
                     {rect->right - 1, rect->top + 1, rect->right, rect->bottom - 1}};
    for (const RECT& e : edges)
        if (e.right > e.left && e.bottom > e.top)
            fillWithBrush(dc, &e, brush);
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect)
{
    if (!rect)
        return FALSE;
    return PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL DrawFocusRect(HDC dc, const RECT* rect)
{
    // Every other pixel of the border, XORed, so a second call erases it.
    Target t;
    if (!rect || !findDc(dc))
        return FALSE;
    if (!targetOf(dc, t) || rect->right <= rect->left || rect->bottom <= rect->top)
        return TRUE;
    RECT r = *rect;
    OffsetRect(&r, t.dx, t.dy);
    std::vector<POINT> pixels;
    for (int x = r.left; x < r.right; ++x) {
        pixels.push_back({x, r.top});
        if (r.bottom - 1 > r.top)
            pixels.push_back({x, r.bottom - 1});
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        pixels.push_back({r.left, y});
        if (r.right - 1 > r.left)
            pixels.push_back({r.right - 1, y});
    }
    uint32_t white = t.raw(RGB(255, 255, 255));
    for (const POINT& p : pixels)
        if (((p.x + p.y) & 1) == 0)
            t.pixel(p.x, p.y, white, R2_XORPEN);
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    Target t;
    if (!targetOf(dc, t))
        return CLR_INVALID;
    x = clampCoord(x) + t.dx;
    y = clampCoord(y) + t.dy;
    if (!t.visible(x, y))
        return CLR_INVALID;
    uint32_t raw = t.raw(color);
    t.pixel(x, y, raw, R2_COPYPEN);
    return rawToColor(*t.bitmap, raw);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC dc, int x, int y)
{
    Target t;
    if (!targetOf(dc, t))
        return CLR_INVALID;
    x = clampCoord(x) + t.dx;
    y = clampCoord(y) + t.dy;
    if (!t.visible(x, y))
        return CLR_INVALID;
    return rawToColor(*t.bitmap, readRaw(*t.bitmap, x, y));
}

BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    std::shared_ptr<Brush> b = findBrush(brush);
    if (!findDc(dc) || !r || !b)
        return FALSE;
    Target t;
    if (!targetOf(dc, t) || b->style == BS_NULL)
        return TRUE;
    Region region = r->region;
    region.offset(t.dx, t.dy);
    paint(t, region, t.raw(b->color), R2_COPYPEN);
    return TRUE;
}
