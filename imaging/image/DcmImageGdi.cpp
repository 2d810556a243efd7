#include <algorithm>
#include <cstring>
#include <new>

#include "DcmImage.h"
#include "OverLayManagerStub.h"

CBitmap* CDcmImage::CreateBitmapWrapper()
{
    return nullptr;
}

void CDcmImage::DeleteBitmapWrapper(CBitmap*)
{
}

void CDcmImage::DeleteDibSection()
{
    m_hDibSection = nullptr;
}

int CDcmImage::RecreateDibSection()
{
    return 1;
}

void CDcmImage::ReSetBitMap()
{
}

void CDcmImage::ShowImage(CDC*, CRect)
{
}

int CDcmImage::GetIconHBmp(HBITMAP&, int, int)
{
    return 0;
}

// Each set bit of the overlay plane, least significant first, whitens one display byte.
void CDcmImage::BurnOverlayPlane()
{
    const BYTE* plane = m_DicomInfo.m_pOverlayPlane;
    if (plane == nullptr || m_pBitmapBits == nullptr)
        return;
    const size_t displayBytes =
        static_cast<size_t>(m_nDisplayBytesPerPixel) * m_nDisplayWidth * m_nDisplayHeight;
    const size_t count = std::min<size_t>(m_DicomInfo.m_nOverlayPlaneLength, displayBytes / 8);
    for (size_t n = 0; n < count; ++n)
        for (int k = 0; k < 8; ++k)
            if (plane[n] & (1 << k))
                m_pBitmapBits[8 * n + k] = 255;
}

int CDcmImage::GetImageBits(BYTE* out, int, int withOverlays)
{
    if (out == nullptr || m_pBitmapBits == nullptr)
        return 0;
    const size_t bytes = static_cast<size_t>(m_nDisplayWidth) * m_nDisplayHeight *
                         (m_ColorMode == COLOR_MODE_RGB ? 3 : 1);
    const CRelativeRect& rect = m_RelativeRect;
    if (!(rect.left == 0 && rect.top == 0 && (rect.right == 0 || rect.right == 1)))
        return 0;
    BYTE* copy = new (std::nothrow) BYTE[bytes];
    if (copy == nullptr)
        return 0;
    std::memcpy(copy, m_pBitmapBits, bytes);
    if (withOverlays && m_pOverLayManager)
        m_pOverLayManager->BurnAll(copy, 1, m_nDisplayWidth);
    std::memcpy(out, copy, bytes);
    delete[] copy;
    return 1;
}
