#include "gdi/stretch.h"

#include <algorithm>
#include <cstring>

#include "gdi/gdiapi.h"

namespace gdi {

namespace {

struct Axis {
    int start;
    int extent;
    bool mirror;
};

Axis axis(int start, int extent)
{
    if (extent < 0)
        return {start + extent, -extent, true};
    return {start, extent, false};
}

// Turns source pixels into destination raw values.
class Converter {
public:
    Converter(const Bitmap& src, const Bitmap& dst, const BlitSource& source, const DcState& dstState)
        : src_(src), dst_(dst), source_(source)
    {
        monoSource_ = src.bpp == 1 && !src.dibSection;
        if (src.bpp <= 8) {
            lutMode_ = true;
            for (uint32_t i = 0; i < (1u << src.bpp); ++i)
                lut_[i] = convertIndex(i, dstState);
        } else {
            direct_ = src.bpp >= 24 && dst.bpp >= 24;
        }
    }

    bool lutMode() const { return lutMode_; }
    bool direct() const { return direct_; }
    const uint32_t* lut() const { return lut_; }

    uint32_t operator()(uint32_t raw) const
    {
        if (lutMode_)
            return lut_[raw & 0xFF];
        if (direct_)
            return raw & 0x00FFFFFF;
        return fromColor(rawToColor(src_, raw));
    }

    // The colour a source pixel shows, for averaging.
    COLORREF color(uint32_t raw, const DcState& dstState) const
    {
        if (monoSource_)
            return raw ? dstState.bkColor : dstState.textColor;
        return rawToColor(src_, raw);
    }

private:
    uint32_t fromColor(COLORREF c) const
    {
        if (dst_.bpp == 1 && source_.hasBkColor)
            return (c & 0x00FFFFFF) == (source_.bkColor & 0x00FFFFFF) ? 1 : 0;
        return colorToRaw(dst_, c);
    }

    uint32_t convertIndex(uint32_t i, const DcState& dstState) const
    {
        if (src_.bpp == 1 && dst_.bpp == 1 && monoSource_)
            return i;
        if (monoSource_)
            return colorToRaw(dst_, i ? dstState.bkColor : dstState.textColor);
        return fromColor(rawToColor(src_, i));
    }

    const Bitmap& src_;
    const Bitmap& dst_;
    const BlitSource& source_;
    bool monoSource_ = false;
    bool lutMode_ = false;
    bool direct_ = false;
    uint32_t lut_[256] = {};
};

// Source index of each destination pixel (nearest pixel), -1 outside the source.
std::vector<int> nearestMap(const Axis& d, const Axis& s, int from, int to, int limit)
{
    std::vector<int> map(static_cast<size_t>(to - from));
    bool mirror = d.mirror != s.mirror;
    for (int v = from; v < to; ++v) {
        long long i = v - d.start;
        long long j = mirror ? d.extent - 1 - i : i;
        long long k = s.start + j * s.extent / d.extent;
        map[v - from] = k < 0 || k >= limit ? -1 : static_cast<int>(k);
    }
    return map;
}

// Area-average taps: destination pixel v takes count source pixels from
// first on, with 15-bit weights that sum to 32768 (so that the vertical
// pass accumulates in 32 bits).
constexpr uint32_t kOne = 1u << 15;

struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<uint32_t> weight;  // maxTaps per destination pixel
    int maxTaps = 0;
};

Taps areaTaps(const Axis& d, const Axis& s, int from, int to)
{
    Taps t;
    bool mirror = d.mirror != s.mirror;
    long long D = d.extent, S = s.extent;
    t.maxTaps = static_cast<int>((S + D - 1) / D + 1);
    size_t n = static_cast<size_t>(to - from);
    t.first.resize(n);
    t.count.resize(n);
    t.weight.assign(n * t.maxTaps, 0);
    for (int v = from; v < to; ++v) {
        long long i = v - d.start;
        long long j = mirror ? D - 1 - i : i;
        long long lo = j * S, hi = (j + 1) * S;  // in units of 1/D source pixel
        long long k0 = lo / D, k1 = (hi + D - 1) / D;
        size_t at = static_cast<size_t>(v - from);
        int taps = static_cast<int>(std::min<long long>(k1 - k0, t.maxTaps));
        uint32_t sum = 0;
        int biggest = 0;
        for (int q = 0; q < taps; ++q) {
            long long k = k0 + q;
            long long overlap = std::min(hi, (k + 1) * D) - std::max(lo, k * D);
            uint32_t w = static_cast<uint32_t>((overlap * kOne + S / 2) / S);
            t.weight[at * t.maxTaps + q] = w;
            sum += w;
            if (w > t.weight[at * t.maxTaps + biggest])
                biggest = q;
        }
        t.weight[at * t.maxTaps + biggest] += kOne - sum;
        long long firstPixel = s.start + k0;
        t.first[at] = static_cast<int>(std::clamp<long long>(firstPixel, -(1LL << 30), 1LL << 30));
        t.count[at] = taps;
    }
    return t;
}

inline int clampIndex(int k, int limit) { return k < 0 ? 0 : (k >= limit ? limit - 1 : k); }

void nearestRows(Target& t, const RECT& area, const std::vector<int>& xmap,
                 const std::vector<int>& ymap, int mapLeft, int mapTop, const Bitmap& src, const Converter& conv,
                 DWORD rop, uint32_t pattern)
{
    Bitmap& dst = *t.bitmap;
    uint32_t mask = dst.bpp == 32 ? 0x00FFFFFFu : rawMask(dst.bpp);
    for (int y = area.top; y < area.bottom; ++y) {
        int sy = ymap[y - mapTop];
        if (sy < 0)
            continue;
        const int* xm = xmap.data() + (area.left - mapLeft);
        int n = area.right - area.left;
        if (dst.bpp == 32 && rop == SRCCOPY) {
            uint32_t* out = reinterpret_cast<uint32_t*>(dst.row(y)) + area.left;
            const uint8_t* in = src.row(sy);
            if (src.bpp == 8) {
                const uint32_t* lut = conv.lut();
                for (int i = 0; i < n; ++i)
                    if (xm[i] >= 0)
                        out[i] = lut[in[xm[i]]] & mask;
                continue;
            }
            if (src.bpp == 24 || src.bpp == 32) {
                int step = src.bpp / 8;
                for (int i = 0; i < n; ++i)
                    if (xm[i] >= 0) {
                        const uint8_t* p = in + xm[i] * step;
                        out[i] = p[0] | (p[1] << 8) | (p[2] << 16);
                    }
                continue;
            }
        }
        for (int i = 0; i < n; ++i) {
            if (xm[i] < 0)
                continue;
            int x = area.left + i;
            uint32_t s = conv(readRaw(src, xm[i], sy));
            uint32_t d = rop == SRCCOPY ? 0 : readRaw(dst, x, y);
            writeRaw(dst, x, y, applyRop3(rop, pattern, s, d) & mask);
        }
    }
}

// Source row colours as 1 (grey) or 3 channels for the averaging path.
class ColourRows {
public:
    ColourRows(const Bitmap& src, const Converter& conv, const DcState& dstState) : src_(src)
    {
        if (src.bpp <= 8) {
            grey_ = true;
            for (uint32_t i = 0; i < (1u << src.bpp); ++i) {
                COLORREF c = conv.color(i, dstState);
                table_[i] = c;
                if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c))
                    grey_ = false;
            }
            for (int i = 0; i < 256; ++i)
                greyTable_[i] = GetRValue(table_[i]);
        }
    }
    int channels() const { return grey_ ? 1 : 3; }

    // Channel values of pixels [x0, x1) of row y, interleaved.
    void read(int y, int x0, int x1, std::vector<uint16_t>& out) const
    {
        out.resize(static_cast<size_t>(x1 - x0) * channels());
        const uint8_t* in = src_.row(y);
        uint16_t* o = out.data();
        if (grey_ && src_.bpp == 8) {
            for (int x = x0; x < x1; ++x)
                *o++ = greyTable_[in[x]];
            return;
        }
        if (src_.bpp == 24 || src_.bpp == 32) {
            int step = src_.bpp / 8;
            for (const uint8_t* p = in + x0 * step; p < in + x1 * step; p += step) {
                *o++ = p[2];
                *o++ = p[1];
                *o++ = p[0];
            }
            return;
        }
        for (int x = x0; x < x1; ++x) {
            COLORREF c = src_.bpp <= 8 ? table_[readRaw(src_, x, y)] : rawToColor(src_, readRaw(src_, x, y));
            *o++ = GetRValue(c);
            if (!grey_) {
                *o++ = GetGValue(c);
                *o++ = GetBValue(c);
            }
        }
    }

private:
    const Bitmap& src_;
    bool grey_ = false;
    COLORREF table_[256] = {};
    uint16_t greyTable_[256] = {};
};

// Horizontal pass of one source row: each destination column's weighted sum
// in 8.8 fixed point. Taps is the tap count when known at compile time.
template <int Channels, int Taps>
void filterRowFixed(const uint16_t* pixels, const int* offsets, const uint32_t* weights, int maxTaps, int n,
                    uint16_t* __restrict out)
{
    const int taps = Taps > 0 ? Taps : maxTaps;
    for (int i = 0; i < n; ++i, offsets += taps, weights += taps, out += Channels) {
        uint32_t a0 = 0, a1 = 0, a2 = 0;
        for (int q = 0; q < taps; ++q) {
            const uint16_t* p = pixels + offsets[q] * Channels;
            a0 += weights[q] * p[0];
            if (Channels == 3) {
                a1 += weights[q] * p[1];
                a2 += weights[q] * p[2];
            }
        }
        out[0] = static_cast<uint16_t>((a0 + 64) >> 7);
        if (Channels == 3) {
            out[1] = static_cast<uint16_t>((a1 + 64) >> 7);
            out[2] = static_cast<uint16_t>((a2 + 64) >> 7);
        }
    }
}

template <int Channels>
void filterRow(const std::vector<uint16_t>& pixels, const std::vector<int>& offsets, const std::vector<uint32_t>& weights,
               int maxTaps, int n, uint16_t* out)
{
    switch (maxTaps) {
    case 2: filterRowFixed<Channels, 2>(pixels.data(), offsets.data(), weights.data(), 2, n, out); break;
    case 3: filterRowFixed<Channels, 3>(pixels.data(), offsets.data(), weights.data(), 3, n, out); break;
    default: filterRowFixed<Channels, 0>(pixels.data(), offsets.data(), weights.data(), maxTaps, n, out); break;
    }
}

// Vertical pass: the weighted sum of the filtered rows, back to 8 bits.
// Blocks of fixed length let the compiler vectorise the inner loop.
void combineRows(const uint16_t* const* rows, const uint32_t* weights, int taps, size_t count,
                 uint8_t* __restrict out)
{
    constexpr size_t kBlock = 16;
    constexpr uint32_t kRound = 1u << 22;
    size_t k = 0;
    if (taps == 2) {
        const uint16_t* r0 = rows[0];
        const uint16_t* r1 = rows[1];
        uint32_t w0 = weights[0], w1 = weights[1];
        for (; k + kBlock <= count; k += kBlock)
            for (size_t j = 0; j < kBlock; ++j)
                out[k + j] = static_cast<uint8_t>((w0 * r0[k + j] + w1 * r1[k + j] + kRound) >> 23);
        for (; k < count; ++k)
            out[k] = static_cast<uint8_t>((w0 * r0[k] + w1 * r1[k] + kRound) >> 23);
        return;
    }
    for (; k < count; ++k) {
        uint32_t acc = kRound;
        for (int q = 0; q < taps; ++q)
            acc += weights[q] * rows[q][k];
        out[k] = static_cast<uint8_t>(acc >> 23);
    }
}

void halftoneRows(Target& t, const RECT& area, const Taps& xt, const Taps& yt, int mapLeft, int mapTop,
                  const Bitmap& src, const ColourRows& colours, DWORD rop, uint32_t pattern)
{
    Bitmap& dst = *t.bitmap;
    uint32_t mask = dst.bpp == 32 ? 0x00FFFFFFu : rawMask(dst.bpp);
    const int ch = colours.channels();
    const int n = area.right - area.left;
    // Columns of the source this area reads.
    int sx0 = src.width, sx1 = 0;
    for (int i = 0; i < n; ++i) {
        int at = area.left - mapLeft + i;
        sx0 = std::min(sx0, clampIndex(xt.first[at], src.width));
        sx1 = std::max(sx1, clampIndex(xt.first[at] + xt.count[at] - 1, src.width) + 1);
    }
    if (sx1 <= sx0)
        return;
    // Every column gets maxTaps taps (unused ones weigh 0) at clamped offsets.
    std::vector<int> offsets(static_cast<size_t>(n) * xt.maxTaps);
    std::vector<uint32_t> weights(static_cast<size_t>(n) * xt.maxTaps);
    for (int i = 0; i < n; ++i) {
        int at = area.left - mapLeft + i;
        for (int q = 0; q < xt.maxTaps; ++q) {
            size_t k = static_cast<size_t>(i) * xt.maxTaps + q;
            bool used = q < xt.count[at];
            offsets[k] = clampIndex(xt.first[at] + (used ? q : 0), src.width) - sx0;
            weights[k] = used ? xt.weight[static_cast<size_t>(at) * xt.maxTaps + q] : 0;
        }
    }
    // Horizontally filtered source rows, cached while consecutive rows reuse them.
    struct Filtered {
        int row = -1;
        std::vector<uint16_t> values;
    };
    std::vector<Filtered> cache(static_cast<size_t>(yt.maxTaps + 1));
    size_t nextSlot = 0;
    std::vector<uint16_t> pixels;
    auto filtered = [&](int sy) -> const std::vector<uint16_t>& {
        for (Filtered& f : cache)
            if (f.row == sy)
                return f.values;
        Filtered& f = cache[nextSlot];
        nextSlot = (nextSlot + 1) % cache.size();
        f.row = sy;
        colours.read(sy, sx0, sx1, pixels);
        f.values.resize(static_cast<size_t>(n) * ch);
        if (ch == 1)
            filterRow<1>(pixels, offsets, weights, xt.maxTaps, n, f.values.data());
        else
            filterRow<3>(pixels, offsets, weights, xt.maxTaps, n, f.values.data());
        return f.values;
    };
    std::vector<uint8_t> averaged(static_cast<size_t>(n) * ch);
    std::vector<const uint16_t*> rows(static_cast<size_t>(yt.maxTaps));
    for (int y = area.top; y < area.bottom; ++y) {
        int at = y - mapTop;
        int taps = std::max(1, yt.count[at]);
        // Filter first, then take the pointers: a later fill may evict an
        // earlier row only when the cache is smaller than the tap count.
        for (int q = 0; q < taps; ++q)
            filtered(clampIndex(yt.first[at] + q, src.height));
        for (int q = 0; q < taps; ++q)
            rows[q] = filtered(clampIndex(yt.first[at] + q, src.height)).data();
        combineRows(rows.data(), &yt.weight[static_cast<size_t>(at) * yt.maxTaps], taps, averaged.size(),
                    averaged.data());
        const uint8_t* v = averaged.data();
        if (dst.bpp == 32 && rop == SRCCOPY) {
            uint32_t* out32 = reinterpret_cast<uint32_t*>(dst.row(y)) + area.left;
            if (ch == 1) {
                for (int i = 0; i < n; ++i)
                    out32[i] = v[i] * 0x010101u;
            } else {
                for (int i = 0; i < n; ++i, v += 3)
                    out32[i] = (uint32_t(v[0]) << 16) | (uint32_t(v[1]) << 8) | v[2];
            }
            continue;
        }
        for (int i = 0; i < n; ++i) {
            uint32_t r = v[i * ch], g = v[i * ch + (ch == 3 ? 1 : 0)], b = v[i * ch + (ch == 3 ? 2 : 0)];
            int x = area.left + i;
            uint32_t sv = colorToRaw(dst, RGB(r, g, b));
            uint32_t d = rop == SRCCOPY ? 0 : readRaw(dst, x, y);
            writeRaw(dst, x, y, applyRop3(rop, pattern, sv, d) & mask);
        }
    }
}

std::shared_ptr<Bitmap> copyOf(const Bitmap& b)
{
    auto c = std::make_shared<Bitmap>();
    c->width = b.width;
    c->height = b.height;
    c->bpp = b.bpp;
    c->stride = b.stride;
    c->topDown = b.topDown;
    c->dibSection = b.dibSection;
    c->storage.assign(b.data, b.data + b.byteSize());
    c->data = c->storage.data();
    c->colors = b.colors;
    std::memcpy(c->masks, b.masks, sizeof(c->masks));
    return c;
}

}  // namespace

bool blit(Target& t, int x, int y, int width, int height, const BlitSource& source, DWORD rop, int stretchMode)
{
    if (width == 0 || height == 0 || source.width == 0 || source.height == 0 || !source.bitmap)
        return false;
    Axis dx = axis(x, width), dy = axis(y, height);
    Axis sx = axis(source.x, source.width), sy = axis(source.y, source.height);
    RECT dest{dx.start, dy.start, static_cast<LONG>(std::min<long long>(INT32_MAX, (long long)dx.start + dx.extent)),
              static_cast<LONG>(std::min<long long>(INT32_MAX, (long long)dy.start + dy.extent))};
    // The visible part of the destination bounds every table below.
    RECT visible{0, 0, 0, 0};
    for (const RECT& c : t.clip) {
        RECT a;
        if (IntersectRect(&a, &dest, &c))
            UnionRect(&visible, &visible, &a);
    }
    if (IsRectEmpty(&visible))
        return true;
    std::shared_ptr<Bitmap> overlapCopy;
    const Bitmap* src = source.bitmap;
    if (src == t.bitmap.get()) {
        overlapCopy = copyOf(*src);
        src = overlapCopy.get();
    }
    const DcState& state = t.dc->state;
    uint32_t pattern = ropUsesPattern(rop) && state.brush && state.brush->style != BS_NULL ? t.raw(state.brush->color) : 0;
    Converter conv(*src, *t.bitmap, source, state);
    bool average = stretchMode == HALFTONE && (dx.extent != sx.extent || dy.extent != sy.extent) &&
                   t.bitmap->bpp >= 16 && src->bpp != 1 && sx.extent / dx.extent < 64 && sy.extent / dy.extent < 64;
    if (average) {
        Taps xt = areaTaps(dx, sx, visible.left, visible.right);
        Taps yt = areaTaps(dy, sy, visible.top, visible.bottom);
        ColourRows colours(*src, conv, state);
        for (const RECT& c : t.clip) {
            RECT a;
            if (IntersectRect(&a, &visible, &c))
                halftoneRows(t, a, xt, yt, visible.left, visible.top, *src, colours, rop, pattern);
        }
        return true;
    }
    std::vector<int> xmap = nearestMap(dx, sx, visible.left, visible.right, src->width);
    std::vector<int> ymap = nearestMap(dy, sy, visible.top, visible.bottom, src->height);
    for (const RECT& c : t.clip) {
        RECT a;
        if (IntersectRect(&a, &visible, &c))
            nearestRows(t, a, xmap, ymap, visible.left, visible.top, *src, conv, rop, pattern);
    }
    return true;
}

}  // namespace gdi
