#include <algorithm>
#include <cstdlib>
#include <new>

#include "DcmImage.h"
#include "ImageLimits.h"
#include "OverLay.h"

namespace {

// Value of a burned matrix pixel: the top of the 12-bit print range.
const unsigned short kBurnedValue = 4095;
// Filler of FillImage where the source has no pixel.
const unsigned short kNoSourcePixel = 61441;
const unsigned short kOverlayBit = 0x1000;
// Longest localizer segment walked: no image side is longer.
const long long kLongestSegment = 65536;

}  // namespace

// Flags the matrix bytes under the segment from a to b, leaving out what
// falls outside the matrix.
void CDcmImage::BurnSegment(POINT a, POINT b)
{
    long long x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
    if (m_bDoubleLocalizer)
        x1 *= 2, y1 *= 2, x2 *= 2, y2 *= 2;
    if (std::llabs(x2 - x1) > kLongestSegment || std::llabs(y2 - y1) > kLongestSegment ||
        std::max({std::llabs(x1), std::llabs(y1), std::llabs(x2), std::llabs(y2)}) > 0x3FFFFFFF)
        return;
    CArray<CPoint, CPoint> points;
    COverLay::GetLinePoints(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                            static_cast<int>(y2), points);
    BYTE* matrix = m_InfoMatrix.GetData();
    const size_t size = static_cast<size_t>(m_InfoMatrix.GetSize());
    for (int i = 0; i < points.GetSize(); ++i) {
        const CPoint& p = points[i];
        if (p.x < 0 || p.y < 0 || p.x >= m_nMatrixWidth || p.y >= m_nMatrixHeight)
            continue;
        const size_t index = static_cast<size_t>(p.y) * m_nMatrixWidth + p.x;
        if (index < size)
            matrix[index] = 1;
    }
}

int CDcmImage::BurnImageLocalizer()
{
    for (int i = 0; i < m_LocalizerList.GetCount(); ++i) {
        POINT p1, p2, p3, p4;
        m_LocalizerList.GetAt(i)->GetPoints(p1, p2, p3, p4);
        if (p1.x != p2.x || p1.y != p2.y)
            BurnSegment(p1, p2);
        if (p3.x != p4.x || p3.y != p4.y)
            BurnSegment(p3, p4);
    }
    return 1;
}

int CDcmImage::AddLocalizer(CLocalizer* localizer)
{
    m_LocalizerList.Add(localizer);
    return localizer ? 1 : 0;
}

int CDcmImage::ClearLocalizer()
{
    m_LocalizerList.RemoveAll();
    return 1;
}

int CDcmImage::BuildImageInfoMatrix()
{
    int width = 0, height = 0;
    GetDicomPrintSize(width, height);
    const uint64_t bytes = ImageLimits::BlockBytes(width, height, 1);
    if (bytes == 0 || bytes > 0x7FFFFFFF) {
        m_InfoMatrix.RemoveAll();
        m_nMatrixWidth = m_nMatrixHeight = 0;
        return 0;
    }
    m_nMatrixWidth = width;
    m_nMatrixHeight = height;
    // A matrix of the same size is cleared in place: fresh pages of a film's
    // size cost more than the clearing.
    if (uint64_t(m_InfoMatrix.GetSize()) == bytes) {
        std::fill(m_InfoMatrix.GetData(), m_InfoMatrix.GetData() + bytes, 0);
    } else {
        m_InfoMatrix.RemoveAll();
        m_InfoMatrix.SetSize(static_cast<int>(bytes));
    }
    return 1;
}

// Flags the pixels whose overlay bit is set; the current pixels hold rows x
// columns values, which may be fewer than the matrix has bytes.
int CDcmImage::BurnImageOverLay()
{
    if (m_pCurrentPixels == nullptr)
        return 0;
    const CDicomInfo& info = m_DicomInfo;
    const CString& photometric = info.m_strPhotometricInterpretation;
    const bool sixteen = info.m_nBitsAllocated == 16;
    const bool carriesOverlay =
        (photometric == "MONOCHROME2" && info.m_nOverlayBitPosition == 12 &&
         info.m_nOverlayBitsAllocated == 16 && sixteen) ||
        (photometric == "MONOCHROME1" && sixteen);
    if (!carriesOverlay)
        return 1;
    const size_t pixels = static_cast<size_t>(std::max(0, info.m_nRows)) * std::max(0, info.m_nColumns);
    const size_t count = std::min({static_cast<size_t>(m_nMatrixWidth) * m_nMatrixHeight,
                                   static_cast<size_t>(m_InfoMatrix.GetSize()), pixels});
    const BYTE* p = m_pCurrentPixels;
    BYTE* matrix = m_InfoMatrix.GetData();
    for (size_t i = 0; i < count; ++i)
        if ((p[2 * i] | (p[2 * i + 1] << 8)) & kOverlayBit)
            matrix[i] = 1;
    return 1;
}

int CDcmImage::BurnMatrixInfoToPixel(BYTE* pixels)
{
    if (pixels == nullptr)
        return 0;
    const size_t count = std::min(static_cast<size_t>(m_nMatrixWidth) * m_nMatrixHeight,
                                  static_cast<size_t>(m_InfoMatrix.GetSize()));
    const BYTE* matrix = m_InfoMatrix.GetData();
    for (size_t i = 0; i < count; ++i)
        if (matrix[i]) {
            pixels[2 * i] = kBurnedValue & 0xFF;
            pixels[2 * i + 1] = kBurnedValue >> 8;
        }
    return 1;
}

unsigned short* CDcmImage::FillImage(int width, int height, unsigned short* source,
                                     int sourceHeight, int sourceWidth)
{
    const uint64_t bytes = ImageLimits::BlockBytes(width, height, 2);
    if (bytes == 0)
        return nullptr;
    unsigned short* image = static_cast<unsigned short*>(::operator new(bytes, std::nothrow));
    if (image == nullptr)
        return nullptr;
    if (source == nullptr)
        sourceWidth = sourceHeight = 0;
    const int rows = std::clamp(sourceHeight, 0, height);
    const int columns = std::clamp(sourceWidth, 0, width);
    for (int y = 0; y < height; ++y) {
        unsigned short* row = image + static_cast<size_t>(y) * width;
        const int copied = y < rows ? columns : 0;
        if (copied)
            std::copy(source + static_cast<size_t>(y) * sourceWidth,
                      source + static_cast<size_t>(y) * sourceWidth + copied, row);
        std::fill(row + copied, row + width, kNoSourcePixel);
    }
    return image;
}
