#include "CRect.h"

#include <utility>

// RECT's first two fields and its last two each have POINT's layout; the
// framework hands them out as points that alias the rectangle.
static_assert(sizeof(CPoint) == 2 * sizeof(LONG) && sizeof(CRect) == 4 * sizeof(LONG),
              "CRect corners alias CPoint");

CPoint& CRect::TopLeft()
{
    return *reinterpret_cast<CPoint*>(&left);
}

CPoint& CRect::BottomRight()
{
    return *reinterpret_cast<CPoint*>(&right);
}

const CPoint& CRect::TopLeft() const
{
    return *reinterpret_cast<const CPoint*>(&left);
}

const CPoint& CRect::BottomRight() const
{
    return *reinterpret_cast<const CPoint*>(&right);
}

void CRect::InflateRect(LPCRECT rect)
{
    if (rect)
        InflateRect(rect->left, rect->top, rect->right, rect->bottom);
}

void CRect::InflateRect(int l, int t, int r, int b)
{
    left -= l;
    top -= t;
    right += r;
    bottom += b;
}

void CRect::DeflateRect(LPCRECT rect)
{
    if (rect)
        DeflateRect(rect->left, rect->top, rect->right, rect->bottom);
}

void CRect::DeflateRect(int l, int t, int r, int b)
{
    InflateRect(-l, -t, -r, -b);
}

void CRect::NormalizeRect()
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

CRect& CRect::operator=(const RECT& rect)
{
    RECT::operator=(rect);
    return *this;
}

CRect CRect::operator+(POINT point) const
{
    CRect result(*this);
    result.OffsetRect(point);
    return result;
}

CRect CRect::operator-(POINT point) const
{
    CRect result(*this);
    result.OffsetRect(-point.x, -point.y);
    return result;
}

CRect CRect::operator+(SIZE size) const
{
    CRect result(*this);
    result.OffsetRect(size);
    return result;
}

CRect CRect::operator-(SIZE size) const
{
    CRect result(*this);
    result.OffsetRect(-size.cx, -size.cy);
    return result;
}

CRect CRect::operator&(const RECT& rect) const
{
    CRect result;
    ::IntersectRect(&result, this, &rect);
    return result;
}

CRect CRect::operator|(const RECT& rect) const
{
    CRect result;
    ::UnionRect(&result, this, &rect);
    return result;
}
