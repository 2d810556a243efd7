#include <cstring>
#include <new>
#include <vector>

#include "ConvolutionFilter.h"
#include "DcmImage.h"
#include "Dib.h"
#include "EmbossFilter.h"
#include "ImageLimits.h"
#include "MedianFilter.h"

namespace {

const DWORD kCustomKernelCode = 0x1FF00;

// Seven by seven ring of the own sharpening kernel.
const int kSharpenKernel[49] = {
    0, 0, 4, 0, 4, 0, 0,
    0, 4, 0, 0, 0, 4, 0,
    4, 0, 0, -1, 0, 0, 4,
    0, 0, -1, 5, -1, 0, 0,
    4, 0, 0, -1, 0, 0, 4,
    0, 4, 0, 0, 0, 4, 0,
    0, 0, 4, 0, 4, 0, 0,
};

// A cross of nine samples: the centre row and column of a 5 x 5 mask.
const int kMedianCross[25] = {
    0, 0, 1, 0, 0,
    0, 0, 1, 0, 0,
    1, 1, 1, 1, 1,
    0, 0, 1, 0, 0,
    0, 0, 1, 0, 0,
};

BYTE* NewBlock(size_t bytes)
{
    return static_cast<BYTE*>(::operator new(bytes, std::nothrow));
}

}  // namespace

// The display bits expand bottom row first, so the rectangle from display row
// y to the bottom edge is rows 0 to height - 1 - y of the expanded copy; the
// rows are turned back, in place, before the result is handed out.
template <typename Filter>
unsigned char* CDcmImage::FilterDisplay(int x, int y, Filter filter)
{
    const int width = m_nDisplayWidth, height = m_nDisplayHeight;
    if (m_pBitmapBits == nullptr || x < 0 || y < 0 || x >= width || y >= height)
        return nullptr;
    const uint64_t bytes = ImageLimits::BlockBytes(width, height, 3);
    CDib dib;
    if (bytes == 0 || !dib.Create(m_pBitmapBits, DisplayBytes(), width, height,
                                  m_nDisplayBytesPerPixel * 8, nullptr))
        return nullptr;
    BYTE* work = NewBlock(bytes);
    if (work == nullptr)
        return nullptr;
    dib.ExpandTo24(work);
    if (!filter(work, x, 0, width - x, height - y, width, height)) {
        ::operator delete(work);
        return nullptr;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<BYTE> swap(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(swap.data(), work + top * rowBytes, rowBytes);
        std::memcpy(work + top * rowBytes, work + bottom * rowBytes, rowBytes);
        std::memcpy(work + bottom * rowBytes, swap.data(), rowBytes);
    }
    return work;
}

unsigned char* CDcmImage::MedianFilter(int x, int y, int, int, int, int)
{
    CMedianFilter median;
    median.SetMask(kMedianCross, 5, 5);
    return FilterDisplay(x, y, [&](BYTE* rgb, int left, int top, int w, int h, int iw, int ih) {
        return median.ProcessArea(rgb, left, top, w, h, iw, ih);
    });
}

unsigned char* CDcmImage::EmbossFilter(int x, int y, int, int)
{
    CEmbossFilter emboss;
    emboss.SetProcessCode(0x10400);
    emboss.SetOffset(128, 128, 128);
    return FilterDisplay(x, y, [&](BYTE* rgb, int left, int top, int w, int h, int iw, int ih) {
        return emboss.ProcessArea(rgb, left, top, w, h, iw, ih);
    });
}

unsigned char* CDcmImage::SharpenFilter(int x, int y, int, int, unsigned long code)
{
    CConvolutionFilter sharpen;
    sharpen.SetProcessCode(static_cast<DWORD>(code));
    if (code == kCustomKernelCode) {
        sharpen.SetKernel(kSharpenKernel, 7, 7);
    }
    return FilterDisplay(x, y, [&](BYTE* rgb, int left, int top, int w, int h, int iw, int ih) {
        return sharpen.ProcessArea(rgb, left, top, w, h, iw, ih);
    });
}
