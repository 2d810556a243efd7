// Measurements on unsigned 16-bit data whose values pass 32767, through
// each pixel and through the row sums of a pass over many regions.
#include <string>
#include <vector>

#include "OverlayImageFixture.h"
#include "OverLayEllipse.h"
#include "OverLayPoint.h"
#include "OverLayRect.h"

namespace {

// Pixel (x, y) holds 1000 + 1500 x + 2000 y: 1000 up to 65500.
std::vector<uint8_t> Slope(const testfiles::ImageLayout& layout)
{
    std::vector<uint8_t> bytes;
    for (int y = 0; y < layout.rows; ++y)
        for (int x = 0; x < layout.columns; ++x) {
            const int v = 1000 + 1500 * x + 2000 * y;
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<uint8_t>(v >> 8));
        }
    return bytes;
}

class UnsignedOverlayTest : public OverlayImageTest {
protected:
    std::string WriteSlope(int pixelRepresentation)
    {
        testfiles::ImageLayout layout;
        layout.rows = kRows;
        layout.columns = kColumns;
        layout.pixelRepresentation = pixelRepresentation;
        layout.pixels = Slope(layout);
        DcmFileFormat file = testfiles::MakeImage(layout);
        file.getDataset()->putAndInsertString(DCM_PixelSpacing, "0.5\\0.25");
        const std::string path = dir + "/slope" + std::to_string(pixelRepresentation) + ".dcm";
        EXPECT_TRUE(testfiles::Save(file, path));
        return path;
    }

    COverLayManager* OpenUnsigned()
    {
        return image.OpenFile(WriteSlope(0).c_str()) ? image.CreateOverLayManager() : nullptr;
    }
};

// Rectangle x 4..13, y 3..9; ellipse of rows 3..8 about (9.5, 5.5); points
// above and below 32768.
const std::vector<short> kRecords = {1, 3, 2, 13, 9, 2, 3, 2, 16, 9, 4, 17, 9, 4, 2, 1};
const std::vector<CString> kTexts = {"M:25750.00 S:5878.99 A:8.75", "M:25561.54 S:5778.28 A:8.93", "Value:44500 ",
                                     "Value:6000 "};

std::vector<CString> Texts(COverLayManager* m)
{
    std::vector<CString> texts;
    for (int i = 0; i < m->GetCount(); ++i)
        texts.push_back(m->GetAt(i)->GetInfoText());
    return texts;
}

TEST_F(UnsignedOverlayTest, RegionsAndPointsReadUnsignedValuesPixelByPixel)
{
    COverLayManager* m = OpenUnsigned();
    ASSERT_NE(m, nullptr);
    m->ParseRecords(kRecords.data(), static_cast<int>(kRecords.size() * 2));
    ASSERT_EQ(m->GetCount(), 4);
    for (int i = 0; i < m->GetCount(); ++i)
        m->GetAt(i)->Measure();
    EXPECT_EQ(Texts(m), kTexts);
    EXPECT_EQ(static_cast<COverLayPoint*>(m->GetAt(2))->MeasureText(), CString("V:44500 "));
}

// Covering rectangles last, as the pass measures from the tail: by the time
// it reaches the regions above, they sum through the row sums.
TEST_F(UnsignedOverlayTest, RegionsReadUnsignedValuesThroughTheRowSums)
{
    COverLayManager* m = OpenUnsigned();
    ASSERT_NE(m, nullptr);
    std::vector<short> words = kRecords;
    for (int i = 0; i < 6; ++i)
        words.insert(words.end(), {1, -1, -1, kColumns - 1, kRows - 1});
    m->ParseRecords(words.data(), static_cast<int>(words.size() * 2));
    ASSERT_EQ(m->GetCount(), 10);
    m->MeasureAll();
    std::vector<CString> expected = kTexts;
    expected.insert(expected.end(), 6, "M:33250.00 S:13885.69 A:48.00");
    EXPECT_EQ(Texts(m), expected);
}

TEST_F(UnsignedOverlayTest, ProbedValuesReadAsTheDataIsStored)
{
    const CRect dest(0, 0, kColumns, kRows);
    ASSERT_TRUE(image.OpenFile(WriteSlope(0).c_str()));
    EXPECT_EQ(image.DataValue(image.GetClientPixelValue(dest, CPoint(23, 15))), 65500);
    EXPECT_EQ(image.DataValue(image.GetClientPixelValue(dest, CPoint(2, 1))), 6000);

    // Signed data keeps its sign: 44500 read as signed is -21036.
    CDcmImage signedImage;
    ASSERT_TRUE(signedImage.OpenFile(WriteSlope(1).c_str()));
    EXPECT_EQ(signedImage.DataValue(signedImage.GetClientPixelValue(dest, CPoint(17, 9))), 44500 - 65536);
}

}  // namespace
