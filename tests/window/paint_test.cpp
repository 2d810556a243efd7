// The painted surface of the image window.
#include "platform/gdi_canvas.h"
#include "window_harness.h"

namespace {

// COLORREF 0x00BBGGRR as a surface pixel 0x00RRGGBB.
uint32_t SurfaceColour(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

TEST_F(WindowTest, EmptyWindowPaintsTheIdleScreenOnlyForTheEasyViewer)
{
    Paint();
    EXPECT_EQ(CountPixels(0, CRect(0, 0, 400, 300)), 400 * 300);
    wnd.SetForEasyViewer(1);
    wnd.SetShowEasyText("Viewer\nline two");
    Paint();
    const uint32_t idle = SurfaceColour(0xFF3232);
    EXPECT_EQ(Pixel(0, 0), idle);
    EXPECT_EQ(Pixel(399, 299), idle);
    // The text is centred on the top lines.
    EXPECT_GT(400 * 30 - CountPixels(idle, CRect(0, 0, 400, 30)), 0);
    EXPECT_EQ(CountPixels(idle, CRect(0, 0, 100, 30)), 100 * 30);
}

TEST_F(WindowTest, BackgroundCornerTextAndFrames)
{
    Bind(testdata::kCtRescale);
    wnd.SetBGColor(RGB(10, 20, 30));
    Paint();
    const uint32_t background = SurfaceColour(RGB(10, 20, 30));
    EXPECT_EQ(Pixel(2, 150), background);
    // Window values bottom right, in white.
    EXPECT_GT(CountPixels(0xFFFFFF, CRect(300, 250, 400, 300)), 10);
    wnd.ShowImageInfo(0);
    Paint();
    EXPECT_EQ(CountPixels(0xFFFFFF, CRect(300, 250, 400, 300)), 0);

    wnd.SetIsActive(1);
    Paint();
    EXPECT_EQ(Pixel(1, 1), SurfaceColour(0x138FED));
    EXPECT_EQ(Pixel(398, 150), SurfaceColour(0x138FED));
    EXPECT_EQ(Pixel(0, 0), background);
    wnd.SetIsSelected(1);
    Paint();
    EXPECT_EQ(Pixel(1, 1), SurfaceColour(0xED8F13));
    wnd.SendMessage(WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(Pixel(1, 1), SurfaceColour(0x00FF00));
    wnd.SendMessage(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Pixel(1, 1), SurfaceColour(0xED8F13));
}

TEST_F(WindowTest, PixelValueFollowsTheProbeAndFileNameShows)
{
    Bind(testdata::kCtRescale);
    wnd.SetOpMode(OPMODE_PIXEL_VALUE);
    const CPoint centre = wnd.GetTotalRect()->CenterPoint();
    Mouse(WM_LBUTTONDOWN, centre.x, centre.y, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, centre.x - 60, centre.y - 60, MK_LBUTTON);
    Paint();
    const uint32_t probe = SurfaceColour(0x64FF00);
    const CRect label(centre.x - 40, centre.y - 40, centre.x + 100, centre.y - 20);
    EXPECT_GT(CountPixels(probe, label), 5);
    Mouse(WM_LBUTTONUP, centre.x - 60, centre.y - 60);
    Paint();
    EXPECT_EQ(CountPixels(probe, label), 0);

    wnd.ShowImageInfo(0);
    wnd.ShowFilePath(1);
    Paint();
    const uint32_t name = SurfaceColour(0x00C800);
    EXPECT_GT(CountPixels(name, CRect(0, 280, 400, 300)), 5);
    wnd.SetDCMFileName("nofolder.dcm");
    Paint();
    EXPECT_EQ(CountPixels(name, CRect(0, 280, 400, 300)), 0);
}

TEST_F(WindowTest, MagnifierFramesTheMouseWhileTheButtonIsDown)
{
    Bind(testdata::kMono2U8);
    wnd.ShowImageInfo(0);
    wnd.SetOpMode(OPMODE_MAGNIFIER);
    wnd.GetImage()->AdjustBoth(256, 128, 0);
    Paint();
    // What lies 36 right of and 22 above the mouse shows twice as far out.
    const uint32_t plain = Pixel(200 + 36, 150 - 22);
    EXPECT_NE(plain, Pixel(200 + 72, 150 - 44));
    Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
    Paint();
    EXPECT_EQ(Pixel(200 + 72, 150 - 44), plain);
    const uint32_t green = SurfaceColour(0x00FF00);
    EXPECT_EQ(Pixel(200 - 101, 150), green);
    EXPECT_EQ(Pixel(200 + 100, 150 - 60), green);
    EXPECT_EQ(Pixel(200 + 30, 150 + 100), green);
    Mouse(WM_LBUTTONUP, 200, 150);
    wnd.SendMessage(WM_MOUSELEAVE, 0, 0);
    Paint();
    EXPECT_NE(Pixel(200 - 101, 150), green);
}

TEST_F(WindowTest, PositionDotWithTheImageFillingTheWindow)
{
    ASSERT_EQ(wnd.SetImage(DataPath(testdata::kMono2U8).c_str(), -1), 1);
    wnd.SetShowImgPos(1);
    wnd.ShowImageInfo(0);
    wnd.SetBGColor(RGB(255, 0, 255));
    Paint();
    // Around a point off the centre, so that x and y differ.
    const CRect box(100, 180, 140, 220);
    std::vector<uint32_t> before;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            before.push_back(Pixel(x, y));
    // No margin and no dot while the stored position is 0.
    EXPECT_EQ(CountPixels(SurfaceColour(RGB(255, 0, 255)), CRect(0, 0, 400, 300)), 0);
    Mouse(WM_LBUTTONDOWN, 120, 200, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 120, 200);
    EXPECT_NEAR(wnd.GetImage()->GetImgPosX(), 0.3f, 0.0001f);
    EXPECT_NEAR(wnd.GetImage()->GetImgPosY(), 2 / 3.0f, 0.001f);
    Paint();
    EXPECT_EQ(Pixel(120, 200), 0u);
    int darkened = 0;
    size_t i = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x, ++i)
            darkened += Pixel(x, y) == 0 && before[i] != 0;
    // A disc of radius 400 / 25 = 16.
    EXPECT_GT(darkened, 450);
    Mouse(WM_RBUTTONDOWN, 10, 10, MK_RBUTTON);
    Mouse(WM_RBUTTONUP, 10, 10);
    Paint();
    i = 0;
    int restored = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x, ++i)
            restored += Pixel(x, y) == before[i];
    EXPECT_EQ(restored, box.Width() * box.Height());
}

TEST_F(WindowTest, ImageIsDrawnIntoTheFittedRectangle)
{
    Bind(testdata::kMono2U8);
    wnd.ShowImageInfo(0);
    wnd.SetBGColor(RGB(255, 0, 255));
    Paint();
    const CRect total = *wnd.GetTotalRect();
    const uint32_t background = SurfaceColour(RGB(255, 0, 255));
    EXPECT_EQ(CountPixels(background, total), 0);
    EXPECT_EQ(Pixel(total.left - 1, total.CenterPoint().y), background);
    EXPECT_EQ(Pixel(total.CenterPoint().x, total.bottom), background);
}

TEST_F(WindowTest, PrintDrawsTheBorderOfTheWindowStyle)
{
    Canvas canvas(200, 100);
    canvas.fill(0xFFFFFF);
    CDC& dc = *CDC::FromHandle(canvas.dc);
    auto at = [&](int x, int y) { return canvas.at(x, y); };

    wnd.PrintDoc(&dc, CRect(10, 10, 190, 90), 1.0f);
    EXPECT_EQ(at(10, 50), 0xFFFFFFu);
    Bind(testdata::kMono2U8);
    wnd.PrintDoc(&dc, CRect(10, 10, 190, 10), 1.0f);
    wnd.PrintDoc(&dc, CRect(10, 10, 10, 90), 1.0f);
    EXPECT_EQ(at(10, 50), 0xFFFFFFu);
    wnd.ModifyStyle(0, WS_BORDER);
    wnd.PrintDoc(&dc, CRect(10, 10, 190, 90), 1.0f);
    EXPECT_EQ(at(10, 50), 0u);
    EXPECT_EQ(at(100, 89), 0u);
    EXPECT_EQ(at(100, 50), 0xFFFFFFu);
    // A rectangle with y upwards draws without failing.
    wnd.PrintDoc(&dc, CRect(10, -10, 190, -90), 1.0f);
}

TEST_F(WindowTest, ImagePositionIgnoresAnEmptyClientArea)
{
    ASSERT_EQ(wnd.SetImage(DataPath(testdata::kMono2U8).c_str(), -1), 1);
    wnd.SetShowImgPos(1);
    Mouse(WM_LBUTTONDOWN, 100, 50, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 100, 50);
    EXPECT_NEAR(wnd.GetImage()->GetImgPosX(), 0.25f, 0.0001f);
    wnd.MoveWindow(0, 0, 0, 0);
    Mouse(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 10, 10);
    EXPECT_NEAR(wnd.GetImage()->GetImgPosX(), 0.25f, 0.0001f);
    Paint();
}

}  // namespace
