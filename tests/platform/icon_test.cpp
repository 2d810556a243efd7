// Icon resources: loaded by id or "#id", drawn with their alpha, shown by an
// icon static and kept as a window's icon.
#include <gtest/gtest.h>

#include "wnd/icons.h"
#include "wnd/wnd.h"

namespace {

// A 3 x 2 icon, top row first: opaque red, half-transparent blue, clear;
// opaque green, opaque white, opaque black.
std::vector<BYTE> SmallIcon()
{
    const uint32_t argb[6] = {0xFFC80000, 0x800000FF, 0x00FFFFFF, 0xFF00B400, 0xFFFFFFFF, 0xFF000000};
    std::vector<BYTE> file(14 + 40, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[10] = 54;
    file[14] = 40;
    file[18] = 3;
    file[22] = 2;  // bottom row first
    file[26] = 1;
    file[28] = 32;
    for (int row = 1; row >= 0; --row)
        for (int x = 0; x < 3; ++x) {
            const uint32_t p = argb[row * 3 + x];
            file.insert(file.end(), {BYTE(p), BYTE(p >> 8), BYTE(p >> 16), BYTE(p >> 24)});
        }
    return file;
}

class IconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformResetWindows();
        RegisterIconResource(4242, SmallIcon());
    }
    void TearDown() override { PlatformResetWindows(); }
};

TEST_F(IconTest, LoadedByIdOrNameAndDrawnWithAlpha)
{
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(4242));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(nullptr, "#4242"), icon);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(4243)), nullptr);
    EXPECT_EQ(LoadIcon(nullptr, "#42x"), nullptr);

    CWnd top;
    top.CreateEx(0, nullptr, "top", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr);
    CClientDC dc(&top);
    dc.FillSolidRect(0, 0, 20, 20, RGB(0, 100, 0));
    ASSERT_TRUE(DrawIcon(dc.GetSafeHdc(), 5, 7, icon));
    EXPECT_EQ(dc.GetPixel(5, 7), RGB(200, 0, 0));
    EXPECT_EQ(dc.GetPixel(6, 7), RGB(0, 49, 128));  // half blue over green
    EXPECT_EQ(dc.GetPixel(7, 7), RGB(0, 100, 0));   // clear
    EXPECT_EQ(dc.GetPixel(5, 8), RGB(0, 180, 0));
    EXPECT_EQ(dc.GetPixel(6, 8), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(8, 8), RGB(0, 100, 0));
    EXPECT_FALSE(DrawIcon(dc.GetSafeHdc(), 0, 0, nullptr));
}

TEST_F(IconTest, IconStaticShowsItsIconAndWindowsKeepTheirs)
{
    CWnd top;
    top.CreateEx(0, nullptr, "top", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr);
    CStatic picture;
    ASSERT_TRUE(picture.Create("#4242", WS_CHILD | WS_VISIBLE | SS_ICON, CRect(10, 12, 30, 32), &top, 77));
    PlatformPumpMessages();
    EXPECT_EQ(reinterpret_cast<HICON>(picture.SendMessage(STM_GETICON)), LoadIcon(nullptr, "#4242"));
    CClientDC dc(&picture);
    EXPECT_EQ(dc.GetPixel(0, 1), RGB(0, 180, 0));
    EXPECT_EQ(dc.GetPixel(2, 1), RGB(0, 0, 0));

    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(4242));
    EXPECT_EQ(top.SendMessage(WM_GETICON, ICON_BIG), 0);
    EXPECT_EQ(top.SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(top.SendMessage(WM_GETICON, ICON_BIG)), icon);
    EXPECT_EQ(top.SendMessage(WM_GETICON, ICON_SMALL), 0);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(PlatformIconPixels(icon, width, height, pixels));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(pixels[1], 0x800000FFu);
    EXPECT_EQ(pixels[3], 0xFF00B400u);
}

}  // namespace
