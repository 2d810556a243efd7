#include "J2kWavelet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The 9/7 lifting and scaling factors carry 24 fractional bits: rounded to 13
// they biased every lossy decode by about a tenth of a percent of the level.
const int kFactorBits = 24;
const int64_t kAlpha = 26610918;             // 1.586134342059924
const int64_t kBeta = 888859;                // 0.052980118572961
const int64_t kGamma = 14812790;             // 0.882911075530934
const int64_t kDelta = 7440810;              // 0.443506852043971
const int64_t kScaleLowForward = 13638083;   // 1/K, K = 1.230174104914001
const int64_t kScaleHighForward = 10319448;  // K/2
const int64_t kScaleLowInverse = 20638897;   // K
const int64_t kScaleHighInverse = 27276165;  // 2/K

// Wide enough that hostile coefficients wrap instead of overflowing.
int64_t FixMul(int64_t a, int64_t factor) { return (a * factor) >> kFactorBits; }

// The lifting steps of both wavelets, each on the samples of one parity of
// absolute position with the sum of their two neighbours; the 9/7 scales low-
// and high-pass samples after the forward steps and before the inverse ones.
template <class Lifter> void RunLifting(Lifter& lift, bool reversible, bool forward)
{
    auto add = [](int64_t c) { return [c](int64_t v, int64_t s) { return v + FixMul(s, c); }; };
    auto sub = [](int64_t c) { return [c](int64_t v, int64_t s) { return v - FixMul(s, c); }; };
    if (reversible && forward) {
        lift.Step(1, [](int64_t v, int64_t s) { return v - (s >> 1); });
        lift.Step(0, [](int64_t v, int64_t s) { return v + ((s + 2) >> 2); });
    } else if (reversible) {
        lift.Step(0, [](int64_t v, int64_t s) { return v - ((s + 2) >> 2); });
        lift.Step(1, [](int64_t v, int64_t s) { return v + (s >> 1); });
    } else if (forward) {
        lift.Step(1, sub(kAlpha));
        lift.Step(0, sub(kBeta));
        lift.Step(1, add(kGamma));
        lift.Step(0, add(kDelta));
        lift.Scale(kScaleLowForward, kScaleHighForward);
    } else {
        lift.Scale(kScaleLowInverse, kScaleHighInverse);
        lift.Step(0, sub(kDelta));
        lift.Step(1, sub(kGamma));
        lift.Step(0, add(kBeta));
        lift.Step(1, add(kAlpha));
    }
}

// Lifting over n >= 2 lines of samples (rows of a region, or single samples of
// one line) at absolute positions i0 ..; borders mirror the indices, which
// lifting keeps symmetric, so only the real samples are ever updated.
class Lifter {
public:
    Lifter(int32_t* base, size_t stride, int width, int n, int i0)
        : base(base), stride(stride), width(width), n(n), i0(i0)
    {
    }
    int32_t* Line(int j) const
    {
        if (j < 0)
            j = -j;
        if (j >= n)
            j = 2 * (n - 1) - j;
        return base + size_t(j) * stride;
    }
    template <class Op> void Step(int parity, Op op) const
    {
        int first = ((i0 & 1) == parity) ? 0 : 1;
        if (width == 1 && stride == 1) {
            // One line of samples: neighbours mirror only at the two ends.
            int32_t* x = base;
            int j = first;
            if (j == 0) {
                x[0] = int32_t(op(int64_t(x[0]), 2 * int64_t(x[1])));
                j = 2;
            }
            for (; j + 1 < n; j += 2)
                x[j] = int32_t(op(int64_t(x[j]), int64_t(x[j - 1]) + x[j + 1]));
            if (j < n)
                x[j] = int32_t(op(int64_t(x[j]), 2 * int64_t(x[j - 1])));
            return;
        }
        for (int j = first; j < n; j += 2) {
            int32_t* r = Line(j);
            const int32_t* a = Line(j - 1);
            const int32_t* b = Line(j + 1);
            for (int x = 0; x < width; x++)
                r[x] = int32_t(op(int64_t(r[x]), int64_t(a[x]) + b[x]));
        }
    }
    void Scale(int64_t evenFactor, int64_t oddFactor) const
    {
        for (int j = 0; j < n; j++) {
            int32_t* r = Line(j);
            int64_t f = ((i0 + j) & 1) ? oddFactor : evenFactor;
            for (int x = 0; x < width; x++)
                r[x] = int32_t(FixMul(r[x], f));
        }
    }

private:
    int32_t* base;
    size_t stride;
    int width, n, i0;
};

// Copies count samples of n lines between the region and a scratch copy whose
// lines are copyStride apart; the region's lines are low-pass first when
// deinterleaved is set, the copy's always in natural order.
void CopyLines(int32_t* base, size_t stride, int32_t* copy, size_t copyStride, int count, int n,
               int i0, bool toCopy, bool deinterleaved)
{
    int k = 0;
    for (int pass = 0; pass < 2; pass++)
        for (int j = pass ^ (i0 & 1); j < n; j += 2, k++) {
            int32_t* line = base + size_t(deinterleaved ? k : j) * stride;
            int32_t* copied = copy + size_t(j) * copyStride;
            if (count == 1)
                *(toCopy ? copied : line) = *(toCopy ? line : copied);
            else if (toCopy)
                memcpy(copied, line, sizeof(int32_t) * size_t(count));
            else
                memcpy(line, copied, sizeof(int32_t) * size_t(count));
        }
}

// Columns at a time whose lifting stays in the cache.
const int kStripWidth = 16;

// One level in one direction over n lines of width samples each, lifted in a
// scratch copy that holds the lines in natural order: the forward transform
// deinterleaves on the way back, the inverse interleaves on the way in.
// Columns go through the copy a strip at a time. A lone sample at an odd
// position is a high-pass coefficient of twice its value; the 9/7 keeps its
// high-pass coefficients at half that scale, so there it stays as it is.
void Transform(int32_t* base, size_t stride, int width, int n, int i0, bool reversible,
               bool forward, std::vector<int32_t>& scratch)
{
    if (n <= 1) {
        if (n == 1 && (i0 & 1) && reversible)
            for (int x = 0; x < width; x++)
                base[x] = forward ? base[x] * 2 : base[x] / 2;
        return;
    }
    const int strip = width == 1 ? 1 : kStripWidth;
    if (scratch.size() < size_t(strip) * size_t(n))
        scratch.resize(size_t(strip) * size_t(n));
    int32_t* copy = scratch.data();
    for (int x = 0; x < width; x += strip) {
        int w = std::min(strip, width - x);
        CopyLines(base + x, stride, copy, size_t(strip), w, n, i0, true, !forward);
        Lifter lift(copy, size_t(strip), w, n, i0);
        RunLifting(lift, reversible, forward);
        CopyLines(base + x, stride, copy, size_t(strip), w, n, i0, false, forward);
    }
}


void Line(int32_t* x, int n, int i0, bool reversible, bool forward)
{
    std::vector<int32_t> scratch;
    Transform(x, 1, 1, n, i0, reversible, forward, scratch);
}

} // namespace

void J2kWavelet::Forward53(int32_t* x, int n, int i0) { Line(x, n, i0, true, true); }
void J2kWavelet::Inverse53(int32_t* x, int n, int i0) { Line(x, n, i0, true, false); }
void J2kWavelet::Forward97(int32_t* x, int n, int i0) { Line(x, n, i0, false, true); }
void J2kWavelet::Inverse97(int32_t* x, int n, int i0) { Line(x, n, i0, false, false); }

namespace {

void Columns(J2kTileComponent& tc, const J2kResolution& r, bool reversible, bool forward)
{
    std::vector<int32_t> scratch;
    Transform(tc.Samples(), size_t(tc.Width()), r.x1 - r.x0, r.y1 - r.y0, r.y0, reversible,
              forward, scratch);
}

void Rows(J2kTileComponent& tc, const J2kResolution& r, bool reversible, bool forward)
{
    int w = r.x1 - r.x0, h = r.y1 - r.y0;
    std::vector<int32_t> scratch;
    for (int y = 0; y < h; y++)
        Transform(tc.Samples() + size_t(y) * size_t(tc.Width()), 1, 1, w, r.x0, reversible,
                  forward, scratch);
}

} // namespace

void J2kWavelet::Forward(J2kTileComponent& tc, bool reversible)
{
    for (int r = int(tc.resolutions.size()) - 1; r > 0; r--) {
        Columns(tc, tc.resolutions[size_t(r)], reversible, true);
        Rows(tc, tc.resolutions[size_t(r)], reversible, true);
    }
}

void J2kWavelet::Inverse(J2kTileComponent& tc, bool reversible, int levels)
{
    for (int r = 1; r <= levels && r < int(tc.resolutions.size()); r++) {
        Rows(tc, tc.resolutions[size_t(r)], reversible, false);
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
