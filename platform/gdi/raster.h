// Scan conversion of the shapes into regions. Pixels are sampled at their
// centres, which gives GDI's rule that right and bottom edges stay unpainted.
#pragma once

#include <functional>
#include <vector>

#include "gdi/region.h"

namespace gdi {

struct PointD {
    double x;
    double y;
};

// Rows are confined to this range so that hostile coordinates cannot make
// the scan loops run away.
constexpr int kMinCoord = -(1 << 17);
constexpr int kMaxCoord = 1 << 17;

// Drawing needs only the rows it can see; regions take them all.
struct Rows {
    int top = kMinCoord;
    int bottom = kMaxCoord;
};

// The spans a shape covers, row by row from the top, x1 one past the last
// pixel: what its region holds, before touching spans are joined.
using SpanSink = std::function<void(int y, int x0, int x1)>;
void polygonSpans(const std::vector<PointD>& points, int fillMode, Rows rows, const SpanSink& sink);
void ellipseSpans(int left, int top, int right, int bottom, Rows rows, const SpanSink& sink);
void discSpans(double cx, double cy, double radius, Rows rows, const SpanSink& sink);

Region polygonRegion(const std::vector<PointD>& points, int fillMode, Rows rows = {});
Region polygonRegion(const POINT* points, int count, int fillMode, Rows rows = {});
Region ellipseRegion(int left, int top, int right, int bottom, Rows rows = {});
Region discRegion(double cx, double cy, double radius, Rows rows = {});

// Pixels of a one-pixel line from (x0, y0) towards (x1, y1) that lie in
// the box, the end pixel left out. pattern is a dash cycle (on, off, on,
// ...) in pixels, empty for solid; phase carries the position in the cycle
// from segment to segment.
void linePixels(int x0, int y0, int x1, int y1, const std::vector<int>& pattern, int& phase, const RECT& box,
                std::vector<POINT>& out);

Region pixelsRegion(const std::vector<POINT>& pixels);

// Outline of a polyline drawn with a pen of the given width (over 1), as
// far as it can show in the box.
Region widePolyline(const std::vector<POINT>& points, int width, const std::vector<int>& pattern, const RECT& box);

// Pixels of the region whose 4-neighbourhood leaves it: a one-pixel border.
Region innerBorder(const Region& r);

}  // namespace gdi
