// Mouse, wheel and keys: notices, window/level, zoom and move limits, frame
// stepping, the overlay manager's share and bad input.
#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "window_harness.h"

namespace {

class RecordingManager : public COverLayManager {
public:
    std::vector<std::string> calls;
    void OnLButtonDown(UINT, CPoint&, CDC*) override { calls.push_back("down"); }
    void OnLButtonUp(UINT, CPoint&, CDC*) override { calls.push_back("up"); }
    int OnRButtonUp(UINT, CPoint&, CDC*) override
    {
        calls.push_back("rup");
        return 0;
    }
    void OnMouseMove(UINT, CPoint&, CDC*) override { calls.push_back("move"); }
    void OnLButtonDblClk(UINT, CPoint&, CDC*) override { calls.push_back("dbl"); }
};

TEST_F(WindowTest, RightClickReportsUnchangedWindowAndEndsInModeNone)
{
    Bind(testdata::kCtRescale);
    wnd.SetImageIndex(7);
    wnd.SetOpMode(OPMODE_ZOOM);
    CDcmImage* image = wnd.GetImage();
    const int width = image->GetWindowWidth();
    const int centre = image->GetWindowCenter();
    Mouse(WM_RBUTTONDOWN, 30, 40, MK_RBUTTON);
    Mouse(WM_RBUTTONUP, 30, 40);
    ASSERT_EQ(host.Codes(), (std::vector<int>{516, 1010, 517}));
    EXPECT_EQ(host.notices[0].record.m_nParams[0], 7);
    EXPECT_EQ(host.notices[0].record.m_nParams[1], 30);
    EXPECT_EQ(host.notices[0].record.m_nParams[2], 40);
    EXPECT_EQ(host.notices[0].record.m_hSender, wnd.GetSafeHwnd());
    const CEduMsg& level = host.notices[1].record;
    EXPECT_EQ(level.m_nParams[0], 7);
    EXPECT_EQ(level.m_nParams[1], WINLEVEL_BOTH);
    EXPECT_EQ(level.m_nParams[2], width);
    EXPECT_EQ(level.m_nParams[3], centre);
    EXPECT_EQ(level.m_hSender, nullptr);
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_NONE);
}

TEST_F(WindowTest, RightDragAdjustsWidthAndCentreByTheSteps)
{
    Bind(testdata::kCtRescale);
    CDcmImage* image = wnd.GetImage();
    const int range = image->GetMaxWindowLevel() - image->GetMinWindowLevel();
    const int stepX = std::max(range / wnd.GetTotalRect()->Width(), 1);
    const int stepY = std::max(range / wnd.GetTotalRect()->Height(), 1);
    int width = image->GetWindowWidth();
    int centre = image->GetWindowCenter();
    Mouse(WM_RBUTTONDOWN, 100, 100, MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, 110, 95, MK_RBUTTON);
    EXPECT_EQ(image->GetWindowWidth(), width + 10 * stepX);
    EXPECT_EQ(image->GetWindowCenter(), centre + 5 * stepY);

    width = image->GetWindowWidth();
    centre = image->GetWindowCenter();
    Mouse(WM_MOUSEMOVE, 113, 93, MK_RBUTTON | MK_SHIFT);
    EXPECT_EQ(image->GetWindowWidth(), width + 3);
    EXPECT_EQ(image->GetWindowCenter(), centre + 2);

    width = image->GetWindowWidth();
    centre = image->GetWindowCenter();
    Mouse(WM_MOUSEMOVE, 114, 92, MK_RBUTTON | MK_CONTROL);
    EXPECT_EQ(image->GetWindowWidth(), width + 2 * stepX);
    EXPECT_EQ(image->GetWindowCenter(), centre + 2 * stepY);

    host.notices.clear();
    Mouse(WM_RBUTTONUP, 114, 92);
    // A drag shows no menu, reports the new window and returns to mode 0.
    ASSERT_EQ(host.Codes(), (std::vector<int>{1010, 517}));
    EXPECT_EQ(host.notices[0].record.m_nParams[2], image->GetWindowWidth());
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_NONE);
}

// A wide 16-bit ramp, 64 x 16, of values 0 to 32000.
std::string WriteWideRamp()
{
    const int columns = 64, rows = 16;
    std::vector<Uint16> values(static_cast<size_t>(columns) * rows);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<Uint16>(i * 32000 / (values.size() - 1));
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    ds->putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, "1.2.826.0.1.3680043.2.1143.7.7");
    ds->putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
    ds->putAndInsertUint16(DCM_SamplesPerPixel, 1);
    ds->putAndInsertUint16(DCM_Rows, rows);
    ds->putAndInsertUint16(DCM_Columns, columns);
    ds->putAndInsertUint16(DCM_BitsAllocated, 16);
    ds->putAndInsertUint16(DCM_BitsStored, 16);
    ds->putAndInsertUint16(DCM_HighBit, 15);
    ds->putAndInsertUint16(DCM_PixelRepresentation, 0);
    ds->putAndInsertUint16Array(DCM_PixelData, values.data(), static_cast<unsigned long>(values.size()));
    const std::string path = std::string(BINARY_DIR) + "/wide_ramp_window_test.dcm";
    EXPECT_TRUE(file.saveFile(path.c_str(), EXS_LittleEndianExplicit).good());
    return path;
}

// The horizontal step follows the image's shown width and the vertical one
// its height: on a wide image the two differ.
TEST_F(WindowTest, DragStepsFollowTheShownWidthAndHeightOfAWideImage)
{
    ASSERT_EQ(wnd.SetImage(WriteWideRamp().c_str(), 0), 1);
    CDcmImage* image = wnd.GetImage();
    const int range = image->GetMaxWindowLevel() - image->GetMinWindowLevel();
    const CRect shown = *wnd.GetTotalRect();
    ASSERT_GT(shown.Width(), 3 * shown.Height());
    const int stepX = range / shown.Width(), stepY = range / shown.Height();
    ASSERT_GT(stepY, 2 * stepX);
    const int width = image->GetWindowWidth();
    const int centre = image->GetWindowCenter();
    Mouse(WM_RBUTTONDOWN, 100, 100, MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, 107, 97, MK_RBUTTON);
    EXPECT_EQ(image->GetWindowWidth(), width + 7 * stepX);
    EXPECT_EQ(image->GetWindowCenter(), centre + 3 * stepY);
    Mouse(WM_RBUTTONUP, 107, 97);
}

TEST_F(WindowTest, LeftDragInWindowLevelModesChangesOnlyTheChosenValue)
{
    Bind(testdata::kCtRescale);
    CDcmImage* image = wnd.GetImage();
    wnd.SetOpMode(OPMODE_WINDOW_LEVEL_8);
    const int width = image->GetWindowWidth();
    const int centre = image->GetWindowCenter();
    Mouse(WM_LBUTTONDOWN, 50, 50, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 60, 60, MK_LBUTTON);
    // The type is still 0: nothing changes.
    EXPECT_EQ(image->GetWindowWidth(), width);
    EXPECT_EQ(image->GetWindowCenter(), centre);
    Mouse(WM_LBUTTONUP, 60, 60);
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_WINDOW_LEVEL_8);
    wnd.ChangeWL(WINLEVEL_WIDTH, 333, 1);
    EXPECT_EQ(image->GetWindowWidth(), 333);
    EXPECT_EQ(image->GetWindowCenter(), centre);
    wnd.ChangeWL(WINLEVEL_CENTER, 1, 77);
    EXPECT_EQ(image->GetWindowWidth(), 333);
    EXPECT_EQ(image->GetWindowCenter(), 77);
}

TEST_F(WindowTest, LeftPressMoveAndReleaseNotices)
{
    Bind(testdata::kMono2U8);
    wnd.SetOpMode(OPMODE_MOVE);
    const CRect before = *wnd.GetTotalRect();
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 110, 120, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 115, 125, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 115, 125);
    CRect moved = before;
    moved.OffsetRect(15, 25);
    EXPECT_EQ(*wnd.GetTotalRect(), moved);
    ASSERT_EQ(host.Codes(), (std::vector<int>{513, 512, 512, 1003, 514}));
    EXPECT_EQ(host.notices[1].record.m_nParams[1], 110);
    EXPECT_EQ(host.notices[1].record.m_nParams[2], 120);
    EXPECT_EQ(host.notices[3].record.m_nParams[1], 15);
    EXPECT_EQ(host.notices[3].record.m_nParams[2], 25);
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_MOVE);

    // The pixel probe is used once.
    wnd.SetOpMode(OPMODE_PIXEL_VALUE);
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 100, 100);
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_NONE);
}

TEST_F(WindowTest, ZoomOutStopsAtOneHundredPixelsAndZoomInHasNoLimit)
{
    Bind(testdata::kMono2U8);
    wnd.SetOpMode(OPMODE_ZOOM);
    Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
    // Up and to the right shrinks: the step is the move down less the move right.
    int x = 200, y = 150;
    for (int i = 0; i < 40; ++i) {
        x += 6;
        y -= 4;
        Mouse(WM_MOUSEMOVE, x, y, MK_LBUTTON);
    }
    const CRect smallest = *wnd.GetTotalRect();
    EXPECT_LE(std::min(smallest.Width(), smallest.Height()), 100);
    EXPECT_GE(std::min(smallest.Width(), smallest.Height()), 90);
    Mouse(WM_MOUSEMOVE, x, y - 50, MK_LBUTTON);
    EXPECT_EQ(*wnd.GetTotalRect(), smallest);
    for (int i = 0; i < 30; ++i) {
        y += 40;
        Mouse(WM_MOUSEMOVE, x, y, MK_LBUTTON);
    }
    EXPECT_GT(wnd.GetTotalRect()->Width(), 1000);
    Mouse(WM_LBUTTONUP, x, y);
    EXPECT_EQ(host.Codes().back(), 514);
    EXPECT_EQ(host.Codes()[host.Codes().size() - 2], 1005);
}

TEST_F(WindowTest, WheelNoticesOutsideTheMagnifier)
{
    Bind(testdata::kMono2U8);
    wnd.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-120), MAKELPARAM(10, 10));
    ASSERT_EQ(host.Codes(), (std::vector<int>{522}));
    EXPECT_EQ(host.notices[0].record.m_nParams[1], -120);
    host.notices.clear();
    wnd.SetOpMode(OPMODE_MAGNIFIER);
    wnd.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)120), 0);
    wnd.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-120), 0);
    EXPECT_TRUE(host.notices.empty());
}

TEST_F(WindowTest, ArrowKeysStepFramesOnlyInEasyViewerMode)
{
    Bind(testdata::kMultiFrameTime);
    CDcmImage* image = wnd.GetImage();
    const int frames = image->GetFramesCount();
    ASSERT_GT(frames, 1);
    wnd.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(image->GetCurrentFrame(), 0);
    wnd.SetForEasyViewer(1);
    wnd.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(image->GetCurrentFrame(), 1);
    wnd.SendMessage(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(image->GetCurrentFrame(), 2);
    wnd.SendMessage(WM_KEYDOWN, VK_UP, 0);
    wnd.SendMessage(WM_KEYDOWN, VK_LEFT, 0);
    wnd.SendMessage(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(image->GetCurrentFrame(), frames - 1);
    CString text;
    wnd.GetWindowText(text);
    CString expected;
    expected.Format("Frame:%d/%d", frames - 1, frames);
    EXPECT_EQ(text, expected);
}

TEST_F(WindowTest, PressesMovesAndReleasesReachTheOverlayManager)
{
    Bind(testdata::kMono2U8);
    auto* manager = new RecordingManager;
    wnd.GetImage()->SetOverLayManager(manager);
    // A fresh window makes select and idle current at a press.
    CurrentOverlayTool = 99;
    CurrentOverlayMode = 99;
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
    Mouse(WM_LBUTTONUP, 100, 100);

    wnd.SetOverLayMode(OVERLAY_MODE_CREATE);
    wnd.SetOverLayShape(OVERLAY_LINE);
    EXPECT_EQ(manager->m_pOwnerWnd, &wnd);
    manager->calls.clear();
    host.notices.clear();
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_LINE);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_CREATE);
    Mouse(WM_MOUSEMOVE, 120, 110, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 120, 110);
    EXPECT_EQ(manager->calls, (std::vector<std::string>{"down", "move", "up"}));
    // The move went to the manager alone.
    EXPECT_EQ(host.Codes(), (std::vector<int>{513, 514}));
    EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
    EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_SELECT);
    EXPECT_EQ(manager->m_ImageRect, *wnd.GetTotalRect());

    // The angle's second arm: press and release go to the manager only.
    wnd.SetOverLayShape(OVERLAY_ANGLE);
    CurrentOverlayMode = OVERLAY_MODE_SECOND_ARM;
    manager->calls.clear();
    host.notices.clear();
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 100, 100);
    EXPECT_EQ(manager->calls, (std::vector<std::string>{"down", "up"}));
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_ANGLE);

    Mouse(WM_RBUTTONDOWN, 100, 100, MK_RBUTTON);
    Mouse(WM_RBUTTONUP, 100, 100);
    EXPECT_EQ(manager->calls.back(), "rup");
    // No line is current, so a double click is only reported.
    Mouse(WM_LBUTTONDBLCLK, 100, 100);
    EXPECT_EQ(host.Codes().back(), 515);

    // A press of the text tool ends any drag of the image.
    wnd.SetOverLayMode(OVERLAY_MODE_CREATE);
    wnd.SetOverLayShape(OVERLAY_TEXT);
    wnd.SetOpMode(OPMODE_MOVE);
    const CRect before = *wnd.GetTotalRect();
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 130, 130, MK_LBUTTON);
    EXPECT_EQ(*wnd.GetTotalRect(), before);
    Mouse(WM_LBUTTONUP, 130, 130);
    CurrentOverlayMode = OVERLAY_MODE_IDLE;
    CurrentOverlayTool = OVERLAY_SELECT;
}

// q(a, b, c) truncated toward zero, then r() of the integer quotient.
int Scaled(long a, long b, long c)
{
    const long q = a * b / c;
    return static_cast<int>(q < 0 ? q + 1 : q);
}

// Mirrors at angles 0 and 180 on a point that is not on a diagonal, in
// both directions of the mapping.
TEST_F(WindowTest, PointMappingMirrorsAtZeroAndHalfTurn)
{
    Bind(testdata::kMono2U8);
    CDcmImage* image = wnd.GetImage();
    const CRect plain = *wnd.GetTotalRect();
    const int w = image->GetWidth(), h = image->GetHeight();
    EXPECT_EQ(wnd.ClientPtToImage(plain.TopLeft()), CPoint(0, 0));
    // Left of the image the quotient is raised by one toward zero.
    EXPECT_EQ(wnd.ClientPtToImage(CPoint(plain.left - 20, plain.top + 30)),
              CPoint(Scaled(-20, w, plain.Width()), Scaled(30, h, plain.Height())));
    struct Case {
        int angle, reverse, flip;
        bool mirrorX, mirrorY;
    } cases[] = {{0, 0, 1, false, true}, {0, 1, 0, true, false}, {0, 1, 1, true, true},
                 {180, 0, 0, true, true}, {180, 0, 1, true, false}, {-180, 1, 0, false, true}};
    for (const Case& c : cases) {
        image->SetRotateAngle(c.angle, 1);
        image->SetReverse(c.reverse, 1);
        image->SetFlip(c.flip, 1);
        wnd.ResetTotalRect();
        const CRect t = *wnd.GetTotalRect();
        const CPoint p(t.left + t.Width() / 3, t.top + t.Height() / 4 + 7);
        const int x = Scaled(p.x - t.left, w, t.Width()), y = Scaled(p.y - t.top, h, t.Height());
        EXPECT_EQ(wnd.ClientPtToImage(p), CPoint(c.mirrorX ? w - x : x, c.mirrorY ? h - y : y))
            << c.angle << " " << c.reverse << " " << c.flip;
        const int a = Scaled(5, t.Width(), w), b = Scaled(9, t.Height(), h);
        EXPECT_EQ(wnd.ImagePtToClient(CPoint(5, 9)),
                  CPoint(c.mirrorX ? t.right - a : t.left + a, c.mirrorY ? t.bottom - b : t.top + b))
            << c.angle << " " << c.reverse << " " << c.flip;
    }
    image->SetRotateAngle(45, 0);
    EXPECT_EQ(wnd.ClientPtToImage(CPoint(7, 11)), CPoint(0, 0));
    EXPECT_EQ(wnd.ImagePtToClient(CPoint(5, 9)), CPoint(0, 0));
}

// A left release ends the tools of modes 0, 1, 2, 6, 7 and 11 to 14; the
// move, magnifier, zoom and window/level modes stay.
TEST_F(WindowTest, ModeAfterALeftReleaseInEachMode)
{
    Bind(testdata::kMono2U8);
    const CPoint centre = wnd.GetTotalRect()->CenterPoint();
    for (int mode = OPMODE_NONE; mode <= OPMODE_OVERLAY; ++mode) {
        if (mode == OPMODE_WINDOW_LEVEL)
            continue;  // the right button's own mode
        wnd.SetOpMode(static_cast<OpMode>(mode));
        Mouse(WM_LBUTTONDOWN, centre.x, centre.y, MK_LBUTTON);
        Mouse(WM_MOUSEMOVE, centre.x + 3, centre.y + 2, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, centre.x + 3, centre.y + 2);
        const bool stays = mode == OPMODE_MOVE || mode == OPMODE_MAGNIFIER || mode == OPMODE_ZOOM ||
                           mode == OPMODE_WINDOW_LEVEL_8 || mode == OPMODE_WINDOW_LEVEL_9;
        EXPECT_EQ(wnd.GetOpMode(), stays ? mode : OPMODE_NONE) << mode;
        wnd.GetImage()->SetShutter(0, 0, 0, 0);
    }
    CurrentOverlayMode = OVERLAY_MODE_IDLE;
    CurrentOverlayTool = OVERLAY_SELECT;
}

// Presses are reported even without an image; moves are not. Far points map
// without overflow.
TEST_F(WindowTest, WithoutAnImagePressesAreReportedAndMovesAreNot)
{
    Mouse(WM_LBUTTONDOWN, 30, 40, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 35, 41, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 35, 41);
    const std::vector<int> codes = host.Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), 513), codes.end());
    EXPECT_EQ(std::find(codes.begin(), codes.end(), 512), codes.end());
    Bind(testdata::kMono2U8);
    EXPECT_GT(wnd.ClientPtToImage(CPoint(INT_MAX, INT_MIN)).x, 0);
    EXPECT_LT(wnd.ImagePtToClient(CPoint(INT_MIN, 0)).x, 0);
}

TEST_F(WindowTest, EachModeSetsItsClassCursor)
{
    auto cursor = [&] { return reinterpret_cast<HCURSOR>(GetClassLong(wnd.GetSafeHwnd(), GCL_HCURSOR)); };
    wnd.SetOpMode(OPMODE_MOVE);
    EXPECT_EQ(cursor(), LoadCursor(nullptr, IDC_SIZEALL));
    wnd.SetOpMode(OPMODE_WINDOW_LEVEL_8);
    EXPECT_EQ(cursor(), LoadCursor(nullptr, IDC_SIZEWE));
    wnd.SetOpMode(static_cast<OpMode>(99));
    EXPECT_EQ(cursor(), LoadCursor(nullptr, IDC_ARROW));
    wnd.SetOpMode(OPMODE_ZOOM);
    EXPECT_EQ(cursor(), LoadCursor(nullptr, IDC_SIZENS));
    wnd.OnAdjustNone();
    EXPECT_EQ(cursor(), LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_NONE);
}

// Dragged up and to the left, away from the image's corner.
TEST_F(WindowTest, ShutterDragSetsTheImageShutter)
{
    Bind(testdata::kMono2U8);
    wnd.SetOpMode(OPMODE_SHUTTER);
    const CPoint from = wnd.ImagePtToClient(CPoint(50, 40)), to = wnd.ImagePtToClient(CPoint(9, 21));
    Mouse(WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, to.x, to.y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to.x, to.y);
    int left = -1, top = -1, right = -1, bottom = -1;
    wnd.GetImage()->GetShutter(left, top, right, bottom);
    const CPoint start = wnd.ClientPtToImage(from), end = wnd.ClientPtToImage(to);
    EXPECT_EQ(CRect(left, top, right, bottom), CRect(end, start));
    EXPECT_NE(end.x, end.y);
    EXPECT_EQ(wnd.GetOpMode(), OPMODE_NONE);
}

}  // namespace
