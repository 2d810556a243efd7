// A window's backing store: a 32-bit top-down DIB section of the client
// size. Paint and client device contexts draw on it; the host presents it.
#pragma once

#include <cstdint>

#include "base/wintypes.h"

class WindowSurface {
public:
    WindowSurface() = default;
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;
    ~WindowSurface();

    // Keeps the pixels that stay inside the new size; new ones are black.
    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Rows of Width() BGRX pixels, top row first; null when empty.
    const uint32_t* Pixels() const { return pixels_; }
    uint32_t* Pixels() { return pixels_; }
    HBITMAP Bitmap() const { return bitmap_; }

private:
    void Release();

    HBITMAP bitmap_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
