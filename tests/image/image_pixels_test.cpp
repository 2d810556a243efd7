// The image's exported filters, the interpolated display road, localizer
// lines and the information matrix, on DICOM files written with DCMTK.
#include <gtest/gtest.h>

#include <vector>

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "DrawTarget.h"
#include "ImageGeometry.h"

using namespace testfiles;

namespace {

class ImagePixelsTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    bool Open(CDcmImage& image, const ImageLayout& layout, const char* modality = nullptr)
    {
        DcmFileFormat file = MakeImage(layout);
        if (modality)
            file.getDataset()->putAndInsertString(DCM_Modality, modality);
        const std::string path = dir + "/image.dcm";
        return Save(file, path) && image.OpenFile(path.c_str()) == 1;
    }

    std::string dir;
};

ImageLayout Layout(int rows, int columns, int bits, int samples = 1, const char* photometric = "MONOCHROME2")
{
    ImageLayout layout;
    layout.rows = rows;
    layout.columns = columns;
    layout.bitsAllocated = bits;
    layout.samples = samples;
    layout.photometric = photometric;
    return layout;
}

struct Owned {
    explicit Owned(unsigned char* p) : bytes(p) {}
    ~Owned() { ::operator delete(bytes); }
    unsigned char* bytes;
};

class TestLocalizer : public CLocalizer {
public:
    TestLocalizer(POINT p1, POINT p2, POINT p3, POINT p4)
    {
        m_P1 = p1, m_P2 = p2, m_P3 = p3, m_P4 = p4;
        m_Color = RGB(255, 0, 0);
        m_strLabel1 = "012";
        m_strLabel2 = "0034";
    }
};

bool IsRed(const BYTE* p) { return p[2] == 255 && p[1] == 0 && p[0] == 0; }
bool IsGreen(const BYTE* p) { return p[1] == 255 && p[0] == 0 && p[2] == 0; }

// Green pixels of the text drawn alone in the localizer's font at (x, y).
std::vector<int> LabelMask(int width, int height, int x, int y, const char* text)
{
    Target target(width, height);
    CFont font;
    font.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, FF_SWISS, "宋体");
    CFont* old = target.dc.SelectObject(&font);
    target.dc.SetBkMode(TRANSPARENT);
    target.dc.SetTextColor(RGB(0, 255, 0));
    target.dc.TextOut(x, y, text);
    target.dc.SelectObject(old);
    std::vector<int> mask;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            mask.push_back(IsGreen(target.Pixel(i, j)));
    return mask;
}

}  // namespace

// Display rows y and below are filtered; the rows above keep the display
// values, and the result runs top-down like the display bits.
TEST_F(ImagePixelsTest, FilterMethodsWorkFromTheOriginDown)
{
    ImageLayout layout = Layout(8, 12, 8, 3, "RGB");
    layout.pixels = Ramp(layout, 1);
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout));
    const BYTE* d = image.GetBitmapBits();
    auto at = [&](int x, int y, int c) { return static_cast<int>(d[(y * 12 + x) * 3 + c]); };
    Owned emboss(image.EmbossFilter(2, 3, 99, 99));
    ASSERT_NE(emboss.bytes, nullptr);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            for (int c = 0; c < 3; ++c) {
                int expected = at(x, y, c);
                if (x >= 2 && y >= 3) {
                    auto v = [&](int i, int j) { return at(std::clamp(i, 0, 11), std::clamp(j, 0, 7), c); };
                    const int gx = v(x + 1, y - 1) + 2 * v(x + 1, y) + v(x + 1, y + 1) - v(x - 1, y - 1) -
                                   2 * v(x - 1, y) - v(x - 1, y + 1);
                    expected = std::clamp(gx + 128, 0, 255);
                }
                ASSERT_EQ(emboss.bytes[(y * 12 + x) * 3 + c], expected) << x << "," << y << "," << c;
            }
    EXPECT_EQ(image.MedianFilter(12, 0, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(image.SharpenFilter(0, 8, 0, 0, 0x10201), nullptr);
    EXPECT_EQ(image.SharpenFilter(0, 0, 0, 0, 0x10208), nullptr);  // no such kernel
}

TEST_F(ImagePixelsTest, GreyMedianAndSharpenFilters)
{
    ImageLayout layout = Layout(8, 8, 8);
    layout.pixels.assign(64, 100);
    const int cross[9][3] = {{4, 2, 10}, {4, 3, 20}, {2, 4, 30}, {3, 4, 40}, {4, 4, 150},
                             {5, 4, 160}, {6, 4, 170}, {4, 5, 180}, {4, 6, 190}};
    for (const auto& p : cross)
        layout.pixels[p[1] * 8 + p[0]] = static_cast<uint8_t>(p[2]);
    layout.pixels[3 * 8 + 3] = 0;  // off the cross
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout));
    image.AdjustBoth(256, 128, 0);
    const BYTE* d = image.GetBitmapBits();
    Owned median(image.MedianFilter(1, 1, 0, 0, 0, 0));
    ASSERT_NE(median.bytes, nullptr);
    // Display values of the cross around (4, 4), sorted: the fifth is that of 150.
    const BYTE fifth = d[4 * 8 + 4];
    EXPECT_EQ(median.bytes[(4 * 8 + 4) * 3], fifth);
    EXPECT_EQ(median.bytes[(4 * 8 + 4) * 3 + 2], fifth);
    EXPECT_EQ(median.bytes[0], d[0]);  // outside the rectangle
    Owned sharpen(image.SharpenFilter(0, 0, 0, 0, 0x1FF00));
    ASSERT_NE(sharpen.bytes, nullptr);
    // The 7 x 7 ring sums to its divisor: a flat corner stays as it is.
    EXPECT_EQ(sharpen.bytes[(7 * 8 + 0) * 3 + 1], d[7 * 8]);
}

// Resampled to dest's size and drawn 1:1; plain drawing afterwards is
// back at the display's size.
TEST_F(ImagePixelsTest, InterpolatedShowImage)
{
    ImageLayout layout = Layout(4, 8, 8);
    layout.pixels = {10, 60, 30, 90, 200, 20, 40, 70,  5, 15, 25, 35, 45, 55, 65, 75,
                     99, 0, 250, 1, 2, 3, 4, 5,        80, 81, 82, 83, 84, 85, 86, 87};
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout));
    image.AdjustBoth(256, 128, 0);
    std::vector<BYTE> d(image.GetBitmapBits(), image.GetBitmapBits() + 32);
    image.SetShowInterpolationOptimize(1);
    {
        Target target(24, 12);
        image.ShowImage(&target.dc, CRect(3, 2, 19, 10));
        std::vector<BYTE> expected(16 * 8);
        CImageGeometry().ResampleGray8(d.data(), 0, 0, 8, 4, 8, 4, expected.data(), 16, 8, nullptr);
        EXPECT_EQ(expected[1], static_cast<BYTE>(std::clamp(-0.125 * d[0] + 0.625 * d[0] + 0.625 * d[1] - 0.125 * d[2], 0.0, 255.0)));
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool inside = x >= 3 && x < 19 && y >= 2 && y < 10;
                const int value = inside ? expected[(y - 2) * 16 + x - 3] : 0;
                ASSERT_EQ(target.Pixel(x, y)[1], value) << x << "," << y;
            }
    }
    {
        // Rows of 9 bytes are padded in the bitmap: column 0 stays in place.
        Target target(9, 4);
        image.ShowImage(&target.dc, CRect(0, 0, 9, 4));
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(target.Pixel(0, y)[0], d[y * 8]) << y;
    }
    image.SetShowInterpolationOptimize(0);
    Target plain(8, 4);
    image.ShowImage(&plain.dc, CRect(0, 0, 8, 4));
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(plain.Pixel(i % 8, i / 8)[2], d[i]) << i;
}

TEST_F(ImagePixelsTest, ProjectPointFollowsRotationAndMirrors)
{
    ImageLayout layout = Layout(4, 8, 8);
    layout.pixels = Ramp(layout, 1);
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout));
    const CRect dest(10, 20, 26, 28);
    POINT p = {};
    struct Case { int angle, reverse, flip; LONG x, y; };
    const Case cases[] = {{0, 0, 0, 16, 22},   {0, 1, 0, 20, 22},   {0, 0, 1, 16, 26},
                          {90, 0, 0, 14, 25},  {90, 1, 1, 22, 23},  {180, 0, 0, 20, 26},
                          {180, 1, 1, 16, 22}, {270, 0, 0, 22, 23}, {270, 1, 0, 14, 23}};
    for (const Case& c : cases) {
        image.SetRotateAngle(c.angle, 1);
        image.SetReverse(c.reverse, 1);
        image.SetFlip(c.flip, 1);
        ASSERT_EQ(CLocalizer::ProjectPoint(&image, 3, 1, dest, p), 1);
        EXPECT_EQ(p.x, c.x) << c.angle << " " << c.reverse << c.flip;
        EXPECT_EQ(p.y, c.y) << c.angle << " " << c.reverse << c.flip;
    }
    EXPECT_EQ(CLocalizer::ProjectPoint(nullptr, 3, 1, dest, p), 0);
}

TEST_F(ImagePixelsTest, LocalizerLinesAndLabelDrawnWhenShown)
{
    CDcmImage image;
    ImageLayout layout = Layout(4, 8, 8);
    layout.pixels.assign(32, 0);
    ASSERT_TRUE(Open(image, layout));
    EXPECT_EQ(image.ClearLocalizer(), 1);
    EXPECT_EQ(image.AddLocalizer(nullptr), 0);
    image.AddLocalizer(new TestLocalizer({1, 1}, {6, 1}, {3, 3}, {3, 3}));
    Target hidden(48, 30);
    image.ShowImage(&hidden.dc, CRect(0, 0, 32, 16));
    for (int i = 0; i < 48 * 30; ++i)
        ASSERT_FALSE(IsRed(hidden.Pixel(i % 48, i / 48)));

    image.SetShowLocalizer(1);
    Target shown(48, 30);
    image.ShowImage(&shown.dc, CRect(0, 0, 32, 16));
    int red = 0;
    for (int i = 0; i < 48 * 30; ++i)
        if (IsRed(shown.Pixel(i % 48, i / 48))) {
            ++red;
            EXPECT_EQ(i / 48, 4) << i % 48;
            EXPECT_TRUE(i % 48 >= 4 && i % 48 < 24) << i % 48;
        }
    EXPECT_GE(red, 5);
    // Label "12/34" two pixels below the end of the first segment, (24, 4).
    const std::vector<int> label = LabelMask(48, 30, 24, 6, "12/34");
    int green = 0;
    for (int i = 0; i < 48 * 30; ++i) {
        ASSERT_EQ(IsGreen(shown.Pixel(i % 48, i / 48)), label[i] != 0) << i % 48 << "," << i / 48;
        green += label[i];
    }
    EXPECT_GT(green, 10);

    // A first segment of one point puts the label beside the second's end.
    image.ClearLocalizer();
    image.AddLocalizer(new TestLocalizer({2, 2}, {2, 2}, {1, 3}, {5, 1}));
    Target beside(48, 30);
    image.ShowImage(&beside.dc, CRect(0, 0, 32, 16));
    const std::vector<int> moved = LabelMask(48, 30, 22, -1, "12/34");
    for (int i = 0; i < 48 * 30; ++i)
        ASSERT_EQ(IsGreen(beside.Pixel(i % 48, i / 48)), moved[i] != 0) << i % 48 << "," << i / 48;
}

TEST_F(ImagePixelsTest, FillImageCopiesWhatFitsAndFillsTheRest)
{
    CDcmImage image;
    unsigned short source[15];
    for (int i = 0; i < 15; ++i)
        source[i] = static_cast<unsigned short>(100 + i);
    auto fill = [&](int w, int h, int sh, int sw) {
        unsigned short* p = image.FillImage(w, h, source, sh, sw);
        std::vector<int> out(p, p + w * h);
        ::operator delete(p);
        return out;
    };
    EXPECT_EQ(fill(4, 2, 2, 3), (std::vector<int>{100, 101, 102, 61441, 103, 104, 105, 61441}));
    EXPECT_EQ(fill(3, 2, 3, 5), (std::vector<int>{100, 101, 102, 105, 106, 107}));
    EXPECT_EQ(fill(3, 3, 2, 3), (std::vector<int>{100, 101, 102, 103, 104, 105, 61441, 61441, 61441}));
    EXPECT_EQ(image.FillImage(0, 2, source, 2, 3), nullptr);
    EXPECT_EQ(image.FillImage(100000, 100000, source, 2, 3), nullptr);
}

// A 16-bit MONOCHROME1 CT: bit 12 of a pixel flags its matrix byte, and
// flagged print pixels become 4095; the matrix is the print size, larger
// than the image.
TEST_F(ImagePixelsTest, OverlayBitsBurnThroughTheMatrix)
{
    ImageLayout layout = Layout(4, 8, 16, 1, "MONOCHROME1");
    layout.pixels.assign(64, 0);
    const int flagged[] = {5, 30};
    layout.pixels[5 * 2 + 1] = 0x12;
    layout.pixels[9 * 2] = 0xFF;
    layout.pixels[9 * 2 + 1] = 0x0F;
    layout.pixels[30 * 2 + 1] = 0x10;
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout, "CT"));
    ASSERT_EQ(image.BuildImageInfoMatrix(), 1);
    int width = 0, height = 0;
    image.GetDicomPrintSize(width, height);
    ASSERT_EQ(width, 1024);
    ASSERT_EQ(height, 1024);
    ASSERT_EQ(image.BurnImageOverLay(), 1);
    std::vector<unsigned short> print(1024 * 1024, 7);
    ASSERT_EQ(image.BurnMatrixInfoToPixel(reinterpret_cast<BYTE*>(print.data())), 1);
    std::vector<unsigned short> expected(1024 * 1024, 7);
    for (int i : flagged)
        expected[i] = 4095;
    EXPECT_EQ(print, expected);
    EXPECT_EQ(image.BurnMatrixInfoToPixel(nullptr), 0);
}

// Segments of more than one point are walked into the matrix; what falls
// outside it, left of 0 or past 1023, is left out.
TEST_F(ImagePixelsTest, LocalizerSegmentsBurnThroughTheMatrix)
{
    ImageLayout layout = Layout(4, 8, 16);
    layout.pixels = Ramp(layout, 1);
    CDcmImage image;
    ASSERT_TRUE(Open(image, layout, "MR"));
    image.AddLocalizer(new TestLocalizer({-2, 3}, {4, 3}, {1020, 7}, {1020, 9}));
    image.AddLocalizer(new TestLocalizer({6, 6}, {6, 6}, {1021, 11}, {1026, 11}));
    image.AddLocalizer(new TestLocalizer({0, 0}, {2000000000, 5}, {3, 3}, {3, 3}));
    ASSERT_EQ(image.BuildImageInfoMatrix(), 1);
    ASSERT_EQ(image.BurnImageLocalizer(), 1);
    std::vector<unsigned short> print(1024 * 1024, 3);
    ASSERT_EQ(image.BurnMatrixInfoToPixel(reinterpret_cast<BYTE*>(print.data())), 1);
    std::vector<unsigned short> expected(1024 * 1024, 3);
    for (int x = 0; x <= 4; ++x)
        expected[3 * 1024 + x] = 4095;
    for (int y = 7; y <= 9; ++y)
        expected[y * 1024 + 1020] = 4095;
    for (int x = 1021; x <= 1023; ++x)
        expected[11 * 1024 + x] = 4095;
    EXPECT_EQ(print, expected);
}

// The overlay plane whitens display bytes before resampling, as on the plain
// road; columns without overlay bits keep their values.
TEST_F(ImagePixelsTest, InterpolatedShowImageKeepsTheOverlayPlane)
{
    ImageLayout layout = Layout(8, 8, 8);
    layout.pixels.assign(64, 10);
    DcmFileFormat file = MakeImage(layout);
    PutOverlayPlane(file, 8, 8, 0x81);
    const std::string path = dir + "/overlay.dcm";
    ASSERT_TRUE(Save(file, path));
    CDcmImage image;
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    image.AdjustBoth(256, 128, 0);
    const int flat = image.GetBitmapBits()[9];
    image.SetShowInterpolationOptimize(1);
    Target target(16, 16);
    image.ShowImage(&target.dc, CRect(0, 0, 16, 16));
    EXPECT_EQ(target.Pixel(0, 0)[1], 255);
    EXPECT_EQ(target.Pixel(14, 0)[1], 255);
    EXPECT_EQ(target.Pixel(6, 0)[1], flat);
    EXPECT_EQ(target.Pixel(0, 4)[1], flat);
}
