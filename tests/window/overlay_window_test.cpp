// Overlays drawn with the mouse on an image window without a display, the
// window's overlay hooks and its own corner-text operation.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OverLay.h"
#include "OverLayLine.h"
#include "NoteTextDlg.h"
#include "OverLayText.h"
#include "platform/gdi_canvas.h"
#include "window_harness.h"
#include "wnd/modal_responder.h"

namespace {

class OverlayWindowTest : public WindowTest {
protected:
    void TearDown() override
    {
        SetModalResponder(nullptr);
        WindowTest::TearDown();
    }
    // A window point of image pixel (x, y) of the bound 64 x 64 image.
    CPoint At(int x, int y)
    {
        const CRect* r = wnd.GetTotalRect();
        return CPoint(r->left + x * r->Width() / 64, r->top + y * r->Height() / 64);
    }
    void Draw(OverLayShape tool, const std::vector<CPoint>& path)
    {
        wnd.SetOverLayMode(OVERLAY_MODE_CREATE);
        wnd.SetOverLayShape(tool);
        Mouse(WM_LBUTTONDOWN, path.front().x, path.front().y, MK_LBUTTON);
        for (size_t i = 1; i < path.size(); ++i)
            Mouse(WM_MOUSEMOVE, path[i].x, path[i].y, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, path.back().x, path.back().y);
    }
    COverLayManager* Manager() { return wnd.GetOverLayManager(); }
    std::string Kind(int i) { return Manager()->GetAt(i)->GetRuntimeClass()->m_lpszClassName; }
};

TEST_F(OverlayWindowTest, EveryToolDrawsOneOverlayAndReturnsToSelect)
{
    Bind(testdata::kSpacingNonSquare);
    const struct {
        OverLayShape tool;
        const char* kind;
    } tools[] = {{OVERLAY_RECT, "COverLayRect"},   {OVERLAY_ELLIPSE, "COverLayEllipse"},
                 {OVERLAY_POLY, "COverLayPoly"},   {OVERLAY_POINT, "COverLayPoint"},
                 {OVERLAY_LINE, "COverLayLine"},   {OVERLAY_ARROW, "COverLayLineArrow"}};
    int count = 0;
    for (const auto& t : tools) {
        Draw(t.tool, {At(10, 12), At(20, 14), At(30, 30), At(12, 40), At(11, 41)});
        ASSERT_EQ(Manager()->GetCount(), ++count) << t.kind;
        EXPECT_EQ(Kind(count - 1), t.kind);
        EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT);
        EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
        EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_SELECT);
        EXPECT_EQ(wnd.GetOverLayMode(), OVERLAY_MODE_IDLE);
    }
    // Overlay moves are not reported to the parent.
    for (const Notice& n : host.notices)
        EXPECT_NE(n.record.m_nCode, 512);

    // The angle waits for its second arm between the two cycles.
    Draw(OVERLAY_ANGLE, {At(40, 40), At(55, 40)});
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_SECOND_ARM);
    Mouse(WM_LBUTTONDOWN, At(40, 55).x, At(40, 55).y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, At(40, 55).x, At(40, 55).y);
    EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE);
    EXPECT_EQ(Manager()->GetAt(count)->GetInfoText(), CString("Angle:90.00"));

    CArray<CPoint, CPoint> probes;
    wnd.GetPositionPoint(probes);
    ASSERT_EQ(probes.GetSize(), 1);
    EXPECT_NEAR(probes[0].x, 11, 1);
    EXPECT_NEAR(probes[0].y, 41, 1);

    wnd.OnOverlayEraseall();
    EXPECT_EQ(Manager()->GetCount(), 0);
}

TEST_F(OverlayWindowTest, TextToolAsksForTheTextAndDoubleClickCalibratesALine)
{
    Bind(testdata::kSpacingNonSquare);
    ScriptedResponder script;
    script
        .Dialog([](CDialog& d) {
            d.GetDlgItem(IDC_PHRASE_BOX)->SetWindowText("Hi");
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        })
        .Dialog([](CDialog& d) {
            CString preset;
            d.GetDlgItem(IDC_PHRASE_BOX)->GetWindowText(preset);
            EXPECT_EQ(preset, CString("36.06"));  // 25 columns of 0.8 mm, 24 rows of 1.25 mm
            d.GetDlgItem(IDC_PHRASE_BOX)->SetWindowText("50");
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        })
        .Install();
    Draw(OVERLAY_TEXT, {At(20, 31)});
    ASSERT_EQ(Manager()->GetCount(), 1);
    const auto* text = static_cast<COverLayText*>(Manager()->GetAt(0));
    EXPECT_EQ(text->m_strText, CString("Hi"));
    EXPECT_NEAR(text->m_nImageX, 20, 1);
    EXPECT_NEAR(text->m_nImageY, 31, 1);

    Draw(OVERLAY_LINE, {At(10, 10), At(35, 34)});
    auto* line = static_cast<COverLayLine*>(Manager()->GetAt(1));
    ASSERT_EQ(CPoint(line->m_Segment.m_nX2 - line->m_Segment.m_nX1, line->m_Segment.m_nY2 - line->m_Segment.m_nY1),
              CPoint(25, 24));
    Mouse(WM_LBUTTONDOWN, At(20, 20).x, At(20, 20).y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, At(20, 20).x, At(20, 20).y);
    Manager()->SetCurrentOverlay(line);
    Mouse(WM_LBUTTONDBLCLK, At(20, 20).x, At(20, 20).y);
    EXPECT_EQ(script.Remaining(), 0u);
    EXPECT_NEAR(wnd.GetImage()->GetDicomInfo()->m_dRowSpacing, 50 / std::sqrt(25.0 * 25 + 24 * 24), 1e-5);
    // A double click is not reported while a line takes it.
    for (const Notice& n : host.notices)
        EXPECT_NE(n.record.m_nCode, 515);
}

TEST_F(OverlayWindowTest, ShowImgInfoFollowsTheFlagAndTheClientArea)
{
    Bind(testdata::kCtRescale);
    Canvas own(400, 300), staticText(400, 300);
    own.fill(0x123456);
    staticText.fill(0x123456);
    wnd.ShowImageInfo(0);
    wnd.ShowImgInfo(CDC::FromHandle(own.dc), wnd.GetImage(), nullptr);
    EXPECT_EQ(own.count(0x123456), 400 * 300);

    wnd.ShowImageInfo(1);
    // With the image shown at its fitted size the window's ruler matches the image's.
    wnd.ShowImgInfo(CDC::FromHandle(own.dc), wnd.GetImage(), nullptr);
    CRect client(0, 0, 400, 300);
    CRect total = *wnd.GetTotalRect();
    CDcmImage::ShowImgInfo(CDC::FromHandle(staticText.dc), wnd.GetImage(), &client);
    EXPECT_LT(own.count(0x123456), 400 * 300 - 50);
    if (total.Height() == client.Height())
        EXPECT_EQ(own.mask(0xFFFFFF), staticText.mask(0xFFFFFF));
    else
        EXPECT_EQ(own.mask(0xFFFFFF).substr(0, 400 * 50), staticText.mask(0xFFFFFF).substr(0, 400 * 50));
}

// Rows of the ruler's centimetre ticks: only they reach 7 pixels left of its axis.
int CentimetreTicks(Canvas& canvas)
{
    int rows = 0;
    for (int y = 60; y < 240; ++y)
        rows += canvas.at(400 - 14 - 4 - 7, y) == 0xC8C8C8;
    return rows;
}

TEST_F(OverlayWindowTest, ShowImgInfoScalesTheRulerByTheWindowsImageRectangle)
{
    Bind(testdata::kSpacingSquare);  // 64 rows of 0.7 mm
    Canvas fitted(400, 300), zoomed(400, 300);
    CRect* total = wnd.GetTotalRect();
    // 10 mm are 10 / 0.7 * height / 64 window pixels: 64 at height 290, 129
    // at 580; the ruler is 150 pixels long in a 300-pixel client area.
    total->SetRect(55, 5, 345, 295);
    wnd.ShowImgInfo(CDC::FromHandle(fitted.dc), wnd.GetImage(), nullptr);
    EXPECT_EQ(CentimetreTicks(fitted), 3);
    total->SetRect(-90, -140, 490, 440);
    wnd.ShowImgInfo(CDC::FromHandle(zoomed.dc), wnd.GetImage(), nullptr);
    EXPECT_EQ(CentimetreTicks(zoomed), 2);
}

TEST_F(OverlayWindowTest, SaveOverLayWritesTheEditedOverlaysIntoTheFile)
{
    const std::string dir = std::string(BINARY_DIR) + "/overlay_window_save";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/line.dcm";
    std::filesystem::copy_file(DataPath(testdata::kOverlayLine), path);
    ASSERT_EQ(wnd.SetImage(path.c_str(), 0), 1);
    EXPECT_EQ(wnd.SaveOverLay(""), 0);  // nothing changed
    Draw(OVERLAY_POINT, {At(30, 31)});
    EXPECT_EQ(wnd.SaveOverLay(""), 1);
    CDcmImage reopened;
    ASSERT_EQ(reopened.OpenFile(path.c_str()), 1);
    ASSERT_EQ(reopened.GetOverLayManager()->GetCount(), 2);
    EXPECT_STREQ(reopened.GetOverLayManager()->GetAt(1)->GetRuntimeClass()->m_lpszClassName, "COverLayPoint");
}

// The dialog runs inside the press and takes its release; once it closes
// the window is as a release leaves it.
TEST_F(OverlayWindowTest, TextDialogLeavesTheWindowAsItsReleaseWould)
{
    Bind(testdata::kSpacingNonSquare);
    ScriptedResponder script;
    script
        .Dialog([](CDialog& d) {
            d.GetDlgItem(IDC_PHRASE_BOX)->SetWindowText("Hi");
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        })
        .Dialog([](CDialog& d) { d.GetDlgItem(IDCANCEL)->SendMessage(BM_CLICK); })
        .Install();
    wnd.SetOpMode(OPMODE_ZOOM);
    const CPoint presses[] = {At(20, 31), At(40, 12)};
    for (int i = 0; i < 2; ++i) {
        host.notices.clear();
        wnd.SetOverLayMode(OVERLAY_MODE_CREATE);
        wnd.SetOverLayShape(OVERLAY_TEXT);
        Mouse(WM_LBUTTONDOWN, presses[i].x, presses[i].y, MK_LBUTTON);
        EXPECT_EQ(script.Remaining(), 1u - i);
        EXPECT_EQ(wnd.GetOverLayShape(), OVERLAY_SELECT) << i;
        EXPECT_EQ(wnd.GetOverLayMode(), OVERLAY_MODE_IDLE) << i;
        EXPECT_EQ(CurrentOverlayTool, OVERLAY_SELECT) << i;
        EXPECT_EQ(CurrentOverlayMode, OVERLAY_MODE_IDLE) << i;
        EXPECT_EQ(Manager()->m_bButtonDown, 0) << i;
        EXPECT_NE(CWnd::GetCapture(), &wnd) << i;
        EXPECT_EQ(wnd.GetOpMode(), OPMODE_ZOOM) << i;
        EXPECT_EQ(host.Codes(), (std::vector<int>{513, 514})) << i;
        ASSERT_EQ(Manager()->GetCount(), i + 1);
        const auto* text = static_cast<COverLayText*>(Manager()->GetAt(i));
        EXPECT_EQ(text->m_strText, CString(i == 0 ? "Hi" : ""));
        EXPECT_EQ(text->m_nScreenX, presses[i].x);
        EXPECT_EQ(text->m_nScreenY, presses[i].y);
    }
    // Later presses zoom and open no dialog.
    ClearModalLog();
    const CRect before = *wnd.GetTotalRect();
    Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 190, 170, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 190, 170);
    EXPECT_TRUE(ModalLog().empty());
    EXPECT_EQ(Manager()->GetCount(), 2);
    EXPECT_GT(wnd.GetTotalRect()->Width(), before.Width());
}

TEST_F(OverlayWindowTest, ResetPutsTheOverlaysBackWithTheImage)
{
    Bind(testdata::kMono2U8OddRows);
    Draw(OVERLAY_LINE, {At(10, 12), At(40, 20)});
    ASSERT_EQ(Manager()->GetCount(), 1);
    COverLay* line = Manager()->GetAt(0);
    // Where the stored image points are shown, not the raw mouse points.
    wnd.UpdateOverlayView();
    const CPoint start = line->HandlePoint(1), end = line->HandlePoint(2);
    wnd.RotateLeft();
    EXPECT_NE(line->HandlePoint(1), start);
    wnd.ReverseImage();
    wnd.ResetImageSize();
    EXPECT_EQ(line->HandlePoint(1), start);
    EXPECT_EQ(line->HandlePoint(2), end);
    wnd.FlipImage();
    wnd.RotateRight();
    wnd.ResetImageSize();
    EXPECT_EQ(line->HandlePoint(1), start);
    EXPECT_EQ(line->HandlePoint(2), end);
}

}  // namespace
