#include "RectF.h"

#include <algorithm>

CRectF& CRectF::operator=(const CRectF& r)
{
    botLeft = r.botLeft;
    topRight = r.topRight;
    return *this;
}

CPointF CRectF::Center() const
{
    return CPointF((botLeft.x + topRight.x) * 0.5f, (botLeft.y + topRight.y) * 0.5f);
}

CRectF CRectF::CrossSection(const CRectF& r) const
{
    CRectF cs(std::max(botLeft.x, r.botLeft.x), std::max(botLeft.y, r.botLeft.y),
              std::min(topRight.x, r.topRight.x), std::min(topRight.y, r.topRight.y));
    if (cs.botLeft.x <= cs.topRight.x && cs.botLeft.y <= cs.topRight.y)
        return cs;
    return CRectF();
}
