// The program's icon: on the main window and in the about box.
#include "viewer_harness.h"

#include "Resource.h"
#include "wnd/icons.h"

TEST_F(ViewerTest, ProgramIconOnTheFrameAndInTheAboutBox)
{
    ASSERT_TRUE(Start());
    HICON icon = LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(frame->SendMessage(WM_GETICON, ICON_BIG)), icon);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(PlatformIconPixels(icon, width, height, pixels));
    ASSERT_EQ(width, 32);
    ASSERT_EQ(height, 32);
    EXPECT_EQ(pixels[0] >> 24, 0u);  // rounded corner

    HICON shown = nullptr;
    COLORREF middle = CLR_INVALID, ring = CLR_INVALID, tile = CLR_INVALID;
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            for (CWnd* child = dialog.GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT)) {
                if ((child->GetStyle() & 0x1F) != SS_ICON)
                    continue;
                shown = reinterpret_cast<HICON>(child->SendMessage(STM_GETICON));
                child->UpdateWindow();
                CClientDC dc(child);
                middle = dc.GetPixel(12, 15);
                ring = dc.GetPixel(16, 6);
                tile = dc.GetPixel(10, 10);
            }
        })
        .Install();
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(shown, icon);
    EXPECT_EQ(middle, RGB(0xB4, 0xB4, 0xB4));
    EXPECT_EQ(ring, RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(tile, RGB(0x1F, 0x5F, 0x7A));
}
