#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ConvolutionFilter.h"
#include "EmbossFilter.h"
#include "MedianFilter.h"

namespace {

// A 24-bit picture whose three channels differ, so that a swapped channel shows.
struct Picture {
    Picture(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 3) {}
    BYTE& At(int x, int y, int c) { return bytes[(static_cast<size_t>(y) * width + x) * 3 + c]; }
    int width, height;
    std::vector<BYTE> bytes;
};

// Channel c of pixel (x, y) = 40 c + 7 x + 3 y: slopes differ along x and y.
Picture Ramp(int w, int h)
{
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                p.At(x, y, c) = static_cast<BYTE>(40 * c + 7 * x + 3 * y);
    return p;
}

int Filter(CConvolutionFilter& filter, Picture& p, int x = 0, int y = 0, int w = 1 << 20, int h = 1 << 20)
{
    return filter.ProcessArea(p.bytes.data(), x, y, w, h, p.width, p.height);
}

}  // namespace

// Every built-in kernel, entry by entry, weights row by row.
TEST(ConvolutionFilterTest, BuiltInKernelTable)
{
    struct {
        DWORD code;
        int size;
        const char* weights;
        int divisor;
    } const table[] = {
        {0x10000, 3, "1 1 1 / 1 1 1 / 1 1 1", 9},
        {0x10001, 5, "1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1 / 1 1 1 1 1", 25},
        {0x10100, 3, "1 2 1 / 2 4 2 / 1 2 1", 16},
        {0x10101, 5, "1 1 1 1 1 / 1 4 4 4 1 / 1 4 12 4 1 / 1 4 4 4 1 / 1 1 1 1 1", 60},
        {0x10200, 3, "-1 -2 -1 / -2 19 -2 / -1 -2 -1", 7},
        {0x10201, 3, "0 -1 0 / -1 5 -1 / 0 -1 0", 1},
        {0x10202, 3, "-1 -1 -1 / -1 9 -1 / -1 -1 -1", 1},
        {0x10203, 5, "0 -1 -1 -1 0 / -1 2 -4 2 -1 / -1 -4 13 -4 -1 / -1 2 -4 2 -1 / 0 -1 -1 -1 0", -7},
        {0x10300, 3, "0 -1 0 / -1 4 -1 / 0 -1 0", 0},
        {0x10301, 3, "-1 -1 -1 / -1 8 -1 / -1 -1 -1", 0},
        {0x10302, 3, "1 -2 1 / -2 4 -2 / 1 -2 1", 0},
        {0x10400, 3, "-1 0 1 / -2 0 2 / -1 0 1", 0},
        {0x10401, 3, "-1 -2 -1 / 0 0 0 / 1 2 1", 0},
        {0x10402, 3, "1 0 -1 / 2 0 -2 / 1 0 -1", 0},
        {0x10403, 3, "1 2 1 / 0 0 0 / -1 -2 -1", 0},
        {0x10404, 3, "0 1 2 / -1 0 1 / -2 -1 0", 0},
        {0x10405, 3, "0 -1 -2 / 1 0 -1 / 2 1 0", 0},
        {0x10406, 3, "2 1 0 / 1 0 -1 / 0 -1 -2", 0},
        {0x10407, 3, "-2 -1 0 / -1 0 1 / 0 1 2", 0},
        {0x10500, 3, "0 0 0 / -1 1 0 / 0 0 0", 0},
        {0x10501, 3, "0 -1 0 / 0 1 0 / 0 0 0", 0},
        {0x10502, 3, "0 0 0 / 0 1 -1 / 0 0 0", 0},
        {0x10503, 3, "0 0 0 / 0 1 0 / 0 -1 0", 0},
        {0x10504, 3, "0 0 0 / 0 1 0 / -1 0 0", 0},
        {0x10505, 3, "0 0 -1 / 0 1 0 / 0 0 0", 0},
        {0x10506, 3, "0 0 0 / 0 1 0 / 0 0 -1", 0},
        {0x10507, 3, "-1 0 0 / 0 1 0 / 0 0 0", 0},
        {0x10600, 3, "-1 1 1 / -1 -2 1 / -1 1 1", 0},
        {0x10601, 3, "-1 -1 -1 / 1 -2 1 / 1 1 1", 0},
        {0x10602, 3, "1 1 -1 / 1 -2 -1 / 1 1 -1", 0},
        {0x10603, 3, "1 1 1 / 1 -2 1 / -1 -1 -1", 0},
        {0x10604, 3, "1 1 1 / -1 -2 1 / -1 -1 1", 0},
        {0x10605, 3, "1 -1 -1 / 1 -2 -1 / 1 1 1", 0},
        {0x10606, 3, "1 1 1 / 1 -2 -1 / 1 -1 -1", 0},
        {0x10607, 3, "-1 -1 1 / -1 -2 1 / 1 1 1", 0},
        {0x10700, 3, "-1 -1 -1 / 2 2 2 / -1 -1 -1", 0},
        {0x10701, 3, "-1 2 -1 / -1 2 -1 / -1 2 -1", 0},
        {0x10702, 3, "2 -1 -1 / -1 2 -1 / -1 -1 2", 0},
        {0x10703, 3, "-1 -1 2 / -1 2 -1 / 2 -1 -1", 0},
    };
    static_assert(std::size(table) == 39);
    for (const auto& k : table) {
        CConvolutionFilter filter;
        filter.SetProcessCode(k.code);
        ASSERT_NE(filter.GetKernel(), nullptr) << std::hex << k.code;
        ASSERT_EQ(filter.GetAreaWidth(), k.size) << std::hex << k.code;
        ASSERT_EQ(filter.GetAreaHeight(), k.size) << std::hex << k.code;
        EXPECT_EQ(filter.GetDivisor(), k.divisor) << std::hex << k.code;
        std::vector<int> expected;
        std::istringstream words(k.weights);
        for (std::string word; words >> word;)
            if (word != "/")
                expected.push_back(std::stoi(word));
        ASSERT_EQ(expected.size(), size_t(k.size * k.size)) << std::hex << k.code;
        EXPECT_EQ(std::vector<int>(filter.GetKernel(), filter.GetKernel() + k.size * k.size), expected)
            << std::hex << k.code;
    }
    CConvolutionFilter unknown;
    unknown.SetProcessCode(0x10008);
    EXPECT_EQ(unknown.GetKernel(), nullptr);
    Picture p = Ramp(4, 3);
    EXPECT_EQ(Filter(unknown, p), 0);
}

TEST(ConvolutionFilterTest, CustomKernelGrowsToOddSizeAndSumsItsWeights)
{
    const int weights[8] = {1, 2, 3, 4, 5, 6, 7, -9};
    CConvolutionFilter filter;
    filter.SetProcessCode(0x10100);
    ASSERT_EQ(filter.SetKernel(weights, 2, 4), 1);
    EXPECT_EQ(filter.GetProcessCode(), 0x1FF00u);
    ASSERT_EQ(filter.GetAreaHeight(), 3);
    ASSERT_EQ(filter.GetAreaWidth(), 5);
    const std::vector<int> kernel(filter.GetKernel(), filter.GetKernel() + 15);
    EXPECT_EQ(kernel, (std::vector<int>{1, 2, 3, 4, 0, 5, 6, 7, -9, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(filter.GetDivisor(), 19);
    EXPECT_EQ(filter.SetKernel(nullptr, 2, 2), 0);
}

// Gradients on a ramp measure its slope along the kernel's own direction.
TEST(ConvolutionFilterTest, DirectionalKernelsFollowTheirAxis)
{
    const std::pair<DWORD, int> expected[] = {
        {0x10400, 56}, {0x10401, 24}, {0x10402, 0}, {0x10403, 0}, {0x10500, 7}, {0x10501, 3},
        {0x10202, -1}, {0x10300, 0}};
    for (const auto& [code, value] : expected) {
        Picture p = Ramp(6, 5);
        CConvolutionFilter filter;
        filter.SetProcessCode(code);
        ASSERT_EQ(Filter(filter, p), 1);
        const int centre = value < 0 ? 40 * 1 + 7 * 2 + 3 * 2 : value;  // sharpening keeps a ramp
        EXPECT_EQ(p.At(2, 2, 1), centre) << std::hex << code;
    }
}

// Divisor -7: a sum of -12 gives 1 (truncated toward zero, not rounded to 2).
TEST(ConvolutionFilterTest, NegativeDivisorTruncatesTowardZero)
{
    Picture p(7, 6);
    p.At(3, 2, 2) = 3;  // kernel row 1, column 2 of the 5x5 around (3, 3): weight -4
    p.At(4, 3, 0) = 10; // kernel row 2, column 3: weight -4 -> -40 / -7 = 5
    CConvolutionFilter filter;
    filter.SetProcessCode(0x10203);
    ASSERT_EQ(Filter(filter, p, 3, 3, 1, 1), 1);
    EXPECT_EQ(p.At(3, 3, 2), 1);
    EXPECT_EQ(p.At(3, 3, 0), 5);
    EXPECT_EQ(p.At(3, 3, 1), 0);
}

TEST(ConvolutionFilterTest, OnlyTheRectangleChangesAndBordersRepeatTheEdge)
{
    Picture p = Ramp(6, 5);
    const Picture before = p;
    CConvolutionFilter filter;
    filter.SetProcessCode(0x10500);  // centre minus left neighbour
    ASSERT_EQ(Filter(filter, p, 0, 2, 3, 9), 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const int expected = y < 2 || x >= 3 ? before.bytes[(y * 6 + x) * 3] : x == 0 ? 0 : 7;
            EXPECT_EQ(p.At(x, y, 0), expected) << x << "," << y;
        }
    EXPECT_EQ(Filter(filter, p, 6, 0, 1, 1), 0);
    EXPECT_EQ(Filter(filter, p, 0, 5, 1, 1), 0);
    EXPECT_EQ(Filter(filter, p, -1, 0, 2, 2), 0);
}

// A 7x7 kernel on a 3x2 picture reads only edge-clamped samples.
TEST(ConvolutionFilterTest, KernelLargerThanThePicture)
{
    const int ring[49] = {0, 0, 4, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 4, 0, 0, -1, 0, 0, 4, 0, 0, -1, 5,
                          -1, 0, 0, 4, 0, 0, -1, 0, 0, 4, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 4, 0, 0};
    Picture p(3, 2);
    std::fill(p.bytes.begin(), p.bytes.end(), 90);
    p.At(0, 0, 1) = 200;
    CConvolutionFilter filter;
    filter.SetKernel(ring, 7, 7);
    ASSERT_EQ(Filter(filter, p), 1);
    EXPECT_EQ(p.At(2, 1, 0), 90);
    EXPECT_EQ(p.At(2, 1, 2), 90);
    // (2, 1) reads (0, 0) for kernel rows 0..2 and columns 0..1: two weights of 4.
    EXPECT_EQ(p.At(2, 1, 1), (90 * 49 + 110 * 8) / 49);
}

TEST(EmbossFilterTest, FlatAreaTakesEachChannelsOffset)
{
    Picture p(5, 4);
    std::fill(p.bytes.begin(), p.bytes.end(), 77);
    CEmbossFilter emboss;
    emboss.SetProcessCode(0x10400);
    ASSERT_EQ(Filter(emboss, p), 1);
    EXPECT_EQ(p.At(0, 0, 0), 128);
    EXPECT_EQ(p.At(4, 3, 2), 128);
    emboss.SetOffset(10, 20, 250);
    ASSERT_EQ(Filter(emboss, p), 1);
    EXPECT_EQ(p.At(2, 1, 0), 250);
    EXPECT_EQ(p.At(2, 1, 1), 20);
    EXPECT_EQ(p.At(2, 1, 2), 10);
}

TEST(MedianFilterTest, CrossMaskTakesFifthSmallestPerChannel)
{
    const int cross[25] = {0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0};
    Picture p(7, 6);
    std::fill(p.bytes.begin(), p.bytes.end(), 255);  // off the cross: never chosen
    const int column[5] = {50, 10, 90, 30, 70};       // x = 3, y = 0..4
    const int row[5] = {20, 80, 90, 60, 40};          // y = 2, x = 1..5
    for (int i = 0; i < 5; ++i) {
        p.At(3, i, 0) = static_cast<BYTE>(column[i]);
        p.At(1 + i, 2, 0) = static_cast<BYTE>(row[i]);
        p.At(3, i, 2) = static_cast<BYTE>(200 - column[i]);
        p.At(1 + i, 2, 2) = static_cast<BYTE>(200 - row[i]);
    }
    CMedianFilter median;
    ASSERT_EQ(median.ProcessArea(p.bytes.data(), 0, 0, 7, 6, 7, 6), 0);  // no mask yet
    ASSERT_EQ(median.SetMask(cross, 5, 5), 1);
    EXPECT_EQ(median.GetMaskCount(), 9);
    ASSERT_EQ(median.ProcessArea(p.bytes.data(), 3, 2, 1, 1, 7, 6), 1);
    // Sorted 10 20 30 40 50 60 70 80 90: fifth is 50; mirrored channel: 200 - 50.
    EXPECT_EQ(p.At(3, 2, 0), 50);
    EXPECT_EQ(p.At(3, 2, 1), 255);
    EXPECT_EQ(p.At(3, 2, 2), 150);
}

TEST(MedianFilterTest, FullSquareMatchesASortedNeighbourhood)
{
    const int square[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const int wide[15] = {1, 1, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1};
    std::mt19937 random(7);
    Picture p(9, 8);
    for (BYTE& b : p.bytes)
        b = static_cast<BYTE>(random());
    for (const auto& [mask, cols] : {std::pair<const int*, int>{square, 3}, {wide, 5}}) {
        Picture out = p;
        CMedianFilter median;
        median.SetMask(mask, 3, cols);
        ASSERT_EQ(median.ProcessArea(out.bytes.data(), 0, 0, 9, 8, 9, 8), 1);
        for (int y = 1; y < 7; ++y)
            for (int x = cols / 2; x < 9 - cols / 2; ++x) {
                std::vector<int> values;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -(cols / 2); dx <= cols / 2; ++dx)
                        if (mask[(dy + 1) * cols + dx + cols / 2])
                            values.push_back(p.At(x + dx, y + dy, 1));
                std::sort(values.begin(), values.end());
                ASSERT_EQ(out.At(x, y, 1), values[values.size() / 2]) << x << "," << y;
            }
    }
}
