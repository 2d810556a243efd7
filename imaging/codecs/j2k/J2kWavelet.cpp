#include "J2kWavelet.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int kPad = 4;

// Wide enough that hostile coefficients wrap instead of overflowing.
int64_t FixMul(int64_t a, int64_t b) { return (a * b) >> 13; }

// Fills kPad samples each side by whole-sample symmetric extension.
void Extend(int32_t* e, int n)
{
    for (int k = 1; k <= kPad; k++) {
        int period = 2 * (n - 1);
        int left = k % period, right = k % period;
        e[-k] = e[left <= n - 1 ? left : period - left];
        e[n - 1 + k] = e[n - 1 - (right <= n - 1 ? right : period - right)];
    }
}

struct Scratch {
    std::vector<int32_t> buffer;
    int32_t* Get(int n)
    {
        if (int(buffer.size()) < n + 2 * kPad)
            buffer.resize(size_t(n + 2 * kPad));
        return buffer.data() + kPad;
    }
};

thread_local Scratch scratch;

// j ranges over [from, to) of positions with the given parity of absolute index.
template <class Step> void Lift(int32_t* e, int i0, int parity, int from, int to, Step step)
{
    int j = from;
    if (((i0 + j) & 1) != parity)
        j++;
    for (; j < to; j += 2)
        step(e, j);
}

void Deinterleave(const int32_t* e, int32_t* out, int n, int i0)
{
    int k = 0;
    for (int j = (i0 & 1); j < n; j += 2)
        out[k++] = e[j];
    for (int j = 1 - (i0 & 1); j < n; j += 2)
        out[k++] = e[j];
}

void Interleave(const int32_t* in, int32_t* e, int n, int i0)
{
    int k = 0;
    for (int j = (i0 & 1); j < n; j += 2)
        e[j] = in[k++];
    for (int j = 1 - (i0 & 1); j < n; j += 2)
        e[j] = in[k++];
}

// A signal of one sample: doubled at an odd position on the way in, halved on
// the way out. True when there is nothing more to do.
bool Lone(int32_t* x, int n, int i0, bool forward)
{
    if (n > 1)
        return false;
    if (n == 1 && (i0 & 1))
        x[0] = forward ? x[0] * 2 : x[0] / 2;
    return true;
}

} // namespace

void J2kWavelet::Forward53(int32_t* x, int n, int i0)
{
    if (Lone(x, n, i0, true))
        return;
    int32_t* e = scratch.Get(n);
    for (int j = 0; j < n; j++)
        e[j] = x[j];
    Extend(e, n);
    Lift(e, i0, 1, -3, n + 3, [](int32_t* v, int j) { v[j] = int32_t(v[j] - ((int64_t(v[j - 1]) + v[j + 1]) >> 1)); });
    Lift(e, i0, 0, 0, n, [](int32_t* v, int j) { v[j] = int32_t(v[j] + ((int64_t(v[j - 1]) + v[j + 1] + 2) >> 2)); });
    Deinterleave(e, x, n, i0);
}

void J2kWavelet::Inverse53(int32_t* x, int n, int i0)
{
    if (Lone(x, n, i0, false))
        return;
    int32_t* e = scratch.Get(n);
    Interleave(x, e, n, i0);
    Extend(e, n);
    Lift(e, i0, 0, -3, n + 3, [](int32_t* v, int j) { v[j] = int32_t(v[j] - ((int64_t(v[j - 1]) + v[j + 1] + 2) >> 2)); });
    Lift(e, i0, 1, 0, n, [](int32_t* v, int j) { v[j] = int32_t(v[j] + ((int64_t(v[j - 1]) + v[j + 1]) >> 1)); });
    for (int j = 0; j < n; j++)
        x[j] = e[j];
}

void J2kWavelet::Forward97(int32_t* x, int n, int i0)
{
    if (Lone(x, n, i0, true))
        return;
    int32_t* e = scratch.Get(n);
    for (int j = 0; j < n; j++)
        e[j] = x[j];
    Extend(e, n);
    Lift(e, i0, 1, -3, n + 3, [](int32_t* v, int j) { v[j] = int32_t(v[j] - FixMul(int64_t(v[j - 1]) + v[j + 1], 12993)); });
    Lift(e, i0, 0, -2, n + 2, [](int32_t* v, int j) { v[j] = int32_t(v[j] - FixMul(int64_t(v[j - 1]) + v[j + 1], 434)); });
    Lift(e, i0, 1, -1, n + 1, [](int32_t* v, int j) { v[j] = int32_t(v[j] + FixMul(int64_t(v[j - 1]) + v[j + 1], 7233)); });
    Lift(e, i0, 0, 0, n, [](int32_t* v, int j) { v[j] = int32_t(v[j] + FixMul(int64_t(v[j - 1]) + v[j + 1], 3633)); });
    for (int j = 0; j < n; j++)
        e[j] = int32_t(FixMul(e[j], ((i0 + j) & 1) ? 5038 : 6660));
    Deinterleave(e, x, n, i0);
}

void J2kWavelet::Inverse97(int32_t* x, int n, int i0)
{
    if (Lone(x, n, i0, false))
        return;
    int32_t* e = scratch.Get(n);
    Interleave(x, e, n, i0);
    for (int j = 0; j < n; j++)
        e[j] = int32_t(FixMul(e[j], ((i0 + j) & 1) ? 13320 : 10076));
    Extend(e, n);
    Lift(e, i0, 0, -3, n + 3, [](int32_t* v, int j) { v[j] = int32_t(v[j] - FixMul(int64_t(v[j - 1]) + v[j + 1], 3633)); });
    Lift(e, i0, 1, -2, n + 2, [](int32_t* v, int j) { v[j] = int32_t(v[j] - FixMul(int64_t(v[j - 1]) + v[j + 1], 7233)); });
    Lift(e, i0, 0, -1, n + 1, [](int32_t* v, int j) { v[j] = int32_t(v[j] + FixMul(int64_t(v[j - 1]) + v[j + 1], 434)); });
    Lift(e, i0, 1, 0, n, [](int32_t* v, int j) { v[j] = int32_t(v[j] + FixMul(int64_t(v[j - 1]) + v[j + 1], 12993)); });
    for (int j = 0; j < n; j++)
        x[j] = e[j];
}

namespace {

using Transform1D = void (*)(int32_t*, int, int);

// The vertical transform lifts whole rows at a time, so that every step runs
// along memory; borders mirror row indices, which lifting keeps symmetric.
class RowLifter {
public:
    RowLifter(int32_t* base, int stride, int width, int n, int i0)
        : base(base), stride(stride), width(width), n(n), i0(i0)
    {
    }
    int32_t* Row(int j) const
    {
        int period = 2 * (n - 1);
        j = ((j % period) + period) % period;
        return base + size_t(j < n ? j : period - j) * size_t(stride);
    }
    template <class Op> void Step(int parity, Op op) const
    {
        for (int j = ((i0 & 1) == parity) ? 0 : 1; j < n; j += 2) {
            int32_t* r = Row(j);
            const int32_t* a = Row(j - 1);
            const int32_t* b = Row(j + 1);
            for (int x = 0; x < width; x++)
                r[x] = int32_t(op(int64_t(r[x]), int64_t(a[x]) + b[x]));
        }
    }
    void Scale(int32_t evenFactor, int32_t oddFactor) const
    {
        for (int j = 0; j < n; j++) {
            int32_t* r = Row(j);
            int64_t f = ((i0 + j) & 1) ? oddFactor : evenFactor;
            for (int x = 0; x < width; x++)
                r[x] = int32_t(FixMul(r[x], f));
        }
    }

private:
    int32_t* base;
    int stride, width, n, i0;
};

// Rows of the region to and from low-pass-first order through a copy.
void ReorderRows(int32_t* base, int stride, int width, int n, int i0, bool deinterleave)
{
    // Left uninitialised: every sample is copied in before it is read.
    std::unique_ptr<int32_t[]> copy(new int32_t[size_t(width) * size_t(n)]);
    for (int j = 0; j < n; j++)
        memcpy(copy.get() + size_t(j) * size_t(width), base + size_t(j) * size_t(stride),
               sizeof(int32_t) * size_t(width));
    int k = 0;
    for (int pass = 0; pass < 2; pass++)
        for (int j = pass ^ (i0 & 1); j < n; j += 2, k++) {
            int from = deinterleave ? j : k, to = deinterleave ? k : j;
            memcpy(base + size_t(to) * size_t(stride), copy.get() + size_t(from) * size_t(width),
                   sizeof(int32_t) * size_t(width));
        }
}

bool LoneRow(int32_t* base, int width, int n, int i0, bool forward)
{
    if (n > 1)
        return false;
    for (int x = 0; x < width; x++)
        Lone(base + x, n, i0, forward);
    return true;
}

void Columns(J2kTileComponent& tc, const J2kResolution& r, bool reversible, bool forward)
{
    int w = r.x1 - r.x0, n = r.y1 - r.y0, stride = tc.Width();
    int32_t* base = tc.buffer.data();
    if (w <= 0 || LoneRow(base, w, n, r.y0, forward))
        return;
    RowLifter rows(base, stride, w, n, r.y0);
    auto add = [](int64_t c) { return [c](int64_t v, int64_t s) { return v + FixMul(s, c); }; };
    auto sub = [](int64_t c) { return [c](int64_t v, int64_t s) { return v - FixMul(s, c); }; };
    if (!forward)
        ReorderRows(base, stride, w, n, r.y0, false);
    if (reversible && forward) {
        rows.Step(1, [](int64_t v, int64_t s) { return v - (s >> 1); });
        rows.Step(0, [](int64_t v, int64_t s) { return v + ((s + 2) >> 2); });
    } else if (reversible) {
        rows.Step(0, [](int64_t v, int64_t s) { return v - ((s + 2) >> 2); });
        rows.Step(1, [](int64_t v, int64_t s) { return v + (s >> 1); });
    } else if (forward) {
        rows.Step(1, sub(12993));
        rows.Step(0, sub(434));
        rows.Step(1, add(7233));
        rows.Step(0, add(3633));
        rows.Scale(6660, 5038);
    } else {
        rows.Scale(10076, 13320);
        rows.Step(0, sub(3633));
        rows.Step(1, sub(7233));
        rows.Step(0, add(434));
        rows.Step(1, add(12993));
    }
    if (forward)
        ReorderRows(base, stride, w, n, r.y0, true);
}

void Rows(J2kTileComponent& tc, const J2kResolution& r, Transform1D transform)
{
    int w = r.x1 - r.x0, h = r.y1 - r.y0, stride = tc.Width();
    for (int y = 0; y < h; y++)
        transform(tc.buffer.data() + y * stride, w, r.x0);
}

} // namespace

void J2kWavelet::Forward(J2kTileComponent& tc, bool reversible)
{
    Transform1D transform = reversible ? Forward53 : Forward97;
    for (int r = int(tc.resolutions.size()) - 1; r > 0; r--) {
        Columns(tc, tc.resolutions[size_t(r)], reversible, true);
        Rows(tc, tc.resolutions[size_t(r)], transform);
    }
}

void J2kWavelet::Inverse(J2kTileComponent& tc, bool reversible, int levels)
{
    Transform1D transform = reversible ? Inverse53 : Inverse97;
    for (int r = 1; r <= levels && r < int(tc.resolutions.size()); r++) {
        Rows(tc, tc.resolutions[size_t(r)], transform);
        Columns(tc, tc.resolutions[size_t(r)], reversible, false);
    }
}

namespace {

// Norms of the one-dimensional synthesis basis, by level and low/high, found by
// synthesising an impulse in real arithmetic with the same lifting steps.
struct NormTable {
    double low[2][11], high[2][11];
    NormTable();
};

void InverseReal(std::vector<double>& e, int n, bool reversible)
{
    // Signal at absolute positions 0 .. n - 1 (interleaved), extended symmetrically.
    auto at = [&](int j) {
        int period = 2 * (n - 1);
        j = ((j % period) + period) % period;
        return j < n ? e[size_t(j)] : e[size_t(period - j)];
    };
    auto step = [&](int parity, double c) {
        std::vector<double> next(e);
        for (int j = parity; j < n; j += 2)
            next[size_t(j)] += c * (at(j - 1) + at(j + 1));
        e.swap(next);
    };
    if (reversible) {
        step(0, -0.25);
        step(1, 0.5);
        return;
    }
    const double k = 1.230174104914001;
    for (int j = 0; j < n; j++)
        e[size_t(j)] *= (j & 1) ? 2.0 / k : k;
    step(0, -0.443506852043971);
    step(1, -0.882911075530934);
    step(0, 0.052980118572961);
    step(1, 1.586134342059924);
}

double ImpulseNorm(bool reversible, int level, bool high)
{
    int n = 64 << level;
    std::vector<double> coefficients(size_t(n), 0.0);
    // The band's sample at the centre of its level's grid.
    int count = n >> level;
    int position = high ? count + count / 2 : count / 2;
    coefficients[size_t(position)] = 1.0;
    for (int l = level; l >= 1; l--) {
        int len = n >> (l - 1);
        std::vector<double> e(static_cast<size_t>(len));
        int half = len / 2;
        for (int j = 0; j < half; j++) {
            e[size_t(2 * j)] = coefficients[size_t(j)];
            e[size_t(2 * j + 1)] = coefficients[size_t(half + j)];
        }
        InverseReal(e, len, reversible);
        for (int j = 0; j < len; j++)
            coefficients[size_t(j)] = e[size_t(j)];
    }
    double sum = 0;
    for (double v : coefficients)
        sum += v * v;
    return std::sqrt(sum);
}

NormTable::NormTable()
{
    for (int w = 0; w < 2; w++) {
        low[w][0] = high[w][0] = 1.0;
        for (int l = 1; l <= 10; l++) {
            low[w][l] = ImpulseNorm(w == 1, l, false);
            high[w][l] = ImpulseNorm(w == 1, l, true);
        }
    }
}

} // namespace

double J2kWavelet::Norm(bool reversible, int level, int orientation)
{
    static const NormTable table;
    int w = reversible ? 1 : 0;
    if (level > 10)
        level = 10;
    if (level <= 0)
        return 1.0;
    double lo = table.low[w][level], hi = table.high[w][level];
    switch (orientation) {
    case 0: return lo * lo;
    case 3: return hi * hi;
    default: return lo * hi;
    }
}
