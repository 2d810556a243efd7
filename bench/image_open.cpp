// Open-to-display-bits of 16-bit images next to the toolkit's own renderer,
// and the lookup-table pass next to a plain copy of the same frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "BenchFiles.h"
#include "DcmImage.h"
#include "PixelOps.h"

namespace {

void OpenToDisplayBits(benchmark::State& state)
{
    const std::string path = MakeFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CDcmImage image;
        image.OpenFile(path.c_str());
        benchmark::DoNotOptimize(image.GetBitmapBits());
    }
}

void ToolkitRendererToPgm(benchmark::State& state)
{
    const std::string path = MakeFile(static_cast<int>(state.range(0)));
    const std::string command = "dcmj2pnm +Ww 40 400 '" + path + "' '" + BenchDir() + "/out.pgm'";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
}

void LookupTablePass(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFile(2048).c_str());
    long width = 400;
    for (auto _ : state) {
        width = width == 400 ? 401 : 400;
        image.AdjustBoth(width, 40, 0);
    }
}

// The mapping alone, in one pass on this thread (0) and sliced over the cores.
void GreyMapSliced(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFile(2048).c_str());
    std::vector<BYTE> table;
    PixelOps::BuildGreyTable(table, 16, 40, 400, true, false);
    std::vector<BYTE> out(static_cast<size_t>(image.GetRows()) * image.GetColumns());
    for (auto _ : state) {
        PixelOps::MapGrey(image.GetCurrentPixelData(), out.data(), out.size(), 2, table.data(),
                          static_cast<size_t>(state.range(0)));
        benchmark::DoNotOptimize(out.data());
    }
}

void GreyTableBuild(benchmark::State& state)
{
    std::vector<BYTE> table;
    int width = 400;
    for (auto _ : state) {
        width = width == 400 ? 401 : 400;
        PixelOps::BuildGreyTable(table, 16, 40, width, true, false);
        benchmark::DoNotOptimize(table.data());
    }
}

void CopyOfSameFrame(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFile(2048).c_str());
    const size_t bytes = static_cast<size_t>(image.GetRows()) * image.GetColumns() * 2;
    std::vector<BYTE> copy(bytes);
    for (auto _ : state) {
        std::memcpy(copy.data(), image.GetCurrentPixelData(), bytes);
        benchmark::DoNotOptimize(copy.data());
    }
}

}  // namespace

BENCHMARK(OpenToDisplayBits)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(ToolkitRendererToPgm)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(LookupTablePass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GreyMapSliced)->Arg(0)->Arg(PixelOps::kGreySliceValues)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GreyTableBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyOfSameFrame)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
