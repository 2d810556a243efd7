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

std::vector<PixelRun> RunsOf(const gdi::Region& region, const Window& w)
{
    std::vector<PixelRun> runs;
    if (w.Empty())
        return runs;
    for (const gdi::Band& band : region.bands()) {
        const int top = std::max(band.top, w.y0);
        const int bottom = std::min(band.bottom - 1, w.y1);
        for (int y = top; y <= bottom; ++y)
            for (const gdi::Span& s : band.spans) {
                const int x0 = std::max(s.x0, w.x0);
                const int x1 = std::min(s.x1, w.x1 + 1);
                if (x1 > x0)
                    runs.push_back({y, x0, x1});
            }
    }
    return runs;
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
    if (w.Empty())
        return {};
    const gdi::Region region = gdi::ellipseRegion(ShapeCoord(r.left), ShapeCoord(r.top), ShapeCoord(r.right),
                                                  ShapeCoord(r.bottom), gdi::Rows{w.y0, w.y1 + 1});
    return RunsOf(region, w);
}

int CRegionRuns::Polygon(CSize image, const CArray<CPoint, CPoint>& vertices, std::vector<PixelRun>& runs)
{
    runs.clear();
    const int count = vertices.GetSize();
    if (count < 3)
        return 0;
    std::vector<POINT> points(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const CPoint& p = vertices[i];
        if (p.x != ShapeCoord(p.x) || p.y != ShapeCoord(p.y))
            return 0;
        points[static_cast<size_t>(i)] = {p.x, p.y};
    }
    // Two rows beyond the ring, so that the box of a region that leaves the
    // image starts outside the ring and the ring's pixels stay candidates.
    const gdi::Region region =
        gdi::polygonRegion(points.data(), count, ALTERNATE, gdi::Rows{-2, static_cast<int>(image.cy) + 2});
    if (region.empty())
        return 0;
    const RECT box = region.box();
    runs = RunsOf(region, CandidateWindow(image, box.left, box.top, box.right, box.bottom));
    return 1;
}
