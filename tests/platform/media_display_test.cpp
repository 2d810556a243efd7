#include <gtest/gtest.h>

#include "media_test_support.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>

using namespace media_test;

namespace {

const HWND kPlayer = reinterpret_cast<HWND>(0x2000);
unsigned long ownerWindow = 0;

unsigned long NativeWindowOf(HWND window)
{
    return window == kPlayer ? ownerWindow : 0;
}

// A plain X window stands in for the player; skipped without a display.
class MediaDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* name = std::getenv("DISPLAY");
        display = name && *name ? XOpenDisplay(nullptr) : nullptr;
        if (!display)
            GTEST_SKIP() << "no display";
        InstallPostHook();
        SetMediaHeadless(false);
        // Without a session's runtime folder the sound server's client keeps
        // one in /tmp; this one goes with the clips.
        setenv("PULSE_RUNTIME_PATH", (GeneratedClips().directory + "/pulse").c_str(), 1);
        SetMediaNativeWindowHook(NativeWindowOf);
        int screen = DefaultScreen(display);
        ownerWindow = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 200, 150, 0,
                                          BlackPixel(display, screen), BlackPixel(display, screen));
        XMapWindow(display, ownerWindow);
        XSync(display, False);
    }

    void TearDown() override
    {
        SetMediaHeadless(true);
        SetMediaNativeWindowHook(nullptr);
        if (!display)
            return;
        XDestroyWindow(display, ownerWindow);
        XCloseDisplay(display);
    }

    unsigned long PixelAt(int x, int y)
    {
        XImage* image = XGetImage(display, ownerWindow, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    Window OnlyChild(Window parent)
    {
        Window root = 0, parentFound = 0, *children = nullptr;
        unsigned count = 0;
        Window child = 0;
        if (XQueryTree(display, parent, &root, &parentFound, &children, &count) && count == 1)
            child = children[0];
        if (children)
            XFree(children);
        return child;
    }

    void SendClick(Window window, Time time)
    {
        XEvent event{};
        event.xbutton.type = ButtonPress;
        event.xbutton.display = display;
        event.xbutton.window = window;
        event.xbutton.button = Button1;
        event.xbutton.time = time;
        event.xbutton.x = 5;
        event.xbutton.y = 6;
        XSendEvent(display, window, False, ButtonPressMask, &event);
    }

    void SendKey(Window window, KeySym key)
    {
        XEvent event{};
        event.xkey.type = KeyPress;
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.keycode = XKeysymToKeycode(display, key);
        XSendEvent(display, window, False, KeyPressMask, &event);
    }

    Display* display = nullptr;
};

} // namespace

TEST_F(MediaDisplay, VideoIsDrawnInsideTheOwnerAtItsPosition)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoOnly), S_OK);
    OAHWND player = reinterpret_cast<OAHWND>(kPlayer);
    ASSERT_EQ(graph.video->put_Owner(player), S_OK);
    ASSERT_EQ(graph.video->put_MessageDrain(player), S_OK);
    ASSERT_EQ(graph.video->put_WindowStyle(0x46000000), S_OK);
    ASSERT_EQ(graph.video->SetWindowPosition(40, 30, 128, 96), S_OK);
    ASSERT_EQ(graph.video->put_Visible(OATRUE), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);

    // The test pattern's bars are bright and fill the video's rectangle,
    // scaled from 64x48; outside it the owner stays black.
    EXPECT_TRUE(PumpUntil([&] { return PixelAt(42, 32) != 0 && PixelAt(165, 32) != 0; }));
    EXPECT_EQ(PixelAt(38, 28), 0u);
    EXPECT_EQ(PixelAt(170, 32), 0u);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);

    ASSERT_EQ(graph.video->put_FullScreenMode(OATRUE), S_OK);
    MediaPumpEvents();
    ASSERT_EQ(graph.video->put_FullScreenMode(OAFALSE), S_OK);
    EXPECT_EQ(graph.video->SetWindowForeground(-1), S_OK);
    ASSERT_EQ(graph.video->put_Visible(OAFALSE), S_OK);
    ASSERT_EQ(graph.video->put_Owner(0), S_OK);
    MediaPumpEvents();
}

TEST_F(MediaDisplay, ClipNotYetRunShowsItsFirstFrameAtTheWindowSize)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoOnly), S_OK);
    ASSERT_EQ(graph.video->put_Owner(reinterpret_cast<OAHWND>(kPlayer)), S_OK);
    ASSERT_EQ(graph.video->SetWindowPosition(40, 30, 128, 96), S_OK);
    ASSERT_EQ(graph.video->put_Visible(OATRUE), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return PixelAt(42, 32) != 0 && PixelAt(165, 32) != 0; }));
}

TEST_F(MediaDisplay, FullScreenPassesClicksAndKeysToTheDrain)
{
    const HWND drain = reinterpret_cast<HWND>(0x3000);
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoOnly), S_OK);
    ASSERT_EQ(graph.video->put_Owner(reinterpret_cast<OAHWND>(kPlayer)), S_OK);
    ASSERT_EQ(graph.video->put_MessageDrain(reinterpret_cast<OAHWND>(drain)), S_OK);
    ASSERT_EQ(graph.video->SetWindowPosition(0, 0, 64, 48), S_OK);
    ASSERT_EQ(graph.video->put_Visible(OATRUE), S_OK);
    Window video = OnlyChild(ownerWindow);
    ASSERT_NE(video, 0u);

    ASSERT_EQ(graph.video->put_FullScreenMode(OATRUE), S_OK);
    EXPECT_EQ(OnlyChild(ownerWindow), 0u);
    MediaPumpEvents();
    Posted().clear();
    SendClick(video, 1000);
    SendClick(video, 1100);
    SendKey(video, XK_Escape);
    XSync(display, False);
    ASSERT_TRUE(PumpUntil([] { return Posted().size() >= 3; }));
    EXPECT_EQ(Posted()[0].window, drain);
    EXPECT_EQ(Posted()[0].message, 0x0201u);
    EXPECT_EQ(Posted()[0].lParam, MAKELPARAM(5, 6));
    EXPECT_EQ(Posted()[1].message, 0x0203u);
    EXPECT_EQ(Posted()[2].message, 0x0100u);
    EXPECT_EQ(Posted()[2].wParam, 0x1Bu);

    ASSERT_EQ(graph.video->put_FullScreenMode(OAFALSE), S_OK);
    EXPECT_EQ(OnlyChild(ownerWindow), video);
}

// With sound too: the sound goes to the machine's output, or nowhere.
TEST_F(MediaDisplay, OwnerVanishingFirstIsHarmless)
{
    Graph graph;
    ASSERT_EQ(graph.Render(GeneratedClips().videoWithAudio), S_OK);
    ASSERT_EQ(graph.video->put_Owner(reinterpret_cast<OAHWND>(kPlayer)), S_OK);
    ASSERT_EQ(graph.video->put_Visible(OATRUE), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    XDestroyWindow(display, ownerWindow);
    XSync(display, False);
    ownerWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    ASSERT_EQ(graph.video->SetWindowPosition(0, 0, 32, 32), S_OK);
    EXPECT_EQ(graph.NextEvent(), EC_COMPLETE);
}
