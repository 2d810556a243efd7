// The part of a segment inside a box (Liang and Barsky): what a pen can
// show of it, for drawing and for costing alike.
#pragma once

#include <algorithm>

namespace gdi {

struct BoxD {
    double left, top, right, bottom;
};

// The parameters [t0, t1] of the part of the segment from (ax, ay) to
// (bx, by) that lies inside the box, edges included; false when none does.
inline bool clipSegment(double ax, double ay, double bx, double by, const BoxD& box, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - box.left, box.right - ax, ay - box.top, box.bottom - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    return t0 <= t1;
}

}  // namespace gdi
