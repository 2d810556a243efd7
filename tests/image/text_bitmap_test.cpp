// The text bitmap: glyphs placed as FreeType renders them, clipped at the
// raster's edges, the corner layouts, and merging into pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "DcmImage.h"
#include "DicomTestFiles.h"
#include "TextBitmap.h"
#include "gdi/font.h"

using namespace testfiles;

namespace {

const int kWidth = 200;
const int kHeight = 60;

// The raster FreeType's own monochrome rendering gives for a line whose pen
// starts at x and whose cell top is y, with the text bitmap's font.
std::vector<BYTE> FreeTypeRaster(const std::u32string& text, int x, int y, int ascent)
{
    std::vector<BYTE> raster(kWidth * kHeight, 0);
    LOGFONT log{};
    log.lfHeight = -16;
    log.lfCharSet = 134;
    std::strcpy(log.lfFaceName, "宋体");
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, gdi::fontFileFor(log).c_str(), 0, &face) != 0)
        return raster;
    FT_Set_Char_Size(face, 0, 16 * 64, 72, 72);
    for (char32_t c : text) {
        FT_Load_Char(face, c, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP);
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO);
        const FT_GlyphSlot slot = face->glyph;
        if (c != U' ')
            for (unsigned r = 0; r < slot->bitmap.rows; ++r)
                for (unsigned col = 0; col < slot->bitmap.width; ++col)
                    if ((slot->bitmap.buffer[r * slot->bitmap.pitch + col / 8] >> (7 - col % 8)) & 1) {
                        const int row = y + ascent - slot->bitmap_top + 1 + int(r);
                        const int column = x + slot->bitmap_left + int(col);
                        if (row >= 0 && row < kHeight && column >= 0 && column < kWidth)
                            raster[row * kWidth + column] = 1;
                    }
        x += int((slot->advance.x + 32) >> 6);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return raster;
}

std::vector<BYTE> Raster(CTextBitmap& text)
{
    return std::vector<BYTE>(text.m_Raster.GetData(), text.m_Raster.GetData() + text.m_Raster.GetSize());
}

// Set bytes of a raster inside the box [x0, x1) x [y0, y1).
int CountSet(const std::vector<BYTE>& raster, int width, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += raster[size_t(y) * width + x] != 0;
    return count;
}

}  // namespace

TEST(TextBitmap, GlyphsStandWhereFreeTypeRendersThemChineseIncluded)
{
    CTextBitmap text;
    text.m_nWidth = kWidth;
    text.m_nHeight = kHeight;
    ASSERT_EQ(text.Create(), 1);
    EXPECT_EQ(text.m_nMargin, 8);
    EXPECT_GT(text.m_nLineHeight, 15);
    EXPECT_EQ(text.PutText(13, 9, "Ab 王7q"), 1);
    const std::vector<BYTE> expected = FreeTypeRaster(U"Ab 王7q", 13, 9, text.m_nAscent);
    const std::vector<BYTE> raster = Raster(text);
    ASSERT_GT(CountSet(expected, kWidth, 0, 0, kWidth, kHeight), 60);
    EXPECT_EQ(raster, expected);
    text.Release();
    EXPECT_EQ(text.m_nWidth, 0);
    EXPECT_EQ(text.m_Raster.GetSize(), 0);
}

TEST(TextBitmap, GlyphsAreClippedAtEveryEdgeAndNeverWrapIntoTheNextRow)
{
    CTextBitmap text;
    text.m_nWidth = kWidth;
    text.m_nHeight = kHeight;
    ASSERT_EQ(text.Create(), 1);
    // Partly past the right edge, partly above the top, partly left of 0.
    text.PutText(kWidth - 6, 20, "MM");
    text.PutText(30, -12, "HH");
    text.PutText(-5, 40, "WW");
    const std::vector<BYTE> raster = Raster(text);
    std::vector<BYTE> expected = FreeTypeRaster(U"MM", kWidth - 6, 20, text.m_nAscent);
    const std::vector<BYTE> above = FreeTypeRaster(U"HH", 30, -12, text.m_nAscent);
    const std::vector<BYTE> left = FreeTypeRaster(U"WW", -5, 40, text.m_nAscent);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] |= above[i] | left[i];
    EXPECT_EQ(raster, expected);
    // Nothing from the right-hand glyphs reaches the start of the rows below them.
    EXPECT_EQ(CountSet(raster, kWidth, 0, 20, 10, 40), 0);
    EXPECT_EQ(text.Create(), 1);
    EXPECT_EQ(CountSet(Raster(text), kWidth, 0, 0, kWidth, kHeight), 0);
    text.m_nWidth = 0;
    EXPECT_EQ(text.Create(), 0);
}

TEST(TextBitmap, MergeTurnsTextPixelsWhiteForEachChannelCount)
{
    CTextBitmap text;
    text.m_nWidth = 3;
    text.m_nHeight = 2;
    ASSERT_EQ(text.Create(), 1);
    text.m_Raster[1] = 1;
    text.m_Raster[5] = 1;
    std::vector<BYTE> grey = {10, 20, 30, 40, 50, 60};
    text.MergeInto(grey.data(), 1);
    EXPECT_EQ(grey, (std::vector<BYTE>{10, 255, 30, 40, 50, 255}));
    std::vector<BYTE> rgb(18, 7);
    text.MergeInto(rgb.data(), 3);
    EXPECT_EQ(std::vector<BYTE>(rgb.begin(), rgb.begin() + 9), (std::vector<BYTE>{7, 7, 7, 255, 255, 255, 7, 7, 7}));
    EXPECT_EQ(rgb[15], 255);
    EXPECT_EQ(rgb[14], 7);
    std::vector<WORD> words(6, 100);
    text.MergeInto(reinterpret_cast<BYTE*>(words.data()), 2);
    EXPECT_EQ(words, (std::vector<WORD>{100, 16533, 100, 100, 100, 16533}));
    std::vector<BYTE> other = {1, 2, 3, 4, 5, 6};
    text.MergeInto(other.data(), 4);
    EXPECT_EQ(other, (std::vector<BYTE>{1, 2, 3, 4, 5, 6}));
}

class TextLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

    void Open(const char* modality, const char* date = "20200131", const char* time = "093015")
    {
        ImageLayout layout;
        layout.pixels = Ramp(layout);
        DcmFileFormat file = MakeImage(layout);
        DcmDataset* data = file.getDataset();
        data->putAndInsertString(DCM_Modality, modality);
        data->putAndInsertString(DCM_PatientName, "Li^Wei");
        data->putAndInsertString(DCM_PatientID, "P-77");
        data->putAndInsertString(DCM_StudyDate, date);
        data->putAndInsertString(DCM_AcquisitionTime, time);
        data->putAndInsertString(DCM_SeriesNumber, "003");
        ASSERT_TRUE(Save(file, dir + "/image.dcm"));
        ASSERT_EQ(image.OpenFile((dir + "/image.dcm").c_str()), 1);
    }

    // The raster of the layout alone, and of the given lines put by hand.
    void Compare(const std::vector<std::pair<std::pair<int, int>, CString>>& lines)
    {
        CTextBitmap burned;
        burned.m_nWidth = 512;
        burned.m_nHeight = 300;
        ASSERT_EQ(burned.Create(), 1);
        ASSERT_EQ(burned.BurnInfoText(&image, 40, 400), 1);
        CTextBitmap byHand;
        byHand.m_nWidth = 512;
        byHand.m_nHeight = 300;
        ASSERT_EQ(byHand.Create(), 1);
        for (const auto& line : lines)
            byHand.PutText(line.first.first, line.first.second, line.second);
        EXPECT_EQ(Raster(burned), Raster(byHand));
        h = burned.m_nLineHeight;
    }

    std::string dir;
    CDcmImage image;
    int h = 0;
};

TEST_F(TextLayoutTest, DrLayoutPrintsDateAndTimeAsStoredAndNumbersOnTheRight)
{
    CTextBitmap probe;
    probe.m_nWidth = 512;
    probe.m_nHeight = 300;
    ASSERT_EQ(probe.Create(), 1);
    const int h = probe.m_nLineHeight;
    Open("CR");
    Compare({{{8, h}, "LI^WEI"},
             {{8, 2 * h}, "P-77"},
             {{8, 3 * h}, "20200131"},
             {{8, 4 * h}, "093015"},
             {{512 - 7 * 8, h}, "Srs:3"},
             {{512 - 6 * 8, 2 * h}, "Acq:"},
             {{512 - 6 * 8, 3 * h}, "Img:"},
             {{512 - 6 * 8, 300 - 2 * h}, "L:40"},
             {{512 - 7 * 8, 300 - h}, "W:400"}});
    EXPECT_EQ(this->h, h);
}

TEST_F(TextLayoutTest, SmallLetterModalityTakesTheOtherLayoutWithDashedDate)
{
    CTextBitmap probe;
    probe.m_nWidth = 512;
    probe.m_nHeight = 300;
    ASSERT_EQ(probe.Create(), 1);
    const int h = probe.m_nLineHeight;
    Open("mr", "20200131", "");
    Compare({{{8, h}, "LI^WEI"},
             {{8, 2 * h}, "P-77"},
             {{8, 3 * h}, "2020-01-31"},
             {{512 - 2 * 8, h}, ""},
             {{512 - 7 * 8, 2 * h}, "Srs:3"},
             {{512 - 6 * 8, 3 * h}, "Acq:"},
             {{512 - 6 * 8, 4 * h}, "Img:"},
             {{512 - 6 * 8, 300 - 2 * h}, "L:40"},
             {{512 - 7 * 8, 300 - h}, "W:400"}});
}
