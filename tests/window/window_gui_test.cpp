// A real image window on the screen: its colours, frame and corner text in a
// screenshot of the display.
#include <cstdio>
#include <cstdlib>

#include "gui_wait.h"
#include "screenshot.h"
#include "window_harness.h"
#include "wnd/gui.h"

namespace {

TEST(WindowGui, ImageWindowOnScreen)
{
    static char name[] = "window_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv))
        GTEST_SKIP() << "no display";
    {
        NoticeHost host;
        CDicomWnd wnd;
        ASSERT_TRUE(host.CreateEx(0, nullptr, "Image window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 440, 340,
                                  nullptr, nullptr));
        CRect client;
        host.GetClientRect(&client);
        ASSERT_TRUE(wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, client, &host, 9090));
        ASSERT_EQ(wnd.SetImage(DataPath(testdata::kCtRescale).c_str(), 0), 1);
        const COLORREF background = RGB(0, 0, 200);
        wnd.SetBGColor(background);
        wnd.SetIsActive(1);
        host.ShowWindow(SW_SHOW);

        // Waits for the painted window: its margin in the background colour
        // and the window values in the corner.
        CRect area;
        wnd.GetClientRect(&area);
        POINT margin{2, area.Height() / 2};
        wnd.ClientToScreen(&margin);
        const CRect corner(area.right - 80, area.bottom - 40, area.right - 2, area.bottom - 2);
        Screenshot screen;
        RunGuiUntil([&] {
            return screen.Take(std::string(BINARY_DIR) + "/window_gui_shot.ppm") &&
                   Screenshot::Near(screen.Colour(margin), background) &&
                   screen.CountNear(&wnd, corner, RGB(255, 255, 255)) > 10;
        });
        EXPECT_TRUE(Screenshot::Near(screen.Colour(margin), background)) << std::hex << screen.Colour(margin);
        POINT frame{1, area.Height() / 2};
        wnd.ClientToScreen(&frame);
        EXPECT_TRUE(Screenshot::Near(screen.Colour(frame), 0x138FED)) << std::hex << screen.Colour(frame);
        // The image fills its fitted rectangle.
        POINT inside = wnd.GetTotalRect()->CenterPoint();
        wnd.ClientToScreen(&inside);
        EXPECT_FALSE(Screenshot::Near(screen.Colour(inside), background)) << std::hex << screen.Colour(inside);
        // The window values stand in white at the bottom right.
        EXPECT_GT(screen.CountNear(&wnd, corner, RGB(255, 255, 255)), 10);
        wnd.DestroyWindow();
        host.DestroyWindow();
    }
    PlatformStopGui();
}

}  // namespace
