// Overlays on a rotated or mirrored image: measured on the stored pixels,
// burned where they are shown.
#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DrawTarget.h"
#include "OverlayImageFixture.h"
#include "OverLay.h"
#include "PixelOps.h"

namespace {

struct Orientation {
    int angle;
    int flip;
    int reverse;
};

std::string Name(const Orientation& o)
{
    return std::to_string(o.angle) + (o.flip ? " flip" : "") + (o.reverse ? " mirror" : "");
}

std::vector<Orientation> EveryOrientation()
{
    std::vector<Orientation> all;
    for (int angle : {0, 90, 180, 270})
        for (int flip = 0; flip < 2; ++flip)
            for (int reverse = 0; reverse < 2; ++reverse)
                all.push_back({angle, flip, reverse});
    return all;
}

void Orient(CDcmImage& image, const Orientation& o)
{
    image.SetRotateAngle(o.angle, 1);
    image.SetFlip(o.flip, 1);
    image.SetReverse(o.reverse, 1);
}

// Every kind but text, some touching the image's edges (24 x 16).
const short kShapes[] = {
    1, 3, 2, 13, 9,                      // rect
    2, 2, 2, 10, 8,                      // ellipse
    3, 4, 4, 2, 9, 2, 9, 6, 4, 6,        // poly
    4, 5, 3,                             // point
    5, 0, 15, 23, 0,                     // line across the image
    5, 2, 3, 22, 3,                      // line along row 3
    6, 3, 4, 6, 8,                       // arrow
    7, 10, 0, 0, 0, 0, 10,               // angle
    1, 0, 0, 5, 4,                       // rect in the top-left corner
};

std::vector<CString> Texts(COverLayManager* m)
{
    std::vector<CString> texts;
    for (int i = 0; i < m->GetCount(); ++i)
        texts.push_back(m->GetAt(i)->GetInfoText());
    return texts;
}

std::vector<BYTE> Bits(CDcmImage& image, int withOverlays)
{
    std::vector<BYTE> bits(static_cast<size_t>(image.GetWidth()) * image.GetHeight());
    EXPECT_EQ(image.GetImageBits(bits.data(), 0, withOverlays), 1);
    return bits;
}

// The unrotated picture as it shows in orientation o.
std::vector<BYTE> Oriented(const std::vector<BYTE>& bits, int rows, int columns, const Orientation& o)
{
    std::vector<BYTE> out(bits.size());
    PixelOps::OrientFrame(bits.data(), out.data(), rows, columns, 1, false, o.angle, o.flip != 0, o.reverse != 0);
    return out;
}

TEST_F(OverlayImageTest, MeasurementsAreOfTheStoredPixelsAtEveryOrientation)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    m->ParseRecords(kShapes, sizeof kShapes);
    ASSERT_EQ(m->GetCount(), 9);
    m->MeasureAll();
    const std::vector<CString> upright = Texts(m);
    // Rows 3 to 9, columns 4 to 13 of the ramp y * 24 + x.
    EXPECT_EQ(upright[0], CString("M:152.50 S:48.09 A:8.75"));
    EXPECT_EQ(upright[3], CString("Value:77 "));
    for (const Orientation& o : EveryOrientation()) {
        Orient(image, o);
        ShowAtTwice(m);
        EXPECT_EQ(image.GetPixelValue(5, 3), 77) << Name(o);
        EXPECT_EQ(image.GetPixelValue(23, 0), 23) << Name(o);
        m->MeasureAll();
        EXPECT_EQ(Texts(m), upright) << Name(o);
    }
}

TEST_F(OverlayImageTest, BurnedOutlinesMarkTheSameImagePixelsAtEveryOrientation)
{
    COverLayManager* m = Open();
    ASSERT_NE(m, nullptr);
    m->ParseRecords(kShapes, sizeof kShapes);
    m->MeasureAll();
    m->m_bShowMeasure = 0;
    const std::vector<BYTE> upright = Bits(image, 1);
    ASSERT_NE(upright, Bits(image, 0));
    for (const Orientation& o : EveryOrientation()) {
        Orient(image, o);
        ShowAtTwice(m);
        m->UpdateScreenPoints();
        EXPECT_EQ(Bits(image, 1), Oriented(upright, kRows, kColumns, o)) << Name(o);
    }
}

// A flat 300 x 220 picture whose display bytes stay below white.
class BurnedTextTest : public OverlayImageTest {
protected:
    static constexpr int kWide = 300;
    static constexpr int kHigh = 220;

    COverLayManager* OpenFlat()
    {
        testfiles::ImageLayout layout;
        layout.rows = kHigh;
        layout.columns = kWide;
        layout.bitsAllocated = 8;
        layout.pixels.assign(static_cast<size_t>(kWide) * kHigh, 10);
        DcmFileFormat file = testfiles::MakeImage(layout);
        file.getDataset()->putAndInsertString(DCM_WindowCenter, "128");
        file.getDataset()->putAndInsertString(DCM_WindowWidth, "256");
        const std::string path = dir + "/flat.dcm";
        EXPECT_TRUE(testfiles::Save(file, path));
        if (!image.OpenFile(path.c_str()))
            return nullptr;
        return image.CreateOverLayManager();
    }

    // The burned pixels as offsets from origin.
    std::set<std::pair<int, int>> Shape(const std::vector<BYTE>& burned, const std::vector<BYTE>& without,
                                        CPoint origin)
    {
        std::set<std::pair<int, int>> shape;
        const int width = image.GetWidth();
        for (size_t i = 0; i < burned.size(); ++i)
            if (burned[i] != without[i])
                shape.insert({static_cast<int>(i % width) - origin.x, static_cast<int>(i / width) - origin.y});
        return shape;
    }

    // Where image corner point (x, y) is shown, one display pixel per image pixel.
    CPoint Shown(int x, int y, const Orientation& o)
    {
        CPoint p;
        switch (o.angle) {
        case 90: p = CPoint(y, kWide - x); break;
        case 180: p = CPoint(kWide - x, kHigh - y); break;
        case 270: p = CPoint(kHigh - y, x); break;
        default: p = CPoint(x, y); break;
        }
        if (o.flip)
            p.y = image.GetHeight() - p.y;
        if (o.reverse)
            p.x = image.GetWidth() - p.x;
        return p;
    }
};

TEST_F(BurnedTextTest, TextStandsUprightAtItsShownAnchor)
{
    COverLayManager* m = OpenFlat();
    ASSERT_NE(m, nullptr);
    const short note[] = {9, 30, 20, 2, 'H', 'i'};
    m->ParseRecords(note, sizeof note);
    ASSERT_EQ(m->GetCount(), 1);
    std::set<std::pair<int, int>> upright;
    for (const Orientation& o : EveryOrientation()) {
        Orient(image, o);
        const std::set<std::pair<int, int>> shape = Shape(Bits(image, 1), Bits(image, 0), Shown(30, 20, o));
        if (upright.empty()) {
            ASSERT_GT(shape.size(), 20u);
            // The glyphs start at the anchor and hang below it.
            EXPECT_GE(shape.begin()->first, 0);
            EXPECT_LE(shape.begin()->first, 2);
            upright = shape;
        }
        EXPECT_EQ(shape, upright) << Name(o);
    }
}

TEST_F(BurnedTextTest, MeasurementTextStandsAboveTheShownRegion)
{
    COverLayManager* m = OpenFlat();
    ASSERT_NE(m, nullptr);
    const short rect[] = {1, 130, 90, 170, 120};
    m->ParseRecords(rect, sizeof rect);
    m->MeasureAll();
    const CString text = m->GetAt(0)->GetInfoText();
    ASSERT_EQ(text, CString("M:10.00 S:0.00 A:155.52"));
    std::set<std::pair<int, int>> upright;
    for (const Orientation& o : EveryOrientation()) {
        Orient(image, o);
        m->SetImageRect(5, 7, 5 + 2 * image.GetWidth(), 7 + 2 * image.GetHeight(), 0);
        m->UpdateScreenPoints();
        m->m_bShowMeasure = 0;
        const std::vector<BYTE> outline = Bits(image, 1);
        m->m_bShowMeasure = 1;
        const CPoint a = Shown(130, 90, o), b = Shown(170, 120, o);
        // Centred on the region, 16 pixels above its top, 6 pixels a character.
        const CPoint origin((a.x + b.x) / 2 - 3 * text.GetLength(), std::min(a.y, b.y) - 16);
        const std::set<std::pair<int, int>> shape = Shape(Bits(image, 1), outline, origin);
        if (upright.empty()) {
            ASSERT_GT(shape.size(), 50u);
            upright = shape;
        }
        EXPECT_EQ(shape, upright) << Name(o);
    }
}

// The print status picture of a 100-column, 200-row image turned a quarter:
// its buffer is 200 wide and 100 high, and the overlays lie below row 100 of
// the stored image.
TEST_F(BurnedTextTest, PrintStatusBurnsIntoTheTurnedPicture)
{
    testfiles::ImageLayout layout;
    layout.rows = 200;
    layout.columns = 100;
    layout.bitsAllocated = 8;
    layout.pixels.resize(200 * 100);
    for (size_t i = 0; i < layout.pixels.size(); ++i)
        layout.pixels[i] = static_cast<BYTE>(i % 97 + 40 * (i / 100 % 3));
    DcmFileFormat file = testfiles::MakeImage(layout);
    file.getDataset()->putAndInsertString(DCM_WindowCenter, "128");
    file.getDataset()->putAndInsertString(DCM_WindowWidth, "256");
    const std::string path = dir + "/tall.dcm";
    ASSERT_TRUE(testfiles::Save(file, path));
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    COverLayManager* m = image.CreateOverLayManager();
    m->m_bShowMeasure = 0;
    const short shapes[] = {5, 10, 150, 90, 196, 1, 20, 120, 70, 180};
    m->ParseRecords(shapes, sizeof shapes);
    const std::vector<BYTE> upright = Bits(image, 1);
    const Orientation turn{90, 0, 0};
    Orient(image, turn);
    ASSERT_EQ(image.GetWidth(), 200);
    ASSERT_EQ(image.GetHeight(), 100);
    const std::vector<BYTE> expected = Oriented(upright, 200, 100, turn);
    Target target(200, 100);
    ASSERT_EQ(image.ShowPrintStatusBmp(&target.dc, CRect(0, 0, 200, 100), 0), 1);
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            wrong += target.Pixel(x, y)[1] != expected[static_cast<size_t>(y) * 200 + x];
    EXPECT_EQ(wrong, 0);
    // The rectangle's corner (20, 120) shows at (120, 79).
    EXPECT_EQ(target.Pixel(120, 79)[0], 255);
}

}  // namespace
