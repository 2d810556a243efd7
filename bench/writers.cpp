// Export writers: Save As of a 512 x 512 CT to JPEG and BMP with the corner
// text, a 100-frame movie of 512 x 512 frames, and print pixels with text
// for a 4096 x 5120 film.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "BenchFiles.h"
#include "DcmImage.h"
#include "NoteTextDlg.h"
#include "wnd/modal_responder.h"

namespace {

// A 16-bit film of 4096 x 5120 pixels, written once.
std::string MakeFilm()
{
    const std::string path = BenchDir() + "/film4096x5120.dcm";
    if (std::filesystem::exists(path))
        return path;
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_DigitalXRayImageStorageForPresentation);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.9.2");
    ds->putAndInsertString(DCM_Modality, "DX");
    ds->putAndInsertString(DCM_PatientName, "Bench^Film");
    ds->putAndInsertUint16(DCM_Rows, 5120);
    ds->putAndInsertUint16(DCM_Columns, 4096);
    ds->putAndInsertUint16(DCM_BitsAllocated, 16);
    ds->putAndInsertUint16(DCM_BitsStored, 12);
    ds->putAndInsertUint16(DCM_HighBit, 11);
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 0);
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    ds->putAndInsertString(DCM_WindowCenter, "2048");
    ds->putAndInsertString(DCM_WindowWidth, "4096");
    std::vector<Uint16> pixels(size_t(4096) * 5120);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = Uint16((i * 7 + i / 4096 * 3) & 0x0FFF);
    ds->putAndInsertUint16Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
    return path;
}

// A 100-frame 8-bit file of 512 x 512 frames, written once.
std::string MakeClip()
{
    const std::string path = BenchDir() + "/clip512x100.dcm";
    if (std::filesystem::exists(path))
        return path;
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_MultiframeGrayscaleByteSecondaryCaptureImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.9.3");
    ds->putAndInsertString(DCM_Modality, "XA");
    ds->putAndInsertString(DCM_NumberOfFrames, "100");
    ds->putAndInsertUint16(DCM_Rows, 512);
    ds->putAndInsertUint16(DCM_Columns, 512);
    ds->putAndInsertUint16(DCM_BitsAllocated, 8);
    ds->putAndInsertUint16(DCM_BitsStored, 8);
    ds->putAndInsertUint16(DCM_HighBit, 7);
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 0);
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    std::vector<Uint8> pixels(size_t(512) * 512 * 100);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = Uint8(i * 3 + i / (512 * 512) * 17);
    ds->putAndInsertUint8Array(DCM_PixelData, pixels.data(), static_cast<unsigned long>(pixels.size()));
    file.saveFile(path.c_str(), EXS_LittleEndianExplicit);
    return path;
}

void SaveAsWithText(benchmark::State& state, const char* extension)
{
    CDcmImage image;
    image.OpenFile(MakeFile(512).c_str());
    const std::string out = BenchDir() + "/saved." + extension;
    for (auto _ : state)
        benchmark::DoNotOptimize(image.SaveAs(out.c_str(), 0, 0, 1, 1, nullptr));
}

void SaveAsJpeg(benchmark::State& state)
{
    SaveAsWithText(state, "jpg");
}

void SaveAsBmp(benchmark::State& state)
{
    SaveAsWithText(state, "bmp");
}

// Items are frames: the rate is frames written per second.
void MovieOf100Frames(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeClip().c_str());
    const std::string out = BenchDir() + "/clip.avi";
    for (auto _ : state) {
        ScriptedResponder()
            .Dialog([](CDialog& dialog) { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); })
            .Install();
        image.SetCurrentFrame(0);
        benchmark::DoNotOptimize(image.SaveAsAvi(out.c_str(), 1, 0));
    }
    SetModalResponder(nullptr);
    state.SetItemsProcessed(state.iterations() * 100);
}

void PrintPixelsOfAFilm(benchmark::State& state)
{
    CDcmImage image;
    image.OpenFile(MakeFilm().c_str());
    for (auto _ : state) {
        unsigned char* pixels = image.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0);
        benchmark::DoNotOptimize(pixels);
        delete[] pixels;
    }
}

// The first print of an image, which also takes the memory of its text matrix.
void FirstPrintPixelsOfAFilm(benchmark::State& state)
{
    const std::string path = MakeFilm();
    for (auto _ : state) {
        state.PauseTiming();
        auto image = std::make_unique<CDcmImage>();
        image->OpenFile(path.c_str());
        state.ResumeTiming();
        unsigned char* pixels = image->GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0);
        benchmark::DoNotOptimize(pixels);
        delete[] pixels;
        state.PauseTiming();
        image.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(SaveAsJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveAsBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(MovieOf100Frames)->Unit(benchmark::kMillisecond);
BENCHMARK(PrintPixelsOfAFilm)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstPrintPixelsOfAFilm)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
