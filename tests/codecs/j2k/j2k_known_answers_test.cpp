// Known answers: the MQ coder's test sequence, tag trees, and the analysis
// filters of both wavelets on short signals.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "j2k/J2kBitIO.h"
#include "j2k/J2kComponentTransform.h"
#include "j2k/J2kMqCoder.h"
#include "j2k/J2kTagTree.h"
#include "j2k/J2kWavelet.h"

namespace {

// The arithmetic coder's published test: 256 bits through one context that
// starts at state 0 with MPS 0.
const uint8_t kMqInput[32] = {0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                              0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                              0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};
const uint8_t kMqOutput[] = {0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                             0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                             0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC};
const int kPlainContext = 5;

int Bit(int i) { return (kMqInput[i / 8] >> (7 - i % 8)) & 1; }

} // namespace

TEST(J2kKnownAnswers, MqCoderTestSequence)
{
    J2kMqEncoder encoder;
    encoder.Start();
    for (int i = 0; i < 256; i++)
        encoder.Encode(kPlainContext, Bit(i));
    int length = encoder.Flush();
    std::vector<uint8_t> coded(encoder.Bytes().begin() + 1, encoder.Bytes().begin() + 1 + length);
    ASSERT_GE(coded.size(), 28u);
    // The published codeword ends in a marker of its own; ours stops before it.
    EXPECT_EQ(std::vector<uint8_t>(coded.begin(), coded.begin() + 28),
              std::vector<uint8_t>(kMqOutput, kMqOutput + 28));

    J2kMqDecoder decoder;
    decoder.ResetContexts();
    decoder.Start(kMqOutput, int(sizeof(kMqOutput)));
    int wrong = 0;
    for (int i = 0; i < 256; i++)
        wrong += decoder.Decode(kPlainContext) != Bit(i);
    EXPECT_EQ(wrong, 0);
}

TEST(J2kKnownAnswers, MqStateTableLinks)
{
    EXPECT_EQ(kJ2kMqStates[0].qe, 0x5601);
    EXPECT_EQ(kJ2kMqStates[5].nextMps, 38);
    EXPECT_EQ(kJ2kMqStates[6].switchMps, 1);
    EXPECT_EQ(kJ2kMqStates[13].nextMps, 29);
    EXPECT_EQ(kJ2kMqStates[14].switchMps, 1);
    EXPECT_EQ(kJ2kMqStates[45].qe, 0x0001);
    EXPECT_EQ(kJ2kMqStates[46].nextLps, 46);
    // Probabilities fall along every MPS chain of the fast-attack states.
    for (int s = 14; s < 45; s++)
        EXPECT_GE(kJ2kMqStates[s].qe, kJ2kMqStates[kJ2kMqStates[s].nextMps].qe) << s;
}

TEST(J2kKnownAnswers, TagTreeBits)
{
    // Leaves 1 and 3 under one root: the root's 1 costs "01", leaf 0 then "1";
    // leaf 1 starts from the root's 1 and costs "001".
    std::vector<uint8_t> buffer(8, 0);
    J2kByteCursor out(buffer.data(), int(buffer.size()));
    J2kTagTree tree;
    tree.Init(2, 1);
    tree.SetValue(0, 1);
    tree.SetValue(1, 3);
    J2kBitWriter bits(out);
    tree.Encode(bits, 0, 2);
    tree.Encode(bits, 1, 4);
    bits.Flush();
    ASSERT_EQ(out.Tell(), 1);
    EXPECT_EQ(buffer[0], 0x64);  // 011001 00

    J2kBitReader in(buffer.data(), 1);
    J2kTagTree decoded;
    decoded.Init(2, 1);
    EXPECT_FALSE(decoded.Decode(in, 0, 1));
    EXPECT_TRUE(decoded.Decode(in, 0, 2));
    EXPECT_EQ(decoded.Value(0), 1);
    EXPECT_FALSE(decoded.Decode(in, 1, 3));
    EXPECT_TRUE(decoded.Decode(in, 1, 4));
    EXPECT_EQ(decoded.Value(1), 3);
}

TEST(J2kKnownAnswers, TagTreeRoundTripOverAnUnevenGrid)
{
    const int w = 5, h = 3;
    int values[w * h] = {1, 3, 2, 3, 2, 2, 2, 1, 4, 3, 2, 2, 2, 2, 1};
    std::vector<uint8_t> buffer(64, 0);
    J2kByteCursor out(buffer.data(), int(buffer.size()));
    J2kTagTree tree;
    tree.Init(w, h);
    for (int i = 0; i < w * h; i++)
        tree.SetValue(i, values[i]);
    J2kBitWriter bits(out);
    for (int threshold = 1; threshold <= 5; threshold++)
        for (int i = 0; i < w * h; i++)
            tree.Encode(bits, i, threshold);
    bits.Flush();
    J2kBitReader in(buffer.data(), out.Tell());
    J2kTagTree decoded;
    decoded.Init(w, h);
    for (int threshold = 1; threshold <= 5; threshold++)
        for (int i = 0; i < w * h; i++)
            EXPECT_EQ(decoded.Decode(in, i, threshold), values[i] < threshold) << i;
}

TEST(J2kKnownAnswers, BitStuffingAfterFF)
{
    std::vector<uint8_t> buffer(8, 0);
    J2kByteCursor out(buffer.data(), int(buffer.size()));
    J2kBitWriter bits(out);
    bits.PutBits(0xFF, 8);
    bits.PutBits(0x7F, 7);
    bits.Flush();
    // 0xFF is followed by a byte of seven bits, itself all ones, then a zero byte.
    ASSERT_EQ(out.Tell(), 2);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[1], 0x7F);
    bits.PutBits(0xFF, 8);
    bits.Flush();
    ASSERT_EQ(out.Tell(), 4);
    EXPECT_EQ(buffer[3], 0x00);
}

TEST(J2kKnownAnswers, FiveThreeOnShortSignals)
{
    int32_t even[5] = {10, 20, 30, 25, 5};
    J2kWavelet::Forward53(even, 5, 0);
    EXPECT_EQ(std::vector<int32_t>(even, even + 5), (std::vector<int32_t>{10, 32, 9, 0, 8}));
    J2kWavelet::Inverse53(even, 5, 0);
    EXPECT_EQ(std::vector<int32_t>(even, even + 5), (std::vector<int32_t>{10, 20, 30, 25, 5}));

    // Starting at an odd position, the first sample is high-pass.
    int32_t odd[5] = {10, 20, 30, 25, 5};
    J2kWavelet::Forward53(odd, 5, 1);
    EXPECT_EQ(std::vector<int32_t>(odd, odd + 5), (std::vector<int32_t>{20, 22, -10, 8, -20}));
    J2kWavelet::Inverse53(odd, 5, 1);
    EXPECT_EQ(std::vector<int32_t>(odd, odd + 5), (std::vector<int32_t>{10, 20, 30, 25, 5}));

    // An impulse shows the filters: low-pass 6/8 and -1/8, high-pass -1/2.
    int32_t impulse[9] = {0, 0, 0, 0, 800, 0, 0, 0, 0};
    J2kWavelet::Forward53(impulse, 9, 0);
    EXPECT_EQ(std::vector<int32_t>(impulse, impulse + 9),
              (std::vector<int32_t>{0, -100, 600, -100, 0, 0, -400, -400, 0}));

    int32_t single = 7;
    J2kWavelet::Forward53(&single, 1, 3);
    EXPECT_EQ(single, 14);
    J2kWavelet::Inverse53(&single, 1, 3);
    EXPECT_EQ(single, 7);
}

TEST(J2kKnownAnswers, NineSevenAnalysisFilterTaps)
{
    const int one = 1 << 13;
    int32_t x[17] = {};
    x[8] = 1000 * one;
    J2kWavelet::Forward97(x, 17, 0);
    // Lows at 0..8 (even positions), highs at 9..16 (odd positions 1..15). High-pass
    // samples come out at half the tabulated filter's scale; synthesis doubles them.
    const double low[5] = {0.602949018236, 0.266864118443, -0.078223266529, -0.016864118443,
                           0.026748757411};
    const double high[4] = {1.115087052, -0.591271763, -0.057543526, 0.091271763};
    for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(x[4 + k] / 1000.0 / one, low[2 * k], 0.001) << k;
        EXPECT_NEAR(x[4 - k] / 1000.0 / one, low[2 * k], 0.001) << k;
    }
    for (int k = 0; k < 2; k++) {
        EXPECT_NEAR(x[9 + 4 + k] / 1000.0 / one, high[2 * k + 1] / 2, 0.001) << k;
        EXPECT_NEAR(x[9 + 3 - k] / 1000.0 / one, high[2 * k + 1] / 2, 0.001) << k;
    }
    J2kWavelet::Inverse97(x, 17, 0);
    for (int i = 0; i < 17; i++)
        EXPECT_NEAR(x[i], i == 8 ? 1000 * one : 0, one / 2) << i;
}

TEST(J2kKnownAnswers, ColourTransforms)
{
    int32_t r = 10, g = 20, b = 30;
    J2kComponentTransform::ForwardRct(&r, &g, &b, 1);
    EXPECT_EQ(r, 20);
    EXPECT_EQ(g, 10);
    EXPECT_EQ(b, -10);
    J2kComponentTransform::InverseRct(&r, &g, &b, 1);
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(b, 30);

    const int one = 1 << 13;
    int32_t y = 200 * one, cb = 40 * one, cr = 90 * one;
    J2kComponentTransform::ForwardIct(&y, &cb, &cr, 1);
    EXPECT_NEAR(y / double(one), 0.299 * 200 + 0.587 * 40 + 0.114 * 90, 0.01);
    EXPECT_NEAR(cb / double(one), -0.16875 * 200 - 0.33126 * 40 + 0.5 * 90, 0.01);
    EXPECT_NEAR(cr / double(one), 0.5 * 200 - 0.41869 * 40 - 0.08131 * 90, 0.01);
    J2kComponentTransform::InverseIct(&y, &cb, &cr, 1);
    EXPECT_NEAR(y / double(one), 200, 0.02);
    EXPECT_NEAR(cb / double(one), 40, 0.02);
    EXPECT_NEAR(cr / double(one), 90, 0.02);
}

// The two-dimensional transform is the one-dimensional one on every column of the
// region, then on every row, level by level, whatever the region's parity.
TEST(J2kKnownAnswers, TwoDimensionsAreColumnsThenRows)
{
    for (bool reversible : {true, false}) {
        J2kTileComponent tc;
        tc.x0 = 3;
        tc.y0 = 5;
        tc.x1 = 3 + 13;
        tc.y1 = 5 + 10;
        tc.resolutions.resize(3);
        for (int r = 0; r < 3; r++) {
            int shift = 2 - r;
            J2kResolution& res = tc.resolutions[size_t(r)];
            res.x0 = (tc.x0 + (1 << shift) - 1) >> shift;
            res.y0 = (tc.y0 + (1 << shift) - 1) >> shift;
            res.x1 = (tc.x1 + (1 << shift) - 1) >> shift;
            res.y1 = (tc.y1 + (1 << shift) - 1) >> shift;
        }
        tc.buffer.resize(13 * 10);
        for (size_t i = 0; i < tc.buffer.size(); i++)
            tc.buffer[i] = int32_t((i * 37 + 11) % 255 - 100) * (reversible ? 1 : 8192);
        std::vector<int32_t> expected = tc.buffer, original = tc.buffer;
        auto transform = reversible ? J2kWavelet::Forward53 : J2kWavelet::Forward97;
        for (int r = 2; r > 0; r--) {
            const J2kResolution& res = tc.resolutions[size_t(r)];
            int w = res.x1 - res.x0, h = res.y1 - res.y0;
            std::vector<int32_t> column(static_cast<size_t>(h));
            for (int x = 0; x < w; x++) {
                for (int y = 0; y < h; y++)
                    column[size_t(y)] = expected[size_t(y * 13 + x)];
                transform(column.data(), h, res.y0);
                for (int y = 0; y < h; y++)
                    expected[size_t(y * 13 + x)] = column[size_t(y)];
            }
            for (int y = 0; y < h; y++)
                transform(expected.data() + y * 13, w, res.x0);
        }
        J2kWavelet::Forward(tc, reversible);
        EXPECT_EQ(tc.buffer, expected);
        J2kWavelet::Inverse(tc, reversible, 2);
        if (reversible) {
            EXPECT_EQ(tc.buffer, original);
        } else {
            for (size_t i = 0; i < original.size(); i++)
                EXPECT_NEAR(tc.buffer[i], original[i], 8192 / 4) << i;
        }
    }
}
