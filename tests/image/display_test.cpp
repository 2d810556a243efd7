#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "DrawTarget.h"

using namespace testfiles;

namespace {

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    std::string Write(DcmFileFormat& file, const std::string& name = "image.dcm")
    {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(Save(file, path));
        return path;
    }

    std::string dir;
};

ImageLayout Grey8(int rows, int columns)
{
    ImageLayout layout;
    layout.rows = rows;
    layout.columns = columns;
    layout.bitsAllocated = 8;
    layout.pixels = Ramp(layout, 3);
    return layout;
}

}  // namespace

TEST_F(DisplayTest, ColourImageDrawnOneToOne)
{
    ImageLayout layout;
    layout.samples = 3;
    layout.bitsAllocated = 8;
    layout.photometric = "RGB";
    layout.pixels = Ramp(layout, 5);
    DcmFileFormat file = MakeImage(layout);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    Target target(4, 4);
    image.ShowImage(&target.dc, CRect(0, 0, 4, 4));
    const BYTE* pixel = target.Pixel(1, 0);  // stored R, G, B = 15, 20, 25
    EXPECT_EQ(pixel[2], 15);
    EXPECT_EQ(pixel[1], 20);
    EXPECT_EQ(pixel[0], 25);
}

TEST_F(DisplayTest, OverlayPlaneBitsWhitenDisplayBytes)
{
    ImageLayout layout = Grey8(8, 8);
    layout.pixels.assign(64, 10);
    DcmFileFormat file = MakeImage(layout);
    PutOverlayPlane(file, 8, 8, 0x81);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    image.AdjustBoth(256, 128, 0);
    Target target(8, 8);
    image.ShowImage(&target.dc, CRect(0, 0, 8, 8));
    EXPECT_EQ(target.Pixel(0, 0)[0], 255);
    EXPECT_EQ(target.Pixel(7, 0)[0], 255);
    EXPECT_EQ(target.Pixel(1, 0)[0], 9);
}

TEST_F(DisplayTest, StretchModeFollowsModalityOnNonPaletteScreen)
{
    DcmFileFormat cr = MakeImage(Grey8(4, 4));
    cr.getDataset()->putAndInsertString(DCM_Modality, "CR");
    DcmFileFormat ct = MakeImage(Grey8(4, 4));
    ct.getDataset()->putAndInsertString(DCM_Modality, "CT");
    CDcmImage crImage, ctImage;
    ASSERT_EQ(crImage.OpenFile(Write(cr, "cr.dcm").c_str()), 1);
    ASSERT_EQ(ctImage.OpenFile(Write(ct, "ct.dcm").c_str()), 1);
    Target target(8, 8);
    crImage.ShowImage(&target.dc, CRect(0, 0, 8, 8));
    EXPECT_EQ(target.dc.GetStretchBltMode(), COLORONCOLOR);
    ctImage.ShowImage(&target.dc, CRect(0, 0, 8, 8));
    EXPECT_EQ(target.dc.GetStretchBltMode(), HALFTONE);
}

TEST_F(DisplayTest, ThumbnailIsA64By64Bitmap)
{
    DcmFileFormat file = MakeImage(Grey8(8, 16));
    CDcmImage unopened;
    HBITMAP icon = nullptr;
    EXPECT_EQ(unopened.GetIconHBmp(icon, 0, 0), 0);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    ASSERT_EQ(image.GetIconHBmp(icon, 0, 0), 1);
    ASSERT_NE(icon, nullptr);
    BITMAP info = {};
    ASSERT_NE(GetObject(icon, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 64);
    EXPECT_EQ(info.bmHeight, 64);
    ASSERT_EQ(image.GetIconHBmp(icon, 0, 0), 1);  // replaces and deletes the old one
    DeleteObject(icon);
}

// Left 1, top 2, right 4, bottom 3 of a 5 x 4 picture of two bytes a pixel:
// only row 2, columns 1 to 3, keep their bytes.
TEST_F(DisplayTest, ShutterKeepsOnlyTheRectangle)
{
    CDcmImage image;
    BYTE bits[5 * 4 * 2];
    std::fill(std::begin(bits), std::end(bits), 9);
    image.SetShutter(1, 2, 4, 3);
    ASSERT_EQ(image.ShutterImage(bits, 5, 4, 2), 1);
    std::string kept;
    for (int i = 0; i < 5 * 4; ++i)
        kept += std::string(bits[2 * i] == 9 && bits[2 * i + 1] == 9 ? "#" : ".") + (i % 5 == 4 ? "\n" : "");
    EXPECT_EQ(kept, ".....\n.....\n.###.\n.....\n");
}

TEST_F(DisplayTest, ImageBitsOfTheWholeImageCopyTheDisplay)
{
    DcmFileFormat file = MakeImage(Grey8(4, 8));
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    image.SetRotateAngle(270, 1);
    std::vector<BYTE> out(32, 7);
    ASSERT_EQ(image.GetImageBits(out.data(), 0, 1), 1);
    EXPECT_EQ(0, std::memcmp(out.data(), image.GetBitmapBits(), 32));
    image.SetRelativeRect(CRelativeRect(0, 0, 1, 1));
    EXPECT_EQ(image.GetImageBits(out.data(), 0, 0), 1);
    EXPECT_EQ(image.GetImageBits(nullptr, 0, 0), 0);
}
