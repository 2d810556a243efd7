// Every generated image file opens and shows its pixel formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "DcmImage.h"
#include "testdata.h"

namespace td = testdata;

namespace {

bool IsColour(const td::Image& image)
{
    return image.samples == 3;
}

int RoundUp4(int value)
{
    return (value + 3) / 4 * 4;
}

// Stored value as the pipeline leaves it: rescaled, in the stored width.
int ExpectedGrey(const td::Image& image, int x, int y, int f)
{
    int v = td::StoredValue(image.pattern, x, y, f, 0, image.columns);
    if (image.pattern == td::Pattern::CtPhantom)
        v -= 1024;
    else if (image.pattern == td::Pattern::CtPhantomSlope2)
        v = v * 2 - 1024;
    return image.bitsAllocated == 8 ? (v & 0xFF) : static_cast<short>(v);
}

int Clamp(double v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

void ExpectedRgb(const td::Image& image, int x, int y, int f, int rgb[3])
{
    int v[3];
    for (int c = 0; c < 3; ++c)
        v[c] = td::StoredValue(image.pattern, x, y, f, c, image.columns);
    if (image.pattern == td::Pattern::Ybr) {
        const double Y = v[0], Cb = v[1] - 128.0, Cr = v[2] - 128.0;
        v[0] = Clamp(Y + 1.402 * Cr);
        v[1] = Clamp(Y - 0.34414 * Cb - 0.71414 * Cr);
        v[2] = Clamp(Y + 1.772 * Cb);
    }
    for (int c = 0; c < 3; ++c)
        rgb[c] = v[c];
}

class GeneratedImages : public ::testing::TestWithParam<td::Image> {};

}  // namespace

TEST_P(GeneratedImages, OpenAndShowFormula)
{
    const td::Image& expected = GetParam();
    if (expected.tolerance > 0)
        GTEST_SKIP() << "lossy files are compared with the toolkit's own decoding";
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(td::Path(expected.name).c_str()), 1);
    const bool padded = expected.columns % 4 != 0 || expected.rows % 4 != 0;
    EXPECT_EQ(image.GetColumns(), padded ? RoundUp4(expected.columns) : expected.columns);
    EXPECT_EQ(image.GetRows(), padded ? RoundUp4(expected.rows) : expected.rows);
    ASSERT_EQ(image.GetFramesCount(), expected.frames);
    const int lastFrame = expected.frames - 1;
    ASSERT_EQ(image.SetCurrentFrame(lastFrame), 1);
    image.BuildCurrentPixelBits();
    if (IsColour(expected)) {
        ASSERT_EQ(image.GetColorMode(), COLOR_MODE_RGB);
        image.AdjustBoth(256, 128, 0);  // the identity table
        const BYTE* bits = image.GetBitmapBits();
        int worst = 0;
        for (int y = 0; y < expected.rows; ++y)
            for (int x = 0; x < expected.columns; ++x) {
                int rgb[3];
                ExpectedRgb(expected, x, y, lastFrame, rgb);
                const BYTE* pixel = bits + 3 * (static_cast<size_t>(y) * image.GetWidth() + x);
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(pixel[2 - c] - rgb[c]));
            }
        EXPECT_LE(worst, expected.tolerance);
        return;
    }
    if (std::string(expected.photometric) == "PALETTE COLOR")
        return;
    int worst = 0;
    for (int y = 0; y < expected.rows; ++y)
        for (int x = 0; x < expected.columns; ++x)
            worst = std::max(worst, std::abs(image.GetPixelValue(x, y) - ExpectedGrey(expected, x, y, lastFrame)));
    EXPECT_LE(worst, expected.tolerance);
    if (padded) {
        EXPECT_EQ(image.GetPixelValue(image.GetColumns() - 1, 0), expected.columns % 4 ? 0 : image.GetPixelValue(image.GetColumns() - 1, 0));
        EXPECT_EQ(image.GetPixelValue(0, image.GetRows() - 1), expected.rows % 4 ? 0 : image.GetPixelValue(0, image.GetRows() - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(All, GeneratedImages, ::testing::ValuesIn(td::kImages),
                         [](const ::testing::TestParamInfo<td::Image>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// Lossy files give the pixels that the toolkit's decompressor gives.
TEST(GeneratedFiles, LossyJpegMatchesToolkitDecompression)
{
    const std::string dir = std::string(BINARY_DIR) + "/test-image-tmp";
    std::filesystem::create_directories(dir);
    int n = 0;
    for (const td::Image& expected : td::kImages) {
        if (expected.tolerance == 0)
            continue;
        const std::string plain = dir + "/lossy" + std::to_string(n++) + ".dcm";
        const std::string command = "dcmdjpeg +cl '" + td::Path(expected.name) + "' '" + plain + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        CDcmImage compressed, decompressed;
        ASSERT_EQ(compressed.OpenFile(td::Path(expected.name).c_str()), 1) << expected.name;
        ASSERT_EQ(decompressed.OpenFile(plain.c_str()), 1) << expected.name;
        ASSERT_EQ(compressed.GetFramesCount(), expected.frames);
        for (int f = 0; f < expected.frames; ++f) {
            compressed.SetCurrentFrame(f);
            decompressed.SetCurrentFrame(f);
            const size_t bytes = static_cast<size_t>(expected.rows) * expected.columns *
                                 expected.samples * expected.bitsAllocated / 8;
            EXPECT_EQ(0, std::memcmp(compressed.GetCurrentPixelData(),
                                     decompressed.GetCurrentPixelData(), bytes))
                << expected.name << " frame " << f;
        }
        EXPECT_EQ(compressed.GetPhotoMetricInterpretation(), decompressed.GetPhotoMetricInterpretation());
    }
}

TEST(GeneratedFiles, BrokenFilesFailCleanly)
{
    for (const char* name : {td::kTruncatedPixels, td::kTruncatedHeader, td::kShortPixels,
                             td::kShortFrames, td::kEmpty, td::kNotDicom}) {
        CDcmImage image;
        EXPECT_EQ(image.OpenFile(td::Path(name).c_str()), 0) << name;
        EXPECT_EQ(image.GetFramesCount(), 0) << name;
    }
}

TEST(GeneratedFiles, AttributesOfTheRecord)
{
    CDcmImage ct;
    ASSERT_EQ(ct.OpenFile(td::Path(td::kCtRescale).c_str()), 1);
    EXPECT_EQ(ct.GetDicomInfo()->m_nWindowCenter, 40);
    EXPECT_EQ(ct.GetDicomInfo()->m_nWindowWidth, 400);
    CDcmImage imager;
    ASSERT_EQ(imager.OpenFile(td::Path(td::kSpacingImager).c_str()), 1);
    EXPECT_DOUBLE_EQ(imager.GetDicomInfo()->m_dRowSpacing, 0.15);
    EXPECT_DOUBLE_EQ(imager.GetDicomInfo()->m_dColumnSpacing, 0.2);
    CDcmImage utf8, gb;
    ASSERT_EQ(utf8.OpenFile(td::Path(td::kTextUtf8).c_str()), 1);
    EXPECT_EQ(utf8.GetDicomInfo()->GetPatientName(), td::kNameUtf8);
    ASSERT_EQ(gb.OpenFile(td::Path(td::kTextGb18030).c_str()), 1);
    EXPECT_EQ(gb.GetDicomInfo()->GetPatientName(), td::kNameGb18030Utf8);
    CDcmImage voi, overlay;
    ASSERT_EQ(voi.OpenFile(td::Path(td::kVoiLut).c_str()), 1);
    EXPECT_EQ(voi.GetDicomInfo()->m_bVoiLutPresent, 1);
    ASSERT_EQ(overlay.OpenFile(td::Path(td::kOverlayLine).c_str()), 1);
    EXPECT_EQ(overlay.GetDicomInfo()->m_nOverlayBlobLength, static_cast<int>(sizeof td::kOverlayLineBlob));
    CDcmImage plane;
    ASSERT_EQ(plane.OpenFile(td::Path(td::kOverlayPlane).c_str()), 1);
    EXPECT_EQ(plane.GetDicomInfo()->m_nOverlayPlaneLength, 64 * 64 / 8);
}

TEST(GeneratedFiles, ScoutWindowComesFromPixelRange)
{
    CDcmImage scout;
    ASSERT_EQ(scout.OpenFile(td::Path(td::kCtScout).c_str()), 1);
    EXPECT_EQ(scout.GetMinWindowLevel(), td::kHuAir);
    EXPECT_EQ(scout.GetMaxWindowLevel(), td::kHuBone);
    EXPECT_EQ(scout.GetWindowWidth(), (td::kHuBone - td::kHuAir) / 2);
    EXPECT_EQ(scout.GetWindowCenter(), td::kHuAir + (td::kHuBone - td::kHuAir) / 2);
}

TEST(GeneratedFiles, SubtractionRunFolderGivesOneFramePerJpeg)
{
    CDcmImage grey;
    ASSERT_EQ(grey.OpenJpegFileDirectory(td::Path(td::kDsaGreyFolder).c_str()), 1);
    ASSERT_EQ(grey.GetFramesCount(), td::kDsaGreyFrames);
    EXPECT_EQ(grey.GetPhotoMetricInterpretation(), "MONOCHROME2");
    grey.LastFrame();
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            worst = std::max(worst, std::abs(grey.GetPixelValue(x, y) - td::Blocks8(x, y, td::kDsaGreyFrames - 1)));
    EXPECT_LE(worst, 3);

    CDcmImage colour;
    ASSERT_EQ(colour.OpenJpegFileDirectory(td::Path(td::kDsaRgbFolder).c_str()), 1);
    ASSERT_EQ(colour.GetFramesCount(), td::kDsaRgbFrames);
    EXPECT_EQ(colour.GetColorMode(), COLOR_MODE_RGB);
    const BYTE* bits = colour.GetBitmapBits();
    int worstRgb = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 3; ++c)
                worstRgb = std::max(worstRgb, std::abs(bits[3 * (y * 64 + x) + 2 - c] - td::RgbBlocks(x, y, 0, c)));
    EXPECT_LE(worstRgb, 8);
}
