// Print pixels: print sizes, the print window on stored and rescaled
// pixels, burned text, inverse prints and the status pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "GlyphLineBurner.h"
#include "WholeImageResampler.h"
#include "testdata.h"

using namespace testfiles;

namespace {

// The print window: ends half a value below the centre's middle.
int PrintMap(double v, long centre, long width, int lowOut, int highOut)
{
    const long half = (width - 1) / 2;
    const double middle = centre - 0.5;
    if (v <= middle - half)
        return lowOut;
    if (v >= middle + half)
        return highOut;
    return int(((v - middle) / double(width - 1) + 0.5) * (highOut - lowOut) + lowOut);
}

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    void OpenSized(CDcmImage& image, int rows, int columns, const char* modality)
    {
        ImageLayout layout;
        layout.rows = rows;
        layout.columns = columns;
        layout.bitsAllocated = 8;
        layout.pixels.assign(size_t(rows) * columns, 9);
        DcmFileFormat file = MakeImage(layout);
        file.getDataset()->putAndInsertString(DCM_Modality, modality);
        const std::string path = dir + "/" + modality + std::to_string(rows) + ".dcm";
        ASSERT_TRUE(Save(file, path));
        ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    }

    // 64 x 64 signed 16-bit OT, slope 2, intercept -1024, window 40/400.
    void OpenRescaled(CDcmImage& image, const std::string& name, bool flat)
    {
        ImageLayout layout;
        layout.rows = 64;
        layout.columns = 64;
        layout.pixelRepresentation = 1;
        layout.pixels.resize(64 * 64 * 2);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const int stored = flat ? 0 : 400 + (x * 5 + y * 3) % 250;
                layout.pixels[(y * 64 + x) * 2] = uint8_t(stored & 0xFF);
                layout.pixels[(y * 64 + x) * 2 + 1] = uint8_t(stored >> 8);
            }
        DcmFileFormat file = MakeImage(layout);
        DcmDataset* data = file.getDataset();
        data->putAndInsertString(DCM_RescaleSlope, "2");
        data->putAndInsertString(DCM_RescaleIntercept, "-1024");
        data->putAndInsertString(DCM_WindowCenter, "40");
        data->putAndInsertString(DCM_WindowWidth, "400");
        data->putAndInsertString(DCM_PatientName, "Zhao^Min");
        ASSERT_TRUE(Save(file, dir + "/" + name));
        ASSERT_EQ(image.OpenFile((dir + "/" + name).c_str()), 1);
    }

    std::string dir;
};

}  // namespace

TEST_F(PrintTest, PrintSizeFollowsModalityAndLargeImagesAndScalesInStepsOfFour)
{
    CDcmImage ct;
    OpenSized(ct, 512, 512, "CT");
    int width = 0;
    int height = 0;
    ct.GetDicomPrintSize(width, height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 1024);
    EXPECT_EQ(ct.GetDicomPrintSize(0.5f, width, height), 1);
    EXPECT_EQ(width, 512);
    EXPECT_EQ(ct.GetDicomPrintSize(0.3f, width, height), 1);
    EXPECT_EQ(width, 304);
    EXPECT_EQ(height, 304);
    // Refused scales leave the print size as it is.
    EXPECT_EQ(ct.GetDicomPrintSize(0.0f, width, height), 0);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(ct.GetDicomPrintSize(-2.0f, width, height), 0);
    EXPECT_EQ(ct.GetDicomPrintSize(0.002f, width, height), 0);
    EXPECT_EQ(height, 1024);

    CDcmImage cr;
    OpenSized(cr, 200, 312, "CR");
    cr.GetDicomPrintSize(width, height);
    EXPECT_EQ(width, 312);
    EXPECT_EQ(height, 200);
    CDcmImage large;
    OpenSized(large, 1028, 1024, "MR");
    large.GetDicomPrintSize(width, height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 1028);
}

TEST_F(PrintTest, SixteenBitPrintUsesTheWindowOnTheRescaledPixelsAsItIs)
{
    CDcmImage image;
    OpenRescaled(image, "rescaled.dcm", false);
    CDcmImage flat;
    OpenRescaled(flat, "flat.dcm", true);
    ASSERT_EQ(image.GetWindowCenter(), 40);
    ASSERT_EQ(image.GetWindowWidth(), 400);
    std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0));
    std::unique_ptr<unsigned char[]> text(flat.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0));
    ASSERT_TRUE(printed && text);
    const short* values = reinterpret_cast<const short*>(printed.get());
    const short* mask = reinterpret_cast<const short*>(text.get());
    int textPixels = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int i = y * 64 + x;
            if (mask[i] == 4095) {
                ++textPixels;
                EXPECT_EQ(values[i], 4095);
                continue;
            }
            ASSERT_EQ(mask[i], 0);
            const int rescaled = 2 * (400 + (x * 5 + y * 3) % 250) - 1024;
            ASSERT_EQ(values[i], PrintMap(rescaled, 40, 400, 0, 4095)) << x << "," << y;
        }
    EXPECT_GT(textPixels, 10);
    EXPECT_LT(textPixels, 64 * 64 / 3);

    // Inverse prints swap the outputs; the burned text stays white.
    image.SetInverse(1, 1);
    std::unique_ptr<unsigned char[]> inverse(image.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0));
    const short* inverted = reinterpret_cast<const short*>(inverse.get());
    for (int i = 0; i < 64 * 64; ++i) {
        if (mask[i] == 4095)
            EXPECT_EQ(inverted[i], 4095);
        else
            ASSERT_EQ(inverted[i], PrintMap(2 * (400 + (i % 64 * 5 + i / 64 * 3) % 250) - 1024, 40, 400, 4095, 0));
    }
}

// A partial rectangle: the resampled block lands at its corners rounded up
// to the next multiple of 4, cut at the print's right edge, on a background
// that depends on the inverse argument.
TEST_F(PrintTest, SixteenBitPrintPlacesTheResampledRectangleOnItsBackground)
{
    CDcmImage image;
    OpenRescaled(image, "rescaled.dcm", false);
    CDcmImage flat;
    OpenRescaled(flat, "flat.dcm", true);
    const CRelativeRect rect(0.25f, 0.125f, 1.25f, 0.75f);
    std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(0, 0, rect, 0));
    std::unique_ptr<unsigned char[]> light(image.GetDicomPrintPixel(0, 0, rect, 1));
    std::unique_ptr<unsigned char[]> text(flat.GetDicomPrintPixel(0, 0, rect, 0));
    ASSERT_TRUE(printed && light && text);
    std::vector<short> current(64 * 64);
    for (int i = 0; i < 64 * 64; ++i)
        current[i] = short(2 * (400 + (i % 64 * 5 + i / 64 * 3) % 250) - 1024);
    const int x0 = 20, y0 = 12, bw = 64, bh = 40;
    std::vector<short> block(bw * bh);
    ASSERT_EQ(WholeImageResampler::Gray16(current.data(), 64, 64, block.data(), bw, bh), 1);
    const short* values = reinterpret_cast<const short*>(printed.get());
    const short* lightValues = reinterpret_cast<const short*>(light.get());
    const short* mask = reinterpret_cast<const short*>(text.get());
    const int background = PrintMap(0, 40, 400, 0, 4095);
    int inside = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int i = y * 64 + x;
            if (mask[i] == 4095) {
                EXPECT_EQ(values[i], 4095);
                continue;
            }
            const bool inBlock = x >= x0 && y >= y0 && y < y0 + bh;
            inside += inBlock;
            const int expected = inBlock ? PrintMap(block[(y - y0) * bw + (x - x0)], 40, 400, 0, 4095) : background;
            ASSERT_EQ(values[i], expected) << x << "," << y;
            ASSERT_EQ(lightValues[i], inBlock ? expected : 4095) << x << "," << y;
        }
    EXPECT_GT(inside, 1200);
}

TEST_F(PrintTest, EightBitPrintMapsTheStoredValuesAndWidthOneSplitsAtTheCentre)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMono2U8).c_str()), 1);
    image.AdjustBoth(1, 100, 0);
    CDicomImageInfo request;
    request.m_RelativeRect = CRelativeRect(0, 0, 1, 1);
    std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(&request));
    ASSERT_TRUE(printed);
    int below = 0;
    int above = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 64; ++x) {
            const int v = testdata::Ramp8(x, y, 0);
            const int out = printed[y * 64 + x];
            if (v <= 99) {
                // Text is burned white over dark pixels only where a glyph stands.
                below += out == 0;
                EXPECT_TRUE(out == 0 || out == 255);
            } else {
                ASSERT_EQ(out, 255);
                ++above;
            }
        }
    EXPECT_GT(below, 500);
    EXPECT_GT(above, 500);
    EXPECT_EQ(image.GetDicomPrintPixel(nullptr), nullptr);

    CDcmImage rgb;
    ASSERT_EQ(rgb.OpenFile(testdata::Path(testdata::kRgbPlanar0).c_str()), 1);
    EXPECT_EQ(rgb.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0), nullptr);
}

TEST_F(PrintTest, StatusBitsPlaceTheImageInItsRelativeRectangle)
{
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(testdata::Path(testdata::kMono2U8).c_str()), 1);
    const BYTE* bits = image.GetBitmapBits();
    std::vector<BYTE> full(64 * 60, 77);
    ASSERT_EQ(image.GetPrintStatusBmpBits(full.data(), 0), 1);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), bits));

    // The lower right quarter, at the image's own size, clipped at the edges.
    image.SetRelativeRect(CRelativeRect(0.5f, 0.5f, 1.5f, 1.5f));
    std::vector<BYTE> placed(64 * 60, 77);
    ASSERT_EQ(image.GetImageBits(placed.data(), 0, 0), 1);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(placed[y * 64 + x], x >= 32 && y >= 30 ? bits[(y - 30) * 64 + (x - 32)] : 0) << x << "," << y;

    // The whole image with text: only white pixels are added.
    image.SetRelativeRect(CRelativeRect(0, 0, 1, 1));
    std::vector<BYTE> withText(64 * 60);
    ASSERT_EQ(image.GetImageBits(withText.data(), 1, 0), 1);
    int changed = 0;
    for (int i = 0; i < 64 * 60; ++i)
        if (withText[i] != bits[i]) {
            ++changed;
            EXPECT_EQ(withText[i], 255);
        }
    EXPECT_GT(changed, 10);
}

// The print text stands where the print layout puts it: margin 11, right
// items at W - (11 n + 22), lines one text height apart.
TEST_F(PrintTest, BurnedPrintTextFollowsTheOtLayout)
{
    ImageLayout layout;
    layout.rows = 200;
    layout.columns = 300;
    layout.bitsAllocated = 8;
    layout.pixels.assign(200 * 300, 0);
    DcmFileFormat file = MakeImage(layout);
    DcmDataset* data = file.getDataset();
    data->putAndInsertString(DCM_PatientName, "Sun^Yu");
    data->putAndInsertString(DCM_PatientSex, "F");
    data->putAndInsertString(DCM_PatientID, "ID-5");
    data->putAndInsertString(DCM_StudyDate, " 20190708 ");
    data->putAndInsertString(DCM_WindowCenter, "90");
    data->putAndInsertString(DCM_WindowWidth, "120");
    ASSERT_TRUE(Save(file, dir + "/ot.dcm"));
    CDcmImage image;
    ASSERT_EQ(image.OpenFile((dir + "/ot.dcm").c_str()), 1);
    std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(0, 0, CRelativeRect(0, 0, 1, 1), 0));
    ASSERT_TRUE(printed);

    LOGFONT log{};
    log.lfHeight = -21;
    std::strcpy(log.lfFaceName, "Tahoma");
    CFont font;
    font.CreateFontIndirect(&log);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&font);
    TEXTMETRIC metrics{};
    dc.GetTextMetrics(&metrics);
    const int h = metrics.tmHeight;
    MAT2 identity{};
    identity.eM11.value = 1;
    identity.eM22.value = 1;
    std::vector<BYTE> expected(300 * 200, 0);
    auto put = [&](int x, int y, const char* text) {
        GlyphLineBurner::Burn(&dc, identity, metrics.tmAscent, x, y, text, expected.data(), 300, 200);
    };
    put(11, h, "SUN^YU(F)");
    put(11, 2 * h, "ID-5");
    put(11, 3 * h, "2019-07-08");
    put(300 - (11 * 4 + 22), 200 - 2 * h, "L:90");
    put(300 - (11 * 5 + 22), 200 - h, "W:120");
    int lit = 0;
    for (int i = 0; i < 300 * 200; ++i) {
        ASSERT_EQ(printed[i], expected[i] ? 255 : 0) << i % 300 << "," << i / 300;
        lit += expected[i];
    }
    EXPECT_GT(lit, 200);
    dc.DeleteDC();
}

namespace {

// A 48 x 40 unsigned 16-bit DX; values cross 32768 inside the window
// 40000/20000 and reach 0 and 61380 outside it.
int DxValue(int x, int y)
{
    if (x == 3 && y == 2)
        return 61380;
    if (x == 5 && y == 7)
        return 0;
    return 28000 + (x * 97 + y * 613) % 24000;
}

void OpenUnsignedDx(CDcmImage& image, const std::string& path, bool flat)
{
    ImageLayout layout;
    layout.rows = 40;
    layout.columns = 48;
    layout.pixels.resize(40 * 48 * 2);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x) {
            const int v = flat ? 0 : DxValue(x, y);
            layout.pixels[(y * 48 + x) * 2] = uint8_t(v & 0xFF);
            layout.pixels[(y * 48 + x) * 2 + 1] = uint8_t(v >> 8);
        }
    DcmFileFormat file = MakeImage(layout);
    DcmDataset* data = file.getDataset();
    data->putAndInsertString(DCM_Modality, "DX");
    data->putAndInsertString(DCM_WindowCenter, "40000");
    data->putAndInsertString(DCM_WindowWidth, "20000");
    ASSERT_TRUE(Save(file, path));
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
}

}  // namespace

// Values of 32768 and above are unsigned values, not negative ones, in the
// whole frame and in a rectangle placed on its background.
TEST_F(PrintTest, UnsignedSixteenBitPrintsKeepValuesFrom32768Up)
{
    CDcmImage image;
    OpenUnsignedDx(image, dir + "/dx.dcm", false);
    CDcmImage flat;
    OpenUnsignedDx(flat, dir + "/flat.dcm", true);
    ASSERT_EQ(image.GetWindowCenter(), 40000);
    // Print size 48 x 40: the rectangle's corners round up to (16, 8) and (64, 48),
    // so its block keeps the frame's size.
    const CRelativeRect placed(0.25f, 0.125f, 1.3f, 1.125f);
    for (const CRelativeRect& rect : {CRelativeRect(0, 0, 1, 1), placed}) {
        const bool whole = rect.left == 0;
        const int x0 = whole ? 0 : 16;
        const int y0 = whole ? 0 : 8;
        std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(0, 0, rect, 0));
        std::unique_ptr<unsigned char[]> text(flat.GetDicomPrintPixel(0, 0, rect, 0));
        ASSERT_TRUE(printed && text);
        const short* values = reinterpret_cast<const short*>(printed.get());
        const short* mask = reinterpret_cast<const short*>(text.get());
        int high = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x) {
                const int i = y * 48 + x;
                if (mask[i] == 4095)
                    continue;
                const bool inBlock = x >= x0 && y >= y0;
                const int v = inBlock ? DxValue(x - x0, y - y0) : 0;
                high += inBlock && v >= 32768 && v < 50000;
                ASSERT_EQ(values[i], PrintMap(v, 40000, 20000, 0, 4095)) << x << "," << y << " " << whole;
            }
        EXPECT_GT(high, 300);
    }
    // The resampler keeps a flat region above 32768 (to its truncation) when it scales it.
    const std::vector<unsigned short> source(6 * 5, 45000);
    std::vector<unsigned short> scaled(13 * 9);
    ASSERT_EQ(WholeImageResampler::Gray16(source.data(), 6, 5, scaled.data(), 13, 9), 1);
    for (const unsigned short v : scaled)
        ASSERT_TRUE(v == 45000 || v == 44999) << v;
}

// A request at the image's own angle still applies its flip, mirror and
// inverse: the print and the preview equal those of an image set directly.
TEST_F(PrintTest, PrintRequestAtTheCurrentAngleAppliesFlipMirrorAndInverse)
{
    struct Case {
        int flip, reverse, inverse;
    };
    for (const Case c : {Case{1, 0, 0}, Case{0, 1, 1}, Case{0, 0, 1}}) {
        CDcmImage image;
        OpenUnsignedDx(image, dir + "/dx.dcm", false);
        CDcmImage expected;
        OpenUnsignedDx(expected, dir + "/dx.dcm", false);
        image.SetRotateAngle(90, 1);
        expected.SetRotateAngle(90, 1);
        expected.SetFlip(c.flip, 1);
        expected.SetReverse(c.reverse, 1);
        expected.SetInverse(c.inverse, 1);
        CDicomImageInfo request;
        request.m_nRotateAngle = 90;
        request.m_nFlip = c.flip;
        request.m_nReverse = c.reverse;
        request.m_nInverse = c.inverse;
        request.m_RelativeRect = CRelativeRect(0, 0, 1, 1);
        std::unique_ptr<unsigned char[]> before(image.GetDicomPrintPixel(&request));
        image.SetDicomPrintPixel(&request);
        std::unique_ptr<unsigned char[]> printed(image.GetDicomPrintPixel(&request));
        std::unique_ptr<unsigned char[]> reference(expected.GetDicomPrintPixel(&request));
        ASSERT_TRUE(before && printed && reference);
        const size_t bytes = 48 * 40 * 2;
        EXPECT_NE(std::memcmp(before.get(), reference.get(), bytes), 0);
        EXPECT_EQ(std::memcmp(printed.get(), reference.get(), bytes), 0) << c.flip << c.reverse << c.inverse;
        std::vector<BYTE> preview(40 * 48);
        std::vector<BYTE> referencePreview(40 * 48);
        ASSERT_EQ(image.GetDicomPrintPreViewPixel(preview.data(), 1.0f), 1);
        ASSERT_EQ(expected.GetDicomPrintPreViewPixel(referencePreview.data(), 1.0f), 1);
        EXPECT_TRUE(preview == referencePreview) << c.flip << c.reverse << c.inverse;
    }
}
