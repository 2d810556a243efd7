// The raw-codestream codec class over the raster image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "FileStream.h"
#include "MemoryStream.h"
#include "codec_test_util.h"
#include "RasterJ2K.h"
#include "RasterJAS.h"
#include "j2k/J2kCodec.h"
#include "j2k_test_support.h"

namespace {

class J2kCodecProbe : public CRasterJ2K {
public:
    using CRasterJ2K::LayerBudget;
};

// A colour picture with structure in x and y and some texture.
void PaintColour(CRasterImage& img, long width, long height)
{
    ASSERT_TRUE(img.Create(DWORD(width), DWORD(height), 24, RASTER_FORMAT_BMP));
    for (long y = 0; y < height; y++)
        for (long x = 0; x < width; x++) {
            RGBQUAD c;
            c.rgbRed = BYTE(40 + x * 2 + ((x * y) % 7));
            c.rgbGreen = BYTE(200 - y * 2);
            c.rgbBlue = BYTE((x + 3 * y) % 256);
            c.rgbReserved = 0;
            img.SetPixelColor(x, y, c);
        }
}

std::vector<unsigned char> EncodeToMemory(CRasterImage& img)
{
    CMemoryStream memory;
    EXPECT_TRUE(memory.Open());
    CRasterJ2K codec;
    codec.Ghost(&img);
    EXPECT_TRUE(codec.Encode(&memory)) << codec.GetLastError();
    long size = memory.Size();
    unsigned char* bytes = memory.GetBuffer(false);
    return std::vector<unsigned char>(bytes, bytes + size);
}

double ColourPsnr(CRasterImage& a, CRasterImage& b)
{
    double sum = 0;
    long n = 0;
    for (long y = 0; y < long(a.GetHeight()); y++)
        for (long x = 0; x < long(a.GetWidth()); x++) {
            RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            for (int d : {p.rgbRed - q.rgbRed, p.rgbGreen - q.rgbGreen, p.rgbBlue - q.rgbBlue}) {
                sum += d * d;
                n++;
            }
        }
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * n / sum);
}

} // namespace

TEST(RasterJ2K, ColourImageMeetsTheQualityBudgetAndReadsBack)
{
    CRasterImage source;
    PaintColour(source, 100, 100);
    source.SetJpegQuality(90);
    std::vector<unsigned char> coded = EncodeToMemory(source);
    // 90 x 100 x 100 / 600 bytes of layer, two more for the end marker.
    EXPECT_LE(coded.size(), 1502u);
    EXPECT_GT(coded.size(), 1200u);
    ASSERT_GE(coded.size(), 4u);
    EXPECT_EQ(coded[0], 0xFF);
    EXPECT_EQ(coded[1], 0x4F);
    EXPECT_EQ(coded[coded.size() - 2], 0xFF);
    EXPECT_EQ(coded[coded.size() - 1], 0xD9);

    CRasterImage decoded;
    ASSERT_TRUE(decoded.Decode(coded.data(), DWORD(coded.size()), RASTER_FORMAT_J2K))
        << decoded.GetLastError();
    EXPECT_EQ(decoded.GetType(), DWORD(RASTER_FORMAT_J2K));
    EXPECT_EQ(decoded.GetBpp(), 24);
    ASSERT_EQ(decoded.GetWidth(), 100u);
    ASSERT_EQ(decoded.GetHeight(), 100u);
    EXPECT_GT(ColourPsnr(source, decoded), 30.0);
    // The probe finds the codestream too.
    CRasterImage probed;
    ASSERT_TRUE(probed.Decode(coded.data(), DWORD(coded.size()), 0));
    EXPECT_EQ(probed.GetType(), DWORD(RASTER_FORMAT_J2K));
}

TEST(RasterJ2K, SmallPicturesSaveAndReadBack)
{
    struct { long width, height; } sizes[] = {{33, 17}, {40, 7}, {5, 38}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
        CRasterImage source;
        PaintColour(source, size.width, size.height);
        std::vector<unsigned char> coded = EncodeToMemory(source);
        CRasterImage decoded;
        ASSERT_TRUE(decoded.Decode(coded.data(), DWORD(coded.size()), RASTER_FORMAT_J2K));
        ASSERT_EQ(decoded.GetWidth(), DWORD(size.width));
        ASSERT_EQ(decoded.GetHeight(), DWORD(size.height));
        EXPECT_GT(ColourPsnr(source, decoded), 30.0);
    }
}

TEST(RasterJ2K, GreyImageKeepsOrientationAndGreyLevels)
{
    CRasterImage source;
    ASSERT_TRUE(source.Create(48, 30, 8, RASTER_FORMAT_BMP));
    source.SetGrayPalette();
    for (long y = 0; y < 30; y++)
        for (long x = 0; x < 48; x++)
            source.SetPixelIndex(x, y, BYTE(y < 15 ? 20 + x : 220 - x));
    source.SetJpegQuality(100);
    std::vector<unsigned char> coded = EncodeToMemory(source);
    CRasterImage decoded;
    ASSERT_TRUE(decoded.Decode(coded.data(), DWORD(coded.size()), RASTER_FORMAT_J2K));
    EXPECT_EQ(decoded.GetBpp(), 8);
    EXPECT_TRUE(decoded.IsGrayScale());
    EXPECT_EQ(decoded.GetNumFrames(), 1);
    int worst = 0;
    for (long y = 0; y < 30; y++)
        for (long x = 0; x < 48; x++)
            worst = std::max(worst, std::abs(decoded.GetPixelIndex(x, y) - source.GetPixelIndex(x, y)));
    // A flipped picture would be off by about 200.
    EXPECT_LE(worst, 4);
}

TEST(RasterJ2K, FramesSelectComponents)
{
    J2kTestSpec s;
    s.components = 2;
    s.width = 21;
    s.height = 13;
    J2kCoded coded = J2kTestEncode(s);
    ASSERT_GT(coded.length, 0);
    CRasterJ2K second;
    second.SetFrame(1);
    CMemoryStream memory(coded.bytes.data(), uint32_t(coded.length));
    ASSERT_TRUE(second.Decode(&memory)) << second.GetLastError();
    EXPECT_EQ(second.GetNumFrames(), 2);
    // Row 0 of the codestream is the top row; samples keep their low byte.
    EXPECT_EQ(second.GetPixelIndex(4, 12), BYTE(J2kTestSample(1, 4, 0, 8, false)));
    EXPECT_EQ(second.GetPixelIndex(20, 0), BYTE(J2kTestSample(1, 20, 12, 8, false)));

    CRasterImage kept;
    PaintColour(kept, 7, 5);
    kept.SetFrame(2);
    EXPECT_FALSE(kept.Decode(coded.bytes.data(), DWORD(coded.length), RASTER_FORMAT_J2K));
    EXPECT_STREQ(kept.GetLastError(), "wrong frame!");
    EXPECT_EQ(kept.GetWidth(), 7u);
}

TEST(RasterJ2K, ReadsFromTheStreamPositionOn)
{
    J2kTestSpec s;
    J2kCoded coded = J2kTestEncode(s);
    std::vector<unsigned char> buffer(37 + coded.bytes.size(), 0xFF);
    std::copy(coded.bytes.begin(), coded.bytes.end(), buffer.begin() + 37);
    CMemoryStream memory(buffer.data(), uint32_t(buffer.size()));
    memory.Seek(37, SEEK_SET);
    CRasterJ2K codec;
    ASSERT_TRUE(codec.Decode(&memory)) << codec.GetLastError();
    EXPECT_EQ(codec.GetWidth(), unsigned(s.width));
}

TEST(RasterJ2K, FailuresKeepTheImageAndSayWhy)
{
    CRasterImage kept;
    PaintColour(kept, 9, 4);
    J2kTestSpec s;
    J2kCoded coded = J2kTestEncode(s);
    EXPECT_FALSE(kept.Decode(coded.bytes.data(), DWORD(coded.length - 2), RASTER_FORMAT_J2K));
    EXPECT_STREQ(kept.GetLastError(), "failed to decode J2K image!");
    EXPECT_EQ(kept.GetWidth(), 9u);
    EXPECT_EQ(kept.GetBpp(), 24);

    CRasterImage palette;
    ASSERT_TRUE(palette.Create(8, 8, 4, RASTER_FORMAT_BMP));
    palette.SetStdPalette();
    CMemoryStream memory;
    ASSERT_TRUE(memory.Open());
    CRasterJ2K codec;
    codec.Ghost(&palette);
    EXPECT_FALSE(codec.Encode(&memory));
    EXPECT_STREQ(codec.GetLastError(), "J2K can save only RGB or GrayScale images");

    // A stream that takes no bytes.
    const std::string path = codectest::ScratchDir("j2k-read-only") + "/in.j2k";
    codectest::WriteFile(path, coded.bytes);
    CFileStream readOnly;
    ASSERT_TRUE(readOnly.Open(path.c_str(), "rb"));
    CRasterJ2K refused;
    refused.Ghost(&kept);
    EXPECT_FALSE(refused.Encode(&readOnly));
    EXPECT_STREQ(refused.GetLastError(), "J2K failed to encode image");
}

TEST(RasterJ2K, BudgetOfLargeImagesDoesNotWrap)
{
    EXPECT_EQ(J2kCodecProbe::LayerBudget(90, 100, 100), 1500);
    EXPECT_EQ(J2kCodecProbe::LayerBudget(90, 7000, 7000), 7350000);
    EXPECT_EQ(J2kCodecProbe::LayerBudget(100, 65535, 65535), 715806037);
}

TEST(RasterJ2K, StepSizes)
{
    EXPECT_EQ(CRasterJ2K::FloorLog2(0), 0);
    EXPECT_EQ(CRasterJ2K::FloorLog2(1), 0);
    EXPECT_EQ(CRasterJ2K::FloorLog2(3), 1);
    EXPECT_EQ(CRasterJ2K::FloorLog2(1024), 10);
    EXPECT_EQ(CRasterJ2K::FloorLog2(1023), 9);
    int e = 0, m = 0;
    CRasterJ2K::EncodeStepSize(8192, 8, &e, &m);  // 1.0
    EXPECT_EQ(e, 8);
    EXPECT_EQ(m, 0);
    CRasterJ2K::EncodeStepSize(12288, 9, &e, &m);  // 1.5
    EXPECT_EQ(e, 9);
    EXPECT_EQ(m, 1024);
    CRasterJ2K::EncodeStepSize(1000, 8, &e, &m);  // 0.122: exponent 8 - (9 - 13)
    EXPECT_EQ(e, 12);
    EXPECT_EQ(m, (1000 << 2) & 0x7FF);

    J2kTileComponentParameters t{};
    t.resolutionCount = 3;
    t.wavelet = 1;
    CRasterJ2K::CalcStepSizes(&t, 8);
    const int exponents[7] = {8, 9, 9, 10, 9, 9, 10};
    for (int b = 0; b < 7; b++) {
        EXPECT_EQ(t.stepSizes[b].exponent, exponents[b]) << b;
        EXPECT_EQ(t.stepSizes[b].mantissa, 0) << b;
    }
    // Irreversible: the LL step of two levels is 2 / 4.1224 of a sample, the squared
    // norm of the low-pass synthesis filter convolved with itself upsampled.
    t.wavelet = 0;
    t.quantisationStyle = 2;
    CRasterJ2K::CalcStepSizes(&t, 8);
    double step = std::ldexp(1.0 + t.stepSizes[0].mantissa / 2048.0, 8 - t.stepSizes[0].exponent);
    EXPECT_NEAR(step, 2 / 4.1224, 0.0005);
    double hh = std::ldexp(1.0 + t.stepSizes[6].mantissa / 2048.0, 8 - t.stepSizes[6].exponent);
    EXPECT_NEAR(hh, 2 / 2.0809, 0.001);
}

TEST(RasterJ2K, RasterconvWritesAndProbesCodestreams)
{
    std::string dir = codectest::ScratchDir("j2k");
    CRasterImage source;
    // Large enough that the quality's budget holds the headers.
    PaintColour(source, 101, 67);
    ASSERT_TRUE(source.Save((dir + "/in.png").c_str(), RASTER_FORMAT_PNG));
    std::string tool = std::string(BINARY_DIR) + "/tools/rasterconv";
    EXPECT_EQ(codectest::Shell("'" + tool + "' '" + dir + "/in.png' '" + dir + "/a.j2c'"), 0);
    EXPECT_EQ(codectest::Shell("'" + tool + "' '" + dir + "/in.png' '" + dir + "/b.J2K'"), 0);
    EXPECT_EQ(codectest::ReadFile(dir + "/a.j2c"), codectest::ReadFile(dir + "/b.J2K"));
    std::string out = codectest::Capture("'" + tool + "' '" + dir + "/a.j2c' '" + dir + "/back.png'");
    EXPECT_EQ(out, "width=101\nheight=67\nbpp=24\nformat=11\nframes=0\n");
    CRasterImage back((dir + "/back.png").c_str(), RASTER_FORMAT_PNG);
    ASSERT_TRUE(back.IsValid());
    EXPECT_GT(ColourPsnr(source, back), 30.0);
}

// Deeper samples scale to 8 bits, and the raw-codestream road shows the same
// pixels as the component-image road does for the same codestream.
TEST(RasterJ2K, DeepSamplesScaleAsOnTheComponentImageRoad)
{
    struct Case {
        int components, precision;
        bool isSigned;
    };
    for (Case k : {Case{1, 12, false}, Case{3, 10, true}, Case{1, 16, false}}) {
        J2kTestSpec s;
        s.components = k.components;
        s.precision = k.precision;
        s.isSigned = k.isSigned;
        s.width = 19;
        s.height = 11;
        J2kCoded coded = J2kTestEncode(s);
        ASSERT_GT(coded.length, 0);
        CMemoryStream raw(coded.bytes.data(), uint32_t(coded.length));
        CRasterJ2K j2k;
        ASSERT_TRUE(j2k.Decode(&raw)) << j2k.GetLastError();
        CMemoryStream again(coded.bytes.data(), uint32_t(coded.length));
        CRasterJAS jas;
        ASSERT_TRUE(jas.Decode(&again, RASTER_FORMAT_JPC)) << jas.GetLastError();
        ASSERT_EQ(j2k.GetWidth(), 19u);
        ASSERT_EQ(jas.GetWidth(), 19u);
        const int top = (1 << k.precision) - 1, half = k.isSigned ? 1 << (k.precision - 1) : 0;
        for (long y = 0; y < 11; y++)
            for (long x = 0; x < 19; x++) {
                RGBQUAD a = j2k.GetPixelColor(x, y), b = jas.GetPixelColor(x, y);
                ASSERT_EQ(a.rgbRed, b.rgbRed) << k.precision << " " << x << "," << y;
                ASSERT_EQ(a.rgbGreen, b.rgbGreen);
                ASSERT_EQ(a.rgbBlue, b.rgbBlue);
                int v = J2kTestSample(0, int(x), int(10 - y), k.precision, k.isSigned) + half;
                ASSERT_EQ(a.rgbRed, (v * 255 + top / 2) / top) << k.precision << " " << x << "," << y;
            }
    }
}
