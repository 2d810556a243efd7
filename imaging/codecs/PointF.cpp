#include "PointF.h"

#include <cmath>

CPointF& CPointF::operator=(const CPointF& p)
{
    x = p.x;
    y = p.y;
    return *this;
}

float CPointF::Distance(const CPointF& p) const
{
    return Distance(p.x, p.y);
}

float CPointF::Distance(float px, float py) const
{
    return std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
}
