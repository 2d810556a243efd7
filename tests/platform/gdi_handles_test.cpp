#include "gdi_canvas.h"

namespace {

TEST(GdiHandles, NullAndDeletedHandlesFail)
{
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
    LOGPEN lp;
    EXPECT_EQ(GetObject(pen, sizeof(lp), &lp), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, PATCOPY));
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4), nullptr);
    RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
}

TEST(GdiHandles, StockObjectsAndSelection)
{
    Canvas c(2, 2);
    HGDIOBJ stockPen = GetStockObject(BLACK_PEN);
    EXPECT_EQ(GetStockObject(HOLLOW_BRUSH), GetStockObject(NULL_BRUSH));
    EXPECT_TRUE(DeleteObject(stockPen));  // stock objects stay
    EXPECT_EQ(GetObjectType(stockPen), static_cast<DWORD>(OBJ_PEN));
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    EXPECT_EQ(SelectObject(c.dc, red), stockPen);
    EXPECT_EQ(SelectObject(c.dc, stockPen), red);
    // A pen deleted while selected stays usable by the DC until replaced.
    SelectObject(c.dc, red);
    DeleteObject(red);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 2, 0);
    EXPECT_EQ(c.at(1, 0), 0xFF0000u);
    EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(c.dc, OPAQUE), TRANSPARENT);
    // A bitmap can be selected into one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, c.bitmap), nullptr);
    DeleteDC(other);
}

TEST(GdiHandles, ScreenAndInformationContexts)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
    HDC ic = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSX), 96);
    DeleteDC(ic);
    ReleaseDC(nullptr, screen);
    CDC dc;
    EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(CDC::FromHandle(dc.GetSafeHdc()), &dc);
}

TEST(GdiHandles, SaveAndRestoreState)
{
    Canvas c(2, 2);
    SetTextColor(c.dc, RGB(1, 2, 3));
    int first = SaveDC(c.dc);
    SetTextColor(c.dc, RGB(4, 5, 6));
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SaveDC(c.dc);
    SetROP2(c.dc, R2_XORPEN);
    EXPECT_TRUE(RestoreDC(c.dc, -1));
    EXPECT_EQ(GetROP2(c.dc), R2_COPYPEN);
    EXPECT_TRUE(RestoreDC(c.dc, first));
    EXPECT_EQ(GetTextColor(c.dc), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_FALSE(RestoreDC(c.dc, first));
}

TEST(GdiHandles, SurfaceContract)
{
    struct {
        BITMAPINFOHEADER h;
    } info{{sizeof(BITMAPINFOHEADER), 10, -10, 1, 32, BI_RGB, 0, 0, 0, 0, 0}};
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    BITMAP bm{};
    ASSERT_EQ(GetObject(surface, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBits, bits);
    HDC dc = PlatformCreateSurfaceDC(surface);
    ASSERT_NE(dc, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP other = CreateCompatibleBitmap(mem, 2, 2);
    EXPECT_EQ(SelectObject(dc, other), nullptr);
    // A child's offset and clip in surface pixels.
    OffsetViewportOrgEx(dc, 3, 4, nullptr);
    HRGN clip = CreateRectRgn(3, 4, 6, 6);
    SelectClipRgn(dc, clip);
    RECT r{0, 0, 10, 10};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    EXPECT_EQ(px[4 * 10 + 3] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(px[4 * 10 + 6] & 0xFFFFFF, 0u);
    EXPECT_EQ(px[0], 0u);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(GetObject(surface, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    {
        struct ClientDc : CDC {
            explicit ClientDc(HBITMAP s) { AttachSurfaceDC(PlatformCreateSurfaceDC(s)); }
        } client(surface);
        EXPECT_EQ(client.GetPixel(3, 4), RGB(255, 255, 255));
    }
    static HBITMAP windowSurface;
    windowSurface = surface;
    PlatformSetWindowDCSource([](HWND) { return PlatformCreateSurfaceDC(windowSurface); });
    HWND window = reinterpret_cast<HWND>(0x1234);
    HDC windowDc = GetDC(window);
    EXPECT_EQ(GetPixel(windowDc, 3, 4), RGB(255, 255, 255));
    EXPECT_EQ(ReleaseDC(window, windowDc), 1);
    PlatformSetWindowDCSource(nullptr);
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_TRUE(DeleteObject(surface));
    DeleteObject(clip);
    DeleteObject(other);
    DeleteDC(mem);
}

}  // namespace
