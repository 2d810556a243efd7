#include "OverLayRegionRuns.h"

#include <algorithm>
#include <climits>

#include "gdi/raster.h"

namespace {

// Candidate rows and columns (inclusive) of a bounding rectangle, kept to
// the image and a one-pixel ring around it.
struct Window {
    int x0, x1, y0, y1;
    bool Empty() const { return x0 > x1 || y0 > y1; }
};

int Clamp(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

Window CandidateWindow(CSize image, long long l, long long t, long long r, long long b)
{
    return {Clamp(std::max(l + 1, -1LL)), Clamp(std::min<long long>(r, image.cx)), Clamp(std::max(t + 1, -1LL)),
            Clamp(std::min<long long>(b, image.cy))};
}

// The spans of a scan within the window; touching spans of a row joined,
// as the shape's region holds them.
void AddClipped(std::vector<PixelRun>& runs, const Window& w, int y, int x0, int x1)
{
    if (y < w.y0 || y > w.y1)
        return;
    x0 = std::max(x0, w.x0);
    x1 = std::min(x1, w.x1 + 1);
    if (x1 <= x0)
        return;
    if (!runs.empty() && runs.back().y == y && runs.back().x1 >= x0)
        runs.back().x1 = std::max(runs.back().x1, x1);
    else
        runs.push_back({y, x0, x1});
}

// The scan conversion takes coordinates within its own limits, as the
// region functions clamp them.
int ShapeCoord(int v) { return std::clamp(v, gdi::kMinCoord, gdi::kMaxCoord); }

}  // namespace

std::vector<PixelRun> CRegionRuns::Rectangle(CSize image, const CRect& r)
{
    const Window w = CandidateWindow(image, r.left, r.top, r.right, r.bottom);
    std::vector<PixelRun> runs;
    if (w.Empty())
        return runs;
    runs.reserve(static_cast<size_t>(w.y1 - w.y0 + 1));
    for (int y = w.y0; y <= w.y1; ++y)
        runs.push_back({y, w.x0, w.x1 + 1});
    return runs;
}

std::vector<PixelRun> CRegionRuns::Ellipse(CSize image, const CRect& r)
{
    const Window w = CandidateWindow(image, r.left, r.top, r.right, r.bottom);
    std::vector<PixelRun> runs;
    if (w.Empty())
        return runs;
    gdi::ellipseSpans(ShapeCoord(r.left), ShapeCoord(r.top), ShapeCoord(r.right), ShapeCoord(r.bottom),
                      gdi::Rows{w.y0, w.y1 + 1}, [&](int y, int x0, int x1) { AddClipped(runs, w, y, x0, x1); });
    return runs;
}

int CRegionRuns::Polygon(CSize image, const CArray<CPoint, CPoint>& vertices, std::vector<PixelRun>& runs)
{
    runs.clear();
    const int count = vertices.GetSize();
    if (count < 3)
        return 0;
    std::vector<gdi::PointD> points(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const CPoint& p = vertices[i];
        if (p.x != ShapeCoord(p.x) || p.y != ShapeCoord(p.y))
            return 0;
        points[static_cast<size_t>(i)] = {static_cast<double>(p.x), static_cast<double>(p.y)};
    }
    // Two rows beyond the ring, so that the box of a region that leaves the
    // image starts outside the ring and the ring's pixels stay candidates.
    // The box is the whole region's; the spans kept are those near the image.
    const Window nearImage = {-1, static_cast<int>(image.cx), -1, static_cast<int>(image.cy)};
    std::vector<PixelRun> spans;
    long long left = LLONG_MAX, top = LLONG_MAX, right = LLONG_MIN, bottom = LLONG_MIN;
    gdi::polygonSpans(points, ALTERNATE, gdi::Rows{-2, static_cast<int>(image.cy) + 2}, [&](int y, int x0, int x1) {
        left = std::min<long long>(left, x0);
        right = std::max<long long>(right, x1);
        top = std::min<long long>(top, y);
        bottom = std::max<long long>(bottom, y + 1);
        AddClipped(spans, nearImage, y, x0, x1);
    });
    if (left == LLONG_MAX)
        return 0;
    const Window w = CandidateWindow(image, left, top, right, bottom);
    if (!w.Empty())
        for (const PixelRun& s : spans)
            AddClipped(runs, w, s.y, s.x0, s.x1);
    return 1;
}
