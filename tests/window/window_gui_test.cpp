// A real image window on the screen: its colours, frame and corner text in a
// screenshot of the display.
#include <cstdio>
#include <cstdlib>

#include "window_harness.h"
#include "wnd/gui.h"

namespace {

struct Screenshot {
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
    COLORREF At(POINT p) const
    {
        if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height)
            return 0xFFFFFFFF;
        const size_t i = (static_cast<size_t>(p.y) * width + p.x) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
    int Count(CWnd* wnd, const CRect& area, COLORREF colour) const
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                POINT p{x, y};
                wnd->ClientToScreen(&p);
                n += Near(At(p), colour);
            }
        return n;
    }
    static bool Near(COLORREF a, COLORREF b)
    {
        return std::abs(int(GetRValue(a)) - int(GetRValue(b))) < 40 &&
               std::abs(int(GetGValue(a)) - int(GetGValue(b))) < 40 &&
               std::abs(int(GetBValue(a)) - int(GetBValue(b))) < 40;
    }
};

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
        PlatformRunGuiFor(700);

        const std::string shot = std::string(BINARY_DIR) + "/window_gui_shot.ppm";
        std::remove(shot.c_str());
        ASSERT_EQ(std::system(("gm import -window root ppm:" + shot).c_str()), 0);
        Screenshot screen;
        ASSERT_TRUE(screen.Load(shot));
        CRect area;
        wnd.GetClientRect(&area);
        POINT margin{2, area.Height() / 2};
        wnd.ClientToScreen(&margin);
        EXPECT_TRUE(Screenshot::Near(screen.At(margin), background)) << std::hex << screen.At(margin);
        POINT frame{1, area.Height() / 2};
        wnd.ClientToScreen(&frame);
        EXPECT_TRUE(Screenshot::Near(screen.At(frame), 0x138FED)) << std::hex << screen.At(frame);
        // The image fills its fitted rectangle.
        POINT inside = wnd.GetTotalRect()->CenterPoint();
        wnd.ClientToScreen(&inside);
        EXPECT_FALSE(Screenshot::Near(screen.At(inside), background)) << std::hex << screen.At(inside);
        // The window values stand in white at the bottom right.
        const CRect corner(area.right - 80, area.bottom - 40, area.right - 2, area.bottom - 2);
        EXPECT_GT(screen.Count(&wnd, corner, RGB(255, 255, 255)), 10);
        std::remove(shot.c_str());
        wnd.DestroyWindow();
        host.DestroyWindow();
    }
    PlatformStopGui();
}

}  // namespace
