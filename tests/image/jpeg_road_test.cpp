#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "JpegFile.h"
#include "ManyScanJpeg.h"

namespace {

// Flat colour picture at quality 100: decoded values stay within a step or two.
void WriteJpeg(const std::string& path, int width, int height, bool colour, int value)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = colour ? 3 : 1;
    info.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * info.input_components);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = static_cast<JSAMPLE>(colour ? value + 40 * (i % 3) : value);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

bool Near(int a, int b)
{
    return std::abs(a - b) <= 2;
}

}  // namespace

TEST(JpegRoad, ColourFolderFramesArePaddedWithoutShearing)
{
    const std::string dir = testfiles::TempDir("jpeg_colour");
    WriteJpeg(dir + "/frame1.jpg", 61, 47, true, 50);
    WriteJpeg(dir + "/frame2.jpg", 61, 47, true, 90);
    WriteJpeg(dir + "/odd.jpg", 30, 30, true, 10);      // another size: skipped
    WriteJpeg(dir + "/zgrey.jpg", 61, 47, false, 10);   // another kind: skipped
    testfiles::WriteBytes(dir + "/notes.txt", {'h', 'i'});
    CDcmImage image;
    ASSERT_EQ(image.OpenJpegFileDirectory(dir.c_str()), 1);
    ASSERT_EQ(image.GetFramesCount(), 2);
    EXPECT_EQ(image.GetColumns(), 64);
    EXPECT_EQ(image.GetRows(), 48);
    image.LastFrame();
    const BYTE* bits = image.GetBitmapBits();
    // Last real pixel of row 46 and the padding beside and below it.
    const BYTE* last = bits + 3 * (46 * 64 + 60);
    EXPECT_TRUE(Near(last[2], 90) && Near(last[1], 130) && Near(last[0], 170));
    EXPECT_EQ(bits[3 * (46 * 64 + 61)], 0);
    EXPECT_EQ(bits[3 * (47 * 64)], 0);
}

// Grey frames are unsigned 8-bit: values on both sides of 128 show as
// stored, from a single file and from a folder; an empty folder gives none.
TEST(JpegRoad, GreyFramesShowTheirStoredValues)
{
    const std::string dir = testfiles::TempDir("jpeg_grey_display");
    WriteJpeg(dir + "/bright.jpg", 33, 20, false, 200);
    WriteJpeg(dir + "/dark.jpg", 33, 20, false, 60);
    CDcmImage single;
    ASSERT_EQ(single.OpenJpegFile((dir + "/bright.jpg").c_str()), 1);
    EXPECT_EQ(single.GetPhotoMetricInterpretation(), "MONOCHROME2");
    EXPECT_EQ(single.GetColumns(), 36);
    EXPECT_TRUE(Near(single.GetPixelValue(32, 19), 200));
    EXPECT_EQ(single.GetPixelValue(33, 0), 0);
    EXPECT_TRUE(Near(single.GetBitmapBits()[19 * 36 + 29], 200)) << int(single.GetBitmapBits()[19 * 36 + 29]);
    CDcmImage folder;
    ASSERT_EQ(folder.OpenJpegFileDirectory(dir.c_str()), 1);
    ASSERT_EQ(folder.GetFramesCount(), 2);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(folder.SetCurrentFrame(frame), 1);
        folder.ResetBitmapBits();
        const int stored = folder.GetPixelValue(9, 5);
        EXPECT_TRUE(stored > 180 || stored < 80) << stored;
        EXPECT_TRUE(Near(folder.GetBitmapBits()[5 * 36 + 9], stored)) << frame;
    }
    const std::string empty = testfiles::TempDir("jpeg_empty");
    CDcmImage none;
    EXPECT_EQ(none.OpenJpegFileDirectory(empty.c_str()), 0);
    EXPECT_EQ(none.GetFramesCount(), 0);
}

TEST(JpegRoad, DamagedJpegReportsFatalErrorAndYieldsNoFrame)
{
    const std::string dir = testfiles::TempDir("jpeg_bad");
    WriteJpeg(dir + "/good.jpg", 16, 16, false, 10);
    std::vector<uint8_t> bytes = testfiles::ReadBytes(dir + "/good.jpg");
    bytes.resize(40);
    testfiles::WriteBytes(dir + "/bad.jpg", bytes);
    PlatformClearMessageBoxLog();
    UINT width = 0, height = 0;
    EXPECT_EQ(JpegFile::ReadRGB((dir + "/bad.jpg").c_str(), &width, &height), nullptr);
    ASSERT_FALSE(PlatformMessageBoxLog().empty());
    EXPECT_EQ(PlatformMessageBoxLog().back().caption, "JPEG Fatal Error");
    CDcmImage image;
    EXPECT_EQ(image.OpenJpegFile((dir + "/bad.jpg").c_str()), 0);
    EXPECT_EQ(JpegFile::ReadNative((dir + "/missing.jpg").c_str(), &width, &height), nullptr);
}

// Each repeated scan is a pass over the picture: one more than the bound
// is refused like a damaged file.
TEST(JpegRoad, ProgressiveScansAreBounded)
{
    const std::string dir = testfiles::TempDir("jpeg_scans");
    testfiles::WriteBytes(dir + "/most.jpg", manyscans::WithScans(40, 24, 500));
    testfiles::WriteBytes(dir + "/more.jpg", manyscans::WithScans(40, 24, 501));
    UINT width = 0, height = 0;
    BYTE* rgb = JpegFile::ReadRGB((dir + "/most.jpg").c_str(), &width, &height);
    EXPECT_NE(rgb, nullptr);
    EXPECT_EQ(width, 40u);
    EXPECT_EQ(height, 24u);
    delete[] rgb;
    PlatformClearMessageBoxLog();
    EXPECT_EQ(JpegFile::ReadRGB((dir + "/more.jpg").c_str(), &width, &height), nullptr);
    ASSERT_FALSE(PlatformMessageBoxLog().empty());
    EXPECT_EQ(PlatformMessageBoxLog().back().text, "JPEG has more than 500 scans");
}

TEST(JpegRoad, DecodeJpegBufferGivesPaddedRgbRows)
{
    const std::string dir = testfiles::TempDir("jpeg_buffer");
    WriteJpeg(dir + "/b.jpg", 5, 2, true, 100);
    const std::vector<uint8_t> bytes = testfiles::ReadBytes(dir + "/b.jpg");
    BYTE* buffer = new BYTE[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), buffer);
    CDcmImage image;
    BYTE* rows = image.DecodeJpeg(static_cast<int>(bytes.size()), buffer);
    ASSERT_NE(rows, nullptr);
    EXPECT_TRUE(Near(rows[16], 100));  // second row starts at 16 bytes
    EXPECT_TRUE(Near(rows[18], 180));
    delete[] rows;
    EXPECT_EQ(image.DecodeJpeg(3, new BYTE[3]{1, 2, 3}), nullptr);
}
