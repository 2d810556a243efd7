// The fixed-point inverse transforms against floating-point references written
// from the standard's definitions (ISO/IEC 15444-1 Annexes F and G): decoding
// another encoder's codestream depends on them, and our own round trips cannot
// see an error that the forward transform makes the other way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "j2k/J2kComponentTransform.h"
#include "j2k/J2kWavelet.h"

namespace {

const double kOne = 8192.0;

// The standard's 1D_SR with the 9/7 filter over positions i0 .. i0 + n - 1,
// interleaved, in the standard's units.
void SynthesisLine(std::vector<double>& y, int i0)
{
    const int n = int(y.size());
    if (n < 2) {
        if (n == 1 && (i0 & 1))
            y[0] /= 2;
        return;
    }
    const double alpha = -1.586134342059924, beta = -0.052980118572961,
                 gamma = 0.882911075530934, delta = 0.443506852043971, k = 1.230174104914001;
    // Periodic symmetric extension by 5 on each side: four lifting steps spoil
    // at most four samples from the ends of what is known.
    const int ext = 5, size = n + 2 * ext;
    std::vector<double> e(static_cast<size_t>(size));
    for (int j = 0; j < size; j++) {
        int p = j - ext, period = 2 * (n - 1);
        int m = ((p % period) + period) % period;
        e[size_t(j)] = y[size_t(m < n ? m : period - m)];
    }
    auto even = [&](int j) { return ((i0 + j - ext) & 1) == 0; };
    for (int j = 0; j < size; j++)
        e[size_t(j)] *= even(j) ? k : 1.0 / k;
    auto lift = [&](bool onEven, double c) {
        std::vector<double> next = e;
        for (int j = 1; j + 1 < size; j++)
            if (even(j) == onEven)
                next[size_t(j)] = e[size_t(j)] - c * (e[size_t(j - 1)] + e[size_t(j + 1)]);
        e.swap(next);
    };
    lift(true, delta);
    lift(false, gamma);
    lift(true, beta);
    lift(false, alpha);
    for (int j = 0; j < n; j++)
        y[size_t(j)] = e[size_t(j + ext)];
}

// 2D_INTERLEAVE then 1D_SR on every row, then every column, of one level.
void SynthesisLevel(std::vector<double>& buf, int stride, int x0, int y0, int x1, int y1)
{
    auto line = [&](int count, int i0, auto at) {
        std::vector<double> y(static_cast<size_t>(count));
        int lows = (count + ((i0 & 1) ? 0 : 1)) / 2;
        for (int j = 0; j < count; j++) {
            // Our high-pass coefficients are half the standard's: the step
            // sizes leave out the gain of the high-pass bands.
            bool low = ((i0 + j) & 1) == 0;
            y[size_t(j)] = low ? at(j / 2) : 2 * at(lows + j / 2);
        }
        SynthesisLine(y, i0);
        for (int j = 0; j < count; j++)
            at(j) = y[size_t(j)];
    };
    const int w = x1 - x0, h = y1 - y0;
    for (int r = 0; r < h; r++) {
        std::vector<double> row(buf.begin() + r * stride, buf.begin() + r * stride + w);
        line(w, x0, [&](int j) -> double& { return row[size_t(j)]; });
        std::copy(row.begin(), row.end(), buf.begin() + r * stride);
    }
    for (int c = 0; c < w; c++) {
        std::vector<double> column(static_cast<size_t>(h));
        for (int r = 0; r < h; r++)
            column[size_t(r)] = buf[size_t(r * stride + c)];
        line(h, y0, [&](int j) -> double& { return column[size_t(j)]; });
        for (int r = 0; r < h; r++)
            buf[size_t(r * stride + c)] = column[size_t(r)];
    }
}

int CeilShift(int v, int s) { return (v + (1 << s) - 1) >> s; }

} // namespace

// Random coefficients over five levels of odd-placed tile-components, one of
// them a single column: every sample within one level of the real-valued
// synthesis, and no bias.
TEST(J2kReference, NineSevenSynthesisMatchesTheRealFilter)
{
    const struct {
        int x0, y0, width, height;
    } kAreas[] = {{3, 6, 101, 77}, {7, 2, 1, 45}};
    for (const auto& area : kAreas) {
        SCOPED_TRACE(area.width);
        const int levels = 5, width = area.width, height = area.height;
        J2kTileComponent tc;
        tc.x0 = area.x0;
        tc.y0 = area.y0;
        tc.x1 = area.x0 + width;
        tc.y1 = area.y0 + height;
        tc.resolutions.resize(levels + 1);
        for (int r = 0; r <= levels; r++) {
            J2kResolution& res = tc.resolutions[size_t(r)];
            res.x0 = CeilShift(tc.x0, levels - r);
            res.y0 = CeilShift(tc.y0, levels - r);
            res.x1 = CeilShift(tc.x1, levels - r);
            res.y1 = CeilShift(tc.y1, levels - r);
        }
        std::mt19937 random(2718);
        // The lowest band carries a 12-bit picture's level, the others detail.
        const J2kResolution& lowest = tc.resolutions[0];
        std::vector<double> reference(size_t(width) * size_t(height));
        tc.buffer.resize(reference.size());
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                bool ll = x < lowest.x1 - lowest.x0 && y < lowest.y1 - lowest.y0;
                std::uniform_int_distribution<int> pick(ll ? 0 : -300 * 8192,
                                                        ll ? 4095 * 8192 : 300 * 8192);
                int v = pick(random);
                tc.buffer[size_t(y * width + x)] = v;
                reference[size_t(y * width + x)] = v / kOne;
            }
        J2kWavelet::Inverse(tc, false, levels);
        for (int r = 1; r <= levels; r++) {
            const J2kResolution& res = tc.resolutions[size_t(r)];
            SynthesisLevel(reference, width, res.x0, res.y0, res.x1, res.y1);
        }
        double worst = 0, sum = 0;
        for (size_t i = 0; i < reference.size(); i++) {
            double error = tc.buffer[i] / kOne - reference[i];
            worst = std::max(worst, std::fabs(error));
            sum += error;
        }
        EXPECT_LE(worst, 1.0);
        EXPECT_LT(std::fabs(sum / double(reference.size())), 0.05);
    }
}

// The inverse ICT of ISO/IEC 15444-1 G.3 to a hundredth of a level, over
// colours on both sides of zero, with chroma large enough that any of its
// fixed-point coefficients one unit off shows.
TEST(J2kReference, IrreversibleColourSynthesisMatchesTheRealTransform)
{
    const double samples[][3] = {{100.25, -280.5, 275.75}, {-120, 300, -250.5},
                                 {2000.125, -290.75, 260.5}};
    for (const auto& s : samples) {
        int32_t y = int32_t(s[0] * kOne), cb = int32_t(s[1] * kOne), cr = int32_t(s[2] * kOne);
        J2kComponentTransform::InverseIct(&y, &cb, &cr, 1);
        double yy = s[0], u = s[1], v = s[2];
        EXPECT_NEAR(y / kOne, yy + 1.402 * v, 0.01) << s[0];
        EXPECT_NEAR(cb / kOne, yy - 0.34413 * u - 0.71414 * v, 0.01) << s[0];
        EXPECT_NEAR(cr / kOne, yy + 1.772 * u, 0.01) << s[0];
    }
}

// Each fixed-point coefficient of both ICT directions is the real one of
// ISO/IEC 15444-1 G.2 and G.3 to half a unit of 1/8192: a unit on one input
// brings out one column of the matrix.
TEST(J2kReference, ColourTransformCoefficientsToTheLastBit)
{
    const double forward[3][3] = {{0.299, 0.587, 0.114},
                                  {-0.16875, -0.33126, 0.5},
                                  {0.5, -0.41869, -0.08131}};
    const double inverse[3][3] = {{1.0, 0.0, 1.402}, {1.0, -0.34413, -0.71414}, {1.0, 1.772, 0.0}};
    for (int column = 0; column < 3; column++) {
        int32_t f[3] = {0, 0, 0}, i[3] = {0, 0, 0};
        f[column] = i[column] = 8192;
        J2kComponentTransform::ForwardIct(&f[0], &f[1], &f[2], 1);
        J2kComponentTransform::InverseIct(&i[0], &i[1], &i[2], 1);
        for (int row = 0; row < 3; row++) {
            EXPECT_NEAR(f[row], forward[row][column] * kOne, 0.5) << row << "," << column;
            EXPECT_NEAR(i[row], inverse[row][column] * kOne, 0.5) << row << "," << column;
        }
    }
}
