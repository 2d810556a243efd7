// One window/level drag step of the image window: 1600 x 1200 window,
// 2048 x 2048 16-bit image; the move handler's width/centre change plus the
// repaint, and the repaint alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "DicomWnd.h"

namespace {

const int kSize = 2048;

std::string MakeImageFile()
{
    const std::string path = "/tmp/bench_window_drag_2048.dcm";
    DcmFileFormat file;
    DcmDataset* data = file.getDataset();
    data->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    data->putAndInsertString(DCM_SOPInstanceUID, "1.2.3.4.5.6.7");
    data->putAndInsertString(DCM_Modality, "CT");
    data->putAndInsertString(DCM_PatientName, "BENCH^DRAG");
    data->putAndInsertUint16(DCM_Rows, kSize);
    data->putAndInsertUint16(DCM_Columns, kSize);
    data->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    data->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    data->putAndInsertUint16(DCM_BitsAllocated, 16);
    data->putAndInsertUint16(DCM_BitsStored, 16);
    data->putAndInsertUint16(DCM_HighBit, 15);
    data->putAndInsertUint16(DCM_PixelRepresentation, 0);
    data->putAndInsertString(DCM_WindowCenter, "2000");
    data->putAndInsertString(DCM_WindowWidth, "4000");
    std::vector<Uint16> pixels(static_cast<size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            pixels[static_cast<size_t>(y) * kSize + x] = static_cast<Uint16>((x * 7 + y * 3) & 0xFFF);
    data->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
    return path;
}

struct DragFixture {
    DragFixture()
    {
        PlatformResetWindows();
        parent.CreateEx(0, nullptr, "bench", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 1600, 1200, nullptr, nullptr);
        wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1600, 1200), &parent, 9090);
        ok = wnd.SetImage(MakeImageFile().c_str(), 0) == 1;
        wnd.UpdateWindow();
    }
    ~DragFixture()
    {
        wnd.DestroyWindow();
        parent.DestroyWindow();
        std::remove("/tmp/bench_window_drag_2048.dcm");
    }
    CWnd parent;
    CDicomWnd wnd;
    bool ok = false;
};

void BM_WindowLevelDragStep(benchmark::State& state)
{
    DragFixture f;
    if (!f.ok) {
        state.SkipWithError("image did not open");
        return;
    }
    f.wnd.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(800, 600));
    int step = 0;
    for (auto _ : state) {
        const int x = 800 + (step % 2 ? 3 : -3);
        ++step;
        f.wnd.SendMessage(WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(x, 600));
        f.wnd.UpdateWindow();
    }
    f.wnd.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(800, 600));
}
BENCHMARK(BM_WindowLevelDragStep)->Unit(benchmark::kMillisecond);

void BM_Repaint(benchmark::State& state)
{
    DragFixture f;
    if (!f.ok) {
        state.SkipWithError("image did not open");
        return;
    }
    for (auto _ : state) {
        f.wnd.Invalidate(TRUE);
        f.wnd.UpdateWindow();
    }
}
BENCHMARK(BM_Repaint)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
