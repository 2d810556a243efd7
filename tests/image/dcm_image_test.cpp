#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <dcmtk/dcmjpls/djencode.h>

#include "DcmImage.h"
#include "DicomTestFiles.h"

using namespace testfiles;

namespace {

class DcmImageTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    std::string Write(const ImageLayout& layout, const std::string& name = "image.dcm",
                      E_TransferSyntax xfer = EXS_LittleEndianExplicit)
    {
        DcmFileFormat file = MakeImage(layout);
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(Save(file, path, xfer));
        return path;
    }

    std::string Write(DcmFileFormat& file, const std::string& name = "image.dcm")
    {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(Save(file, path));
        return path;
    }

    static std::vector<BYTE> DisplayBits(CDcmImage& image)
    {
        const size_t bytes = static_cast<size_t>(image.GetWidth()) * image.GetHeight() *
                             (image.GetColorMode() == COLOR_MODE_RGB ? 3 : 1);
        const BYTE* bits = image.GetBitmapBits();
        return bits ? std::vector<BYTE>(bits, bits + bytes) : std::vector<BYTE>();
    }

    std::string dir;
};

ImageLayout Grey16(int rows, int columns)
{
    ImageLayout layout;
    layout.rows = rows;
    layout.columns = columns;
    layout.pixels = Ramp(layout);
    return layout;
}

}  // namespace

TEST_F(DcmImageTest, PathStoredLowerCasedAndReadAsGivenAndASecondOpenKeepsIt)
{
    const std::string path = Write(Grey16(4, 4), "Upper.DCM");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    CString expected = path.c_str();
    expected.MakeLower();
    EXPECT_EQ(image.GetFilePath(), expected);
    EXPECT_EQ(image.IsFileOpened(), 1);
    EXPECT_EQ(image.GetDicomInfo()->m_strFilePath, path.c_str());
    // A second open keeps the first file.
    EXPECT_EQ(image.OpenFile(Write(Grey16(8, 8), "b.dcm").c_str()), 1);
    EXPECT_EQ(image.GetRows(), 4);
}

TEST_F(DcmImageTest, MpegHeaderMakesVideoOnlyWithoutDcmExtension)
{
    const std::vector<uint8_t> mpeg = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x02};
    WriteBytes(dir + "/clip", mpeg);
    WriteBytes(dir + "/clip.dcm", mpeg);
    CDcmImage video;
    ASSERT_EQ(video.OpenFile((dir + "/clip").c_str()), 1);
    EXPECT_EQ(video.IsVideoFile(), 1);
    EXPECT_STREQ(video.GetImageType(), "Video");
    EXPECT_EQ(video.GetFramesCount(), 0);
    CDcmImage dicom;
    EXPECT_EQ(dicom.OpenFile((dir + "/clip.dcm").c_str()), 0);
    EXPECT_EQ(dicom.IsFileOpened(), 0);
}

TEST_F(DcmImageTest, FrameSteppingStopsAtEndsAndFrameTimesFollow)
{
    ImageLayout layout;
    layout.frames = 3;
    layout.bitsAllocated = 8;
    layout.pixels = Ramp(layout);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_FrameTimeVector, "0\\33.3\\50");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    EXPECT_EQ(image.GetFramesCount(), 3);
    EXPECT_EQ(image.GetCurrentFrameTime(), "0");
    EXPECT_EQ(image.BackWardFrame(), 0);
    EXPECT_EQ(image.ForWardFrame(), 1);
    EXPECT_EQ(image.GetCurrentFrameTime(), "33.3");
    EXPECT_EQ(image.LastFrame(), 1);
    EXPECT_EQ(image.IsLastFrame(), 1);
    EXPECT_EQ(image.GetCurrentFrameTime(), "50");
    EXPECT_EQ(image.ForWardFrame(), 0);
    EXPECT_EQ(image.GetCurrentFrame(), 2);
    EXPECT_EQ(image.GetPixelValue(0, 0), 32);
    EXPECT_EQ(image.SetCurrentFrame(3), 0);
    EXPECT_EQ(image.FirstFrame(), 1);
    EXPECT_EQ(image.GetPixelValue(1, 0), 1);
}

// An empty time keeps its frame's place; a closing separator adds none.
TEST_F(DcmImageTest, FrameTimesKeepTheirPlacesAroundEmptyTimes)
{
    ImageLayout layout;
    layout.frames = 4;
    layout.bitsAllocated = 8;
    layout.pixels = Ramp(layout);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_FrameTimeVector, "40\\\\25.5\\7\\");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    const char* expected[] = {"40", "", "25.5", "7"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(image.SetCurrentFrame(i), 1);
        EXPECT_EQ(image.GetCurrentFrameTime(), expected[i]) << i;
    }
}

TEST_F(DcmImageTest, CtRescaleStoresSignedValues)
{
    ImageLayout layout = Grey16(4, 4);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_RescaleIntercept, "-1024");
    file.getDataset()->putAndInsertString(DCM_RescaleSlope, "1");
    file.getDataset()->putAndInsertString(DCM_WindowCenter, "-1020");
    file.getDataset()->putAndInsertString(DCM_WindowWidth, "10");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    EXPECT_EQ(image.GetPixelValue(0, 0), -1024);
    EXPECT_EQ(image.GetPixelValue(3, 3), -1024 + 15);
    // Window -1025 .. -1015 over signed values.
    const std::vector<BYTE> bits = DisplayBits(image);
    EXPECT_EQ(bits[0], 25);   // trunc(1 / 10 * 255)
    EXPECT_EQ(bits[4], 127);
    EXPECT_EQ(bits[15], 255);
}

TEST_F(DcmImageTest, InitialWindowFromPixelRangeOrEightBitDefault)
{
    ImageLayout layout = Grey16(4, 4);
    layout.pixels = Ramp(layout, 100, 10);  // 10 .. 1510
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(layout).c_str()), 1);
    EXPECT_EQ(image.GetMinWindowLevel(), 0);
    EXPECT_EQ(image.GetMaxWindowLevel(), 1510);
    EXPECT_EQ(image.GetWindowCenter(), 755);
    EXPECT_EQ(image.GetWindowWidth(), 755);

    ImageLayout eight;
    eight.bitsAllocated = 8;
    eight.pixels = Ramp(eight);
    CDcmImage image8;
    ASSERT_EQ(image8.OpenFile(Write(eight, "eight.dcm").c_str()), 1);
    EXPECT_EQ(image8.GetWindowCenter(), 128);
    EXPECT_EQ(image8.GetWindowWidth(), 256);
}

TEST_F(DcmImageTest, WindowLevelMapsKnownValues)
{
    ImageLayout layout = Grey16(1, 4);
    const uint16_t values[4] = {0, 40, 239, 240};
    std::memcpy(layout.pixels.data(), values, 8);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_WindowCenter, "40");
    file.getDataset()->putAndInsertString(DCM_WindowWidth, "400");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    std::vector<BYTE> bits = DisplayBits(image);
    EXPECT_EQ(bits[0], 102);
    EXPECT_EQ(bits[1], 127);
    EXPECT_EQ(bits[2], 254);
    EXPECT_EQ(bits[3], 255);

    EXPECT_EQ(image.AdjustWW(0, 0), 1);
    EXPECT_EQ(image.GetWindowWidth(), 400);
    EXPECT_EQ(image.AdjustBoth(2, 40, 0), 1);
    bits = DisplayBits(image);
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[3], 255);
    EXPECT_EQ(image.ResetBoth(), 1);
    EXPECT_EQ(DisplayBits(image)[1], 127);
    EXPECT_EQ(image.SetInverse(1, 1), 1);
    EXPECT_EQ(DisplayBits(image)[1], 127);  // trunc((1 - 0.5) * 255)
    EXPECT_EQ(DisplayBits(image)[3], 0);
}

TEST_F(DcmImageTest, SignedPixelsIndexTheirOwnEntries)
{
    ImageLayout layout = Grey16(1, 4);
    layout.pixelRepresentation = 1;
    const int16_t values[4] = {-1000, 1000, 40, 0};
    std::memcpy(layout.pixels.data(), values, 8);
    DcmFileFormat file = MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_WindowCenter, "40");
    file.getDataset()->putAndInsertString(DCM_WindowWidth, "400");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    const std::vector<BYTE> bits = DisplayBits(image);
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[1], 255);
    EXPECT_EQ(bits[2], 127);
}

TEST_F(DcmImageTest, RgbWindowIsLimited)
{
    ImageLayout layout;
    layout.samples = 3;
    layout.bitsAllocated = 8;
    layout.photometric = "RGB";
    layout.pixels = Ramp(layout);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(layout).c_str()), 1);
    EXPECT_EQ(image.GetColorMode(), COLOR_MODE_RGB);
    EXPECT_EQ(image.GetWindowCenter(), 128);
    EXPECT_EQ(image.GetWindowWidth(), 256);
    const std::vector<BYTE> bits = DisplayBits(image);
    EXPECT_EQ(bits[0], 2);  // B of pixel 0 = 2
    EXPECT_EQ(bits[2], 0);  // R
    image.AdjustBoth(600, 300, 0);
    EXPECT_EQ(image.GetWindowWidth(), 511);
    EXPECT_EQ(image.GetWindowCenter(), 255);
}

TEST_F(DcmImageTest, RotationAndMirrorsOfDisplay)
{
    ImageLayout layout;
    layout.rows = 48;
    layout.columns = 100;
    layout.bitsAllocated = 8;
    layout.pixels.assign(48 * 100, 0);
    layout.pixels[99] = 255;  // top-right
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(layout).c_str()), 1);
    const std::vector<BYTE> original = DisplayBits(image);
    ASSERT_EQ(image.SetRotateAngle(90, 1), 1);
    EXPECT_EQ(image.GetWidth(), 48);
    EXPECT_EQ(image.GetHeight(), 100);
    EXPECT_EQ(image.GetRotatedColumns(), 48);
    EXPECT_EQ(DisplayBits(image)[0], 254);
    for (int turn = 2; turn <= 4; ++turn)
        image.SetRotateAngle(image.GetRotatedAngle() + 90, 1);
    EXPECT_EQ(image.GetRotatedAngle(), 0);
    EXPECT_EQ(DisplayBits(image), original);
    EXPECT_EQ(image.SetRotateAngle(-90, 1), 1);
    EXPECT_EQ(image.GetRotatedAngle(), 270);
    EXPECT_EQ(image.SetRotateAngle(0, 1), 1);
    EXPECT_EQ(image.SetReverse(1, 1), 1);
    EXPECT_EQ(image.SetReverse(1, 1), 0);
    EXPECT_EQ(DisplayBits(image)[0], 254);
    EXPECT_EQ(image.SetFlip(1, 1), 1);
    EXPECT_EQ(DisplayBits(image)[47 * 100], 254);
}

TEST_F(DcmImageTest, ClientPixelValueFollowsRotation)
{
    ImageLayout layout;
    layout.rows = 4;
    layout.columns = 8;
    layout.pixels = Ramp(layout);
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(layout).c_str()), 1);
    EXPECT_EQ(image.GetClientPixelValue(CRect(0, 0, 80, 40), CPoint(75, 5)), 7);
    image.SetRotateAngle(90, 1);
    // Display 4 wide, 8 high: its top-left is the source's top-right.
    EXPECT_EQ(image.GetClientPixelValue(CRect(0, 0, 40, 80), CPoint(1, 1)), 7);
    EXPECT_EQ(image.GetClientPixelValue(CRect(0, 0, 40, 80), CPoint(39, 79)), 24);
    EXPECT_EQ(image.GetClientPixelValue(CRect(0, 0, 0, 80), CPoint(1, 1)), 0);
}

TEST_F(DcmImageTest, OrientationLettersFollowRowAndColumnDirections)
{
    struct Case {
        const char* orientation;
        const char* bottom;
        const char* right;
    };
    const Case cases[] = {
        {"1\\0\\0\\0\\1\\0", "P", "L"},    // axial
        {"-1\\0\\0\\0\\0\\-1", "F", "R"},  // coronal seen from behind
        {"0\\1\\0\\0\\0\\-1", "F", "P"},   // sagittal
        {"0\\1\\0\\1\\0\\0", "L", "P"},    // rows along y, columns along x
        {"0\\0\\1\\1\\0\\0", "L", "H"},
        {"0\\0\\-1\\0\\-1\\0", "A", "F"},
        {"1\\0\\0\\1\\0\\0", "", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        DcmFileFormat file = MakeImage(Grey16(4, 4));
        file.getDataset()->putAndInsertString(DCM_ImageOrientationPatient, c.orientation);
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(Write(file, "o" + std::to_string(n++) + ".dcm").c_str()), 1);
        EXPECT_EQ(image.GetBOrientation(), c.bottom) << c.orientation;
        EXPECT_EQ(image.GetROrientation(), c.right) << c.orientation;
    }
}

TEST_F(DcmImageTest, OrientationLettersTurnWithTheImage)
{
    DcmFileFormat file = MakeImage(Grey16(4, 4));
    file.getDataset()->putAndInsertString(DCM_ImageOrientationPatient, "1\\0\\0\\0\\1\\0");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
    image.SetReverse(1, 1);
    EXPECT_EQ(image.GetROrientation(), "R");
    image.SetReverse(0, 1);
    image.SetRotateAngle(90, 1);
    EXPECT_EQ(image.GetROrientation(), "P");
    EXPECT_EQ(image.GetBOrientation(), "R");
}

TEST(FittedRect, CentresAndShrinks)
{
    EXPECT_EQ(CDcmImage::GetFittedImageRect(CRect(0, 0, 1000, 1000), 512, 256, 5, 5),
              CRect(5, 253, 995, 747));
    EXPECT_EQ(CDcmImage::GetFittedImageRect(CRect(0, 0, 100, 50), 0, 10, 0, 0), CRect(0, 0, 100, 50));
    EXPECT_EQ(CDcmImage::GetFittedImageRect(CRect(0, 0, 100, 8), 10, 10, 0, 4), CRect(0, 0, 100, 8));
    EXPECT_EQ(CDcmImage::GetFittedImageRect(CRect(0, 0, 100, 100), 10, 20, 0, 0), CRect(25, 0, 75, 100));
}

// Truncated, empty and foreign files are the generated ones of
// GeneratedFiles.BrokenFilesFailCleanly; these are refused for what they claim.
TEST_F(DcmImageTest, BadFilesFailCleanly)
{
    ImageLayout layout = Grey16(16, 16);
    CDcmImage missing;
    EXPECT_EQ(missing.OpenFile((dir + "/nonexistent.dcm").c_str()), 0);

    DcmFileFormat absurd = MakeImage(layout);
    absurd.getDataset()->putAndInsertUint16(DCM_Rows, 65535);
    absurd.getDataset()->putAndInsertUint16(DCM_Columns, 65535);
    absurd.getDataset()->putAndInsertString(DCM_NumberOfFrames, "99999");
    CDcmImage huge;
    EXPECT_EQ(huge.OpenFile(Write(absurd, "absurd.dcm").c_str()), 0);

    ImageLayout noPixels = layout;
    noPixels.pixels.clear();
    CDcmImage empty;
    EXPECT_EQ(empty.OpenFile(Write(noPixels, "nopixels.dcm").c_str()), 0);
}

TEST_F(DcmImageTest, SyntaxWithoutDecoderFailsCleanly)
{
    DJLSEncoderRegistration::registerCodecs();
    const std::string path = Write(Grey16(8, 8), "jls.dcm", EXS_JPEGLSLossless);
    DJLSEncoderRegistration::cleanup();
    CDcmImage image;
    EXPECT_EQ(image.OpenFile(path.c_str()), 0);
}

namespace {

// Eight colours of a 4 x 2 picture, R, G, B, every channel different.
const BYTE kColours[8][3] = {{10, 200, 30}, {250, 0, 40},  {60, 70, 255}, {0, 128, 1},
                             {90, 5, 180},  {33, 66, 99}, {255, 254, 0}, {7, 140, 222}};

// The colours as samples of the given width, each 8-bit value v stored as
// v scaled to the full range of bitsStored; planar 1 stores whole planes.
std::vector<uint8_t> WideColourSamples(int bytesPerSample, int bitsStored, int planar, uint32_t garbageHighBits = 0)
{
    std::vector<uint8_t> bytes;
    const uint64_t maximum = (uint64_t(1) << bitsStored) - 1;
    auto put = [&](BYTE v) {
        const uint64_t value = (v * maximum + 254) / 255 | garbageHighBits;
        for (int b = 0; b < bytesPerSample; ++b)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
    };
    for (int pass = 0; pass < (planar ? 3 : 1); ++pass)
        for (const auto& colour : kColours)
            for (int c = 0; c < 3; ++c)
                if (!planar || c == pass)
                    put(colour[c]);
    return bytes;
}

}  // namespace

// Wider samples were shown as if each byte were a sample of its own: stripes.
TEST_F(DcmImageTest, ColourOfSixteenAndThirtyTwoBitsPerSampleShowsScaledToEightBits)
{
    struct Case {
        int bitsAllocated, bitsStored, planar;
        uint32_t garbage;
    } cases[] = {{16, 16, 0, 0}, {32, 32, 1, 0}, {16, 12, 1, 0xA000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitsAllocated * 100 + c.bitsStored);
        ImageLayout layout;
        layout.rows = 2;
        layout.columns = 4;
        layout.samples = 3;
        layout.photometric = "RGB";
        layout.planar = c.planar;
        layout.bitsAllocated = c.bitsAllocated;
        layout.pixels = WideColourSamples(c.bitsAllocated / 8, c.bitsStored, c.planar, c.garbage);
        DcmFileFormat file = MakeImage(layout);
        file.getDataset()->putAndInsertUint16(DCM_BitsStored, static_cast<Uint16>(c.bitsStored));
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(Write(file).c_str()), 1);
        ASSERT_EQ(image.GetColorMode(), COLOR_MODE_RGB);
        ASSERT_EQ(image.GetWidth(), 4);
        const std::vector<BYTE> bits = DisplayBits(image);
        ASSERT_GE(bits.size(), 8u * 3);
        for (int i = 0; i < 8; ++i) {
            const BYTE* shown = &bits[static_cast<size_t>(i) * 3];
            EXPECT_EQ(std::vector<int>({shown[2], shown[1], shown[0]}),
                      std::vector<int>({kColours[i][0], kColours[i][1], kColours[i][2]}))
                << "pixel " << i;
        }
    }
}
