// Building codec records for the tests: malloc'd so that j2k_destroy frees them.
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "j2k/J2kCodec.h"

struct J2kTestSpec {
    int width = 67, height = 45;
    int x0 = 0, y0 = 0;
    int components = 1;
    int precision = 8;
    bool isSigned = false;
    int dx[4] = {1, 1, 1, 1};
    int dy[4] = {1, 1, 1, 1};
    int tileWidth = 0, tileHeight = 0;  // 0: one tile
    int tx0 = 0, ty0 = 0;
    int resolutions = 4;
    int cbw = 6, cbh = 6;
    int wavelet = 1;
    int transform = 0;
    int order = 0;
    int layers = 1;
    int budgets[J2K_MAX_LAYERS] = {};
    int guardBits = 2;
    int precinctExp = 0;  // 0: no precincts
    int blockStyle = 0;
    int codingStyle = 0;  // Scod
};

// Samples of component c at (x, y) on its own grid: a deterministic mix of
// gradient, texture and noise, different per component.
inline int J2kTestSample(int c, int x, int y, int precision, bool isSigned)
{
    unsigned h = unsigned(x) * 7919u + unsigned(y) * 104729u + unsigned(c) * 15485863u;
    h ^= h >> 13;
    h *= 0x5bd1e995;
    h ^= h >> 15;
    int range = 1 << precision;
    int v = (x * 3 + y * 5 + c * 40 + int(h % 17)) % range;
    if ((x / 5 + y / 3) % 7 == 0)
        v = int(h % unsigned(range));
    return isSigned ? v - range / 2 : v;
}

inline int J2kTestCeilDiv(int a, int b) { return (a + b - 1) / b; }

inline J2kImage* J2kTestMakeImage(const J2kTestSpec& s)
{
    J2kImage* image = static_cast<J2kImage*>(calloc(1, sizeof(J2kImage)));
    image->x0 = s.x0;
    image->y0 = s.y0;
    image->x1 = s.x0 + s.width;
    image->y1 = s.y0 + s.height;
    image->componentCount = s.components;
    image->components = static_cast<J2kComponent*>(calloc(size_t(s.components), sizeof(J2kComponent)));
    for (int c = 0; c < s.components; c++) {
        J2kComponent& k = image->components[c];
        k.dx = s.dx[c % 4];
        k.dy = s.dy[c % 4];
        k.precision = s.precision;
        k.isSigned = s.isSigned;
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int h = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        k.data = static_cast<int*>(malloc(sizeof(int) * size_t(w * h)));
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                k.data[y * w + x] = J2kTestSample(c, x, y, s.precision, s.isSigned);
    }
    return image;
}

// Reversible: exponents wide enough for lossless coding; irreversible: steps of
// about 1/8 of a sample scaled to each band's gain.
inline void J2kTestStepSizes(J2kTileComponentParameters& t, int precision)
{
    t.quantisationStyle = t.wavelet == 1 ? 0 : 2;
    for (int b = 0; b < 3 * t.resolutionCount - 2; b++) {
        int orientation = b == 0 ? 0 : (b - 1) % 3 + 1;
        int gain = orientation == 0 ? 0 : (orientation == 3 ? 2 : 1);
        t.stepSizes[b].exponent = t.wavelet == 1 ? precision + gain : precision + gain + 3;
        t.stepSizes[b].mantissa = 0;
    }
}

inline J2kCodingParameters* J2kTestMakeParameters(const J2kTestSpec& s)
{
    J2kCodingParameters* cp = static_cast<J2kCodingParameters*>(calloc(1, sizeof(J2kCodingParameters)));
    cp->tx0 = s.tx0;
    cp->ty0 = s.ty0;
    cp->tdx = s.tileWidth ? s.tileWidth : s.x0 + s.width;
    cp->tdy = s.tileHeight ? s.tileHeight : s.y0 + s.height;
    cp->tw = J2kTestCeilDiv(s.x0 + s.width - s.tx0, cp->tdx);
    cp->th = J2kTestCeilDiv(s.y0 + s.height - s.ty0, cp->tdy);
    cp->tiles = static_cast<J2kTileCodingParameters*>(calloc(size_t(cp->tw * cp->th), sizeof(J2kTileCodingParameters)));
    for (int t = 0; t < cp->tw * cp->th; t++) {
        J2kTileCodingParameters& tcp = cp->tiles[t];
        tcp.codingStyle = s.codingStyle;
        tcp.progressionOrder = s.order;
        tcp.layerCount = s.layers;
        tcp.componentTransform = s.transform;
        for (int l = 0; l < s.layers; l++)
            tcp.layerBudgets[l] = s.budgets[l] ? s.budgets[l] : 1 << 30;
        tcp.components = static_cast<J2kTileComponentParameters*>(
            calloc(size_t(s.components), sizeof(J2kTileComponentParameters)));
        for (int c = 0; c < s.components; c++) {
            J2kTileComponentParameters& t2 = tcp.components[c];
            t2.codingStyle = s.precinctExp ? 1 : 0;
            t2.resolutionCount = s.resolutions;
            t2.codeBlockWidthExp = s.cbw;
            t2.codeBlockHeightExp = s.cbh;
            t2.codeBlockStyle = s.blockStyle;
            t2.wavelet = s.wavelet;
            t2.guardBits = s.guardBits;
            for (int r = 0; r < s.resolutions; r++) {
                t2.precinctWidthExp[r] = s.precinctExp ? s.precinctExp + (r > 0) : 15;
                t2.precinctHeightExp[r] = s.precinctExp ? s.precinctExp + (r > 0) + (r % 2) : 15;
            }
            J2kTestStepSizes(t2, s.precision);
        }
    }
    return cp;
}

struct J2kCoded {
    std::vector<unsigned char> bytes;
    int length = 0;
};

// Peak signal-to-noise ratio of a decoded image against the test picture;
// 99 when they are equal.
inline double J2kTestPsnr(const J2kTestSpec& s, const J2kImage* image)
{
    double sum = 0;
    long count = 0;
    for (int c = 0; c < image->componentCount; c++) {
        const J2kComponent& k = image->components[c];
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int h = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                double d = k.data[y * w + x] - J2kTestSample(c, x, y, s.precision, s.isSigned);
                sum += d * d;
                count++;
            }
    }
    double peak = (1 << s.precision) - 1;
    return sum == 0 ? 99.0 : 10 * std::log10(peak * peak * count / sum);
}

// edit, when given, changes the coding parameters made from s.
inline J2kCoded J2kTestEncode(const J2kTestSpec& s, int capacity = 1 << 22,
                              const std::function<void(J2kCodingParameters&)>& edit = {})
{
    J2kImage* image = J2kTestMakeImage(s);
    J2kCodingParameters* cp = J2kTestMakeParameters(s);
    if (edit)
        edit(*cp);
    J2kCoded coded;
    coded.bytes.assign(size_t(capacity), 0);
    coded.length = j2k_encode(image, cp, coded.bytes.data(), capacity);
    coded.bytes.resize(size_t(coded.length));
    j2k_destroy(&image, &cp);
    return coded;
}
