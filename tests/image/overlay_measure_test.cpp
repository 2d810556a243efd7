// Measurements, texts, mapping and burning of overlays on a generated image.
#include <cmath>
#include <vector>

#include "OverlayImageFixture.h"
#include "OverLayEllipse.h"
#include "OverLayLine.h"
#include "OverLayLineArrow.h"
#include "OverLayPoint.h"
#include "OverLayPoly.h"
#include "OverLayProTractor.h"
#include "OverLayRect.h"

namespace {

template <class Kind>
Kind* Add(COverLayManager* manager, Kind* overlay)
{
    overlay->SetOwner(manager);
    manager->AddOverlay(overlay);
    overlay->LoadPixelSpacing();
    return overlay;
}

COverLayLine* Line(COverLayManager* m, int x1, int y1, int x2, int y2)
{
    COverLayLine* line = Add(m, new COverLayLine);
    line->SetFromRecord(x1, y1, x2, y2);
    line->Measure();
    return line;
}

TEST_F(OverlayImageTest, LineTextsWithColumnAndRowSpacing)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    // Row 3 from x 2 to 22: values 74..94, 20 columns of 0.25 mm.
    EXPECT_EQ(Line(m, 2, 3, 22, 3)->GetInfoText(), CString("M:84.00 S:6.06 Ln:5.00 mm"));
    // Column 5 from y 1 to 13: 12 rows of 0.5 mm.
    EXPECT_EQ(Line(m, 5, 1, 5, 13)->GetInfoText(), CString("M:173.00 S:89.80 Ln:6.00 mm"));
    // Leaving the image resets everything.
    EXPECT_EQ(Line(m, 20, 3, 24, 3)->GetInfoText(), CString("M:0.00 S:0.00 Ln:0.00 mm"));

    COverLayLineArrow* arrow = Add(m, new COverLayLineArrow);
    arrow->SetFromRecord(3, 4, 6, 8);
    arrow->Measure();
    EXPECT_EQ(arrow->GetInfoText(), CString("Ln:2.14 mm "));
}

TEST_F(OverlayImageTest, LineWithoutSpacingAndCalibration)
{
    COverLayManager* m = Open("0\\0");
    ASSERT_NE(m, nullptr);
    // Pixels (0,0) (1,1) (2,2) (2,3) (3,4): 0 25 50 74 99.
    COverLayLine* line = Line(m, 0, 0, 3, 4);
    EXPECT_EQ(line->GetInfoText(), CString("M:49.60 S:34.93"));
    COverLayLineArrow* arrow = Add(m, new COverLayLineArrow);
    arrow->SetFromRecord(0, 0, 3, 4);
    arrow->Measure();
    EXPECT_EQ(arrow->GetInfoText(), CString("Ln:0.00 mm"));

    ASSERT_EQ(line->CalibrateLength(10.0), 1);
    EXPECT_FLOAT_EQ(static_cast<float>(image.GetDicomInfo()->m_dRowSpacing), 2.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(image.GetDicomInfo()->m_dColumnSpacing), 2.0f);
    line->Measure();
    EXPECT_EQ(line->GetInfoText(), CString("M:49.60 S:34.93 Ln:10.00 mm"));
    // A line of no length cannot be calibrated; the image keeps its spacing.
    EXPECT_EQ(Line(m, 4, 4, 4, 4)->CalibrateLength(3.0), 0);
    EXPECT_FLOAT_EQ(static_cast<float>(image.GetDicomInfo()->m_dRowSpacing), 2.0f);
    line->CalibrateLength(0);
    EXPECT_EQ(line->HasPixelSpacing(), 0);
}

TEST_F(OverlayImageTest, RegionStatisticsAndAreas)
{
    COverLayManager* m = Open("0.5\\0.25");
    ASSERT_NE(m, nullptr);
    COverLayRect* rect = Add(m, new COverLayRect);
    rect->SetFromRecord(0, 0, 2, 2);  // counts (1,1) (2,1) (1,2) (2,2): 25 26 49 50
    rect->Measure();
    EXPECT_EQ(rect->GetInfoText(), CString("M:37.50 S:12.01 A:0.50"));
    rect->SetFromRecord(3, 2, 13, 22);  // 10 x 20 pixels, partly below the image
    rect->Measure();
    EXPECT_EQ(rect->GetInfoText(), CString("M:0.00 S:0.00 A:0.00"));

    COverLayEllipse* ellipse = Add(m, new COverLayEllipse);
    ellipse->SetFromRecord(2, 2, 10, 8);
    ellipse->Measure();
    EXPECT_EQ(ellipse->GetInfoText().Right(6), CString("A:4.71"));
    EXPECT_GT(ellipse->m_Box.m_Stats.m_dMean, 0.0);

    // A square polygon counts the pixels inside its edges: 77..79 and 101..103.
    COverLayPoly* poly = Add(m, new COverLayPoly);
    CArray<CPoint, CPoint> vertices;
    for (CPoint p : {CPoint(4, 2), CPoint(8, 2), CPoint(8, 5), CPoint(4, 5)})
        vertices.Add(p);
    poly->SetFromRecord(vertices);
    poly->Measure();
    EXPECT_EQ(poly->GetInfoText(), CString("M:90.00 S:12.03 A:0.75"));
}

TEST_F(OverlayImageTest, AnglesAndProbes)
{
    COverLayManager* m = Open();
    ASSERT_NE(m, nullptr);
    COverLayProTractor* angle = Add(m, new COverLayProTractor);
    angle->SetFromRecord(10, 0, 0, 0, 0, 10);
    EXPECT_NEAR(angle->m_dAngle, 90.0027, 1e-4);
    EXPECT_EQ(angle->MeasureText(), CString("Angle:90.00 "));
    // The cosine of these opposite arms rounds to just below -1.
    angle->SetFromRecord(2, 3, 0, 0, -2, -3);
    EXPECT_EQ(angle->GetInfoText(), CString("Angle:180.01"));

    COverLayPoint* probe = Add(m, new COverLayPoint);
    probe->SetFromRecord(5, 3);
    probe->Measure();
    EXPECT_EQ(probe->MeasureText(), CString("V:77 "));
    EXPECT_EQ(probe->GetInfoText(), CString("Value:77 "));
    probe->SetFromRecord(24, 3);
    probe->Measure();
    EXPECT_EQ(probe->MeasureText(), CString("V:0 "));
}

TEST_F(OverlayImageTest, MappingRoundTripsUnderEveryRotationAndMirror)
{
    COverLayManager* m = Open();
    ASSERT_NE(m, nullptr);
    COverLayPoint* probe = Add(m, new COverLayPoint);
    // Window point of image pixel (3, 5) at scale 2 for each quarter turn,
    // unmirrored: the image rectangle starts at (10, 20).
    const struct {
        int angle;
        CPoint expected;
    } turns[] = {{0, CPoint(16, 30)}, {90, CPoint(20, 62)}, {180, CPoint(52, 42)}, {270, CPoint(32, 26)}};
    for (const auto& turn : turns) {
        image.SetRotateAngle(turn.angle, 1);
        for (int flip = 0; flip < 2; ++flip) {
            for (int reverse = 0; reverse < 2; ++reverse) {
                image.SetFlip(flip, 1);
                image.SetReverse(reverse, 1);
                ShowAtTwice(m);
                const CPoint screen = probe->ImageToScreen(3, 5);
                if (!flip && !reverse) {
                    EXPECT_EQ(screen, turn.expected) << turn.angle;
                }
                for (CPoint p : {CPoint(3, 5), CPoint(0, 0), CPoint(23, 15), CPoint(17, 2)}) {
                    const CPoint back = probe->ScreenToImage(probe->ImageToScreen(p.x, p.y).x,
                                                             probe->ImageToScreen(p.x, p.y).y);
                    EXPECT_EQ(back, p) << turn.angle << " flip " << flip << " reverse " << reverse;
                }
            }
        }
    }
    image.SetRotateAngle(45, 1);
    EXPECT_EQ(probe->ImageToScreen(3, 5), CPoint(0, 0));
    EXPECT_EQ(probe->ScreenToImage(30, 40), CPoint(0, 0));
}

TEST_F(OverlayImageTest, BurnedPixelsPerBufferType)
{
    COverLayManager* m = Open();
    ASSERT_NE(m, nullptr);
    m->m_bShowMeasure = 0;
    Line(m, 0, 0, 3, 0);
    std::vector<BYTE> grey(10 * 4);
    m->BurnAll(grey.data(), 1, 10, 4);
    std::vector<BYTE> expected(40);
    for (int i = 0; i < 4; ++i)
        expected[i] = 255;
    EXPECT_EQ(grey, expected);

    std::vector<WORD> words(10 * 4);
    m->BurnAll(reinterpret_cast<BYTE*>(words.data()), 2, 10, 4);
    EXPECT_EQ(words[3], 4095);
    EXPECT_EQ(words[4], 0);
    std::vector<BYTE> rgb(3 * 10 * 4);
    m->BurnAll(rgb.data(), 3, 10, 4);
    EXPECT_EQ(rgb[11], 255);
    EXPECT_EQ(rgb[12], 0);

    // A line that runs off both sides stays in its own row of the buffer.
    m->EraseAll();
    Line(m, -3, 2, 12, 2);
    std::vector<BYTE> clipped(10 * 4);
    m->BurnAll(clipped.data(), 1, 10, 4);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(clipped[i], i / 10 == 2 ? 255 : 0) << i;
}

TEST_F(OverlayImageTest, BurnedOutlinesAndMeasurementText)
{
    COverLayManager* m = Open();
    ASSERT_NE(m, nullptr);
    COverLayRect* rect = Add(m, new COverLayRect);
    rect->SetFromRecord(2, 1, 6, 3);
    rect->Measure();
    m->m_bShowMeasure = 0;
    std::vector<BYTE> pixels(kColumns * kRows);
    m->BurnAll(pixels.data(), 1, kColumns, kRows);
    std::string rows;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 8; ++x)
            rows += pixels[y * kColumns + x] ? '#' : '.';
        rows += '\n';
    }
    EXPECT_EQ(rows, "........\n..#####.\n..#...#.\n..#####.\n........\n");

    // The measurement text lands above the overlay, inside the buffer only.
    m->m_bShowMeasure = 1;
    rect->UpdateScreenPoints();
    std::vector<BYTE> withText(200 * 60);
    rect->SetFromRecord(60, 40, 140, 50);
    rect->UpdateScreenPoints();
    m->BurnAll(withText.data(), 1, 200, 60);
    int above = 0;
    for (int i = 0; i < 40 * 200; ++i)
        above += withText[i] == 255;
    EXPECT_GT(above, 20);
}

}  // namespace

namespace {

TEST_F(OverlayImageTest, ImageBitsOfAColourImageBurnWholePixels)
{
    testfiles::ImageLayout layout;
    layout.rows = 8;
    layout.columns = 8;
    layout.bitsAllocated = 8;
    layout.samples = 3;
    layout.photometric = "RGB";
    layout.pixels = testfiles::Ramp(layout, 1, 10);
    DcmFileFormat file = testfiles::MakeImage(layout);
    const std::string path = dir + "/rgb.dcm";
    ASSERT_TRUE(testfiles::Save(file, path));
    ASSERT_EQ(image.OpenFile(path.c_str()), 1);
    ASSERT_EQ(image.GetColorMode(), COLOR_MODE_RGB);
    COverLayManager* m = image.CreateOverLayManager();
    m->m_bShowMeasure = 0;
    const short blob[] = {5, 1, 2, 4, 2};
    m->ParseRecords(blob, sizeof blob);
    std::vector<BYTE> plain(8 * 8 * 3), burned(8 * 8 * 3);
    ASSERT_EQ(image.GetImageBits(plain.data(), 0, 0), 1);
    ASSERT_EQ(image.GetImageBits(burned.data(), 0, 1), 1);
    for (int i = 0; i < 8 * 8 * 3; ++i) {
        const int x = i / 3 % 8, y = i / 24;
        EXPECT_EQ(burned[i], y == 2 && x >= 1 && x <= 4 ? 255 : plain[i]) << x << "," << y;
    }
}

}  // namespace
