// Lossless and lossy round trips through the codestream codec.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "j2k_test_support.h"

namespace {

// Number of samples that differ from the generator's, over every component.
int Mismatches(const J2kTestSpec& s, const J2kImage* image)
{
    int bad = 0;
    for (int c = 0; c < image->componentCount; c++) {
        const J2kComponent& k = image->components[c];
        int w = J2kTestCeilDiv(image->x1, k.dx) - J2kTestCeilDiv(image->x0, k.dx);
        int h = J2kTestCeilDiv(image->y1, k.dy) - J2kTestCeilDiv(image->y0, k.dy);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                bad += k.data[y * w + x] != J2kTestSample(c, x, y, s.precision, s.isSigned);
    }
    return bad;
}

void ExpectLossless(const J2kTestSpec& s)
{
    J2kCoded coded = J2kTestEncode(s);
    ASSERT_GT(coded.length, 0);
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    EXPECT_EQ(j2k_decode(coded.bytes.data(), coded.length, &image, &cp), coded.length);
    ASSERT_NE(image->components, nullptr);
    EXPECT_EQ(image->componentCount, s.components);
    EXPECT_EQ(image->x1 - image->x0, s.width);
    EXPECT_EQ(Mismatches(s, image), 0);
    j2k_destroy(&image, &cp);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(cp, nullptr);
}

} // namespace

TEST(J2kRoundTrip, LosslessGreyEightBits)
{
    J2kTestSpec s;
    ExpectLossless(s);
}

TEST(J2kRoundTrip, LosslessOverPrecisionsAndComponentCounts)
{
    for (int precision : {1, 5, 8, 12, 16})
        for (int components : {1, 2, 3, 4}) {
            SCOPED_TRACE(testing::Message() << precision << " bits, " << components << " components");
            J2kTestSpec s;
            s.precision = precision;
            s.components = components;
            s.transform = components >= 3;
            s.guardBits = 3;
            ExpectLossless(s);
        }
}

TEST(J2kRoundTrip, LosslessInEveryProgressionOrderWithPrecinctsTilesAndLayers)
{
    for (int order = 0; order < 5; order++) {
        SCOPED_TRACE(order);
        J2kTestSpec s;
        s.components = 3;
        s.width = 150;
        s.height = 97;
        s.tileWidth = 64;
        s.tileHeight = 48;
        s.precinctExp = 4;
        s.cbw = 4;
        s.cbh = 3;
        s.order = order;
        s.layers = 3;
        s.budgets[0] = 12000;
        s.budgets[1] = 24000;
        s.budgets[2] = 1 << 30;
        ExpectLossless(s);
    }
}

TEST(J2kRoundTrip, LosslessWithOffsetsAndSubSampling)
{
    J2kTestSpec s;
    s.components = 3;
    s.x0 = 13;
    s.y0 = 7;
    s.tx0 = 5;
    s.ty0 = 3;
    s.tileWidth = 40;
    s.tileHeight = 33;
    s.dx[1] = 2;
    s.dy[1] = 3;
    s.dx[2] = 3;
    s.dy[2] = 2;
    s.width = 101;
    s.height = 77;
    s.order = 2;
    s.precinctExp = 3;
    s.isSigned = true;
    s.precision = 10;
    ExpectLossless(s);
}

TEST(J2kRoundTrip, LosslessWithCodeBlockStyles)
{
    // Context reset, vertically causal contexts, segmentation symbols, and all three.
    for (int style : {0x02, 0x08, 0x20, 0x2A}) {
        SCOPED_TRACE(style);
        J2kTestSpec s;
        s.components = 3;
        s.transform = 1;
        s.width = 70;
        s.height = 39;
        s.cbw = 4;
        s.cbh = 4;
        s.blockStyle = style;
        J2kCoded coded = J2kTestEncode(s);
        ASSERT_GT(coded.length, 0);
        ExpectLossless(s);
        // The flags really change the coding.
        J2kTestSpec plain = s;
        plain.blockStyle = 0;
        EXPECT_NE(J2kTestEncode(plain).bytes, coded.bytes);
    }
    // Bypass, per-pass termination and packet markers are not coded, so not claimed.
    J2kTestSpec s;
    s.blockStyle = 0x15;
    s.codingStyle = 6;
    ExpectLossless(s);
    J2kTestSpec plain;
    EXPECT_EQ(J2kTestEncode(s).bytes, J2kTestEncode(plain).bytes);
}

TEST(J2kRoundTrip, LossyQualityFallsWithRate)
{
    // Floors a little under what the coder reaches on this textured picture.
    const struct {
        int budget;
        double floor;
    } kSteps[] = {{60000, 49.0}, {12000, 22.5}, {3000, 15.7}, {800, 14.0}};
    double previous = 1e9;
    for (const auto& step : kSteps) {
        int budget = step.budget;
        J2kTestSpec s;
        s.width = 180;
        s.height = 130;
        s.components = 3;
        s.transform = 1;
        s.wavelet = 0;
        s.resolutions = 5;
        s.budgets[0] = budget;
        J2kCoded coded = J2kTestEncode(s);
        ASSERT_GT(coded.length, 0);
        EXPECT_LE(coded.length, budget + 2);
        J2kImage* image = nullptr;
        J2kCodingParameters* cp = nullptr;
        ASSERT_EQ(j2k_decode(coded.bytes.data(), coded.length, &image, &cp), coded.length);
        double psnr = J2kTestPsnr(s, image);
        EXPECT_GT(psnr, step.floor) << budget;
        EXPECT_LT(psnr, previous) << budget;
        previous = psnr;
        j2k_destroy(&image, &cp);
    }
}

// A first layer that can hold its packet headers and nothing more would be a
// blank picture: encoding fails instead. A few bytes more, and it carries data.
TEST(J2kRoundTrip, BudgetOfOnlyHeadersFails)
{
    J2kTestSpec s;
    s.wavelet = 0;
    s.resolutions = 4;
    J2kCoded full = J2kTestEncode(s);
    ASSERT_GT(full.length, 0);
    int mainHeader = 0;
    while (mainHeader + 1 < full.length &&
           !(full.bytes[size_t(mainHeader)] == 0xFF && full.bytes[size_t(mainHeader) + 1] == 0x90))
        mainHeader++;
    // The main header, SOT to SOD, and one byte for each empty packet.
    const int headers = mainHeader + 14 + 4;
    for (int extra : {0, 1}) {
        s.budgets[0] = headers + extra;
        EXPECT_EQ(J2kTestEncode(s).length, 0) << extra;
    }
    s.budgets[0] = headers + 120;
    J2kCoded coded = J2kTestEncode(s);
    ASSERT_GT(coded.length, 0);
    J2kImage* image = nullptr;
    J2kCodingParameters* cp = nullptr;
    ASSERT_EQ(j2k_decode(coded.bytes.data(), coded.length, &image, &cp), coded.length);
    EXPECT_GT(J2kTestPsnr(s, image), 12.0);
    j2k_destroy(&image, &cp);
}

TEST(J2kRoundTrip, LossyDecodeClampsToTheSampleRange)
{
    // Hard edges between the two extremes ring after coarse 9/7 coding; the
    // overshoot on either side must be clamped to the precision's range.
    for (bool isSigned : {false, true}) {
        SCOPED_TRACE(isSigned);
        J2kTestSpec s;
        s.width = 96;
        s.height = 72;
        s.precision = isSigned ? 10 : 8;
        s.isSigned = isSigned;
        s.wavelet = 0;
        s.budgets[0] = 900;
        const int low = isSigned ? -(1 << (s.precision - 1)) : 0;
        const int high = low + (1 << s.precision) - 1;
        J2kImage* image = J2kTestMakeImage(s);
        for (int y = 0; y < s.height; y++)
            for (int x = 0; x < s.width; x++)
                image->components[0].data[y * s.width + x] = (x / 9 + y / 7) % 2 ? high : low;
        J2kCodingParameters* cp = J2kTestMakeParameters(s);
        std::vector<unsigned char> bytes(1 << 16);
        int length = j2k_encode(image, cp, bytes.data(), int(bytes.size()));
        j2k_destroy(&image, &cp);
        ASSERT_GT(length, 0);
        ASSERT_EQ(j2k_decode(bytes.data(), length, &image, &cp), length);
        int atLow = 0, atHigh = 0, outside = 0;
        for (int i = 0; i < s.width * s.height; i++) {
            int v = image->components[0].data[i];
            atLow += v == low;
            atHigh += v == high;
            outside += v < low || v > high;
        }
        EXPECT_EQ(outside, 0);
        EXPECT_GT(atLow, 0);
        EXPECT_GT(atHigh, 0);
        j2k_destroy(&image, &cp);
    }
}

TEST(J2kRoundTrip, ThreadsCodeAtOnce)
{
    // Every call keeps its own state, so threads need no lock around the codec.
    std::vector<J2kTestSpec> specs(4);
    for (size_t i = 0; i < specs.size(); i++) {
        specs[i].components = 1 + int(i % 3);
        specs[i].width = 60 + int(i) * 7;
        specs[i].order = int(i);
        specs[i].wavelet = i == 3 ? 0 : 1;
    }
    std::vector<int> exact(specs.size(), 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < specs.size(); i++)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; round++) {
                J2kCoded coded = J2kTestEncode(specs[i]);
                J2kImage* image = nullptr;
                J2kCodingParameters* cp = nullptr;
                int result = j2k_decode(coded.bytes.data(), coded.length, &image, &cp);
                bool ok = result == coded.length && coded.length > 0 &&
                          (specs[i].wavelet == 0 || Mismatches(specs[i], image) == 0);
                exact[i] += ok;
                j2k_destroy(&image, &cp);
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(exact, std::vector<int>(specs.size(), 3));
}

TEST(J2kRoundTrip, ACodeBlockThatCannotBeDecodedReadsAsZero)
{
    // Two 16 x 16 blocks with no transform: a quiet left one (4 bit-planes) and
    // a full-range right one (8). Raising the band's exponent to 31 in QCD
    // pushes the right block past the decoder's 30 bit-planes while the left
    // one still decodes; the right block must then read as zero (the level
    // shift, 128), not as whatever block came before it.
    J2kTestSpec s;
    s.width = 32;
    s.height = 16;
    s.resolutions = 1;
    s.cbw = s.cbh = 4;
    J2kImage* image = J2kTestMakeImage(s);
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++)
            image->components[0].data[y * s.width + x] = x < 16 ? 121 + (x * 3 + y) % 15 : (x * 37 + y * 11) % 256;
    J2kCodingParameters* cp = J2kTestMakeParameters(s);
    std::vector<unsigned char> bytes(1 << 16);
    const int length = j2k_encode(image, cp, bytes.data(), int(bytes.size()));
    j2k_destroy(&image, &cp);
    ASSERT_GT(length, 0);
    int qcd = -1;
    for (int i = 0; i + 5 < length && qcd < 0; i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0x5C)
            qcd = i;
    ASSERT_GE(qcd, 0);
    ASSERT_EQ(bytes[qcd + 5], 8 << 3);
    bytes[qcd + 5] = 31 << 3;

    j2k_decode(bytes.data(), length, &image, &cp);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->components, nullptr);
    int zeroed = 0;
    for (int y = 0; y < s.height; y++)
        for (int x = 16; x < s.width; x++)
            zeroed += image->components[0].data[y * s.width + x] == 128;
    EXPECT_EQ(zeroed, 16 * 16);
    j2k_destroy(&image, &cp);
}
