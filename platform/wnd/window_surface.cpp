#include "wnd/window_surface.h"

#include <algorithm>
#include <cstring>

#include "gdi/gdi.h"

WindowSurface::~WindowSurface() { Release(); }

void WindowSurface::Release() {
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    pixels_ = nullptr;
    width_ = height_ = 0;
}

void WindowSurface::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_ && (bitmap_ || width == 0 || height == 0)) return;
    if (width == 0 || height == 0) {
        Release();
        width_ = width;
        height_ = height;
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return;
    uint32_t* pixels = static_cast<uint32_t*>(bits);
    if (pixels_) {
        int rows = std::min(height, height_);
        int cols = std::min(width, width_);
        for (int y = 0; y < rows; ++y)
            std::memcpy(pixels + (size_t)y * (size_t)width, pixels_ + (size_t)y * (size_t)width_,
                        (size_t)cols * sizeof(uint32_t));
    }
    Release();
    bitmap_ = bitmap;
    pixels_ = pixels;
    width_ = width;
    height_ = height;
}
