// A line drawn with the mouse on a real image window shows on the display
// with its length text above it.
#include "OverLayLine.h"
#include "gui_wait.h"
#include "screenshot.h"
#include "window_harness.h"
#include "wnd/gui.h"

namespace {

TEST(OverlayGui, DrawnLineShowsWithItsLengthText)
{
    static char name[] = "overlay_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv))
        GTEST_SKIP() << "no display";
    {
        NoticeHost host;
        CDicomWnd wnd;
        ASSERT_TRUE(host.CreateEx(0, nullptr, "Overlay window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 480, 20, 440,
                                  340, nullptr, nullptr));
        CRect client;
        host.GetClientRect(&client);
        ASSERT_TRUE(wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, client, &host, 9090));
        ASSERT_EQ(wnd.SetImage(DataPath(testdata::kSpacingSquare).c_str(), 0), 1);
        wnd.SetBGColor(RGB(0, 0, 120));
        host.ShowWindow(SW_SHOW);

        const CRect total = *wnd.GetTotalRect();
        const int y = total.top + total.Height() * 3 / 4;
        const CPoint from(total.left + total.Width() / 8, y), to(total.right - total.Width() / 8, y);
        wnd.SetOverLayMode(OVERLAY_MODE_CREATE);
        wnd.SetOverLayShape(OVERLAY_LINE);
        wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        wnd.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        wnd.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        ASSERT_EQ(wnd.GetOverLayManager()->GetCount(), 1);
        const auto* line = static_cast<COverLayLine*>(wnd.GetOverLayManager()->GetAt(0));
        EXPECT_EQ(line->m_Segment.m_nY1, line->m_Segment.m_nY2);
        CString length;
        length.Format(" Ln:%0.2f mm", (line->m_Segment.m_nX2 - line->m_Segment.m_nX1) * 0.7);
        EXPECT_EQ(line->GetInfoText().Right(length.GetLength()), length);
        wnd.Invalidate(TRUE);

        // Wait until the display shows the line, then look for its text above it.
        const CRect lineBand(from.x + 4, y - 1, to.x - 4, y + 2);
        const CRect textBand(from.x, y - 30, to.x, y - 4);
        Screenshot screen;
        RunGuiUntil([&] {
            return screen.Take(std::string(BINARY_DIR) + "/overlay_gui_shot.ppm") &&
                   screen.CountNear(&wnd, lineBand, RGB(0, 200, 0)) >= lineBand.Width();
        });
        EXPECT_GE(screen.CountNear(&wnd, lineBand, RGB(0, 200, 0)), lineBand.Width());
        EXPECT_GT(screen.CountNear(&wnd, textBand, RGB(128, 255, 0)), 30);
        EXPECT_EQ(screen.CountNear(&wnd, CRect(from.x, y + 6, to.x, y + 30), RGB(128, 255, 0)), 0);
        wnd.DestroyWindow();
        host.DestroyWindow();
    }
    PlatformStopGui();
}

}  // namespace
