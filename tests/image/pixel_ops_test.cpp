#include <gtest/gtest.h>

#include <vector>

#include "PixelOps.h"

using namespace PixelOps;

TEST(GreyTable, ZeroWidthHasNoRampAndNoDivision)
{
    std::vector<BYTE> table;
    ASSERT_TRUE(BuildGreyTable(table, 8, 100, 0, false, false));
    EXPECT_EQ(table[99], 0);
    EXPECT_EQ(table[100], 255);
}

// A 2048 x 2048 frame plus a ragged tail, cut into slices shared over the
// cores (also slices of odd length), maps exactly as one pass on one thread
// maps it, for words and for bytes.
TEST(MapGrey, SlicedOverTheCoresMatchesOnePass)
{
    const size_t count = 2048 * 2048 + 13;
    std::vector<BYTE> src(count * 2);
    uint32_t state = 12345;
    for (BYTE& b : src)
        b = static_cast<BYTE>((state = state * 1103515245u + 12345u) >> 23);
    std::vector<BYTE> words, bytes;
    ASSERT_TRUE(BuildGreyTable(words, 16, 300, 5000, true, false));
    ASSERT_TRUE(BuildGreyTable(bytes, 8, 90, 70, false, true));
    for (int width : {2, 1}) {
        const BYTE* table = width == 2 ? words.data() : bytes.data();
        std::vector<BYTE> one(count + 1, 7), split(count + 1, 7), odd(count + 1, 7);
        MapGrey(src.data(), one.data(), count, width, table, 0);
        MapGrey(src.data(), split.data(), count, width, table);
        MapGrey(src.data(), odd.data(), count, width, table, 100003);
        EXPECT_EQ(one, split) << width;
        EXPECT_EQ(one, odd) << width;
        EXPECT_EQ(split[count], 7) << "wrote past the end";
        const size_t last = count - 1;
        const int value = width == 2 ? src[2 * last] | src[2 * last + 1] << 8 : src[last];
        EXPECT_EQ(split[last], table[value]);
    }
}

TEST(RgbTable, WindowShiftsAndScales)
{
    BYTE table[256];
    BuildRgbTable(table, 128, 256);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[200], 200);
    BuildRgbTable(table, 255, 511);
    EXPECT_EQ(table[255], 0);  // 255 * 0.501 - 127 -> 0.7
    BuildRgbTable(table, 0, 1);
    EXPECT_EQ(table[0], 128);
    EXPECT_EQ(table[1], 255);
}

TEST(MapRgb, InterleavedAndPlanarGiveSameBgr)
{
    const BYTE interleaved[6] = {10, 20, 30, 40, 50, 60};
    const BYTE planar[6] = {10, 40, 20, 50, 30, 60};
    BYTE table[256];
    BuildRgbTable(table, 128, 256);
    BYTE a[6], b[6];
    MapRgb(interleaved, a, 2, false, false, table);
    MapRgb(planar, b, 2, true, false, table);
    const BYTE expected[6] = {30, 20, 10, 60, 50, 40};
    EXPECT_EQ(0, memcmp(a, expected, 6));
    EXPECT_EQ(0, memcmp(b, expected, 6));
    MapRgb(interleaved, a, 2, false, true, table);
    EXPECT_EQ(a[0], 255 - 30);
}

TEST(Rescale, ResultsBeyondTheStoredWidthSaturate)
{
    BYTE words[4] = {0x40, 0x9C, 0x00, 0x00};  // 40000 and 0, unsigned
    Rescale(words, 2, 2, false, true, 1.0, -1000.0);
    EXPECT_EQ(static_cast<int16_t>(words[0] | words[1] << 8), 32767);
    EXPECT_EQ(static_cast<int16_t>(words[2] | words[3] << 8), -1000);
    BYTE bytes[2] = {200, 10};
    Rescale(bytes, 2, 1, false, false, 2.0, 0.0);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[1], 20);
}

TEST(Rescale, SignedValuesSaturateLowAndFractionsTruncateTowardZero)
{
    const int16_t in[3] = {-32000, 300, -3};
    int16_t words[3];
    memcpy(words, in, sizeof words);
    Rescale(reinterpret_cast<BYTE*>(words), 3, 2, true, true, 1.0, -1024.0);
    EXPECT_EQ(words[0], -32768);
    EXPECT_EQ(words[1], -724);
    EXPECT_EQ(words[2], -1027);
    memcpy(words, in, sizeof words);
    Rescale(reinterpret_cast<BYTE*>(words), 3, 2, true, true, 1.0, 0.5);
    EXPECT_EQ(words[0], -31999);
    EXPECT_EQ(words[1], 300);
    EXPECT_EQ(words[2], -2);
}

TEST(Orientation, QuarterTurnMovesTopRightToTopLeft)
{
    const int rows = 50, columns = 100;
    std::vector<BYTE> src(rows * columns, 0);
    src[99] = 9;  // top-right
    std::vector<BYTE> dst(src.size(), 1);
    OrientFrame(src.data(), dst.data(), rows, columns, 1, false, 90, false, false);
    EXPECT_EQ(dst[0], 9);
    OrientFrame(src.data(), dst.data(), rows, columns, 1, false, 270, false, false);
    EXPECT_EQ(dst[(columns - 1) * rows + rows - 1], 9);  // bottom-right of 100 x 50
    OrientFrame(src.data(), dst.data(), rows, columns, 1, false, 180, false, false);
    EXPECT_EQ(dst[(rows - 1) * columns], 9);  // bottom-left
    OrientFrame(src.data(), dst.data(), rows, columns, 1, false, 0, true, true);
    EXPECT_EQ(dst[(rows - 1) * columns], 9);  // both mirrors equal 180
}

TEST(Orientation, OrientedPositionIsWhereOrientFramePutsEachPixel)
{
    const int rows = 3, columns = 5;
    std::vector<BYTE> src(rows * columns);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<BYTE>(i + 1);
    for (int angle : {0, 90, 180, 270}) {
        for (int mirrors = 0; mirrors < 4; ++mirrors) {
            const bool flip = mirrors & 1, reverse = mirrors & 2;
            std::vector<BYTE> dst(src.size());
            OrientFrame(src.data(), dst.data(), rows, columns, 1, false, angle, flip, reverse);
            const int outColumns = angle % 180 ? rows : columns;
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    int y = -1, x = -1;
                    OrientedPosition(r, c, rows, columns, angle, flip, reverse, y, x);
                    ASSERT_TRUE(x >= 0 && x < outColumns && y >= 0 && y * outColumns < rows * columns);
                    ASSERT_EQ(dst[y * outColumns + x], src[r * columns + c])
                        << angle << " flip " << flip << " reverse " << reverse << " at " << c << "," << r;
                }
            }
        }
    }
}

TEST(Orientation, WordsAndPlanarColourMoveWhole)
{
    const uint16_t words[4] = {1, 2, 3, 4};  // 2 x 2
    uint16_t out[4];
    OrientFrame(reinterpret_cast<const BYTE*>(words), reinterpret_cast<BYTE*>(out), 2, 2, 2,
                false, 90, false, false);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 4);
    EXPECT_EQ(out[2], 1);
    EXPECT_EQ(out[3], 3);
    const BYTE planes[6] = {1, 2, 11, 12, 21, 22};  // 1 x 2, three planes
    BYTE mirrored[6];
    OrientFrame(planes, mirrored, 1, 2, 3, true, 0, false, true);
    const BYTE expected[6] = {2, 1, 12, 11, 22, 21};
    EXPECT_EQ(0, memcmp(mirrored, expected, 6));
}
