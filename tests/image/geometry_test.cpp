#include <gtest/gtest.h>

#include <vector>

#include "ImageGeometry.h"

namespace {

const DWORD kMethods[] = {GEOMETRY_NEAREST, GEOMETRY_BILINEAR, GEOMETRY_BICUBIC};

// 4 x 3 grey picture; row 1 holds the values the known answers use.
std::vector<BYTE> Grey4x3()
{
    return {1, 2, 3, 4, 10, 50, 200, 20, 7, 9, 11, 13};
}

}  // namespace

TEST(ImageGeometryTest, SameSizeReproducesTheSource)
{
    std::vector<BYTE> rgb(5 * 4 * 3);
    std::vector<short> grey16(5 * 4);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<BYTE>(i * 37 + 11);
    for (size_t i = 0; i < grey16.size(); ++i)
        grey16[i] = static_cast<short>(i * 3001 - 30000);
    const std::vector<BYTE> grey8 = Grey4x3();
    for (DWORD method : kMethods) {
        CImageGeometry geometry(method);
        std::vector<BYTE> rgbOut(rgb.size()), grey8Out(grey8.size());
        std::vector<short> grey16Out(grey16.size());
        ASSERT_EQ(geometry.ResampleRGB(rgb.data(), 0, 0, 5, 4, 5, 4, rgbOut.data(), 5, 4), 1);
        ASSERT_EQ(geometry.ResampleGray16(grey16.data(), 0, 0, 5, 4, 5, 4, grey16Out.data(), 5, 4), 1);
        ASSERT_EQ(geometry.ResampleGray8(grey8.data(), 0, 0, 4, 3, 4, 3, grey8Out.data(), 4, 3, nullptr), 1);
        EXPECT_EQ(rgbOut, rgb) << std::hex << method;
        EXPECT_EQ(grey16Out, grey16) << std::hex << method;
        EXPECT_EQ(grey8Out, grey8) << std::hex << method;
        EXPECT_EQ(geometry.GetProcessCode(), 0x50001u);
    }
}

// Doubling the width puts every odd destination column halfway between two
// source columns; past the last column the edge repeats.
TEST(ImageGeometryTest, ValuesAtHalfwayFractions)
{
    const std::vector<BYTE> src = Grey4x3();
    const std::vector<std::pair<DWORD, std::vector<int>>> expected = {
        {GEOMETRY_NEAREST, {10, 10, 50, 50, 200, 200, 20, 20}},
        {GEOMETRY_BILINEAR, {10, 30, 50, 125, 200, 110, 20, 20}},
        // -0.125 P(c-1) + 0.625 P(c) + 0.625 P(c+1) - 0.125 P(c+2)
        {GEOMETRY_BICUBIC, {10, 11, 50, 152, 200, 128, 20, 0}},
    };
    for (const auto& [method, row] : expected) {
        CImageGeometry geometry(method);
        std::vector<BYTE> dst(8 * 3);
        ASSERT_EQ(geometry.ResampleGray8(src.data(), 0, 0, 4, 3, 4, 3, dst.data(), 8, 3, nullptr), 1);
        EXPECT_EQ(std::vector<int>(dst.begin() + 8, dst.begin() + 16), row) << std::hex << method;
    }
}

TEST(ImageGeometryTest, RectangleOriginAndColourChannels)
{
    std::vector<BYTE> rgb(4 * 3 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<BYTE>(i * 5);
    CImageGeometry geometry(GEOMETRY_NEAREST);
    std::vector<BYTE> dst(2 * 2 * 3);
    ASSERT_EQ(geometry.ResampleRGB(rgb.data(), 2, 1, 2, 9, 4, 3, dst.data(), 2, 2), 1);
    // (2, 1), (3, 1), (2, 2), (3, 2): pixel index 6, 7, 10, 11.
    EXPECT_EQ(dst, (std::vector<BYTE>{90, 95, 100, 105, 110, 115, 150, 155, 160, 165, 170, 175}));
}

TEST(ImageGeometryTest, ColumnMaskWhitensMaskedSourceColumns)
{
    const std::vector<BYTE> src = Grey4x3();
    const BYTE mask[4] = {1, 0, 1, 1};
    CImageGeometry geometry(GEOMETRY_BILINEAR);
    std::vector<BYTE> dst(8 * 3);
    ASSERT_EQ(geometry.ResampleGray8(src.data(), 0, 0, 4, 3, 4, 3, dst.data(), 8, 3, mask), 1);
    EXPECT_EQ(std::vector<int>(dst.begin() + 8, dst.begin() + 16),
              (std::vector<int>{10, 30, 255, 255, 200, 110, 20, 20}));
}

// The cubic overshoots next to a step: 16-bit results stop at the type's limits.
TEST(ImageGeometryTest, SixteenBitOvershootIsClampedNotWrapped)
{
    const std::vector<short> src = {0, 0, 32767, 32767, -32768, -32768, 0, 0};
    CImageGeometry geometry;
    std::vector<short> dst(8 * 2);
    ASSERT_EQ(geometry.ResampleGray16(src.data(), 0, 0, 4, 2, 4, 2, dst.data(), 8, 2), 1);
    EXPECT_EQ(dst[3], 16383);   // 0.625 x 32767 - 0.125 x 32767
    EXPECT_EQ(dst[5], 32767);   // 1.125 x 32767
    EXPECT_EQ(dst[8 + 1], -32768);
}

TEST(ImageGeometryTest, RejectsOriginsAndSizesOutsideTheImage)
{
    const std::vector<BYTE> src = Grey4x3();
    std::vector<BYTE> dst(16, 99);
    CImageGeometry geometry;
    EXPECT_EQ(geometry.ResampleGray8(src.data(), 4, 0, 1, 1, 4, 3, dst.data(), 4, 4, nullptr), 0);
    EXPECT_EQ(geometry.ResampleGray8(src.data(), 0, 3, 1, 1, 4, 3, dst.data(), 4, 4, nullptr), 0);
    EXPECT_EQ(geometry.ResampleGray8(src.data(), -1, 0, 2, 2, 4, 3, dst.data(), 4, 4, nullptr), 0);
    EXPECT_EQ(geometry.ResampleGray8(src.data(), 0, 0, 0, 2, 4, 3, dst.data(), 4, 4, nullptr), 0);
    EXPECT_EQ(geometry.ResampleGray8(src.data(), 0, 0, 2, 2, 4, 3, dst.data(), 0, 4, nullptr), 0);
    EXPECT_EQ(geometry.ResampleGray8(src.data(), 0, 0, 2, 2, 4, 3, dst.data(), 70000, 70000, nullptr), 0);
    EXPECT_EQ(geometry.GetProcessCode(), 0x50000u);
    EXPECT_EQ(dst, std::vector<BYTE>(16, 99));
}
