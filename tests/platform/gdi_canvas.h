// A memory DC over a 32-bit top-down DIB section for pixel-exact checks.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gdi/gdi.h"

class Canvas {
public:
    Canvas(int width, int height, int bpp = 32, bool topDown = true) : width_(width), height_(height)
    {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colors[256];
        } info{};
        info.h.biSize = sizeof(BITMAPINFOHEADER);
        info.h.biWidth = width;
        info.h.biHeight = topDown ? -height : height;
        info.h.biPlanes = 1;
        info.h.biBitCount = static_cast<WORD>(bpp);
        for (int i = 0; i < 256; ++i)
            info.colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // 32-bit canvases only: the pixel as 0x00RRGGBB.
    uint32_t at(int x, int y) const { return static_cast<const uint32_t*>(bits)[y * width_ + x] & 0xFFFFFF; }
    void fill(uint32_t value)
    {
        for (int i = 0; i < width_ * height_; ++i)
            static_cast<uint32_t*>(bits)[i] = value;
    }
    // Rows of '#' (== value) and '.' (anything else), for mask comparisons.
    std::string mask(uint32_t value) const
    {
        std::string s;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x)
                s += at(x, y) == value ? '#' : '.';
            s += '\n';
        }
        return s;
    }
    int count(uint32_t value) const
    {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                n += at(x, y) == value;
        return n;
    }

    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;

private:
    HGDIOBJ old = nullptr;
    int width_;
    int height_;
};

inline std::string rows(std::initializer_list<const char*> lines)
{
    std::string s;
    for (const char* l : lines) {
        s += l;
        s += '\n';
    }
    return s;
}
