// The pixels a region overlay counts, as runs of one row each. Stored
// regions come from files and may span the whole coordinate range, so the
// shapes are scan-converted over the image's rows and a ring around them
// only: a region that leaves the image still shows up in the ring.
#pragma once

#include <vector>

#include "OverLay.h"

struct PixelRun {
    int y;
    int x0;  // first pixel
    int x1;  // one past the last
};

class CRegionRuns {
public:
    // Candidates of a region with bounding rectangle (l, t, r, b) are
    // x = l + 1 to r and y = t + 1 to b: its top row and left column lie outside.
    static std::vector<PixelRun> Rectangle(CSize image, const CRect& r);
    static std::vector<PixelRun> Ellipse(CSize image, const CRect& r);
    // The candidates lie in the polygon region's own bounding box; 0 when the
    // vertices enclose no pixel near the image.
    static int Polygon(CSize image, const CArray<CPoint, CPoint>& vertices, std::vector<PixelRun>& runs);
};
