#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gdi_canvas.h"

namespace {

struct Info256 {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
};

Info256 header(int w, int h, int bpp)
{
    Info256 info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = w;
    info.h.biHeight = h;
    info.h.biPlanes = 1;
    info.h.biBitCount = static_cast<WORD>(bpp);
    return info;
}

TEST(GdiBitmap, DibSectionsStartBlackAtEveryDepth)
{
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (int h : {3, -3}) {
            Info256 info = header(5, h, bpp);
            void* bits = nullptr;
            HBITMAP b = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(b, nullptr) << bpp;
            DIBSECTION ds{};
            ASSERT_EQ(GetObject(b, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
            EXPECT_EQ(ds.dsBm.bmBits, bits);
            EXPECT_EQ(ds.dsBm.bmWidthBytes, (5 * bpp + 31) / 32 * 4);
            EXPECT_EQ(ds.dsBmih.biHeight, h);
            std::vector<uint8_t> zero(ds.dsBm.bmWidthBytes * 3, 0);
            EXPECT_EQ(std::memcmp(bits, zero.data(), zero.size()), 0);
            DeleteObject(b);
        }
    }
    Info256 bad = header(0, 3, 8);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bad), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    bad = header(100000, 100000, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bad), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(GdiBitmap, BottomUpRowsAndBitmapBits)
{
    Canvas c(2, 2, 8, false);
    SetPixel(c.dc, 0, 0, RGB(200, 200, 200));
    // Row 0 of a bottom-up section is stored last.
    EXPECT_EQ(static_cast<uint8_t*>(c.bits)[4], 200);
    CBitmap* wrapper = CBitmap::FromHandle(c.bitmap);
    BYTE rowsIn[8] = {1, 2, 0, 0, 3, 4, 0, 0};  // first buffer row is the top row
    EXPECT_EQ(wrapper->SetBitmapBits(8, rowsIn), 8u);
    EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(1, 1, 1));
    EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(4, 4, 4));
    BYTE rowsOut[8] = {};
    EXPECT_EQ(wrapper->GetBitmapBits(8, rowsOut), 8u);
    EXPECT_EQ(std::memcmp(rowsIn, rowsOut, 8), 0);
    BITMAP bm{};
    EXPECT_EQ(wrapper->GetBitmap(&bm), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmBits, c.bits);
}

TEST(GdiBitmap, GetDIBitsConvertsFormats)
{
    Canvas c(3, 2);
    SetPixel(c.dc, 0, 0, RGB(10, 20, 30));
    SetPixel(c.dc, 2, 1, RGB(40, 50, 60));
    HDC screen = GetDC(nullptr);
    Info256 info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(screen, c.bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.h.biWidth, 3);
    EXPECT_EQ(info.h.biHeight, 2);
    EXPECT_EQ(info.h.biBitCount, 32);
    info.h.biBitCount = 24;
    info.h.biCompression = BI_RGB;
    BYTE rows24[24] = {};
    EXPECT_EQ(GetDIBits(screen, c.bitmap, 0, 2, rows24, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 2);
    // Bottom-up: the bottom row comes first, rows padded to 12 bytes.
    EXPECT_EQ(rows24[6], 60);
    EXPECT_EQ(rows24[8], 40);
    EXPECT_EQ(rows24[12], 30);
    EXPECT_EQ(rows24[14], 10);
    // 16 to 24 bits.
    Canvas c16(1, 1, 16);
    SetPixel(c16.dc, 0, 0, RGB(255, 0, 255));
    Info256 i16 = header(1, 1, 24);
    BYTE px[4] = {};
    EXPECT_EQ(GetDIBits(screen, c16.bitmap, 0, 1, px, reinterpret_cast<BITMAPINFO*>(&i16), DIB_RGB_COLORS), 1);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
    EXPECT_EQ(px[2], 255);
    // 8 bits: the colour table comes with the rows.
    Canvas c8(1, 1, 8);
    SetPixel(c8.dc, 0, 0, RGB(7, 7, 7));
    Info256 i8 = header(1, 1, 8);
    BYTE idx[4] = {};
    EXPECT_EQ(GetDIBits(screen, c8.bitmap, 0, 1, idx, reinterpret_cast<BITMAPINFO*>(&i8), DIB_RGB_COLORS), 1);
    EXPECT_EQ(idx[0], 7);
    EXPECT_EQ(i8.colors[200].rgbRed, 200);
    EXPECT_EQ(GetDIBits(screen, nullptr, 0, 1, idx, reinterpret_cast<BITMAPINFO*>(&i8), DIB_RGB_COLORS), 0);
    ReleaseDC(nullptr, screen);
}

TEST(GdiBitmap, DeviceBitmapsFromDibs)
{
    HDC screen = GetDC(nullptr);
    Info256 info = header(2, 1, 24);
    const BYTE bits[8] = {1, 2, 3, 4, 5, 6, 0, 0};
    HBITMAP b = CreateDIBitmap(screen, &info.h, CBM_INIT, bits, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ASSERT_NE(b, nullptr);
    BITMAP bm{};
    GetObject(b, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, b);
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(6, 5, 4));
    HBITMAP colour = CreateCompatibleBitmap(screen, 64, 64);
    GetObject(colour, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 64);
    SelectObject(mem, old);
    DeleteObject(colour);
    DeleteObject(b);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

TEST(GdiBitmap, BitmapFiles)
{
    // A 2 x 1 24-bit BMP file.
    std::vector<BYTE> file(14 + 40 + 8, 0);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(file.size()), 0, 0, 54};
    BITMAPINFOHEADER ih{sizeof(BITMAPINFOHEADER), 2, 1, 1, 24, BI_RGB, 8, 0, 0, 0, 0};
    std::memcpy(file.data(), &fh, sizeof(fh));
    std::memcpy(file.data() + 14, &ih, sizeof(ih));
    const BYTE px[6] = {255, 0, 0, 0, 0, 255};  // blue, red
    std::memcpy(file.data() + 54, px, sizeof(px));
    std::string path = std::string(BINARY_DIR) + "/gdi_test_file.bmp";
    auto write = [&](size_t size) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(file.data(), 1, size, f);
        std::fclose(f);
    };
    write(file.size());
    HBITMAP b = static_cast<HBITMAP>(LoadImage(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(b, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, b);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(255, 0, 0));
    SelectObject(mem, old);
    DeleteObject(b);
    DeleteDC(mem);
    write(60);  // truncated pixel rows
    EXPECT_EQ(LoadImage(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    std::remove(path.c_str());
}

}  // namespace

namespace {

// Pages of [bits, bits + size) that are resident in memory.
size_t ResidentPages(const void* bits, size_t size)
{
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = reinterpret_cast<uintptr_t>(bits) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(bits) + size;
    std::vector<unsigned char> state((end - first + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(first), end - first, state.data()) != 0)
        return state.size();
    size_t resident = 0;
    for (unsigned char s : state)
        resident += s & 1;
    return resident;
}

}  // namespace

// A tool that only asks the screen for its metrics must not pay for the
// screen's pixels; drawing brings in just the pages drawn on.
TEST(GdiBitmap, VirtualScreenTakesMemoryOnlyWhereDrawnOn)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(PlatformScreenSurface(), sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    ASSERT_NE(ds.dsBm.bmBits, nullptr);
    const size_t size = static_cast<size_t>(ds.dsBm.bmWidthBytes) * ds.dsBm.bmHeight;
    const size_t pages = size / static_cast<size_t>(sysconf(_SC_PAGESIZE));
    EXPECT_LT(ResidentPages(ds.dsBm.bmBits, size), pages / 100);

    HBRUSH brush = CreateSolidBrush(RGB(200, 30, 90));
    const RECT spot = {300, 40, 307, 43};
    FillRect(screen, &spot, brush);
    DeleteObject(brush);
    EXPECT_EQ(GetPixel(screen, 306, 42), RGB(200, 30, 90));
    EXPECT_EQ(GetPixel(screen, 307, 42), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen, 306, 43), RGB(0, 0, 0));
    EXPECT_LT(ResidentPages(ds.dsBm.bmBits, size), pages / 10);
    ReleaseDC(nullptr, screen);
}
