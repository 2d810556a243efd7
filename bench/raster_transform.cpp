// Bicubic resampling of a 2048 x 2048 colour picture to 1600 x 1600, one
// core, beside GraphicsMagick's Catmull-Rom resize of the same picture in the
// same run (goal: no slower). gm's time includes reading the PPM, so the
// decode of the same file is timed on its own for reference.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RasterImage.h"
#include "bench_picture.h"

namespace {

const int kSize = 2048;
const int kTarget = 1600;

const std::string& SourcePpm()
{
    static std::string path;
    if (path.empty()) {
        path = "raster-bench-transform.ppm";
        WritePhotoPpm(path, kSize);
    }
    return path;
}

CRasterImage& Source()
{
    static CRasterImage image;
    if (image.IsValid())
        return image;
    FILE* fp = fopen(SourcePpm().c_str(), "rb");
    char magic[3] = {};
    int w = 0, h = 0, maxval = 0;
    if (!fp || fscanf(fp, "%2s %d %d %d", magic, &w, &h, &maxval) != 4 || fgetc(fp) < 0)
        abort();
    image.Create(DWORD(w), DWORD(h), 24);
    for (int y = 0; y < h; y++) {
        BYTE* row = image.GetBits(DWORD(h - 1 - y));
        if (fread(row, 3, size_t(w), fp) != size_t(w))
            abort();
        image.RGBtoBGR(row, 3 * w);
    }
    fclose(fp);
    return image;
}

void Resample2Bicubic(benchmark::State& state)
{
    CRasterImage& src = Source();
    for (auto _ : state) {
        CRasterImage dst;
        src.Resample2(kTarget, kTarget, CRasterImage::IM_CATROM, CRasterImage::OM_REPEAT, &dst, true);
        benchmark::DoNotOptimize(dst.GetBits());
    }
}
BENCHMARK(Resample2Bicubic)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void Resample2Averaged(benchmark::State& state)
{
    CRasterImage& src = Source();
    for (auto _ : state) {
        CRasterImage dst;
        src.Resample2(kTarget, kTarget, CRasterImage::IM_CATROM, CRasterImage::OM_REPEAT, &dst, false);
        benchmark::DoNotOptimize(dst.GetBits());
    }
}
BENCHMARK(Resample2Averaged)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void RunGm(benchmark::State& state, const std::string& args)
{
    std::string cmd = "OMP_NUM_THREADS=1 gm convert -limit threads 1 " + SourcePpm() + args + " null: 2>/dev/null";
    for (auto _ : state)
        if (system(cmd.c_str()) != 0)
            state.SkipWithError("gm failed");
}

void GmCatromResize(benchmark::State& state)
{
    RunGm(state, " -filter Catrom -resize " + std::to_string(kTarget) + "x" + std::to_string(kTarget) + "!");
}
BENCHMARK(GmCatromResize)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void GmReadOnly(benchmark::State& state)
{
    RunGm(state, "");
}
BENCHMARK(GmReadOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
