// Region objects, clipping and rectangle helpers.
#include <algorithm>

#include "gdi/gdiapi.h"
#include "gdi/raster.h"
#include "gdi/target.h"

using namespace gdi;

namespace {

HRGN addRegion(Region r)
{
    auto o = std::make_shared<RegionObject>();
    o->region = std::move(r);
    return static_cast<HRGN>(add(o));
}

bool saneRect(long long l, long long t, long long r, long long b)
{
    auto ok = [](long long v) { return v >= kMinCoord && v <= kMaxCoord; };
    return ok(l) && ok(t) && ok(r) && ok(b);
}

RECT clampedRect(int l, int t, int r, int b)
{
    auto c = [](int v) { return std::clamp(v, kMinCoord, kMaxCoord); };
    return normalised(c(l), c(t), c(r), c(b));
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    RECT r = clampedRect(left, top, right, bottom);
    return addRegion(Region::fromRect(r.left, r.top, r.right, r.bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    RECT r = clampedRect(left, top, right, bottom);
    return addRegion(ellipseRegion(r.left, r.top, r.right, r.bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect)
{
    return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
    // A polygon that encloses no pixel gives no region at all.
    if (!points || count < 3 || (fillMode != ALTERNATE && fillMode != WINDING))
        return nullptr;
    for (int i = 0; i < count; ++i)
        if (!saneRect(points[i].x, points[i].y, points[i].x, points[i].y))
            return nullptr;
    Region r = polygonRegion(points, count, fillMode);
    if (r.empty())
        return nullptr;
    return addRegion(std::move(r));
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode)
{
    std::shared_ptr<RegionObject> d = findRegion(dst), ra = findRegion(a), rb = findRegion(b);
    if (!d || !ra || mode < RGN_AND || mode > RGN_COPY || (mode != RGN_COPY && !rb))
        return RGN_ERROR;
    d->region = Region::combine(ra->region, rb ? rb->region : Region(), mode);
    return d->region.complexity();
}

BOOL EqualRgn(HRGN a, HRGN b)
{
    std::shared_ptr<RegionObject> ra = findRegion(a), rb = findRegion(b);
    if (!ra || !rb)
        return FALSE;
    return ra->region == rb->region;
}

BOOL PtInRegion(HRGN rgn, int x, int y)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    return r && r->region.contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const RECT* rect)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!r || !rect)
        return FALSE;
    RECT n = normalised(rect->left, rect->top, rect->right, rect->bottom);
    return r->region.intersects(n);
}

int GetRgnBox(HRGN rgn, LPRECT box)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!r || !box)
        return RGN_ERROR;
    *box = r->region.box();
    return r->region.complexity();
}

int OffsetRgn(HRGN rgn, int dx, int dy)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!r)
        return RGN_ERROR;
    RECT box = r->region.box();
    if (!r->region.empty() && !saneRect((long long)box.left + dx, (long long)box.top + dy,
                                        (long long)box.right + dx, (long long)box.bottom + dy))
        return RGN_ERROR;
    r->region.offset(dx, dy);
    return r->region.complexity();
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom)
{
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!r)
        return FALSE;
    RECT c = clampedRect(left, top, right, bottom);
    r->region = Region::fromRect(c.left, c.top, c.right, c.bottom);
    return TRUE;
}

// Clipping

namespace {

int visibleComplexity(const Dc& dc)
{
    if (!dc.state.bitmap)
        return NULLREGION;
    Region bounds = Region::fromRect(0, 0, dc.state.bitmap->width, dc.state.bitmap->height);
    Region v = dc.state.clip ? Region::combine(bounds, *dc.state.clip, RGN_AND) : bounds;
    return v.complexity();
}

Region currentClip(const Dc& dc)
{
    if (dc.state.clip)
        return *dc.state.clip;
    const Bitmap* b = dc.state.bitmap.get();
    return Region::fromRect(0, 0, b ? b->width : 0, b ? b->height : 0);
}

POINT deviceOffset(const Dc& dc)
{
    return {dc.state.viewportOrg.x - dc.state.windowOrg.x, dc.state.viewportOrg.y - dc.state.windowOrg.y};
}

}  // namespace

int ExtSelectClipRgn(HDC handle, HRGN rgn, int mode)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc || mode < RGN_AND || mode > RGN_COPY)
        return RGN_ERROR;
    if (!rgn) {
        if (mode != RGN_COPY)
            return RGN_ERROR;
        dc->state.clip.reset();
        return visibleComplexity(*dc);
    }
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!r)
        return RGN_ERROR;
    if (mode == RGN_COPY)
        dc->state.clip = r->region;
    else
        dc->state.clip = Region::combine(currentClip(*dc), r->region, mode);
    return visibleComplexity(*dc);
}

int SelectClipRgn(HDC dc, HRGN rgn) { return ExtSelectClipRgn(dc, rgn, RGN_COPY); }

int GetClipRgn(HDC handle, HRGN rgn)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    std::shared_ptr<RegionObject> r = findRegion(rgn);
    if (!dc || !r)
        return -1;
    if (!dc->state.clip)
        return 0;
    r->region = *dc->state.clip;
    return 1;
}

namespace {

int clipWithRect(HDC handle, int left, int top, int right, int bottom, int mode)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc)
        return RGN_ERROR;
    POINT o = deviceOffset(*dc);
    RECT r = clampedRect(left, top, right, bottom);
    OffsetRect(&r, o.x, o.y);
    dc->state.clip = Region::combine(currentClip(*dc), Region::fromRect(r.left, r.top, r.right, r.bottom), mode);
    return visibleComplexity(*dc);
}

}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    return clipWithRect(dc, left, top, right, bottom, RGN_AND);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom)
{
    return clipWithRect(dc, left, top, right, bottom, RGN_DIFF);
}

int GetClipBox(HDC handle, LPRECT box)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc || !box || !dc->state.bitmap)
        return RGN_ERROR;
    Region bounds = Region::fromRect(0, 0, dc->state.bitmap->width, dc->state.bitmap->height);
    Region v = dc->state.clip ? Region::combine(bounds, *dc->state.clip, RGN_AND) : bounds;
    *box = v.box();
    if (!v.empty()) {
        POINT o = deviceOffset(*dc);
        OffsetRect(box, -o.x, -o.y);
    }
    return v.complexity();
}

BOOL RectVisible(HDC handle, const RECT* rect)
{
    std::shared_ptr<Dc> dc = findDc(handle);
    if (!dc || !rect || !dc->state.bitmap)
        return FALSE;
    POINT o = deviceOffset(*dc);
    RECT r = clampedRect(rect->left, rect->top, rect->right, rect->bottom);
    OffsetRect(&r, o.x, o.y);
    for (const RECT& c : visibleRects(*dc, *dc->state.bitmap)) {
        RECT a;
        if (IntersectRect(&a, &r, &c))
            return TRUE;
    }
    return FALSE;
}

BOOL PtVisible(HDC dc, int x, int y)
{
    RECT r{x, y, x + 1, y + 1};
    return RectVisible(dc, &r);
}
