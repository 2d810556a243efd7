// The backing surface of a window: paint and client DCs draw on it, paint
// is clipped to the update area, drawing outside WM_PAINT stays, resizing
// keeps what fits; the splitter bar drags the column.
#include <gtest/gtest.h>

#include "wnd/wnd.h"

namespace {

class PaintWnd : public CWnd {
public:
    COLORREF color = RGB(10, 20, 30);
    int paints = 0;
    CRect lastPaint;

protected:
    void OnPaint() {
        CPaintDC dc(this);
        ++paints;
        lastPaint = dc.m_ps.rcPaint;
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, color);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(PaintWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

COLORREF PixelOf(CWnd& wnd, int x, int y) {
    CClientDC dc(&wnd);
    return dc.GetPixel(x, y);
}

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformResetWindows();
        top.CreateEx(0, nullptr, "top", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr);
        ASSERT_TRUE(wnd.Create(nullptr, "paint", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 40), &top, 1));
        PlatformPumpMessages();
    }
    void TearDown() override { PlatformResetWindows(); }
    CWnd top;
    PaintWnd wnd;
};

TEST_F(SurfaceTest, PaintFillsTheSurfaceAndClientDrawingStays) {
    EXPECT_EQ(wnd.paints, 1);
    EXPECT_EQ(wnd.lastPaint, CRect(0, 0, 50, 40));
    EXPECT_EQ(PixelOf(wnd, 49, 39), RGB(10, 20, 30));
    {
        CClientDC dc(&wnd);
        dc.FillSolidRect(0, 0, 10, 10, RGB(200, 0, 0));
    }
    EXPECT_EQ(PixelOf(wnd, 5, 5), RGB(200, 0, 0));
    wnd.color = RGB(0, 0, 250);
    wnd.InvalidateRect(CRect(20, 20, 30, 30), FALSE);
    PlatformPumpMessages();
    EXPECT_EQ(wnd.paints, 2);
    EXPECT_EQ(wnd.lastPaint, CRect(20, 20, 30, 30));
    EXPECT_EQ(PixelOf(wnd, 25, 25), RGB(0, 0, 250));
    EXPECT_EQ(PixelOf(wnd, 19, 25), RGB(10, 20, 30));
    EXPECT_EQ(PixelOf(wnd, 5, 5), RGB(200, 0, 0));
}

TEST_F(SurfaceTest, ResizingKeepsWhatFitsAndRepaints) {
    wnd.color = RGB(0, 99, 0);
    wnd.MoveWindow(0, 0, 80, 60, TRUE);
    EXPECT_EQ(PixelOf(wnd, 10, 10), RGB(10, 20, 30));
    PlatformPumpMessages();
    EXPECT_EQ(PixelOf(wnd, 79, 59), RGB(0, 99, 0));
    EXPECT_EQ(PixelOf(wnd, 10, 10), RGB(0, 99, 0));
    CClientDC dc(&wnd);
    EXPECT_EQ(dc.GetPixel(80, 10), CLR_INVALID);
}

TEST_F(SurfaceTest, HiddenWindowsAreNotPaintedUntilShown) {
    wnd.ShowWindow(SW_HIDE);
    wnd.Invalidate();
    PlatformPumpMessages();
    EXPECT_EQ(wnd.paints, 1);
    wnd.ShowWindow(SW_SHOW);
    PlatformPumpMessages();
    EXPECT_EQ(wnd.paints, 2);
}

TEST_F(SurfaceTest, SplitterBarDragsTheColumnAndItsCursorIsSizeWE) {
    CSplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(&top, 1, 2));
    CWnd left, right;
    left.Create(nullptr, "l", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &splitter, splitter.IdFromRowCol(0, 0));
    right.Create(nullptr, "r", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &splitter, splitter.IdFromRowCol(0, 1));
    splitter.SetColumnInfo(0, 100, 20);
    splitter.RecalcLayout();
    CRect rect;
    right.GetWindowRect(&rect);
    EXPECT_EQ(rect.left, 100 + CSplitterWnd::kBarSize);
    PlatformSendMouse(splitter.m_hWnd, WM_MOUSEMOVE, 102, 50);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
    PlatformSendMouse(splitter.m_hWnd, WM_LBUTTONDOWN, 102, 50, MK_LBUTTON);
    PlatformSendMouse(splitter.m_hWnd, WM_MOUSEMOVE, 150, 50, MK_LBUTTON);
    PlatformSendMouse(splitter.m_hWnd, WM_LBUTTONUP, 150, 50);
    int current = 0, minimum = 0;
    splitter.GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 150);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    left.GetClientRect(&rect);
    EXPECT_EQ(rect.Width(), 150);
}

}  // namespace
