// A clip playing in a real image window: a screenshot of the display shows
// its video inside the player's area, and its end reaches the window.
#include <cstdio>
#include <cstdlib>

#include "DSPlayer.h"
#include "player_support.h"
#include "window_harness.h"
#include "wnd/gui.h"

namespace {

struct Shot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool Load(const std::string& path)
    {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return false;
        int maxval = 0;
        bool ok = std::fscanf(f, "P6 %d %d %d", &width, &height, &maxval) == 3 && maxval == 255 && width > 0 &&
                  height > 0 && width < 10000 && height < 10000;
        if (ok) {
            std::fgetc(f);
            rgb.resize(static_cast<size_t>(width) * height * 3);
            ok = std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
        }
        std::fclose(f);
        return ok;
    }
    bool Take(const std::string& path)
    {
        const bool taken = std::system(("gm import -window root ppm:" + path).c_str()) == 0 && Load(path);
        std::remove(path.c_str());
        return taken;
    }
    static bool Green(const unsigned char* c) { return c[0] < 60 && c[1] > 200 && c[2] < 60; }
    // Pixels of the window's client area that are pure-ish green.
    int GreenIn(CWnd* wnd) const
    {
        CRect area;
        wnd->GetClientRect(&area);
        POINT origin{0, 0};
        wnd->ClientToScreen(&origin);
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const POINT p{origin.x + x, origin.y + y};
                if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height)
                    continue;
                n += Green(&rgb[(static_cast<size_t>(p.y) * width + p.x) * 3]);
            }
        return n;
    }
};

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
        Shot shot;
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(shot.Take(path));
            if (shot.GreenIn(player) > area.Width() * area.Height() / 3)
                break;
            PlatformRunGuiFor(200);
        }
        EXPECT_GT(shot.GreenIn(player), area.Width() * area.Height() / 3);
        EXPECT_EQ(shot.GreenIn(&host) - shot.GreenIn(player), 0);

        // The end of the clip rewinds it.
        PlatformRunGuiFor(300);
        for (int i = 0; i < 60 && player->GetCurrentPosition() >= 70; ++i)
            PlatformRunGuiFor(100);
        EXPECT_LT(player->GetCurrentPosition(), 70);

        wnd.DestroyWindow();
        host.DestroyWindow();
    }
    PlatformStopGui();
}

} // namespace
