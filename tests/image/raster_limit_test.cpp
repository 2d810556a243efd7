// The raster road holds pictures to the pixel limit of DICOM data before a
// decoder allocates, and crops without a second copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "PixelLimit.h"
#include "RasterImage.h"

namespace {

void Put16(std::vector<uint8_t>& v, unsigned x) { v.push_back(x & 0xFF); v.push_back((x >> 8) & 0xFF); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

// An 8-bit RLE bitmap of a few runs that claims the given size.
std::vector<uint8_t> RleBitmap(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> runs = {0x05, 0x02, 0x00, 0x00, 0x03, 0x01, 0x00, 0x01};
    std::vector<uint8_t> v = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 256 * 4;
    Put32(v, offset + uint32_t(runs.size()));
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40); Put32(v, width); Put32(v, height);
    Put16(v, 1); Put16(v, 8); Put32(v, 1); Put32(v, uint32_t(runs.size()));
    Put32(v, 2835); Put32(v, 2835); Put32(v, 256); Put32(v, 0);
    for (int i = 0; i < 256; ++i) {
        v.push_back(uint8_t(i)); v.push_back(uint8_t(255 - i)); v.push_back(uint8_t(i / 3)); v.push_back(0);
    }
    v.insert(v.end(), runs.begin(), runs.end());
    return v;
}

}  // namespace

TEST(RasterLimit, FewBytesClaimingMoreThanTheLimitAreRefusedBeforeDecoding)
{
    const std::string dir = testfiles::TempDir("raster_limit_road");
    // 37 x 16,779,264 pixels: 1.86 GB as RGB frames.
    testfiles::WriteBytes(dir + "/bomb.bmp", RleBitmap(37, 16779264));
    testfiles::WriteBytes(dir + "/small.bmp", RleBitmap(8, 4));
    CDcmImage bomb;
    EXPECT_EQ(bomb.OpenFile((dir + "/bomb.bmp").c_str()), 0);
    EXPECT_EQ(bomb.GetFramesCount(), 0);
    EXPECT_EQ(CRasterImage::GetPixelLimit(), 0u);
    CDcmImage small;
    ASSERT_EQ(small.OpenFile((dir + "/small.bmp").c_str()), 1);
    // Bottom stored row: five of index 2 (blue 2), shown as the last row.
    EXPECT_EQ(small.GetBitmapBits()[3 * (3 * 8 + 4)], 2);
    EXPECT_EQ(small.GetBitmapBits()[3 * (3 * 8 + 5)], 0);
}

TEST(RasterLimit, LimitCountsRgbBytesOnBothSides)
{
    const std::vector<uint8_t> fits = RleBitmap(40, 30);
    const std::vector<uint8_t> over = RleBitmap(41, 30);
    CRasterImage::SetPixelLimit(3 * 40 * 30);
    CRasterImage inside(const_cast<uint8_t*>(fits.data()), DWORD(fits.size()), RASTER_FORMAT_BMP);
    CRasterImage outside(const_cast<uint8_t*>(over.data()), DWORD(over.size()), RASTER_FORMAT_BMP);
    CRasterImage::SetPixelLimit(0);
    EXPECT_TRUE(inside.IsValid()) << inside.GetLastError();
    EXPECT_FALSE(outside.IsValid());
    EXPECT_STREQ(outside.GetLastError(), "Can't allocate memory");
    CRasterImage unlimited(const_cast<uint8_t*>(over.data()), DWORD(over.size()), RASTER_FORMAT_BMP);
    EXPECT_TRUE(unlimited.IsValid());
}

TEST(RasterLimit, CropKeepsTheLeftColumnsAndTheBottomRows)
{
    const std::string dir = testfiles::TempDir("raster_limit_crop");
    const std::string path = dir + "/rows.png";
    // 9 x 6: red first row, blue last row, green last column.
    const std::string command = "gm convert -size 9x6 xc:black -fill red -draw 'line 0,0 8,0' "
                                "-fill blue -draw 'line 0,5 8,5' -fill lime -draw 'line 8,1 8,4' '" +
                                path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    ASSERT_EQ(image.GetColumns(), 8);
    ASSERT_EQ(image.GetRows(), 4);
    const BYTE* bits = image.GetBitmapBits();  // B, G, R
    EXPECT_EQ(bits[3 * (3 * 8 + 2)], 255);      // last shown row: the blue one
    EXPECT_EQ(bits[3 * (0 * 8 + 2) + 2], 0);    // the red row was cut
    EXPECT_EQ(bits[3 * (1 * 8 + 7) + 1], 0);    // the green column was cut
}
