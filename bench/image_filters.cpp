// Neighbourhood filters on a 2048 x 2048 picture, the interpolated paint of a
// 512 x 512 CT into 1600 x 1200, and bicubic resampling of 16-bit pixels
// beside GraphicsMagick resizing the same picture.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "ConvolutionFilter.h"
#include "DcmImage.h"
#include "ImageGeometry.h"
#include "MedianFilter.h"

namespace {

const int kSide = 2048;

std::vector<BYTE> Picture()
{
    std::vector<BYTE> rgb(static_cast<size_t>(kSide) * kSide * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<BYTE>((i * 7) ^ (i >> 13));
    return rgb;
}

void Median3x3(benchmark::State& state)
{
    const int square[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<BYTE> rgb = Picture();
    CMedianFilter median;
    median.SetMask(square, 3, 3);
    for (auto _ : state)
        median.ProcessArea(rgb.data(), 0, 0, kSide, kSide, kSide, kSide);
}

void Sharpen3x3(benchmark::State& state)
{
    std::vector<BYTE> rgb = Picture();
    CConvolutionFilter sharpen;
    sharpen.SetProcessCode(0x10202);
    for (auto _ : state)
        sharpen.ProcessArea(rgb.data(), 0, 0, kSide, kSide, kSide, kSide);
}

// The exported method: expansion, the median cross and the turned copy.
void ImageMedianFilter(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFile(kSide).c_str());
    for (auto _ : state)
        ::operator delete(image.MedianFilter(0, 0, 0, 0, 0, 0));
}

void InterpolatedShowImage(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFile(512).c_str());
    image.SetShowInterpolationOptimize(1);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1600, -1200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(surface));
    for (auto _ : state)
        image.ShowImage(&dc, CRect(0, 0, 1600, 1200));
    dc.SelectObject(old);
    dc.DeleteDC();
    DeleteObject(surface);
}

std::vector<short> Picture16()
{
    std::vector<short> pixels(static_cast<size_t>(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            pixels[static_cast<size_t>(y) * kSide + x] = static_cast<short>((x * 13 + y * 7) % 4096 + ((x ^ y) & 63));
    return pixels;
}

void Bicubic16Bit(benchmark::State& state)
{
    const std::vector<short> src = Picture16();
    std::vector<short> dst(1600 * 1600);
    CImageGeometry geometry;
    for (auto _ : state)
        geometry.ResampleGray16(src.data(), 0, 0, kSide, kSide, kSide, kSide, dst.data(), 1600, 1600);
}

// The same picture as a 16-bit PGM, resized by gm with the Catmull-Rom filter.
void GraphicsMagickCatrom16Bit(benchmark::State& state)
{
    const std::string in = BenchDir() + "/grey16.pgm", out = BenchDir() + "/grey16-1600.pgm";
    const std::vector<short> src = Picture16();
    FILE* file = std::fopen(in.c_str(), "wb");
    std::fprintf(file, "P5\n%d %d\n65535\n", kSide, kSide);
    for (short v : src) {
        const unsigned char be[2] = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
        std::fwrite(be, 1, 2, file);
    }
    std::fclose(file);
    const std::string command = "OMP_NUM_THREADS=1 gm convert '" + in + "' -filter Catrom -resize 1600x1600! '" + out + "'";
    for (auto _ : state)
        benchmark::DoNotOptimize(std::system(command.c_str()));
}

}  // namespace

BENCHMARK(Median3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(Sharpen3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(ImageMedianFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(InterpolatedShowImage)->Unit(benchmark::kMillisecond);
BENCHMARK(Bicubic16Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(GraphicsMagickCatrom16Bit)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
