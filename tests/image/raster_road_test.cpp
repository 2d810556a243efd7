#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DcmImage.h"
#include "DicomTestFiles.h"

namespace {

std::string Make(const std::string& dir, const std::string& arguments, const std::string& name)
{
    const std::string path = dir + "/" + name;
    const std::string command = "gm convert " + arguments + " '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

}  // namespace

TEST(RasterRoad, OddSizedPictureBecomesOneFrameCutToMultiplesOfFour)
{
    const std::string dir = testfiles::TempDir("raster_odd");
    const std::string path = Make(dir, "-size 101x50 xc:#C86432", "odd.png");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    EXPECT_EQ(image.GetFramesCount(), 1);
    EXPECT_EQ(image.GetColumns(), 100);
    EXPECT_EQ(image.GetRows(), 48);
    EXPECT_EQ(image.GetPhotoMetricInterpretation(), "RGB");
    EXPECT_EQ(image.GetColorMode(), COLOR_MODE_RGB);
    EXPECT_EQ(image.GetWindowCenter(), 128);
    EXPECT_EQ(image.GetWindowWidth(), 255);
    const BYTE* bits = image.GetBitmapBits();
    EXPECT_NEAR(bits[2], 200, 1);  // display bytes are B, G, R
    EXPECT_NEAR(bits[1], 100, 1);
    EXPECT_NEAR(bits[0], 50, 1);
}

TEST(RasterRoad, UpperCaseJpegExtensionAndMultiImageIcon)
{
    const std::string dir = testfiles::TempDir("raster_kinds");
    const std::string jpeg = Make(dir, "-size 16x12 xc:#808080", "PICTURE.JPEG");
    CDcmImage photo;
    ASSERT_EQ(photo.OpenFile(jpeg.c_str()), 1);
    EXPECT_EQ(photo.GetColumns(), 16);
    const std::string red = Make(dir, "-size 16x16 xc:red", "red.png");
    const std::string blue = Make(dir, "-size 16x16 xc:blue", "blue.png");
    const std::string large = Make(dir, "-size 32x32 xc:green", "green.png");
    const std::string icon = dir + "/three.ico";
    const std::string command = "icotool -c -o '" + icon + "' '" + red + "' '" + blue + "' '" + large + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    CDcmImage icons;
    ASSERT_EQ(icons.OpenFile(icon.c_str()), 1);
    // The 32 x 32 image cannot share the frame list of the 16 x 16 ones.
    EXPECT_EQ(icons.GetFramesCount(), 2);
    EXPECT_EQ(icons.GetColumns(), 16);
    icons.LastFrame();
    EXPECT_GT(icons.GetBitmapBits()[0], 200);  // blue
}

TEST(RasterRoad, DamagedPictureFailsCleanly)
{
    const std::string dir = testfiles::TempDir("raster_bad");
    const std::string good = Make(dir, "-size 32x32 xc:white", "good.png");
    std::vector<uint8_t> bytes = testfiles::ReadBytes(good);
    bytes.resize(bytes.size() / 2);
    testfiles::WriteBytes(dir + "/bad.png", bytes);
    testfiles::WriteBytes(dir + "/text.bmp", {'n', 'o', 't'});
    CDcmImage broken, text;
    EXPECT_EQ(broken.OpenFile((dir + "/bad.png").c_str()), 0);
    EXPECT_EQ(text.OpenFile((dir + "/text.bmp").c_str()), 0);
    EXPECT_EQ(text.IsFileOpened(), 0);
}

TEST(RasterRoad, PictureSmallerThanFourPixelsShowsTheOpenFailure)
{
    const std::string dir = testfiles::TempDir("raster_tiny");
    const std::string path = Make(dir, "-size 3x3 xc:white", "tiny.png");
    PlatformClearMessageBoxLog();
    CDcmImage image;
    EXPECT_EQ(image.OpenFile(path.c_str()), 0);
    EXPECT_EQ(PlatformLastMessageBoxText(), "打开图片失败");
}
