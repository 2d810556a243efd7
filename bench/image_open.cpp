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

#include "DcmImage.h"
#include "PixelOps.h"

namespace {

std::string BenchDir()
{
    const auto dir = std::filesystem::temp_directory_path() / "imvexa-bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

// A signed 16-bit CT-like file of size x size with rescale and window.
std::string MakeFile(int size)
{
    const std::string path = BenchDir() + "/ct" + std::to_string(size) + ".dcm";
    if (std::filesystem::exists(path))
        return path;
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_CTImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.9.1");
    ds->putAndInsertString(DCM_Modality, "CT");
    ds->putAndInsertUint16(DCM_Rows, static_cast<Uint16>(size));
    ds->putAndInsertUint16(DCM_Columns, static_cast<Uint16>(size));
    ds->putAndInsertUint16(DCM_BitsAllocated, 16);
    ds->putAndInsertUint16(DCM_BitsStored, 16);
    ds->putAndInsertUint16(DCM_HighBit, 15);
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 1);
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    ds->putAndInsertString(DCM_RescaleIntercept, "-1024");
    ds->putAndInsertString(DCM_RescaleSlope, "1");
    ds->putAndInsertString(DCM_WindowCenter, "40");
    ds->putAndInsertString(DCM_WindowWidth, "400");
    std::vector<Uint16> pixels(static_cast<size_t>(size) * size);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<Uint16>((i * 7 + i / size * 13) % 3000);
    ds->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
    return path;
}

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
