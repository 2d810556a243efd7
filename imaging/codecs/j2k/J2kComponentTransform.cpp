#include "J2kComponentTransform.h"

#include <cmath>

namespace {

int64_t FixMul(int64_t a, int64_t b) { return (a * b) >> 13; }

} // namespace

void J2kComponentTransform::ForwardRct(int32_t* c0, int32_t* c1, int32_t* c2, int n)
{
    for (int i = 0; i < n; i++) {
        int64_t r = c0[i], g = c1[i], b = c2[i];
        c0[i] = int32_t((r + 2 * g + b) >> 2);
        c1[i] = int32_t(b - g);
        c2[i] = int32_t(r - g);
    }
}

void J2kComponentTransform::InverseRct(int32_t* c0, int32_t* c1, int32_t* c2, int n)
{
    for (int i = 0; i < n; i++) {
        int64_t y = c0[i], u = c1[i], v = c2[i];
        int64_t g = y - ((u + v) >> 2);
        c0[i] = int32_t(v + g);
        c1[i] = int32_t(g);
        c2[i] = int32_t(u + g);
    }
}

void J2kComponentTransform::ForwardIct(int32_t* c0, int32_t* c1, int32_t* c2, int n)
{
    for (int i = 0; i < n; i++) {
        int64_t r = c0[i], g = c1[i], b = c2[i];
        c0[i] = int32_t(FixMul(r, 2449) + FixMul(g, 4809) + FixMul(b, 934));
        c1[i] = int32_t(FixMul(b, 4096) - FixMul(r, 1382) - FixMul(g, 2714));
        c2[i] = int32_t(FixMul(r, 4096) - FixMul(g, 3430) - FixMul(b, 666));
    }
}

void J2kComponentTransform::InverseIct(int32_t* c0, int32_t* c1, int32_t* c2, int n)
{
    for (int i = 0; i < n; i++) {
        int64_t y = c0[i], cb = c1[i], cr = c2[i];
        c0[i] = int32_t(y + FixMul(cr, 11485));
        c1[i] = int32_t(y - FixMul(cb, 2819) - FixMul(cr, 5850));
        c2[i] = int32_t(y + FixMul(cb, 14516));
    }
}

double J2kComponentTransform::Norm(bool reversible, int component)
{
    // Columns of the inverse transforms' matrices.
    static const double rct[3][3] = {{1, 1, 1}, {-0.25, -0.25, 0.75}, {0.75, -0.25, -0.25}};
    static const double ict[3][3] = {{1, 1, 1}, {0, -0.34413, 1.772}, {1.402, -0.71414, 0}};
    if (component < 0 || component > 2)
        return 1.0;
    const double* v = reversible ? rct[component] : ict[component];
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}
