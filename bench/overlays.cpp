// Overlays: drawing 200 of mixed kinds over a 1600 x 1200 window, a
// window/level drag step with them shown, parsing and building a record
// blob of 10,000 records, measuring regions that cover a 2048 x 2048 image,
// opening and listing a file with 100,000 overlays, and opening files under
// 1 MB whose regions span the whole coordinate range or cover the image
// tens of thousands of times.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "DcmImage.h"
#include "DicomWnd.h"
#include "OverLayEllipse.h"
#include "OverLayManager.h"
#include "OverLayPoly.h"
#include "OverLayRect.h"

namespace {

const char kImagePath[] = "/tmp/bench_overlays_1024.dcm";

// Records of mixed kinds spread over a 1024 x 1024 image.
std::vector<short> MixedRecords(int count)
{
    std::vector<short> words;
    for (int i = 0; i < count; ++i) {
        const short x = static_cast<short>(20 + (i * 37) % 900);
        const short y = static_cast<short>(20 + (i * 53) % 900);
        switch (i % 7) {
        case 0: words.insert(words.end(), {1, x, y, short(x + 60), short(y + 40)}); break;
        case 1: words.insert(words.end(), {2, x, y, short(x + 50), short(y + 70)}); break;
        case 2: words.insert(words.end(), {3, 4, x, y, short(x + 40), y, short(x + 40), short(y + 30), x, short(y + 30)}); break;
        case 3: words.insert(words.end(), {4, x, y}); break;
        case 4: words.insert(words.end(), {5, x, y, short(x + 80), short(y + 25)}); break;
        case 5: words.insert(words.end(), {6, x, y, short(x + 30), short(y + 60)}); break;
        default: words.insert(words.end(), {7, x, y, short(x + 20), short(y + 40), short(x + 60), short(y + 10)}); break;
        }
    }
    return words;
}

std::string MakeImageFile(const char* path = kImagePath, int size = 1024,
                          const std::vector<short>& blob = MixedRecords(200))
{
    DcmFileFormat file;
    DcmDataset* data = file.getDataset();
    data->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    data->putAndInsertString(DCM_SOPInstanceUID, "1.2.3.4.5.6.8");
    data->putAndInsertString(DCM_Modality, "OT");
    data->putAndInsertString(DCM_PixelSpacing, "0.3\\0.3");
    data->putAndInsertUint16(DCM_Rows, size);
    data->putAndInsertUint16(DCM_Columns, size);
    data->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    data->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    data->putAndInsertUint16(DCM_BitsAllocated, 16);
    data->putAndInsertUint16(DCM_BitsStored, 12);
    data->putAndInsertUint16(DCM_HighBit, 11);
    data->putAndInsertUint16(DCM_PixelRepresentation, 0);
    std::vector<Uint16> pixels(static_cast<size_t>(size) * size);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<Uint16>((i * 13) & 0xFFF);
    data->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    DcmOtherByteOtherWord* element = new DcmOtherByteOtherWord(DcmTag(0x6061, 0x0030, EVR_OB));
    element->putUint8Array(reinterpret_cast<const Uint8*>(blob.data()), static_cast<unsigned long>(blob.size() * 2));
    data->insert(element, OFTrue);
    file.saveFile(path, EXS_LittleEndianExplicit);
    return path;
}

struct WindowFixture {
    WindowFixture()
    {
        PlatformResetWindows();
        parent.CreateEx(0, nullptr, "bench", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 1600, 1200, nullptr, nullptr);
        wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1600, 1200), &parent, 9090);
        ok = wnd.SetImage(MakeImageFile().c_str(), 0) == 1 && wnd.GetOverLayManager() != nullptr &&
             wnd.GetOverLayManager()->GetCount() == 200;
        wnd.UpdateWindow();
    }
    ~WindowFixture()
    {
        wnd.DestroyWindow();
        parent.DestroyWindow();
        std::remove(kImagePath);
    }
    CWnd parent;
    CDicomWnd wnd;
    bool ok = false;
};

void BM_DrawAllOverlays(benchmark::State& state)
{
    WindowFixture f;
    if (!f.ok) {
        state.SkipWithError("image or overlays did not open");
        return;
    }
    CClientDC dc(&f.wnd);
    for (auto _ : state)
        f.wnd.GetOverLayManager()->DrawAll(&dc, 1.0f);
}
BENCHMARK(BM_DrawAllOverlays)->Unit(benchmark::kMillisecond);

void BM_WindowLevelDragStepWithOverlays(benchmark::State& state)
{
    WindowFixture f;
    if (!f.ok) {
        state.SkipWithError("image or overlays did not open");
        return;
    }
    f.wnd.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(800, 600));
    int step = 0;
    for (auto _ : state) {
        f.wnd.SendMessage(WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(800 + (++step % 2 ? 3 : -3), 600));
        f.wnd.UpdateWindow();
    }
    f.wnd.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(800, 600));
}
BENCHMARK(BM_WindowLevelDragStepWithOverlays)->Unit(benchmark::kMillisecond);

void BM_ParseRecords10000(benchmark::State& state)
{
    const std::vector<short> blob = MixedRecords(10000);
    for (auto _ : state) {
        COverLayManager manager;
        manager.ParseRecords(blob.data(), static_cast<int>(blob.size() * 2));
        benchmark::DoNotOptimize(manager.GetCount());
    }
}
BENCHMARK(BM_ParseRecords10000)->Unit(benchmark::kMillisecond);

void BM_BuildRecords10000(benchmark::State& state)
{
    const std::vector<short> blob = MixedRecords(10000);
    COverLayManager manager;
    manager.ParseRecords(blob.data(), static_cast<int>(blob.size() * 2));
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.BuildRecords());
}
BENCHMARK(BM_BuildRecords10000)->Unit(benchmark::kMillisecond);

// Measuring one region that covers a 2048 x 2048 16-bit image.
template <class Kind>
void MeasureCoveringRegion(benchmark::State& state, Kind* overlay)
{
    const char path[] = "/tmp/bench_overlays_2048.dcm";
    CDcmImage image;
    if (!image.OpenFile(MakeImageFile(path, 2048, {4, 0, 0}).c_str())) {
        state.SkipWithError("image did not open");
        delete overlay;
        return;
    }
    COverLayManager* manager = image.CreateOverLayManager();
    overlay->SetOwner(manager);
    manager->AddOverlay(overlay);
    overlay->LoadPixelSpacing();
    for (auto _ : state)
        overlay->Measure();
    if (overlay->GetInfoText().Left(7) == "M:0.00 ")
        state.SkipWithError("the region measured nothing");
    std::remove(path);
}

void BM_MeasureRectangle2048(benchmark::State& state)
{
    auto* rect = new COverLayRect;
    rect->SetFromRecord(-1, -1, 2047, 2047);
    MeasureCoveringRegion(state, rect);
}
BENCHMARK(BM_MeasureRectangle2048)->Unit(benchmark::kMillisecond);

void BM_MeasureEllipse2048(benchmark::State& state)
{
    auto* ellipse = new COverLayEllipse;
    ellipse->SetFromRecord(-1, -1, 2047, 2047);
    MeasureCoveringRegion(state, ellipse);
}
BENCHMARK(BM_MeasureEllipse2048)->Unit(benchmark::kMillisecond);

void BM_MeasurePolygon2048(benchmark::State& state)
{
    auto* poly = new COverLayPoly;
    CArray<CPoint, CPoint> vertices;
    for (CPoint p : {CPoint(0, 0), CPoint(2048, 0), CPoint(2048, 2048), CPoint(1024, 1500), CPoint(0, 2048)})
        vertices.Add(p);
    poly->SetFromRecord(vertices);
    MeasureCoveringRegion(state, poly);
}
BENCHMARK(BM_MeasurePolygon2048)->Unit(benchmark::kMillisecond);

// A free-hand trace of the most vertices a record holds, one pixel apart,
// around most of the image.
void BM_MeasureLongTrace2048(benchmark::State& state)
{
    auto* poly = new COverLayPoly;
    CArray<CPoint, CPoint> vertices;
    const int count = 32767;
    vertices.SetSize(count);
    for (int i = 0; i < count; ++i) {
        const double angle = 2 * 3.14159265358979 * i / count;
        vertices[i] = CPoint(1024 + static_cast<int>(1000 * std::cos(angle)),
                             1024 + static_cast<int>(1000 * std::sin(angle) * (i % 2 ? 1.0 : 0.999)));
    }
    poly->SetFromRecord(vertices);
    MeasureCoveringRegion(state, poly);
}
BENCHMARK(BM_MeasureLongTrace2048)->Unit(benchmark::kMillisecond);

// Opening a file with the most overlays a blob may hold and listing each
// one's text, as dcmrender --list-overlays does.
void BM_OpenAndList100000Overlays(benchmark::State& state)
{
    const char path[] = "/tmp/bench_overlays_list.dcm";
    MakeImageFile(path, 1024, MixedRecords(100000));
    for (auto _ : state) {
        CDcmImage image;
        if (!image.OpenFile(path) || image.GetOverLayManager() == nullptr ||
            image.GetOverLayManager()->GetCount() != 100000) {
            state.SkipWithError("image or overlays did not open");
            break;
        }
        COverLayManager* manager = image.GetOverLayManager();
        size_t length = 0;
        for (int i = 0; i < manager->GetCount(); ++i)
            length += static_cast<size_t>(manager->GetAt(i)->GetInfoText().GetLength());
        benchmark::DoNotOptimize(length);
    }
    std::remove(path);
}
BENCHMARK(BM_OpenAndList100000Overlays)->Unit(benchmark::kMillisecond)->Iterations(1);

// A 512 x 512 image whose blob holds 100 ellipses and 100 polygons spanning
// -32768..32767, together under 1 MB.
void BM_OpenHostileRegions(benchmark::State& state)
{
    std::vector<short> blob;
    for (int i = 0; i < 100; ++i)
        blob.insert(blob.end(), {2, -32768, -32768, 32767, 32767});
    for (int i = 0; i < 100; ++i)
        blob.insert(blob.end(), {3, 4, -32768, -32768, 32767, -32768, 32767, 32767, -32768, 32767});
    const char path[] = "/tmp/bench_overlays_hostile.dcm";
    MakeImageFile(path, 512, blob);
    for (auto _ : state) {
        CDcmImage image;
        if (!image.OpenFile(path) || image.GetOverLayManager() == nullptr ||
            image.GetOverLayManager()->GetCount() != 200) {
            state.SkipWithError("image or overlays did not open");
            break;
        }
    }
    std::remove(path);
}
BENCHMARK(BM_OpenHostileRegions)->Unit(benchmark::kMillisecond)->Iterations(1);

// Opens a 512 x 512 image whose blob holds records regions, timed once.
void OpenRegionsFile(benchmark::State& state, const char* path, const std::vector<short>& blob, int regions)
{
    MakeImageFile(path, 512, blob);
    for (auto _ : state) {
        CDcmImage image;
        if (!image.OpenFile(path) || image.GetOverLayManager() == nullptr ||
            image.GetOverLayManager()->GetCount() != regions) {
            state.SkipWithError("image or overlays did not open");
            break;
        }
        if (image.GetOverLayManager()->GetAt(0)->GetInfoText().Left(7) == "M:0.00 ")
            state.SkipWithError("the regions measured nothing");
    }
    std::remove(path);
}

// 50,000 rectangles each covering the 512 x 512 image, under 1 MB with it.
void BM_Open50000CoveringRectangles(benchmark::State& state)
{
    std::vector<short> blob;
    for (int i = 0; i < 50000; ++i)
        blob.insert(blob.end(), {1, short(-1 - i % 2), -1, 511, 511});
    OpenRegionsFile(state, "/tmp/bench_overlays_rects.dcm", blob, 50000);
}
BENCHMARK(BM_Open50000CoveringRectangles)->Unit(benchmark::kMillisecond)->Iterations(1);

// 50,000 ellipses each touching the 512 x 512 image's four sides.
void BM_Open50000CoveringEllipses(benchmark::State& state)
{
    std::vector<short> blob;
    for (int i = 0; i < 50000; ++i)
        blob.insert(blob.end(), {2, short(-1 - i % 2), -1, 511, 511});
    OpenRegionsFile(state, "/tmp/bench_overlays_ellipses.dcm", blob, 50000);
}
BENCHMARK(BM_Open50000CoveringEllipses)->Unit(benchmark::kMillisecond)->Iterations(1);

// 25,000 quadrilaterals whose edges run across the whole image.
void BM_Open25000LongEdgedPolygons(benchmark::State& state)
{
    std::vector<short> blob;
    for (int i = 0; i < 25000; ++i) {
        const short d = static_cast<short>(i % 200);
        blob.insert(blob.end(), {3, 4, 0, d, 511, 0, 511, 511, d, 511});
    }
    OpenRegionsFile(state, "/tmp/bench_overlays_polys.dcm", blob, 25000);
}
BENCHMARK(BM_Open25000LongEdgedPolygons)->Unit(benchmark::kMillisecond)->Iterations(1);

// Three polygons of the most vertices a record holds, each edge running
// from the top of the image to its bottom.
void BM_Open3ZigzagPolygons(benchmark::State& state)
{
    std::vector<short> blob;
    const short count = 32767;
    for (int p = 0; p < 3; ++p) {
        blob.insert(blob.end(), {3, count});
        for (int i = 0; i < count; ++i)
            blob.insert(blob.end(), {short((i * 7 + p) % 512), short(i % 2 ? 511 : 0)});
    }
    OpenRegionsFile(state, "/tmp/bench_overlays_zigzag.dcm", blob, 3);
}
BENCHMARK(BM_Open3ZigzagPolygons)->Unit(benchmark::kMillisecond)->Iterations(1);

// 90,000 lines and arrows spanning the whole coordinate range over a 128 x
// 128 image, under 1 MB together.
void BM_OpenSpanningLines(benchmark::State& state)
{
    std::vector<short> blob;
    for (int i = 0; i < 90000; ++i)
        blob.insert(blob.end(), {short(5 + i % 2), -32768, short(-32768 + i % 7), 32767, 32767});
    const char path[] = "/tmp/bench_overlays_lines.dcm";
    MakeImageFile(path, 128, blob);
    for (auto _ : state) {
        CDcmImage image;
        if (!image.OpenFile(path) || image.GetOverLayManager() == nullptr ||
            image.GetOverLayManager()->GetCount() != 90000) {
            state.SkipWithError("image or overlays did not open");
            break;
        }
    }
    std::remove(path);
}
BENCHMARK(BM_OpenSpanningLines)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
