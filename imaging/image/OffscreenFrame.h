// A black 24-bit DIB section selected into a memory context compatible with
// the display, for rendering an image off screen as the window shows it.
#pragma once

#include "ImagePlatform.h"

class OffscreenFrame {
public:
    OffscreenFrame(int width, int height);
    ~OffscreenFrame();
    OffscreenFrame(const OffscreenFrame&) = delete;
    OffscreenFrame& operator=(const OffscreenFrame&) = delete;

    bool IsValid() const { return m_bits != nullptr; }
    CDC* Dc() { return &m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    // Bottom-up rows of width x 3 bytes padded to 4.
    const BYTE* Bits() const { return m_bits; }
    CRect Area() const { return CRect(0, 0, m_width, m_height); }

private:
    int m_width;
    int m_height;
    HDC m_info = nullptr;
    CDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    BYTE* m_bits = nullptr;
};
