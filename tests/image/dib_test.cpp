#include <gtest/gtest.h>

#include <vector>

#include "Dib.h"

namespace {

std::vector<BYTE> Expand(const std::vector<BYTE>& bits, int width, int height, int bitCount,
                         const RGBQUAD* colours = nullptr)
{
    CDib dib;
    EXPECT_EQ(dib.Create(bits.data(), bits.size(), width, height, bitCount, colours), 1);
    std::vector<BYTE> out(static_cast<size_t>(width) * height * 3, 0xEE);
    EXPECT_EQ(dib.ExpandTo24(out.data()), static_cast<long long>(width) * height * 3);
    return out;
}

const RGBQUAD kColours[16] = {{1, 2, 3, 0}, {10, 20, 30, 0}, {11, 21, 31, 0}, {12, 22, 32, 0},
                              {13, 23, 33, 0}, {14, 24, 34, 0}, {15, 25, 35, 0}, {16, 26, 36, 0},
                              {17, 27, 37, 0}, {18, 28, 38, 0}, {19, 29, 39, 0}, {40, 50, 60, 0},
                              {41, 51, 61, 0}, {42, 52, 62, 0}, {43, 53, 63, 0}, {44, 54, 64, 0}};

}  // namespace

TEST(DibTest, RowLengthsArePaddedToFourBytes)
{
    EXPECT_EQ(CDib::RowLength(10, 1), 4);
    EXPECT_EQ(CDib::RowLength(33, 1), 8);
    EXPECT_EQ(CDib::RowLength(9, 4), 8);
    EXPECT_EQ(CDib::RowLength(5, 8), 8);
    EXPECT_EQ(CDib::RowLength(5, 24), 16);
    EXPECT_EQ(CDib::RowLength(4, 24), 12);
}

// The bitmap's rows run bottom-up; the expansion writes its last row first.
TEST(DibTest, ExpandsEveryDepthIntoTopDownTriplets)
{
    // 1 bit, 10 x 2: first bit most significant; bottom row 1000000001, top 0100000000.
    const std::vector<BYTE> mono = {0x80, 0x40, 0, 0, 0x40, 0x00, 0, 0};
    std::vector<BYTE> out = Expand(mono, 10, 2, 1, kColours);
    EXPECT_EQ(std::vector<BYTE>(out.begin(), out.begin() + 6), (std::vector<BYTE>{1, 2, 3, 10, 20, 30}));
    EXPECT_EQ(std::vector<BYTE>(out.begin() + 30, out.begin() + 33), (std::vector<BYTE>{10, 20, 30}));
    EXPECT_EQ(std::vector<BYTE>(out.end() - 6, out.end()), (std::vector<BYTE>{1, 2, 3, 10, 20, 30}));

    // 4 bits, 3 x 2: high nibble first.
    const std::vector<BYTE> nibbles = {0xB1, 0x20, 0, 0, 0x3C, 0xF0, 0, 0};
    EXPECT_EQ(Expand(nibbles, 3, 2, 4, kColours),
              (std::vector<BYTE>{12, 22, 32, 41, 51, 61, 44, 54, 64, 40, 50, 60, 10, 20, 30, 11, 21, 31}));

    // 8 bits: a grey ramp, the colour table unused.
    const std::vector<BYTE> grey = {9, 8, 7, 0, 90, 80, 70, 0};
    EXPECT_EQ(Expand(grey, 3, 2, 8), (std::vector<BYTE>{90, 90, 90, 80, 80, 80, 70, 70, 70, 9, 9, 9, 8, 8, 8, 7, 7, 7}));

    // 24 bits, 2 x 2: bytes kept in their order, row padding skipped.
    const std::vector<BYTE> colour = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    EXPECT_EQ(Expand(colour, 2, 2, 24), (std::vector<BYTE>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
}

TEST(DibTest, OtherDepthsWriteNothingAndShortInputReadsAsZero)
{
    const std::vector<BYTE> bits(16, 5);
    CDib dib;
    ASSERT_EQ(dib.Create(bits.data(), bits.size(), 2, 2, 16, nullptr), 1);
    std::vector<BYTE> out(12, 0xEE);
    EXPECT_EQ(dib.ExpandTo24(out.data()), 4);
    EXPECT_EQ(out, std::vector<BYTE>(12, 0xEE));

    // Two bytes given for a 3 x 2 grey bitmap of 8 bytes: the rest reads as 0.
    ASSERT_EQ(dib.Create(bits.data(), 2, 3, 2, 8, nullptr), 1);
    std::vector<BYTE> grey(18, 0xEE);
    EXPECT_EQ(dib.ExpandTo24(grey.data()), 18);
    EXPECT_EQ(grey, (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 0, 0, 0}));
    EXPECT_EQ(dib.Create(bits.data(), bits.size(), 4, 2, 1, nullptr), 0);  // no colour table
    dib.Release();
    EXPECT_EQ(dib.ExpandTo24(grey.data()), 0);
}
