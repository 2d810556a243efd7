// A rectangle with float corners: left-bottom first, then right-top.
#pragma once

#include "ImvexaApi.h"
#include "PointF.h"

class IMVEXA_API CRectF {
public:
    CRectF() {}
    CRectF(float left, float bottom, float right, float top) : botLeft(left, bottom), topRight(right, top) {}
    CRectF(const CRectF& r) : botLeft(r.botLeft), topRight(r.topRight) {}
    CRectF& operator=(const CRectF& r);
    float Width() const { return topRight.x - botLeft.x; }
    float Height() const { return topRight.y - botLeft.y; }
    float Surface() const { return Height() * Width(); }
    CPointF Center() const;
    CRectF CrossSection(const CRectF& r) const;

    CPointF botLeft;
    CPointF topRight;
};
