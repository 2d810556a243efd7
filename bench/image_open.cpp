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

// N frames of 1 x 1 pixel, each with its frame time: the open costs what the
// frames cost. Implicit VR, since the time vector outgrows a 16-bit length.
std::string MakeFramesFile(int frames)
{
    const std::string path = BenchDir() + "/frames" + std::to_string(frames) + ".dcm";
    if (std::filesystem::exists(path))
        return path;
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.9.2");
    ds->putAndInsertString(DCM_Modality, "OT");
    ds->putAndInsertUint16(DCM_Rows, 1);
    ds->putAndInsertUint16(DCM_Columns, 1);
    ds->putAndInsertUint16(DCM_BitsAllocated, 8);
    ds->putAndInsertUint16(DCM_BitsStored, 8);
    ds->putAndInsertUint16(DCM_HighBit, 7);
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 0);
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    ds->putAndInsertString(DCM_NumberOfFrames, std::to_string(frames).c_str());
    std::string times;
    std::vector<Uint8> pixels(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        times += i == 0 ? "33" : "\\33";
        pixels[static_cast<size_t>(i)] = static_cast<Uint8>(i * 7);
    }
    ds->putAndInsertString(DCM_FrameTimeVector, times.c_str());
    ds->putAndInsertUint8Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianImplicit);
    return path;
}

// Goal: a million frames open in well under 5 s, in time linear in N.
void OpenManyTinyFrames(benchmark::State& state)
{
    const std::string path = MakeFramesFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CDcmImage image;
        image.OpenFile(path.c_str());
        benchmark::DoNotOptimize(image.GetFramesCount());
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(OpenManyTinyFrames)->RangeMultiplier(10)->Range(10000, 1000000)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OpenToDisplayBits)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(ToolkitRendererToPgm)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(LookupTablePass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GreyMapSliced)->Arg(0)->Arg(PixelOps::kGreySliceValues)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(GreyTableBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyOfSameFrame)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
