// The overlay manager's mouse protocol on a generated image shown at twice
// its size at (10, 20): creation per tool, the two-arm angle, cancel,
// selection, moving and erasing.
#include <vector>

#include "OverlayImageFixture.h"
#include "OverLayLine.h"
#include "OverLayPoint.h"
#include "OverLayPoly.h"
#include "OverLayProTractor.h"
#include "OverLayRect.h"
#include "platform/gdi_canvas.h"

namespace {

class OverlayMouseTest : public OverlayImageTest {
protected:
    void SetUp() override
    {
        OverlayImageTest::SetUp();
        manager = Open();
        ASSERT_NE(manager, nullptr);
        dc = CDC::FromHandle(canvas.dc);
    }

    void Press(int tool, int mode, CPoint p)
    {
        CurrentOverlayTool = tool;
        CurrentOverlayMode = mode;
        manager->OnLButtonDown(1, p, dc);
    }
    void Move(CPoint p) { manager->OnMouseMove(1, p, dc); }
    void Release(CPoint p) { manager->OnLButtonUp(0, p, dc); }
    void Drag(int tool, int mode, CPoint from, CPoint to)
    {
        Press(tool, mode, from);
        Move(CPoint((from.x + to.x) / 2, (from.y + to.y) / 2));
        Move(to);
        Release(to);
    }

    Canvas canvas{120, 80};
    CDC* dc = nullptr;
    COverLayManager* manager = nullptr;
};

TEST_F(OverlayMouseTest, LineDrawnAndTooShortDragDiscarded)
{
    Drag(OVERLAY_LINE, OVERLAY_MODE_CREATE, CPoint(14, 26), CPoint(54, 46));
    ASSERT_EQ(manager->GetCount(), 1);
    auto* line = static_cast<COverLayLine*>(manager->GetAt(0));
    EXPECT_EQ(manager->GetCurrentOverlay(), line);
    EXPECT_EQ(line->m_bSelected, 1);
    EXPECT_EQ(CPoint(line->m_Segment.m_nX1, line->m_Segment.m_nY1), CPoint(2, 3));
    EXPECT_EQ(CPoint(line->m_Segment.m_nX2, line->m_Segment.m_nY2), CPoint(22, 13));
    EXPECT_EQ(line->GetInfoText().Right(10), CString("Ln:7.07 mm"));
    EXPECT_EQ(manager->m_bButtonDown, 0);
    EXPECT_EQ(manager->IsModified(), 1);
    // The manager leaves tool and mode to the window.
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_LINE);

    Drag(OVERLAY_ARROW, OVERLAY_MODE_CREATE, CPoint(60, 30), CPoint(64, 34));
    EXPECT_EQ(manager->GetCount(), 1);
    EXPECT_EQ(manager->GetCurrentOverlay(), nullptr);
}

TEST_F(OverlayMouseTest, RegionsNormaliseAndShortPolygonsAreDiscarded)
{
    Drag(OVERLAY_RECT, OVERLAY_MODE_CREATE, CPoint(33, 31), CPoint(13, 23));
    ASSERT_EQ(manager->GetCount(), 1);
    auto* rect = static_cast<COverLayRect*>(manager->GetAt(0));
    EXPECT_EQ(CRect(rect->m_Box.m_nLeft, rect->m_Box.m_nTop, rect->m_Box.m_nRight, rect->m_Box.m_nBottom),
              CRect(1, 1, 11, 5));

    Press(OVERLAY_POLY, OVERLAY_MODE_CREATE, CPoint(20, 30));
    Move(CPoint(40, 30));
    Move(CPoint(40, 50));
    Release(CPoint(40, 50));
    EXPECT_EQ(manager->GetCount(), 1);

    Press(OVERLAY_POLY, OVERLAY_MODE_CREATE, CPoint(20, 30));
    for (CPoint p : {CPoint(40, 30), CPoint(40, 50), CPoint(20, 50)})
        Move(p);
    Release(CPoint(20, 50));
    ASSERT_EQ(manager->GetCount(), 2);
    auto* poly = static_cast<COverLayPoly*>(manager->GetAt(1));
    ASSERT_EQ(poly->m_ImagePoints.GetSize(), 4);
    EXPECT_EQ(poly->m_ImagePoints[2], CPoint(15, 15));
}

TEST_F(OverlayMouseTest, AngleTakesTwoArmsAndRightButtonCancels)
{
    Press(OVERLAY_ANGLE, OVERLAY_MODE_CREATE, CPoint(30, 40));
    Move(CPoint(50, 40));
    Release(CPoint(50, 40));
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_SECOND_ARM);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_ANGLE);
    auto* angle = static_cast<COverLayProTractor*>(manager->GetAt(0));
    EXPECT_EQ(angle->GetInfoText(), CString("Angle:0.00"));

    CPoint second(30, 64);
    manager->OnLButtonDown(1, second, dc);
    Move(CPoint(30, 60));
    Release(CPoint(30, 60));
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(angle->m_Image1, CPoint(20, 10));
    EXPECT_EQ(angle->m_Image2, CPoint(10, 10));
    EXPECT_EQ(angle->m_Image3, CPoint(10, 20));
    EXPECT_EQ(angle->GetInfoText(), CString("Angle:90.00"));

    // A one-armed angle stays when the right button cancels.
    Press(OVERLAY_ANGLE, OVERLAY_MODE_CREATE, CPoint(70, 40));
    Move(CPoint(90, 50));
    Release(CPoint(90, 50));
    CPoint at(0, 0);
    EXPECT_EQ(manager->OnRButtonUp(0, at, dc), 0);
    EXPECT_EQ(manager->GetCount(), 2);
    EXPECT_EQ(manager->GetCurrentOverlay(), nullptr);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);

    // A first arm too short discards the angle; the second cycle finds nothing.
    Press(OVERLAY_ANGLE, OVERLAY_MODE_CREATE, CPoint(70, 40));
    Release(CPoint(72, 41));
    EXPECT_EQ(manager->GetCount(), 2);
    manager->OnLButtonDown(1, at, dc);
    Release(at);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
}

TEST_F(OverlayMouseTest, SelectionPrefersHandlesThenTheLaterOverlay)
{
    Drag(OVERLAY_RECT, OVERLAY_MODE_CREATE, CPoint(12, 22), CPoint(52, 52));
    Drag(OVERLAY_RECT, OVERLAY_MODE_CREATE, CPoint(30, 30), CPoint(70, 60));
    COverLay* first = manager->GetAt(0);
    COverLay* second = manager->GetAt(1);

    Press(OVERLAY_SELECT, OVERLAY_MODE_IDLE, CPoint(40, 40));
    EXPECT_EQ(manager->GetCurrentOverlay(), second);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_MOVE);
    EXPECT_EQ(first->m_bSelected, 0);
    Release(CPoint(40, 40));

    // The first rectangle's bottom-right corner handle, even though unselected.
    Press(OVERLAY_SELECT, OVERLAY_MODE_IDLE, CPoint(53, 51));
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_HANDLE);
    EXPECT_EQ(manager->GetCurrentOverlay(), first);
    EXPECT_EQ(first->m_nActiveHandle, 5);
    Move(CPoint(62, 60));
    Release(CPoint(62, 60));
    auto* rect = static_cast<COverLayRect*>(first);
    EXPECT_EQ(CPoint(rect->m_Box.m_nRight, rect->m_Box.m_nBottom), CPoint(26, 20));
}

TEST_F(OverlayMouseTest, ASelectClickWithoutDragKeepsStoredPointsAndADragMovesThem)
{
    // At 1.5 window pixels per image pixel, (7, 9) does not map back to itself.
    manager->SetImageRect(10, 20, 10 + 36, 20 + 24, 0);
    const short blob[] = {5, 7, 9, 19, 9};
    manager->ParseRecords(blob, sizeof blob);
    manager->UpdateScreenPoints();
    auto* line = static_cast<COverLayLine*>(manager->GetAt(0));
    const CPoint body = line->m_Segment.m_Screen1 + CPoint(6, 0);
    Press(OVERLAY_SELECT, OVERLAY_MODE_IDLE, body);
    ASSERT_EQ(manager->GetCurrentOverlay(), line);
    Release(body);
    EXPECT_EQ(CRect(line->m_Segment.m_nX1, line->m_Segment.m_nY1, line->m_Segment.m_nX2, line->m_Segment.m_nY2),
              CRect(7, 9, 19, 9));
    EXPECT_EQ(manager->IsModified(), 0);

    Press(OVERLAY_SELECT, OVERLAY_MODE_IDLE, body);
    Move(body + CPoint(0, 6));
    Release(body + CPoint(0, 6));
    EXPECT_EQ(line->m_Segment.m_nY1, line->m_Segment.m_nY2);
    EXPECT_EQ(line->m_Segment.m_nY1, 12);  // window y 33 + 6 back at 1.5 per pixel
    EXPECT_EQ(manager->IsModified(), 1);
}

TEST_F(OverlayMouseTest, ProbesNumbersAndErasing)
{
    Drag(OVERLAY_POINT, OVERLAY_MODE_CREATE, CPoint(20, 26), CPoint(20, 26));
    Drag(OVERLAY_LINE, OVERLAY_MODE_CREATE, CPoint(14, 50), CPoint(54, 50));
    ASSERT_EQ(manager->GetCount(), 2);
    auto* probe = static_cast<COverLayPoint*>(manager->GetAt(0));
    EXPECT_EQ(probe->GetImagePoint(), CPoint(5, 3));
    EXPECT_EQ(probe->MeasureText(), CString("V:77 "));
    manager->m_bShowNumber = 1;
    EXPECT_EQ(manager->GetAt(1)->LabelText(manager->GetAt(1)->MeasureText()), CString("2"));

    manager->m_nCurrentIndex = 1;
    Press(OVERLAY_SELECT, OVERLAY_MODE_ERASE, CPoint(30, 48));
    EXPECT_EQ(manager->GetCount(), 1);
    EXPECT_EQ(manager->m_nCurrentIndex, 0);
    manager->DeleteOverlay(probe);
    EXPECT_EQ(manager->GetCount(), 0);
    EXPECT_EQ(manager->m_nCurrentIndex, -1);
}

}  // namespace

namespace {

TEST_F(OverlayMouseTest, MovieExportFillsRectanglesAndTextsShowWithoutMeasurements)
{
    canvas.fill(0xFFFFFF);
    const short blob[] = {1, 2, 2, 12, 10, 9, 30, 8, 2, 'O', 'K'};
    manager->ParseRecords(blob, sizeof blob);
    manager->UpdateScreenPoints();
    manager->m_bShowMeasure = 0;
    const COLORREF saved = RectOverlayColor;
    RectOverlayColor = RGB(0, 0, 0);
    FillRectOverlays = 1;
    manager->DrawAll(dc, 1.0f);
    FillRectOverlays = 0;
    RectOverlayColor = saved;
    // The rectangle spans window (14, 24) to (34, 40).
    EXPECT_EQ(canvas.at(24, 32), 0x000000u);
    // The text is drawn around its anchor at window (70, 36) in the text colour.
    int text = 0;
    for (int y = 26; y < 46; ++y)
        for (int x = 55; x < 85; ++x)
            text += canvas.at(x, y) != 0xFFFFFF;
    EXPECT_GT(text, 10);

    canvas.fill(0xFFFFFF);
    manager->DrawAll(dc, 1.0f);
    EXPECT_EQ(canvas.at(24, 32), 0xFFFFFFu);
}

}  // namespace
