// A toolkit call that throws (here: an allocation that fails inside it)
// becomes a failed read or write; nothing escapes, nothing is left behind.
// Every allocation of this test program goes through the counting operator
// new below.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <jpeglib.h>

#include "DcmImage.h"
#include "DicomInfo.h"
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include "DicomTestFiles.h"

namespace {

std::atomic<long> g_allocationsBeforeFailure{-1};  // -1: never fail
std::atomic<bool> g_failureRaised{false};
std::atomic<std::size_t> g_largestAllocation{0};

void* AllocateQuietly(std::size_t size) noexcept
{
    std::size_t largest = g_largestAllocation.load();
    while (size > largest && !g_largestAllocation.compare_exchange_weak(largest, size)) {
    }
    return std::malloc(size ? size : 1);
}

void* Allocate(std::size_t size)
{
    const long left = g_allocationsBeforeFailure.load();
    if (left == 0) {
        g_allocationsBeforeFailure = -1;
        g_failureRaised = true;
        throw std::bad_alloc();
    }
    if (left > 0)
        g_allocationsBeforeFailure = left - 1;
    if (void* block = AllocateQuietly(size))
        return block;
    throw std::bad_alloc();
}

// A grey baseline JPEG of the given size.
std::vector<uint8_t> GreyJpeg(int width, int height)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width), 90);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

// Failure points spread over the whole call: every one of the first, then
// wider steps.
// The toolkit does not free what it had made when an exception passes
// through it: those blocks are not our leaks.
struct ToolkitLeaksIgnored {
#if defined(__SANITIZE_ADDRESS__)
    ToolkitLeaksIgnored() { __lsan_disable(); }
    ~ToolkitLeaksIgnored() { __lsan_enable(); }
#endif
};

template <class Prepare, class Call>
int RunWithFailures(Prepare prepare, Call call)
{
    int failures = 0;
    for (long n = 0;; n = n < 24 ? n + 1 : n + n / 4) {
        auto state = prepare();
        g_failureRaised = false;
        g_allocationsBeforeFailure = n;
        {
            [[maybe_unused]] ToolkitLeaksIgnored ignored;
            call(*state);
        }
        g_allocationsBeforeFailure = -1;
        if (!g_failureRaised)
            break;
        ++failures;
    }
    return failures;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateQuietly(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateQuietly(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

TEST(ToolkitFailure, ReadFailsCleanlyWhereverTheToolkitThrows)
{
    using namespace testfiles;
    ImageLayout layout;
    layout.rows = 6;
    layout.columns = 5;
    layout.frames = 2;
    layout.pixels = Ramp(layout, 3, 7);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_PatientName, "Doe^Jane");
    const std::string path = TempDir("toolkit_failure_read") + "/image.dcm";
    ASSERT_TRUE(Save(file, path));

    const int failures = RunWithFailures([] { return std::make_unique<CDicomInfo>(); }, [&](CDicomInfo& info) {
        CPtrArray frames;
        int result = -1;
        EXPECT_NO_THROW(result = info.ReadDicomFile(path.c_str(), &frames));
        if (g_failureRaised) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(frames.GetSize(), 0);
        } else {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(frames.GetSize(), 2);
        }
        for (INT_PTR i = 0; i < frames.GetSize(); ++i)
            delete[] static_cast<BYTE*>(frames.GetAt(i));
    });
    EXPECT_GT(failures, 20);
}

TEST(ToolkitFailure, WriteFailsCleanlyAndLeavesTheFile)
{
    using namespace testfiles;
    ImageLayout layout;
    layout.pixels = Ramp(layout);
    DcmFileFormat file = MakeImage(layout);
    const std::string path = TempDir("toolkit_failure_write") + "/image.dcm";
    ASSERT_TRUE(Save(file, path));
    const std::vector<uint8_t> before = ReadBytes(path);
    const BYTE blob[6] = {1, 2, 3, 4, 5, 6};

    auto read = [&] {
        auto info = std::make_unique<CDicomInfo>();
        EXPECT_EQ(info->ReadDicomFile(path.c_str(), nullptr), 1);
        return info;
    };
    const int failures = RunWithFailures(read, [&](CDicomInfo& info) {
        int result = -1;
        EXPECT_NO_THROW(result = info.WriteElement(0x6061, 0x0030, EVR_OB, 6, blob));
        // The checks below allocate too: no failure is injected into them.
        g_allocationsBeforeFailure = -1;
        // No temporary file is left beside the original.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()),
                                std::filesystem::directory_iterator()),
                  1);
        if (g_failureRaised) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(ReadBytes(path), before);
        } else {
            EXPECT_EQ(result, 1);
            WriteBytes(path, before);
        }
    });
    EXPECT_GT(failures, 5);
}

// JPEG pixel data of 64 x 64 pixels whose attributes claim 65534 samples:
// refused before anything is decompressed for it.
TEST(ToolkitFailure, ImpossibleSampleCountIsRefusedBeforeDecompression)
{
    using namespace testfiles;
    ImageLayout layout;
    layout.rows = 64;
    layout.columns = 64;
    layout.bitsAllocated = 8;
    DcmFileFormat file = MakeImage(layout);
    DcmDataset* dataset = file.getDataset();
    const std::vector<uint8_t> jpeg = GreyJpeg(64, 64);
    auto* sequence = new DcmPixelSequence(DCM_PixelSequenceTag);
    sequence->insert(new DcmPixelItem(DCM_PixelItemTag));
    DcmOffsetList offsets;
    ASSERT_TRUE(sequence->storeCompressedFrame(offsets, const_cast<Uint8*>(jpeg.data()), Uint32(jpeg.size()), 0).good());
    auto* pixels = new DcmPixelData(DCM_PixelData);
    pixels->putOriginalRepresentation(EXS_JPEGProcess1, nullptr, sequence);
    dataset->insert(pixels, OFTrue);
    const std::string dir = TempDir("toolkit_samples");
    ASSERT_TRUE(Save(file, dir + "/one.dcm", EXS_JPEGProcess1));
    dataset->putAndInsertUint16(DCM_SamplesPerPixel, 65534);
    ASSERT_TRUE(Save(file, dir + "/many.dcm", EXS_JPEGProcess1));

    CDcmImage one;
    ASSERT_EQ(one.OpenFile((dir + "/one.dcm").c_str()), 1);
    EXPECT_EQ(one.GetPixelValue(40, 30), 90);
    g_largestAllocation = 0;
    CDcmImage many;
    EXPECT_EQ(many.OpenFile((dir + "/many.dcm").c_str()), 0);
    EXPECT_LT(g_largestAllocation.load(), 16u << 20);
}
