// JPEG 2000 codestream codec on one core: lossless 5/3 encode and decode of a
// 2048 x 2048 grey and a 1024 x 1024 colour picture, and 9/7 decode at 1 bit
// per pixel. Goals: lossless decode of the grey picture under 0.5 s, encode under 1 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "j2k/J2kCodec.h"

namespace {

struct Picture {
    int size;
    int components;
};

// Smooth shading with fine texture, like a photograph.
int Sample(int c, int x, int y, unsigned& seed)
{
    seed = seed * 1103515245u + 12345u;
    int noise = int((seed >> 16) % 12);
    double v = 128 + 90 * std::sin(x * 0.004 + c) * std::cos(y * 0.003) + noise;
    return v < 0 ? 0 : (v > 255 ? 255 : int(v));
}

void MakeRecords(const Picture& p, bool reversible, int budget, J2kImage** image,
                 J2kCodingParameters** cp)
{
    J2kImage* img = static_cast<J2kImage*>(calloc(1, sizeof(J2kImage)));
    img->x1 = img->y1 = p.size;
    img->componentCount = p.components;
    img->components = static_cast<J2kComponent*>(calloc(size_t(p.components), sizeof(J2kComponent)));
    unsigned seed = 7;
    for (int c = 0; c < p.components; c++) {
        J2kComponent& k = img->components[c];
        k.dx = k.dy = 1;
        k.precision = 8;
        k.data = static_cast<int*>(malloc(sizeof(int) * size_t(p.size) * size_t(p.size)));
        for (int y = 0; y < p.size; y++)
            for (int x = 0; x < p.size; x++)
                k.data[y * p.size + x] = Sample(c, x, y, seed);
    }
    J2kCodingParameters* params = static_cast<J2kCodingParameters*>(calloc(1, sizeof(J2kCodingParameters)));
    params->tdx = params->tdy = p.size;
    params->tw = params->th = 1;
    params->tiles = static_cast<J2kTileCodingParameters*>(calloc(1, sizeof(J2kTileCodingParameters)));
    J2kTileCodingParameters& tcp = params->tiles[0];
    tcp.layerCount = 1;
    tcp.layerBudgets[0] = budget;
    tcp.componentTransform = p.components == 3;
    tcp.components = static_cast<J2kTileComponentParameters*>(
        calloc(size_t(p.components), sizeof(J2kTileComponentParameters)));
    for (int c = 0; c < p.components; c++) {
        J2kTileComponentParameters& t = tcp.components[c];
        t.resolutionCount = 6;
        t.codeBlockWidthExp = t.codeBlockHeightExp = 6;
        t.wavelet = reversible ? 1 : 0;
        t.quantisationStyle = reversible ? 0 : 2;
        t.guardBits = 2;
        for (int b = 0; b < 3 * 6 - 2; b++) {
            int o = b == 0 ? 0 : (b - 1) % 3 + 1;
            int gain = o == 0 ? 0 : (o == 3 ? 2 : 1);
            t.stepSizes[b].exponent = reversible ? 8 + gain : 8 + gain + 4;
        }
    }
    *image = img;
    *cp = params;
}

std::vector<unsigned char> Encode(const Picture& p, bool reversible, int budget)
{
    J2kImage* image;
    J2kCodingParameters* cp;
    MakeRecords(p, reversible, budget, &image, &cp);
    std::vector<unsigned char> out(size_t(p.size) * p.size * p.components * 2 + 4096);
    int n = j2k_encode(image, cp, out.data(), int(out.size()));
    j2k_destroy(&image, &cp);
    out.resize(size_t(n));
    return out;
}

void Report(benchmark::State& state, const Picture& p)
{
    state.counters["MPixel/s"] = benchmark::Counter(double(p.size) * p.size / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void EncodeLossless(benchmark::State& state, Picture p)
{
    J2kImage* image;
    J2kCodingParameters* cp;
    MakeRecords(p, true, 1 << 30, &image, &cp);
    std::vector<unsigned char> out(size_t(p.size) * p.size * p.components * 2 + 4096);
    for (auto _ : state)
        if (j2k_encode(image, cp, out.data(), int(out.size())) == 0)
            state.SkipWithError("encode failed");
    j2k_destroy(&image, &cp);
    Report(state, p);
}

void Decode(benchmark::State& state, Picture p, bool reversible)
{
    int budget = reversible ? 1 << 30 : p.size * p.size / 8;  // 1 bit per pixel
    std::vector<unsigned char> coded = Encode(p, reversible, budget);
    for (auto _ : state) {
        J2kImage* image = nullptr;
        J2kCodingParameters* cp = nullptr;
        if (j2k_decode(coded.data(), int(coded.size()), &image, &cp) == 0)
            state.SkipWithError("decode failed");
        j2k_destroy(&image, &cp);
    }
    state.counters["bytes"] = double(coded.size());
    Report(state, p);
}

const Picture kGrey{2048, 1};
const Picture kColour{1024, 3};

} // namespace

BENCHMARK_CAPTURE(EncodeLossless, grey_2048, kGrey)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, lossless_grey_2048, kGrey, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeLossless, colour_1024, kColour)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, lossless_colour_1024, kColour, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, irreversible_1bpp_grey_2048, kGrey, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, irreversible_1bpp_colour_1024, kColour, false)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
