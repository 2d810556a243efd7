#include "gdi/region.h"

#include <algorithm>
#include <climits>

#include "gdi/gdidefs.h"

namespace gdi {

namespace {

bool keep(bool inA, bool inB, int mode)
{
    switch (mode) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return inA;
    }
}

// Boolean combination of two sorted disjoint span lists by sweeping the edges.
std::vector<Span> combineSpans(const std::vector<Span>& a, const std::vector<Span>& b, int mode)
{
    // Each list's edges ascend already: merging them sorts them all.
    auto edge = [](const std::vector<Span>& spans, size_t k) { return k % 2 ? spans[k / 2].x1 : spans[k / 2].x0; };
    std::vector<int> edges;
    edges.reserve(2 * (a.size() + b.size()));
    for (size_t ka = 0, kb = 0; ka < 2 * a.size() || kb < 2 * b.size();) {
        if (kb == 2 * b.size() || (ka < 2 * a.size() && edge(a, ka) <= edge(b, kb)))
            edges.push_back(edge(a, ka++));
        else
            edges.push_back(edge(b, kb++));
    }
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<Span> out;
    size_t ia = 0, ib = 0;
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        int x = edges[i];
        while (ia < a.size() && a[ia].x1 <= x)
            ++ia;
        while (ib < b.size() && b[ib].x1 <= x)
            ++ib;
        bool inA = ia < a.size() && a[ia].x0 <= x;
        bool inB = ib < b.size() && b[ib].x0 <= x;
        if (!keep(inA, inB, mode))
            continue;
        if (!out.empty() && out.back().x1 == x)
            out.back().x1 = edges[i + 1];
        else
            out.push_back({x, edges[i + 1]});
    }
    return out;
}

const std::vector<Span>* spansAt(const std::vector<Band>& bands, int y)
{
    auto it = std::upper_bound(bands.begin(), bands.end(), y, [](int v, const Band& b) { return v < b.bottom; });
    if (it == bands.end() || it->top > y)
        return nullptr;
    return &it->spans;
}

}  // namespace

void normaliseSpans(std::vector<Span>& spans)
{
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.x0 < b.x0; });
    size_t kept = 0;
    for (const Span& s : spans) {
        if (s.x1 <= s.x0)
            continue;
        if (kept > 0 && s.x0 <= spans[kept - 1].x1)
            spans[kept - 1].x1 = std::max(spans[kept - 1].x1, s.x1);
        else
            spans[kept++] = s;
    }
    spans.resize(kept);
}

// A band the same as the last one, right below it, lengthens it instead.
bool Region::extendLast(int top, int bottom, const std::vector<Span>& spans)
{
    if (bands_.empty() || bands_.back().bottom != top || !(bands_.back().spans == spans))
        return false;
    bands_.back().bottom = bottom;
    return true;
}

void Region::appendRow(int y, const std::vector<Span>& spans)
{
    if (!spans.empty() && !extendLast(y, y + 1, spans))
        bands_.push_back({y, y + 1, spans});
}

void Region::append(int top, int bottom, std::vector<Span> spans)
{
    if (!spans.empty() && bottom > top && !extendLast(top, bottom, spans))
        bands_.push_back({top, bottom, std::move(spans)});
}

Region Region::fromRect(int left, int top, int right, int bottom)
{
    Region r;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    r.append(top, bottom, {{left, right}});
    return r;
}

namespace {

// The tops and bottoms of a region's bands: ascending, since bands are.
void bandEdges(const std::vector<Band>& bands, std::vector<int>& out)
{
    out.clear();
    for (const Band& band : bands) {
        if (out.empty() || out.back() != band.top)
            out.push_back(band.top);
        out.push_back(band.bottom);
    }
}

// The spans of the band holding row y, for rows visited in ascending order.
class BandCursor {
public:
    explicit BandCursor(const std::vector<Band>& bands) : m_bands(bands) {}
    const std::vector<Span>* at(int y)
    {
        while (m_next < m_bands.size() && m_bands[m_next].bottom <= y)
            ++m_next;
        if (m_next == m_bands.size() || m_bands[m_next].top > y)
            return nullptr;
        return &m_bands[m_next].spans;
    }

private:
    const std::vector<Band>& m_bands;
    size_t m_next = 0;
};

}  // namespace

Region Region::combine(const Region& a, const Region& b, int mode)
{
    if (mode == RGN_COPY)
        return a;
    std::vector<int> edgesA, edgesB, ys;
    bandEdges(a.bands_, edgesA);
    bandEdges(b.bands_, edgesB);
    ys.resize(edgesA.size() + edgesB.size());
    std::merge(edgesA.begin(), edgesA.end(), edgesB.begin(), edgesB.end(), ys.begin());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    static const std::vector<Span> none;
    BandCursor inA(a.bands_), inB(b.bands_);
    Region out;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const std::vector<Span>* sa = inA.at(ys[i]);
        const std::vector<Span>* sb = inB.at(ys[i]);
        if (!sa && !sb)
            continue;
        out.append(ys[i], ys[i + 1], combineSpans(sa ? *sa : none, sb ? *sb : none, mode));
    }
    return out;
}

RECT Region::box() const
{
    RECT r{0, 0, 0, 0};
    if (bands_.empty())
        return r;
    r.left = INT_MAX;
    r.right = INT_MIN;
    r.top = bands_.front().top;
    r.bottom = bands_.back().bottom;
    for (const Band& b : bands_) {
        r.left = std::min<LONG>(r.left, b.spans.front().x0);
        r.right = std::max<LONG>(r.right, b.spans.back().x1);
    }
    return r;
}

int Region::complexity() const
{
    if (bands_.empty())
        return NULLREGION;
    return bands_.size() == 1 && bands_[0].spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::contains(int x, int y) const
{
    const std::vector<Span>* spans = spansAt(bands_, y);
    if (!spans)
        return false;
    for (const Span& s : *spans)
        if (x >= s.x0 && x < s.x1)
            return true;
    return false;
}

bool Region::intersects(const RECT& rect) const
{
    for (const Band& b : bands_) {
        if (b.bottom <= rect.top || b.top >= rect.bottom)
            continue;
        for (const Span& s : b.spans)
            if (s.x1 > rect.left && s.x0 < rect.right)
                return true;
    }
    return false;
}

void Region::offset(int dx, int dy)
{
    for (Band& b : bands_) {
        b.top += dy;
        b.bottom += dy;
        for (Span& s : b.spans) {
            s.x0 += dx;
            s.x1 += dx;
        }
    }
}

std::vector<RECT> Region::rects() const
{
    std::vector<RECT> out;
    for (const Band& b : bands_)
        for (const Span& s : b.spans)
            out.push_back({s.x0, b.top, s.x1, b.bottom});
    return out;
}

bool Region::operator==(const Region& o) const
{
    if (bands_.size() != o.bands_.size())
        return false;
    for (size_t i = 0; i < bands_.size(); ++i)
        if (bands_[i].top != o.bands_[i].top || bands_[i].bottom != o.bands_[i].bottom ||
            !(bands_[i].spans == o.bands_[i].spans))
            return false;
    return true;
}

}  // namespace gdi
