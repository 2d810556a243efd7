#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "DrawTarget.h"
#include "PixelOps.h"

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

// The display bytes after a paint, the overlay plane burned in.
std::vector<BYTE> PaintedBits(CDcmImage& image, int bytesPerPixel)
{
    Target target(image.GetWidth(), image.GetHeight());
    image.ShowImage(&target.dc, CRect(0, 0, image.GetWidth(), image.GetHeight()));
    std::vector<BYTE> bits(static_cast<size_t>(image.GetWidth()) * image.GetHeight() * bytesPerPixel);
    EXPECT_EQ(image.GetImageBits(bits.data(), 0, 0), 1);
    return bits;
}

TEST_F(DisplayTest, OverlayPlaneTurnsAndMirrorsWithTheImage)
{
    // Sizes already DWORD aligned, so the display is the stored picture.
    const int rows = 8, columns = 12;
    // No pixel white; the plane's bits mark no symmetric pattern at either
    // sample count.
    const std::vector<uint8_t> plane = {0x83, 0x00, 0x40, 0x0c, 0x00, 0x21, 0x80,
                                        0x10, 0x00, 0x05, 0x00, 0x00, 0x02, 0x60, 0x09};
    for (int samples : {1, 3}) {
        ImageLayout layout = Grey8(rows, columns);
        layout.samples = samples;
        layout.photometric = samples == 3 ? "RGB" : "MONOCHROME2";
        layout.pixels = Ramp(layout, 1, 7);
        DcmFileFormat file = MakeImage(layout);
        PutOverlayPlane(file, rows, columns, plane);
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
        image.AdjustBoth(256, 128, 0);
        const std::vector<BYTE> upright = PaintedBits(image, samples);
        ASSERT_EQ(image.GetWidth(), columns);
        ASSERT_EQ(upright[0], 255);
        ASSERT_NE(upright[2], 255);
        for (int angle : {0, 90, 180, 270})
            for (int flip = 0; flip < 2; ++flip)
                for (int reverse = 0; reverse < 2; ++reverse) {
                    image.SetRotateAngle(angle, 1);
                    image.SetFlip(flip, 1);
                    image.SetReverse(reverse, 1);
                    std::vector<BYTE> expected(upright.size());
                    PixelOps::OrientFrame(upright.data(), expected.data(), rows, columns, samples, false, angle,
                                          flip != 0, reverse != 0);
                    EXPECT_EQ(PaintedBits(image, samples), expected)
                        << samples << " samples, " << angle << (flip ? " flip" : "") << (reverse ? " mirror" : "");
                }
    }
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
