// Repaint costs of the image window: stretching the display bitmap onto a
// window surface in both stretch modes, and drawing the corner text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "gdi/gdi.h"

namespace {

struct Info {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
};

HBITMAP makeSection(int w, int h, int bpp, void** bits)
{
    Info info{};
    info.h = {sizeof(BITMAPINFOHEADER), w, -h, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 256; ++i)
        info.colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
}

struct Scene {
    Scene(int w, int h, int bpp)
    {
        void* srcBits = nullptr;
        source = makeSection(w, h, bpp, &srcBits);
        BITMAP bm{};
        GetObject(source, sizeof(bm), &bm);
        uint8_t* p = static_cast<uint8_t*>(srcBits);
        for (long i = 0; i < static_cast<long>(bm.bmWidthBytes) * h; ++i)
            p[i] = static_cast<uint8_t>((i * 7) ^ (i >> 11));
        void* dstBits = nullptr;
        surface = makeSection(1600, 1200, 32, &dstBits);
        dst = PlatformCreateSurfaceDC(surface);
        src = CreateCompatibleDC(nullptr);
        old = SelectObject(src, source);
        width = w;
        height = h;
    }
    ~Scene()
    {
        SelectObject(src, old);
        DeleteDC(src);
        DeleteDC(dst);
        DeleteObject(source);
        DeleteObject(surface);
    }
    HBITMAP source, surface;
    HDC src, dst;
    HGDIOBJ old;
    int width, height;
};

void stretch(benchmark::State& state, int w, int h, int bpp, int mode)
{
    Scene scene(w, h, bpp);
    SetStretchBltMode(scene.dst, mode);
    for (auto _ : state)
        StretchBlt(scene.dst, 0, 0, 1600, 1200, scene.src, 0, 0, scene.width, scene.height, SRCCOPY);
}

void Grey2048ColorOnColor(benchmark::State& s) { stretch(s, 2048, 2048, 8, COLORONCOLOR); }
void Grey2048Halftone(benchmark::State& s) { stretch(s, 2048, 2048, 8, HALFTONE); }
void Rgb1024ColorOnColor(benchmark::State& s) { stretch(s, 1024, 1024, 24, COLORONCOLOR); }
void Rgb1024Halftone(benchmark::State& s) { stretch(s, 1024, 1024, 24, HALFTONE); }

void CornerText(benchmark::State& state)
{
    void* bits = nullptr;
    HBITMAP surface = makeSection(1600, 1200, 32, &bits);
    HDC dc = PlatformCreateSurfaceDC(surface);
    HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "Tahoma");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    char lines[50][48];
    for (int i = 0; i < 50; ++i)
        std::snprintf(lines[i], sizeof(lines[i]), "W/L: %d/%d  Im: %d  中文", 40 + i, 400 - i, i);
    for (auto _ : state)
        for (int i = 0; i < 50; ++i)
            TextOut(dc, 4, 4 + i * 16, lines[i], static_cast<int>(std::strlen(lines[i])));
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(surface);
}

}  // namespace

BENCHMARK(Grey2048ColorOnColor)->Unit(benchmark::kMillisecond);
BENCHMARK(Grey2048Halftone)->Unit(benchmark::kMillisecond);
BENCHMARK(Rgb1024ColorOnColor)->Unit(benchmark::kMillisecond);
BENCHMARK(Rgb1024Halftone)->Unit(benchmark::kMillisecond);
BENCHMARK(CornerText)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
