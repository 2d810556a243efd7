#include "gdi/raster.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>

#include "gdi/clip_segment.h"
#include "gdi/gdidefs.h"

namespace gdi {

namespace {

// Where an edge crosses a row, as the first pixel right of it.
struct Crossing {
    int x;
    int direction;
};

// An edge that is not horizontal, with the rows it spans (y0 < y1).
struct Edge {
    PointD a;
    PointD b;
    double y0;
    double y1;
    int direction;
};

int clampRow(double v) { return static_cast<int>(std::max<double>(kMinCoord, std::min<double>(kMaxCoord, v))); }

// A row crossed by thousands of edges sorts in two counting passes: a
// stored free-hand trace may cross every row with each of its edges.
void sortCrossings(std::vector<Crossing>& crossings, std::vector<Crossing>& scratch)
{
    if (crossings.size() < 256) {
        std::sort(crossings.begin(), crossings.end(), [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
        return;
    }
    constexpr int kBits = 10;
    constexpr unsigned kMask = (1u << kBits) - 1;
    scratch.resize(crossings.size());
    for (int shift : {0, kBits}) {
        size_t starts[kMask + 2] = {};
        auto digit = [&](const Crossing& c) { return (static_cast<unsigned>(c.x - kMinCoord) >> shift) & kMask; };
        for (const Crossing& c : crossings)
            ++starts[digit(c) + 1];
        for (unsigned d = 1; d <= kMask + 1; ++d)
            starts[d] += starts[d - 1];
        for (const Crossing& c : crossings)
            scratch[starts[digit(c)]++] = c;
        crossings.swap(scratch);
    }
}

// Spans gathered in any order of rows and joined into a region once. Each
// thread keeps the buffers from shape to shape: a page-long outline costs
// no allocation but its region's.
class SpanRows {
public:
    static SpanRows& Reused()
    {
        thread_local SpanRows rows;
        if (rows.m_spans.capacity() > kKeptSpans || rows.m_ends.capacity() > kKeptSpans)
            rows = SpanRows();  // what a huge shape needed is given back
        rows.m_spans.clear();
        return rows;
    }

    void add(int y, int x0, int x1) { m_spans.push_back({y, {x0, x1}}); }

    // Neighbours along a row join as they come.
    void addPixel(int x, int y)
    {
        if (!m_spans.empty() && m_spans.back().y == y) {
            Span& last = m_spans.back().span;
            if (last.x1 == x) {
                last.x1 = x + 1;
                return;
            }
            if (last.x0 == x + 1) {
                last.x0 = x;
                return;
            }
        }
        add(y, x, x + 1);
    }

    Region region()
    {
        Region out;
        if (m_spans.empty())
            return out;
        auto [low, high] = std::minmax_element(m_spans.begin(), m_spans.end(),
                                               [](const RowSpan& a, const RowSpan& b) { return a.y < b.y; });
        const int top = low->y;
        const size_t rows = static_cast<size_t>(high->y - top) + 1;
        // A counting sort by row: the row ends, then every span in its row.
        m_ends.assign(rows, 0);
        for (const RowSpan& s : m_spans)
            ++m_ends[static_cast<size_t>(s.y - top)];
        for (size_t r = 1; r < rows; ++r)
            m_ends[r] += m_ends[r - 1];
        m_sorted.resize(m_spans.size());
        for (size_t i = m_spans.size(); i-- > 0;)
            m_sorted[--m_ends[static_cast<size_t>(m_spans[i].y - top)]] = m_spans[i].span;
        for (size_t r = 0; r < rows; ++r) {
            const size_t begin = m_ends[r], end = r + 1 < rows ? m_ends[r + 1] : m_sorted.size();
            m_row.assign(m_sorted.begin() + long(begin), m_sorted.begin() + long(end));
            normaliseSpans(m_row);
            out.appendRow(top + static_cast<int>(r), m_row);
        }
        return out;
    }

private:
    static constexpr size_t kKeptSpans = size_t(1) << 18;
    struct RowSpan {
        int y;
        Span span;
    };
    std::vector<RowSpan> m_spans;
    std::vector<Span> m_sorted;
    std::vector<size_t> m_ends;
    std::vector<Span> m_row;
};

// Collects the spans of a scan into a region.
Region regionOfSpans(const std::function<void(const SpanSink&)>& scan)
{
    SpanRows& rows = SpanRows::Reused();
    scan([&](int y, int x0, int x1) { rows.add(y, x0, x1); });
    return rows.region();
}

}  // namespace

void polygonSpans(const std::vector<PointD>& pts, int fillMode, Rows window, const SpanSink& sink)
{
    if (pts.size() < 3)
        return;
    double minY = pts[0].y, maxY = pts[0].y;
    for (const PointD& p : pts) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return;
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    int top = std::max(window.top, clampRow(std::ceil(minY - 0.5)));
    int bottom = std::min(window.bottom, clampRow(std::ceil(maxY - 0.5)));
    // Edges in the order their rows begin, so that each row visits only the
    // edges it crosses: a long trace costs its length, not rows times edges.
    std::vector<Edge> edges;
    for (size_t i = 0; i < pts.size(); ++i) {
        const PointD& a = pts[i];
        const PointD& b = pts[(i + 1) % pts.size()];
        if (a.y == b.y)
            continue;
        bool down = a.y < b.y;
        edges.push_back({a, b, down ? a.y : b.y, down ? b.y : a.y, down ? 1 : -1});
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& p, const Edge& q) { return p.y0 < q.y0; });
    std::vector<const Edge*> active;
    size_t next = 0;
    std::vector<Crossing> crossings, scratch;
    for (int y = top; y < bottom; ++y) {
        double yc = y + 0.5;
        for (; next < edges.size() && edges[next].y0 <= yc; ++next)
            active.push_back(&edges[next]);
        active.erase(std::remove_if(active.begin(), active.end(), [yc](const Edge* e) { return yc >= e->y1; }),
                     active.end());
        crossings.clear();
        for (const Edge* e : active) {
            const PointD& a = e->a;
            const PointD& b = e->b;
            double x = a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y);
            crossings.push_back({clampRow(std::ceil(x - 0.5)), e->direction});
        }
        // Ties only ever bound empty spans, so their order does not matter.
        sortCrossings(crossings, scratch);
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += fillMode == WINDING ? crossings[i].direction : 1;
            bool inside = fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
            if (!inside)
                continue;
            if (crossings[i + 1].x > crossings[i].x)
                sink(y, crossings[i].x, crossings[i + 1].x);
        }
    }
}

Region polygonRegion(const std::vector<PointD>& pts, int fillMode, Rows window)
{
    return regionOfSpans([&](const SpanSink& sink) { polygonSpans(pts, fillMode, window, sink); });
}

Region polygonRegion(const POINT* points, int count, int fillMode, Rows window)
{
    if (!points || count < 3)
        return Region();
    std::vector<PointD> pts;
    pts.reserve(count);
    for (int i = 0; i < count; ++i)
        pts.push_back({double(points[i].x), double(points[i].y)});
    return polygonRegion(pts, fillMode, window);
}

void ellipseSpans(int left, int top, int right, int bottom, Rows window, const SpanSink& sink)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left <= 0 || bottom - top <= 0)
        return;
    double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    double a = (double(right) - left) / 2, b = (double(bottom) - top) / 2;
    int y0 = std::max(window.top, clampRow(top)), y1 = std::min(window.bottom, clampRow(bottom));
    for (int y = y0; y < y1; ++y) {
        double dy = (y + 0.5 - cy) / b;
        if (dy * dy >= 1)
            continue;
        double hw = a * std::sqrt(1 - dy * dy);
        int x0 = clampRow(std::ceil(cx - hw - 0.5));
        int x1 = clampRow(std::floor(cx + hw - 0.5) + 1);
        if (x1 > x0)
            sink(y, x0, x1);
    }
}

Region ellipseRegion(int left, int top, int right, int bottom, Rows window)
{
    return regionOfSpans([&](const SpanSink& sink) { ellipseSpans(left, top, right, bottom, window, sink); });
}

void discSpans(double cx, double cy, double radius, Rows window, const SpanSink& sink)
{
    int y0 = std::max(window.top, clampRow(std::ceil(cy - radius - 0.5)));
    int y1 = std::min(window.bottom, clampRow(std::floor(cy + radius - 0.5) + 1));
    for (int y = y0; y < y1; ++y) {
        double dy = y + 0.5 - cy;
        double h2 = radius * radius - dy * dy;
        if (h2 < 0)
            continue;
        double hw = std::sqrt(h2);
        int x0 = clampRow(std::ceil(cx - hw - 0.5)), x1 = clampRow(std::floor(cx + hw - 0.5) + 1);
        if (x1 > x0)
            sink(y, x0, x1);
    }
}

Region discRegion(double cx, double cy, double radius, Rows window)
{
    return regionOfSpans([&](const SpanSink& sink) { discSpans(cx, cy, radius, window, sink); });
}

namespace {

bool patternOn(const std::vector<int>& pattern, int cycle, int& phase)
{
    if (pattern.empty())
        return true;
    int pos = phase;
    phase = (phase + 1) % cycle;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pos < pattern[i])
            return i % 2 == 0;
        pos -= pattern[i];
    }
    return true;
}

long long floorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A line walked along its major axis u from (u0, v0), its minor
// coordinate v moving by one at the steps Bresenham's error term chooses.
// After i steps v has moved ceil((2 dv i - du) / (2 du)) times: any step can
// be started from without walking the ones before it.
struct Walk {
    long long u0, v0, du, dv;
    int su, sv;

    long long minorMoves(long long i) const { return du == 0 ? 0 : -floorDiv(du - 2 * dv * i, 2 * du); }
    // The first step after which the minor coordinate has moved k times.
    long long firstWithMoves(long long k) const
    {
        return k <= 0 ? 0 : (dv == 0 ? LLONG_MAX : floorDiv(du * (2 * k - 1), 2 * dv) + 1);
    }
    // Narrows the steps [first, last) to those landing in [uLow, uHigh) x [vLow, vHigh).
    void within(long long uLow, long long uHigh, long long vLow, long long vHigh, long long& first, long long& last) const
    {
        first = std::max(first, su > 0 ? uLow - u0 : u0 - uHigh + 1);
        last = std::min(last, su > 0 ? uHigh - u0 : u0 - uLow + 1);
        const long long movesLow = sv > 0 ? vLow - v0 : v0 - vHigh + 1, movesHigh = sv > 0 ? vHigh - v0 : v0 - vLow + 1;
        first = std::max(first, firstWithMoves(std::clamp(movesLow, -1LL, dv + 2)));
        last = std::min(last, firstWithMoves(std::clamp(movesHigh, -1LL, dv + 2)));
    }
};

}  // namespace

void linePixels(int x0, int y0, int x1, int y1, const std::vector<int>& pattern, int& phase, const RECT& box,
                std::vector<POINT>& out)
{
    // Bresenham, stepping along the major axis; the end pixel is not drawn.
    // Only the steps that land in the box are walked; the dash pattern moves
    // on by the others.
    const long long dx = std::llabs(static_cast<long long>(x1) - x0), dy = std::llabs(static_cast<long long>(y1) - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const long long steps = std::min<long long>(std::max(dx, dy), 4LL * kMaxCoord);
    int cycle = 0;
    for (int p : pattern)
        cycle += p;
    const int startPhase = phase;
    if (cycle > 0)
        phase = int((startPhase + steps) % cycle);
    const bool xMajor = dx >= dy;
    const Walk walk = xMajor ? Walk{x0, y0, dx, dy, sx, sy} : Walk{y0, x0, dy, dx, sy, sx};
    const long long left = std::max<long long>(box.left, kMinCoord), right = std::min<long long>(box.right, kMaxCoord + 1);
    const long long top = std::max<long long>(box.top, kMinCoord), bottom = std::min<long long>(box.bottom, kMaxCoord + 1);
    long long first = 0, last = steps;
    if (xMajor)
        walk.within(left, right, top, bottom, first, last);
    else
        walk.within(top, bottom, left, right, first, last);
    if (first >= last)
        return;
    long long moves = walk.minorMoves(first);
    long long err = 2 * walk.dv * (first + 1) - walk.du - 2 * walk.du * moves;
    long long u = walk.u0 + walk.su * first, v = walk.v0 + walk.sv * moves;
    int at = cycle > 0 ? int((startPhase + first) % cycle) : 0;
    for (long long i = first; i < last; ++i) {
        if (patternOn(pattern, cycle, at))
            out.push_back(xMajor ? POINT{LONG(u), LONG(v)} : POINT{LONG(v), LONG(u)});
        if (err > 0) {
            v += walk.sv;
            err -= 2 * walk.du;
        }
        err += 2 * walk.dv;
        u += walk.su;
    }
}

// Pixels are gathered row by row, neighbours on a row joined as they come:
// a line costs its length, not a sort of its pixels.
Region pixelsRegion(const std::vector<POINT>& pixels)
{
    SpanRows& rows = SpanRows::Reused();
    for (const POINT& p : pixels)
        rows.addPixel(int(p.x), int(p.y));
    return rows.region();
}

namespace {

void segmentQuadSpans(PointD a, PointD b, double half, Rows window, const SpanSink& sink)
{
    if (std::max(a.y, b.y) + half < window.top || std::min(a.y, b.y) - half > window.bottom)
        return;
    double dx = b.x - a.x, dy = b.y - a.y;
    double len = std::sqrt(dx * dx + dy * dy);
    if (len == 0)
        return;
    double nx = -dy / len * half, ny = dx / len * half;
    polygonSpans({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}, WINDING,
                 window, sink);
}

// The rows where a wide segment can show inside the box: those of its part
// within the box widened by the pen, widened again by the pen. Its other
// rows lie wholly beside the box.
Rows segmentRows(PointD a, PointD b, double half, const RECT& box, Rows window)
{
    const double margin = half + 2;
    const BoxD wide{box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
    double t0 = 0, t1 = 1;
    if (!clipSegment(a.x, a.y, b.x, b.y, wide, t0, t1))
        return {0, 0};
    const double ya = a.y + (b.y - a.y) * t0, yb = a.y + (b.y - a.y) * t1;
    return {std::max(window.top, clampRow(std::floor(std::min(ya, yb) - margin))),
            std::min(window.bottom, clampRow(std::ceil(std::max(ya, yb) + margin) + 1))};
}

}  // namespace

// Every piece of the outline adds its spans to the rows it covers; the
// rows are joined once, so a long polyline costs its length, not its
// segments times the rows drawn so far.
Region widePolyline(const std::vector<POINT>& points, int width, const std::vector<int>& pattern, const RECT& box)
{
    const Rows window{int(box.top) - 2, int(box.bottom) + 2};
    if (points.empty())
        return Region();
    double half = width / 2.0;
    LONG minY = points[0].y, maxY = points[0].y;
    for (const POINT& p : points) {
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const int top = std::max(window.top, clampRow(std::floor(minY - half - 1)));
    const int bottom = std::min(window.bottom, clampRow(std::ceil(maxY + half + 2)));
    if (bottom <= top)
        return Region();
    SpanRows& rows = SpanRows::Reused();
    const Rows covered{top, bottom};
    const SpanSink add = [&](int y, int x0, int x1) { rows.add(y, x0, x1); };
    double cycle = 0;
    for (int p : pattern)
        cycle += p * width;
    double along = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        PointD a{points[i].x + 0.5, points[i].y + 0.5}, b{points[i + 1].x + 0.5, points[i + 1].y + 0.5};
        double len = std::hypot(b.x - a.x, b.y - a.y);
        const Rows showing = segmentRows(a, b, half, box, covered);
        if (pattern.empty() || len > kMaxCoord) {
            segmentQuadSpans(a, b, half, showing, add);
            discSpans(a.x, a.y, half, covered, add);
            discSpans(b.x, b.y, half, covered, add);
            continue;
        }
        // Dashes scale with the width; walk the pattern along the segment.
        double t = showing.bottom > showing.top ? 0 : len;
        while (t < len && len > 0 && cycle > 0) {
            double pos = std::fmod(along + t, cycle);
            double acc = 0;
            size_t k = 0;
            for (; k < pattern.size(); ++k) {
                if (pos < acc + pattern[k] * width)
                    break;
                acc += pattern[k] * width;
            }
            k = std::min(k, pattern.size() - 1);
            double stretchLength = std::min(acc + pattern[k] * width - pos, len - t);
            if (k % 2 == 0) {
                PointD p{a.x + (b.x - a.x) * t / len, a.y + (b.y - a.y) * t / len};
                PointD q{a.x + (b.x - a.x) * (t + stretchLength) / len, a.y + (b.y - a.y) * (t + stretchLength) / len};
                segmentQuadSpans(p, q, half, showing, add);
            }
            t += std::max(stretchLength, 1e-6);
        }
        along += len;
    }
    return rows.region();
}

Region innerBorder(const Region& r)
{
    Region interior = r;
    const int shifts[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& d : shifts) {
        Region moved = r;
        moved.offset(d[0], d[1]);
        interior = Region::combine(interior, moved, RGN_AND);
    }
    return Region::combine(r, interior, RGN_DIFF);
}

}  // namespace gdi
