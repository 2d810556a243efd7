#include "OffscreenFrame.h"

OffscreenFrame::OffscreenFrame(int width, int height) : m_width(width), m_height(height)
{
    if (width < 1 || height < 1)
        return;
    m_info = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(m_info);
    if (memory == nullptr)
        return;
    m_dc.Attach(memory);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_bitmap == nullptr)
        return;
    m_oldBitmap = SelectObject(memory, m_bitmap);
    m_dc.SetBkMode(TRANSPARENT);
    m_bits = static_cast<BYTE*>(bits);
}

OffscreenFrame::~OffscreenFrame()
{
    HDC memory = m_dc.GetSafeHdc();
    if (m_oldBitmap)
        SelectObject(memory, m_oldBitmap);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    if (memory) {
        m_dc.Detach();
        DeleteDC(memory);
    }
    if (m_info)
        DeleteDC(m_info);
}
