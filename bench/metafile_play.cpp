// Playback of a Windows metafile of 10,000 drawing records (shapes, lines,
// text, brush changes) onto a 1000 x 800 bitmap. Goal: under 50 ms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gdi/gdi.h"

namespace {

class WmfBuilder {
public:
    WmfBuilder() { m_bytes.resize(18, 0); }

    void Record(uint16_t function, std::vector<int16_t> params)
    {
        uint32_t words = 3 + uint32_t(params.size());
        Put16(uint16_t(words & 0xFFFF));
        Put16(uint16_t(words >> 16));
        Put16(function);
        for (int16_t p : params)
            Put16(uint16_t(p));
        m_records++;
    }

    std::vector<uint8_t> Finish()
    {
        Record(0x0000, {});
        uint32_t words = uint32_t(m_bytes.size() / 2);
        const uint16_t header[9] = {1, 9, 0x300, uint16_t(words & 0xFFFF), uint16_t(words >> 16), 4, 64, 0, 0};
        for (int i = 0; i < 9; i++) {
            m_bytes[2 * i] = uint8_t(header[i]);
            m_bytes[2 * i + 1] = uint8_t(header[i] >> 8);
        }
        return m_bytes;
    }

    int Count() const { return m_records; }

private:
    void Put16(uint16_t v)
    {
        m_bytes.push_back(uint8_t(v));
        m_bytes.push_back(uint8_t(v >> 8));
    }
    std::vector<uint8_t> m_bytes;
    int m_records = 0;
};

std::vector<uint8_t> Drawing()
{
    WmfBuilder b;
    b.Record(0x020C, {800, 1000});  // window extent
    for (int i = 0; b.Count() < 10000; i++) {
        int16_t x = int16_t((i * 37) % 900), y = int16_t((i * 53) % 700);
        b.Record(0x02FC, {0, int16_t((i * 41) & 0xFF), int16_t((i * 7) & 0xFF), 0});  // brush
        b.Record(0x012D, {0});                                                          // select
        switch (i % 4) {
        case 0: b.Record(0x041B, {int16_t(y + 60), int16_t(x + 80), y, x}); break;     // rectangle
        case 1: b.Record(0x0418, {int16_t(y + 50), int16_t(x + 70), y, x}); break;     // ellipse
        case 2: b.Record(0x0325, {4, x, y, int16_t(x + 90), int16_t(y + 10), int16_t(x + 40), int16_t(y + 70), x, y}); break;
        default: b.Record(0x0521, {6, 0x6554, 0x7478, 0x3231, y, x}); break;           // "Text12"
        }
        b.Record(0x01F0, {0});  // delete
    }
    return b.Finish();
}

void PlayTenThousandRecords(benchmark::State& state)
{
    std::vector<uint8_t> bytes = Drawing();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1000, 800);
    SelectObject(dc, bitmap);
    METAFILEPICT pict = {MM_ANISOTROPIC, 26458, 21167, nullptr};
    HENHMETAFILE metafile = SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), screen, &pict);
    RECT rect = {0, 0, 1000, 800};
    for (auto _ : state)
        benchmark::DoNotOptimize(PlayEnhMetaFile(dc, metafile, &rect));
    DeleteEnhMetaFile(metafile);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}
BENCHMARK(PlayTenThousandRecords)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
