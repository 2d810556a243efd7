// Regions as y-bands of sorted, disjoint x-spans (half-open), the form that
// clipping, hit tests and the boolean operations all work on.
#pragma once

#include <vector>

#include "base/wintypes.h"

namespace gdi {

struct Span {
    int x0;
    int x1;
    bool operator==(const Span& o) const { return x0 == o.x0 && x1 == o.x1; }
};

// Sorts spans and joins those that overlap or touch, in place.
void normaliseSpans(std::vector<Span>& spans);

struct Band {
    int top;
    int bottom;
    std::vector<Span> spans;
};

class Region {
public:
    Region() = default;
    static Region fromRect(int left, int top, int right, int bottom);
    static Region combine(const Region& a, const Region& b, int mode);
    // Adds row y below every row so far; spans sorted and disjoint.
    void appendRow(int y, const std::vector<Span>& spans);

    bool empty() const { return bands_.empty(); }
    RECT box() const;
    int complexity() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
    bool contains(int x, int y) const;
    bool intersects(const RECT& rect) const;
    void offset(int dx, int dy);
    const std::vector<Band>& bands() const { return bands_; }
    std::vector<RECT> rects() const;
    bool operator==(const Region& o) const;

private:
    void append(int top, int bottom, std::vector<Span> spans);
    bool extendLast(int top, int bottom, const std::vector<Span>& spans);
    std::vector<Band> bands_;
};

}  // namespace gdi
