#include <cstring>
#include <new>

#include "DcmImage.h"
#include "ImageGeometry.h"
#include "ImageLimits.h"

// The display bits resampled to dest's size fill a DIB section of that size,
// which is then drawn 1:1. The overlay plane is burned in first, as on the
// plain road, rather than given to the resampler as a column mask: its bytes
// would whiten whole columns.
int CDcmImage::ResampleToDibSection(const CRect& dest)
{
    const int width = dest.Width(), height = dest.Height();
    const int b = m_nDisplayBytesPerPixel;
    if (width < 1 || height < 1 || (b != 1 && b != 3))
        return 0;
    const size_t rowBytes = static_cast<size_t>(width) * b;
    const size_t stride = (rowBytes + 3) / 4 * 4;
    if (ImageLimits::BlockBytes(static_cast<long long>(stride), height, 1) == 0)
        return 0;
    BYTE* rows = new (std::nothrow) BYTE[stride * height];
    if (rows == nullptr)
        return 0;
    BurnOverlayPlane();
    CImageGeometry geometry;
    const int w = m_nDisplayWidth, h = m_nDisplayHeight;
    const int done = b == 3 ? geometry.ResampleRGB(m_pBitmapBits, 0, 0, w, h, w, h, rows, width, height)
                            : geometry.ResampleGray8(m_pBitmapBits, 0, 0, w, h, w, h, rows, width, height, nullptr);
    // Packed rows move out to the bitmap's padded rows, the last one first.
    for (int y = height - 1; done && stride != rowBytes && y > 0; --y)
        std::memmove(rows + y * stride, rows + y * rowBytes, rowBytes);
    BITMAPINFOHEADER& header = m_pBitmapInfo->bmiHeader;
    header.biWidth = width;
    header.biHeight = height;
    const int shown = done && RecreateDibSection() && AttachBitmapWrapper() &&
                      m_pBitmap->SetBitmapBits(static_cast<DWORD>(stride * height), rows) != 0;
    delete[] rows;
    return shown;
}

// After an interpolated paint the DIB section has the destination's size;
// plain drawing needs one of the display's size again.
void CDcmImage::FitDibSectionToDisplay()
{
    BITMAP bitmap = {};
    if (m_hDibSection == nullptr || GetObject(m_hDibSection, sizeof(bitmap), &bitmap) == 0 ||
        bitmap.bmWidth != m_nDisplayWidth || bitmap.bmHeight != m_nDisplayHeight)
        RecreateDibSection();
}
