// A clip playing in a real image window: a screenshot of the display shows
// its video inside the player's area and nowhere else.
#include <cstdio>
#include <cstdlib>

#include "DSPlayer.h"
#include "player_support.h"
#include "gui_wait.h"
#include "screenshot.h"
#include "window_harness.h"
#include "wnd/gui.h"

namespace {

bool Green(const unsigned char* c) { return c[0] < 60 && c[1] > 200 && c[2] < 60; }

// Pixels of the window's client area that are pure-ish green.
int GreenIn(const Screenshot& shot, CWnd* wnd)
{
    CRect area;
    wnd->GetClientRect(&area);
    POINT origin{0, 0};
    wnd->ClientToScreen(&origin);
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (shot.Contains(origin.x + x, origin.y + y))
                n += Green(shot.At(origin.x + x, origin.y + y));
    return n;
}


TEST(PlayerGui, ClipPlaysInTheImageWindow)
{
    const player_test::Clips& clips = player_test::GeneratedClips();
    if (!clips.made)
        GTEST_SKIP() << "gst-launch-1.0 could not make the clips";
    const std::string clip = clips.directory + "/green.avi";
    const std::string make = "gst-launch-1.0 -q videotestsrc pattern=green num-buffers=30 ! "
                             "video/x-raw,width=160,height=120,framerate=20/1 ! avimux ! filesink location=" +
                             clip + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);

    static char name[] = "player_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv))
        GTEST_SKIP() << "no display";
    SetMediaHeadless(false);
    // Without a session's runtime folder the sound server's client keeps one
    // in /tmp; this one goes with the clips.
    setenv("PULSE_RUNTIME_PATH", (clips.directory + "/pulse").c_str(), 1);
    {
        NoticeHost host;
        CDicomWnd wnd;
        ASSERT_TRUE(host.CreateEx(0, nullptr, "Player", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 560, 420, 420, 330, nullptr,
                                  nullptr));
        CRect client;
        host.GetClientRect(&client);
        ASSERT_TRUE(wnd.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, client, &host, 9090));
        host.ShowWindow(SW_SHOW);
        PlatformRunGuiFor(300);
        ASSERT_EQ(wnd.SetImage(clip.c_str(), 0), 1);
        CDSPlayer* player = dynamic_cast<CDSPlayer*>(wnd.GetDlgItem(1000));
        ASSERT_NE(player, nullptr);
        wnd.SendMessage(WM_COMMAND, 8200, 0);
        PlatformRunGuiFor(300);

        // The video is fitted by its aspect into the player's area; a busy
        // machine may take a while to show the first scaled frame.
        const std::string path = std::string(BINARY_DIR) + "/player_gui_shot.ppm";
        CRect area;
        player->GetClientRect(&area);
        Screenshot shot;
        RunGuiUntil([&] { return shot.Take(path) && GreenIn(shot, player) > area.Width() * area.Height() / 3; });
        EXPECT_GT(GreenIn(shot, player), area.Width() * area.Height() / 3);
        EXPECT_EQ(GreenIn(shot, &host) - GreenIn(shot, player), 0);

        wnd.DestroyWindow();
        host.DestroyWindow();
    }
    PlatformStopGui();
}

} // namespace
