// Region statistics summed through the frame's row sums, as a pass over
// many stored regions does, against the pixel-by-pixel walk.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "OverlayImageFixture.h"
#include "OverLayEllipse.h"
#include "OverLayPoly.h"
#include "OverLayRect.h"
#include "OverLayRowSums.h"

namespace {

// Columns not a multiple of the sums' step, rows unlike columns.
const int kColumns = 37;
const int kRows = 29;

// Two frames of random signed values over the whole 16-bit range.
std::vector<uint8_t> RandomFrames(std::mt19937& random, int frames)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(kColumns) * kRows * frames * 2);
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(byte(random));
    return bytes;
}

class RowSumsTest : public OverlayImageTest {
protected:
    COverLayManager* OpenRandom(int frames)
    {
        testfiles::ImageLayout layout;
        layout.rows = kRows;
        layout.columns = kColumns;
        layout.frames = frames;
        layout.pixelRepresentation = 1;
        layout.pixels = RandomFrames(random, frames);
        DcmFileFormat file = testfiles::MakeImage(layout);
        file.getDataset()->putAndInsertString(DCM_PixelSpacing, "0.5\\0.25");
        const std::string path = dir + "/random.dcm";
        if (!testfiles::Save(file, path) || !image.OpenFile(path.c_str()))
            return nullptr;
        return image.CreateOverLayManager();
    }

    int Coordinate(int limit) { return std::uniform_int_distribution<int>(-3, limit + 2)(random); }

    // A rectangle, ellipse or polygon record, now and then reaching past the image.
    void AddRandomRecord(std::vector<short>& words)
    {
        const int kind = std::uniform_int_distribution<int>(1, 3)(random);
        if (kind != 3) {
            const int x0 = Coordinate(kColumns), x1 = Coordinate(kColumns);
            const int y0 = Coordinate(kRows), y1 = Coordinate(kRows);
            const int left = std::min(x0, x1), right = std::max(x0, x1);
            const int top = std::min(y0, y1), bottom = std::max(y0, y1);
            words.insert(words.end(), {static_cast<short>(kind), static_cast<short>(left), static_cast<short>(top),
                                       static_cast<short>(right), static_cast<short>(bottom)});
            return;
        }
        const int count = std::uniform_int_distribution<int>(3, 9)(random);
        words.insert(words.end(), {3, static_cast<short>(count)});
        for (int i = 0; i < count; ++i)
            words.insert(words.end(), {static_cast<short>(Coordinate(kColumns)), static_cast<short>(Coordinate(kRows))});
    }

    std::mt19937 random{20261209};
};

std::vector<CString> Texts(COverLayManager* m)
{
    std::vector<CString> texts;
    for (int i = 0; i < m->GetCount(); ++i)
        texts.push_back(m->GetAt(i)->GetInfoText());
    return texts;
}

// Each overlay measured on its own, as a release does: pixel by pixel.
std::vector<CString> WalkedTexts(COverLayManager* m)
{
    for (int i = 0; i < m->GetCount(); ++i)
        m->GetAt(i)->Measure();
    return Texts(m);
}

TEST(RowSums, RunTotalsMatchTheirPixelsAtEveryStepOffset)
{
    for (const int columns : {37, 40}) {
        const int rows = 3;
        auto value = [](int x, int y) { return static_cast<short>((x * 9973 + y * 7919) % 65536 - 32768); };
        CRowSums sums;
        ASSERT_EQ(sums.Build(CSize(columns, rows), value), 1);
        for (int y = 0; y < rows; ++y)
            for (int x0 = 0; x0 < columns; ++x0)
                for (int x1 = x0 + 1; x1 <= columns; ++x1) {
                    int64_t sum = 5;
                    uint64_t squares = 7;
                    sums.AddRun({y, x0, x1}, sum, squares);
                    int64_t expectedSum = 5;
                    uint64_t expectedSquares = 7;
                    for (int x = x0; x < x1; ++x) {
                        expectedSum += value(x, y);
                        expectedSquares += static_cast<uint64_t>(int64_t(value(x, y)) * value(x, y));
                    }
                    ASSERT_EQ(sum, expectedSum) << columns << " " << y << " " << x0 << " " << x1;
                    ASSERT_EQ(squares, expectedSquares) << columns << " " << y << " " << x0 << " " << x1;
                }
    }
}

TEST_F(RowSumsTest, BothRoadsGiveTheSameStatisticsOnRandomRegions)
{
    COverLayManager* m = OpenRandom(1);
    ASSERT_NE(m, nullptr);
    int negative = 0, large = 0;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            negative += image.GetPixelValue(x, y) < -16384;
            large += image.GetPixelValue(x, y) > 16384;
        }
    ASSERT_GT(negative, 20);
    ASSERT_GT(large, 20);
    auto* owner = new COverLayRect;
    owner->SetOwner(m);
    m->AddOverlay(owner);
    CRowSums sums;
    ASSERT_EQ(sums.Build(CSize(kColumns, kRows), [&](int x, int y) { return owner->GetImagePixel(x, y); }), 1);
    int measured = 0;
    for (int i = 0; i < 400; ++i) {
        CRect r(Coordinate(kColumns), Coordinate(kRows), Coordinate(kColumns), Coordinate(kRows));
        r.NormalizeRect();
        std::vector<PixelRun> runs;
        switch (i % 3) {
        case 0: runs = CRegionRuns::Rectangle(CSize(kColumns, kRows), r); break;
        case 1: runs = CRegionRuns::Ellipse(CSize(kColumns, kRows), r); break;
        default: {
            CArray<CPoint, CPoint> vertices;
            for (CPoint p : {r.TopLeft(), CPoint(r.right, r.top + 4), r.BottomRight(), CPoint(r.left + 5, r.bottom)})
                vertices.Add(p);
            CRegionRuns::Polygon(CSize(kColumns, kRows), vertices, runs);
        }
        }
        CRegionStats walked, summed;
        const int walkedOk = walked.MeasureBy(*owner, runs, nullptr);
        ASSERT_EQ(summed.MeasureBy(*owner, runs, &sums), walkedOk) << i;
        EXPECT_EQ(summed.Text(0), walked.Text(0)) << i;
        EXPECT_EQ(summed.m_dSum, walked.m_dSum) << i;
        EXPECT_EQ(summed.m_nCount, walked.m_nCount) << i;
        EXPECT_NEAR(summed.m_dDeviation, walked.m_dDeviation, 1e-9 * walked.m_dDeviation) << i;
        measured += walkedOk;
    }
    // Most regions lie inside the image, some do not.
    EXPECT_GT(measured, 150);
    EXPECT_LT(measured, 400);
}

// Enough covering rectangles first (the pass measures from the tail) that
// the random regions after them sum through the row sums.
TEST_F(RowSumsTest, StoredRegionsMeasureAsAloneOnEveryFrameAndOrientation)
{
    COverLayManager* m = OpenRandom(2);
    ASSERT_NE(m, nullptr);
    std::vector<short> words;
    for (int i = 0; i < 60; ++i)
        AddRandomRecord(words);
    for (int i = 0; i < 6; ++i)
        words.insert(words.end(), {1, -1, -1, kColumns - 1, kRows - 1});
    m->ParseRecords(words.data(), static_cast<int>(words.size() * 2));
    ASSERT_EQ(m->GetCount(), 66);

    m->MeasureAll();
    const std::vector<CString> first = Texts(m);
    EXPECT_GT(std::count_if(first.begin(), first.end(), [](const CString& t) { return t != "M:0.00 S:0.00 A:0.00"; }), 20);
    EXPECT_EQ(first, WalkedTexts(m));

    image.SetRotateAngle(90, 1);
    image.SetReverse(1, 1);
    m->MeasureAll();
    EXPECT_EQ(Texts(m), first);

    ASSERT_EQ(image.SetCurrentFrame(1), 1);
    m->MeasureAll();
    const std::vector<CString> second = Texts(m);
    EXPECT_EQ(second, WalkedTexts(m));
    EXPECT_NE(second[65], first[65]);
}

}  // namespace
