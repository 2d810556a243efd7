// A 32-bit top-down bitmap selected into a memory DC, for drawing tests.
#pragma once

#include "DcmImage.h"

// A 32-bit top-down target that ShowImage draws into.
class Target {
public:
    Target(int width, int height) : m_nWidth(width)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_pBits = static_cast<BYTE*>(bits);
        dc.CreateCompatibleDC(nullptr);
        m_hOld = dc.SelectObject(static_cast<HGDIOBJ>(m_hBitmap));
    }
    ~Target()
    {
        dc.SelectObject(m_hOld);
        dc.DeleteDC();
        DeleteObject(m_hBitmap);
    }
    // B, G, R of pixel (x, y).
    const BYTE* Pixel(int x, int y) const { return m_pBits + 4 * (static_cast<size_t>(y) * m_nWidth + x); }

    CDC dc;

private:
    int m_nWidth;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    BYTE* m_pBits = nullptr;
};
