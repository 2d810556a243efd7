// Tests over the generated test data (one program file: the data table may
// be included by one translation unit only).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "OverLay.h"
#include "DicomTestFiles.h"
#include "testdata.h"

namespace td = testdata;

namespace testdata {
void PrintTo(const Image& image, std::ostream* out)
{
    *out << image.name;
}
}  // namespace testdata

namespace {

bool IsColour(const td::Image& image)
{
    return image.samples == 3;
}

int RoundUp4(int value)
{
    return (value + 3) / 4 * 4;
}

// Stored value as the pipeline leaves it: rescaled and limited to the stored width.
int ExpectedGrey(const td::Image& image, const CDicomInfo& info, int x, int y, int f)
{
    double v = td::StoredValue(image.pattern, x, y, f, 0, image.columns);
    const double slope = info.m_dRescaleSlope, intercept = info.m_dRescaleIntercept;
    if (!(intercept == 0 && (slope == 0 || slope == 1)))
        v = v * slope + intercept;
    const bool signedData = image.pixelRepresentation || intercept < 0 || slope < 0;
    const int bits = image.bitsAllocated;
    const double lowest = signedData ? -(1 << (bits - 1)) : 0;
    const double highest = signedData ? (1 << (bits - 1)) - 1 : (1 << bits) - 1;
    const int stored = static_cast<int>(std::max(lowest, std::min(highest, v)));
    return bits == 8 ? (stored & 0xFF) : static_cast<short>(stored);
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
    CDcmImage image;
    // The display maps grey and RGB only: a palette image is refused, not shown black.
    if (std::string(expected.photometric) == "PALETTE COLOR") {
        EXPECT_EQ(image.OpenFile(td::Path(expected.name).c_str()), 0);
        EXPECT_EQ(image.IsFileOpened(), 0);
        return;
    }
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
    int worst = 0;
    for (int y = 0; y < expected.rows; ++y)
        for (int x = 0; x < expected.columns; ++x)
            worst = std::max(worst, std::abs(image.GetPixelValue(x, y) - ExpectedGrey(expected, *image.GetDicomInfo(), x, y, lastFrame)));
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
    // Pixel Spacing wins over Imager Pixel Spacing; without either, 0.36 mm.
    const struct {
        const char* name;
        double row, column;
    } spacings[] = {{td::kSpacingImager, 0.15, 0.2}, {td::kSpacingBoth, 0.3, 0.3}, {td::kSpacingAbsent, 0.36, 0.36}};
    for (const auto& spacing : spacings) {
        CDcmImage image;
        ASSERT_EQ(image.OpenFile(td::Path(spacing.name).c_str()), 1);
        EXPECT_DOUBLE_EQ(image.GetDicomInfo()->m_dRowSpacing, spacing.row) << spacing.name;
        EXPECT_DOUBLE_EQ(image.GetDicomInfo()->m_dColumnSpacing, spacing.column) << spacing.name;
    }
    CDcmImage utf8, gb;
    ASSERT_EQ(utf8.OpenFile(td::Path(td::kTextUtf8).c_str()), 1);
    EXPECT_EQ(utf8.GetDicomInfo()->GetPatientName(), td::kNameUtf8);
    ASSERT_EQ(gb.OpenFile(td::Path(td::kTextGb18030).c_str()), 1);
    EXPECT_EQ(gb.GetDicomInfo()->GetPatientName(), td::kNameGb18030Utf8);
    CDcmImage mr;
    ASSERT_EQ(mr.OpenFile(td::Path(td::kMrPrivateList).c_str()), 1);
    const CDicomInfo* info = mr.GetDicomInfo();
    EXPECT_EQ(mr.IsQmHospital(), 1);
    EXPECT_EQ(info->GetPrivateValue02(), "C02");
    EXPECT_EQ(info->GetPrivateValue06(), "EFC06");  // its last 5 characters
    EXPECT_EQ(info->GetPrivateValue07(), "C07");
    EXPECT_EQ(info->GetPrivateValue10(), "C10");
    EXPECT_EQ(info->GetPrivateValue11(), "C11");
    EXPECT_EQ(info->GetPrivateValue17(), "C17");
    EXPECT_EQ(info->GetPrivateValue18(), "C18");
    EXPECT_EQ(info->GetPrivateValue19(), "C19");
    EXPECT_EQ(info->GetPrivateValue21(), "C21");
    EXPECT_EQ(info->GetPrivateValue25(), "C25");
    EXPECT_EQ(info->GetPrivate00211011(), td::kPrivate00211011);
    EXPECT_DOUBLE_EQ(info->m_dPrivate00191354, 12.5);
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

// ---- the render tool against the toolkit's own renderer

namespace {

struct Pnm {
    std::string magic;
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

bool ReadPnm(const std::string& path, Pnm& pnm)
{
    std::ifstream in(path, std::ios::binary);
    int maxValue = 0;
    if (!(in >> pnm.magic >> pnm.width >> pnm.height >> maxValue) || maxValue != 255)
        return false;
    in.get();
    const size_t bytes = static_cast<size_t>(pnm.width) * pnm.height * (pnm.magic == "P6" ? 3 : 1);
    pnm.pixels.resize(bytes);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(pnm.pixels.data()), bytes));
}

std::string Tool()
{
    return std::string(BINARY_DIR) + "/tools/dcmrender";
}

std::string OutDir()
{
    const std::string dir = std::string(BINARY_DIR) + "/test-image-tmp/dcmrender";
    std::filesystem::create_directories(dir);
    return dir;
}

int RunTool(const std::string& arguments, std::string* output = nullptr)
{
    const std::string command = Tool() + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (output)
            *output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Window {
    long centre, width;
};

Window WindowFor(const td::Image& image)
{
    // Rescaled values above 32767 saturate; a window below them still matches.
    if (std::string(image.name) == td::kMono2U16Rescale)
        return {10000, 20000};
    if (image.pattern == td::Pattern::CtPhantom || image.pattern == td::Pattern::CtPhantomSlope2)
        return {40, 400};
    if (image.bitsAllocated == 8)
        return image.pixelRepresentation ? Window{0, 200} : Window{100, 150};
    if (image.bitsStored == 12)
        return image.pixelRepresentation ? Window{0, 4096} : Window{2048, 4096};
    return image.pixelRepresentation ? Window{0, 40000} : Window{30000, 20000};
}

}  // namespace

TEST(DcmRender, MonochromeMatchesToolkitRendererWithinTwoLevels)
{
    const std::string dir = OutDir();
    int compared = 0;
    for (const td::Image& image : td::kImages) {
        const std::string photometric = image.photometric;
        if (image.tolerance > 0 || (photometric != "MONOCHROME1" && photometric != "MONOCHROME2"))
            continue;
        const Window window = WindowFor(image);
        const std::string ours = dir + "/ours.pgm", theirs = dir + "/theirs.pgm";
        const std::string input = "'" + td::Path(image.name) + "'";
        const std::string windowArgs = std::to_string(window.centre) + " " + std::to_string(window.width);
        ASSERT_EQ(RunTool("--window " + windowArgs + " " + input + " " + ours), 0) << image.name;
        const std::string reference = "dcmj2pnm --no-overlays +Ww " + windowArgs + " " + input + " " + theirs;
        ASSERT_EQ(std::system(reference.c_str()), 0) << reference;
        Pnm a, b;
        ASSERT_TRUE(ReadPnm(ours, a));
        ASSERT_TRUE(ReadPnm(theirs, b));
        ASSERT_EQ(b.width, image.columns);
        ASSERT_EQ(b.height, image.rows);
        ASSERT_GE(a.width, b.width);
        int worst = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                worst = std::max(worst, std::abs(a.pixels[y * a.width + x] - b.pixels[y * b.width + x]));
        EXPECT_LE(worst, 2) << image.name;
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

TEST(DcmRender, PrintsAttributesAndWritesColourAsRgb)
{
    std::string output;
    const std::string out = OutDir() + "/rgb.ppm";
    ASSERT_EQ(RunTool("--window 128 256 '" + td::Path(td::kRgbPlanar1) + "' " + out, &output), 0);
    EXPECT_NE(output.find("rows=48\n"), std::string::npos);
    EXPECT_NE(output.find("photometric=RGB\n"), std::string::npos);
    EXPECT_NE(output.find("window_width=256\n"), std::string::npos);
    Pnm pnm;
    ASSERT_TRUE(ReadPnm(out, pnm));
    EXPECT_EQ(pnm.magic, "P6");
    EXPECT_EQ(pnm.pixels[3 * 5 + 0], td::RgbRamp(5, 0, 0, 0));
    EXPECT_EQ(pnm.pixels[3 * 5 + 2], td::RgbRamp(5, 0, 0, 2));
}

TEST(DcmRender, RotationAndFrameOptions)
{
    const std::string out = OutDir() + "/rot.pgm";
    ASSERT_EQ(RunTool("--rotate 90 --window 100 150 '" + td::Path(td::kMono2U8) + "' " + out), 0);
    Pnm pnm;
    ASSERT_TRUE(ReadPnm(out, pnm));
    EXPECT_EQ(pnm.width, 60);
    EXPECT_EQ(pnm.height, 64);
    ASSERT_EQ(RunTool("--frame 7 '" + td::Path(td::kMultiFrameTime) + "' " + out), 0);
    EXPECT_EQ(RunTool("--frame 8 '" + td::Path(td::kMultiFrameTime) + "' " + out), 1);
}

TEST(DcmRender, FailuresAndUsage)
{
    const std::string out = OutDir() + "/x.pgm";
    EXPECT_EQ(RunTool("'" + td::Path(td::kTruncatedPixels) + "' " + out), 1);
    EXPECT_EQ(RunTool("'" + td::Path(td::kNotDicom) + "' " + out), 1);
    EXPECT_EQ(RunTool("/nonexistent/file.dcm " + out), 1);
    EXPECT_EQ(RunTool(""), 2);
    EXPECT_EQ(RunTool("--rotate 45 a b"), 2);
    EXPECT_EQ(RunTool("--window 1 a b"), 2);
    EXPECT_EQ(RunTool("--bogus a b"), 2);
}

// A movie that cannot be written fails the tool, which says why.
TEST(DcmRender, MovieThatCannotBeWrittenFailsWithItsReason)
{
    const std::string command = Tool() + " --save " + OutDir() + "/no/such/clip.avi --frames 2 '" +
                                td::Path(td::kMultiFrameTime) + "' 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string errors;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        errors += buffer;
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_EQ(errors, "dcmrender: " + OutDir() + "/no/such/clip.avi: Unable to Create the Movie File\n"
                      "dcmrender: a writer failed\n");
}

// The CT phantom rendered by dcmrender with options, beside the plain
// rendering passed through a gm convert with gmOptions; both read back.
::testing::AssertionResult RenderBesideGm(const std::string& options, const std::string& gmOptions,
                                          Pnm& ours, Pnm& theirs)
{
    // A folder per test: the tests run as parallel processes.
    const std::string dir = OutDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir);
    const std::string input = "'" + td::Path(td::kCtRescale) + "'";
    const std::string plain = dir + "/plain.pgm", mine = dir + "/ours.ppm", gm = dir + "/gm.pgm";
    if (RunTool("--window 40 400 " + input + " " + plain) != 0 ||
        RunTool("--window 40 400 " + options + " " + input + " " + mine) != 0)
        return ::testing::AssertionFailure() << "dcmrender " << options;
    if (std::system(("gm convert " + plain + " " + gmOptions + " " + gm).c_str()) != 0)
        return ::testing::AssertionFailure() << "gm convert " << gmOptions;
    if (!ReadPnm(mine, ours) || !ReadPnm(gm, theirs) || ours.width != theirs.width || ours.height != theirs.height)
        return ::testing::AssertionFailure() << "unreadable or different sizes";
    return ::testing::AssertionSuccess();
}

// The 7 x 7 sharpening ring, as GraphicsMagick's convolution applies it to
// the plain rendering (it sums to its divisor, 49, which gm divides by too).
TEST(DcmRender, SharpenFilterMatchesGraphicsMagickConvolution)
{
    const std::string ring = "0,0,4,0,4,0,0,0,4,0,0,0,4,0,4,0,0,-1,0,0,4,0,0,-1,5,-1,0,0,4,0,0,-1,0,0,4,0,4,0,0,0,4,0,0,0,4,0,4,0,0";
    Pnm ours, theirs;
    ASSERT_TRUE(RenderBesideGm("--filter sharpen", "-convolve " + ring, ours, theirs));
    ASSERT_EQ(ours.width, 64);
    ASSERT_EQ(ours.height, 64);
    int worst = 0;
    for (int i = 0; i < 64 * 64; ++i)
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(ours.pixels[3 * i + c] - theirs.pixels[i]));
    EXPECT_LE(worst, 1);
}

// Tripled in size, our sampling (dest i at i / 3) meets GraphicsMagick's
// centre-aligned one at dest i + 1; what remains is the cubic's sharpness
// (a = -1 here, -0.5 there) at the phantom's edges. A kernel that takes the
// wrong neighbours or weights is several times further off.
TEST(DcmRender, InterpolatedShowMatchesGraphicsMagickCatrom)
{
    Pnm ours, theirs;
    ASSERT_TRUE(RenderBesideGm("--show 192x192 --interpolate", "-filter Catrom -resize '192x192!'", ours, theirs));
    ASSERT_EQ(ours.width, 192);
    double total = 0;
    for (int y = 0; y < 191; ++y)
        for (int x = 0; x < 191; ++x)
            total += std::abs(ours.pixels[3 * (y * 192 + x) + 1] - theirs.pixels[(y + 1) * 192 + x + 1]);
    EXPECT_LT(total / (191 * 191), 2.5);
    EXPECT_EQ(RunTool("--filter median --show 8x8 a b"), 2);
    EXPECT_EQ(RunTool("--interpolate a b"), 2);
    EXPECT_EQ(RunTool("--show 0x8 a b"), 2);
}

// ---- the subtraction-run road of the open dispatch

TEST(SubtractionRun, PathNamingARunOpensItsJpegFolderAndKeepsTheAttributes)
{
    const std::string dir = testfiles::TempDir("dsa_road");
    std::filesystem::copy(td::Path(td::kDsaGreyFolder), dir + "/run_dsa");
    // Not ending in ".dcm", so the dispatch reaches the run road.
    std::filesystem::copy_file(td::Path(td::kDsaGrey), dir + "/run_dsa.dcm.");
    CDcmImage image;
    ASSERT_EQ(image.OpenFile((dir + "/run_dsa.dcm.").c_str()), 1);
    EXPECT_EQ(image.GetFramesCount(), td::kDsaGreyFrames);
    EXPECT_FALSE(image.GetDicomInfo()->m_strSOPInstanceUID.IsEmpty());
    EXPECT_EQ(image.GetPhotoMetricInterpretation(), "MONOCHROME2");
    CDcmImage asDicom;
    ASSERT_EQ(asDicom.OpenFile(td::Path(td::kDsaGrey).c_str()), 1);
    EXPECT_EQ(asDicom.GetFramesCount(), 1);
}

TEST(DcmRender, ListsStoredOverlaysWithTheirMeasurements)
{
    std::string output;
    ASSERT_EQ(RunTool("--list-overlays '" + td::Path(td::kOverlayAll) + "'", &output), 0);
    const std::string listing = output.substr(output.find("overlay="));
    // Ramp8 values 3x + 5y at 0.5 mm in both directions.
    EXPECT_EQ(listing,
              "overlay=rect 4,4 20,16\nmeasure=M:90.00 S:22.12 A:48.00\n"
              "overlay=ellipse 30,4 60,20\nmeasure=M:192.52 S:29.54 A:94.25\n"
              "overlay=poly 5,30 20,50 8,60\nmeasure=M:103.17 S:96.27 A:47.75\n"
              "overlay=point 40,40\nmeasure=V:64 \n"
              "overlay=line 10,12 50,40\nmeasure=M:126.46 S:72.86 Ln:24.41 mm\n"
              "overlay=arrow 12,50 52,58\nmeasure=Ln:20.40 mm \n"
              "overlay=angle 30,30 40,45 55,35\nmeasure=Angle:90.00 \n"
              "overlay=text 5,58 text=OK\n");
}

TEST(DcmRender, ImageBitsBurnTheStoredOverlays)
{
    const std::string plain = OutDir() + "/overlay_plain.pgm";
    const std::string burned = OutDir() + "/overlay_burned.pgm";
    const std::string input = "'" + td::Path(td::kOverlayLine) + "'";
    ASSERT_EQ(RunTool("--image-bits " + input + " '" + plain + "'"), 0);
    ASSERT_EQ(RunTool("--image-bits --overlays " + input + " '" + burned + "'"), 0);
    Pnm a, b;
    ASSERT_TRUE(ReadPnm(plain, a));
    ASSERT_TRUE(ReadPnm(burned, b));
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    // The line from (10, 12) to (50, 40) walks x; its pixels turn white.
    CArray<CPoint, CPoint> line;
    COverLay::GetLinePoints(10, 12, 50, 40, line);
    for (int i = 0; i < line.GetSize(); ++i)
        EXPECT_EQ(b.pixels[line[i].y * 64 + line[i].x], 255) << line[i].x;
    EXPECT_EQ(b.pixels[40 * 64 + 10], a.pixels[40 * 64 + 10]);
    EXPECT_NE(a.pixels[12 * 64 + 10], 255);
}

TEST(DcmRender, ListedMeasurementsDoNotTurnWithTheImage)
{
    const std::string input = " '" + td::Path(td::kOverlayAll) + "'";
    std::string upright;
    ASSERT_EQ(RunTool("--list-overlays" + input, &upright), 0);
    for (const char* orientation : {"--rotate 90", "--rotate 180 --mirror", "--rotate 270 --flip", "--mirror --flip"}) {
        std::string turned;
        ASSERT_EQ(RunTool(std::string("--list-overlays ") + orientation + input, &turned), 0) << orientation;
        EXPECT_EQ(turned.substr(turned.find("overlay=")), upright.substr(upright.find("overlay="))) << orientation;
    }
}

TEST(DcmRender, ImageBitsBurnTheOverlaysWhereTheTurnedImageShowsThem)
{
    const std::string burned = OutDir() + "/overlay_turned.pgm";
    ASSERT_EQ(RunTool("--image-bits --overlays --rotate 90 --mirror '" + td::Path(td::kOverlayLine) + "' '" + burned +
                      "'"),
              0);
    Pnm b;
    ASSERT_TRUE(ReadPnm(burned, b));
    ASSERT_EQ(b.pixels.size(), 64u * 64u);
    // Turned a quarter and mirrored, image pixel (x, y) shows at (63 - y, 63 - x).
    CArray<CPoint, CPoint> line;
    COverLay::GetLinePoints(10, 12, 50, 40, line);
    for (int i = 0; i < line.GetSize(); ++i)
        EXPECT_EQ(b.pixels[(63 - line[i].x) * 64 + 63 - line[i].y], 255) << line[i].x;
    EXPECT_NE(b.pixels[12 * 64 + 10], 255);
}
