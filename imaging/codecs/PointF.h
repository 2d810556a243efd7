// A point with float coordinates, for sub-pixel geometry.
#pragma once

#include "ImvexaApi.h"

class IMVEXA_API CPointF {
public:
    CPointF() : x(0), y(0) {}
    CPointF(float x_, float y_) : x(x_), y(y_) {}
    CPointF(const CPointF& p) : x(p.x), y(p.y) {}
    CPointF& operator=(const CPointF& p);
    float Distance(const CPointF& p) const;
    float Distance(float px, float py) const;

    float x;
    float y;
};
