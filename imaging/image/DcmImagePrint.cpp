// Print pixels: a grey buffer at the print size, windowed and with the
// information text burned in, and previews of what will be printed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "DcmImage.h"
#include "FilmBuffer.h"
#include "OverLayManager.h"
#include "TextBitmap.h"
#include "WholeImageResampler.h"

namespace {

// Print buffers larger than this are refused before allocation.
const unsigned long long kMaxPrintPixels = 1ULL << 28;

// Maps values into [lowOut, highOut] with a window whose ends lie half a
// value below the centre's middle, the way film printers expect.
class PrintWindow {
public:
    PrintWindow(long centre, long width, int lowOut, int highOut)
        : m_middle(centre - 0.5), m_width(width), m_lowOut(lowOut), m_highOut(highOut)
    {
        const long half = (width - 1) / 2;
        m_low = m_middle - half;
        m_high = m_middle + half;
    }
    int Map(double v) const
    {
        if (v <= m_low)
            return m_lowOut;
        if (v >= m_high)
            return m_highOut;
        return int(((v - m_middle) / double(m_width - 1) + 0.5) * (m_highOut - m_lowOut) + m_lowOut);
    }

private:
    double m_middle;
    long m_width;
    int m_lowOut;
    int m_highOut;
    double m_low = 0;
    double m_high = 0;
};

template <class Value>
void MapPrintValues(const Value* in, short* out, size_t count, const short* table)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = table[uint16_t(in[i])];
}

struct PrintPlacement {
    int printWidth;
    int printHeight;
    CRelativeRect rect;
    short background;
};

// The work values of a 16-bit print, mapped into out: the whole frame when
// it has the print size and the rectangle is whole, otherwise the frame
// resampled into the rectangle's corners, rounded up to the next multiple
// of 4, on the background.
template <class Value>
bool PlaceWorkValues(const Value* current, int width, int height, const PrintPlacement& p, const short* table,
                     short* out)
{
    const CRelativeRect& rect = p.rect;
    const int printWidth = p.printWidth;
    const int printHeight = p.printHeight;
    if (width == printWidth && height == printHeight && rect.right - rect.left == 1.0f &&
        rect.bottom - rect.top == 1.0f) {
        MapPrintValues(current, out, size_t(printWidth) * size_t(printHeight), table);
        return true;
    }
    auto roundUp4 = [](int value) { return value / 4 * 4 + 4; };
    const int x0 = roundUp4(int(printWidth * rect.left));
    const int y0 = roundUp4(int(printHeight * rect.top));
    const int x1 = roundUp4(int((rect.right - rect.left) * printWidth + int(printWidth * rect.left)));
    const int y1 = roundUp4(int((rect.bottom - rect.top) * printHeight + int(printHeight * rect.top)));
    const int bw = x1 - x0;
    const int bh = y1 - y0;
    std::fill(out, out + size_t(printWidth) * size_t(printHeight), p.background);
    if (bw > 0 && bh > 0 && static_cast<unsigned long long>(bw) * bh <= kMaxPrintPixels) {
        std::vector<Value> block(size_t(bw) * size_t(bh));
        if (!WholeImageResampler::Gray16(current, width, height, block.data(), bw, bh))
            return false;
        const int xs = std::max(0, x0);
        const int xe = std::min(printWidth, x1);
        for (int y = std::max(0, y0); y < std::min(printHeight, y1) && xe > xs; ++y)
            MapPrintValues(block.data() + size_t(y - y0) * bw + (xs - x0), out + size_t(y) * printWidth + xs,
                           size_t(xe - xs), table);
    }
    return true;
}

// The text covers little of a film: whole words of the matrix are skipped
// while they are clear.
template <class Pixel>
void BurnMarked(const BYTE* matrix, size_t count, Pixel* pixels, Pixel value)
{
    size_t i = 0;
    while (i < count) {
        uint64_t word = 0;
        if (i + 8 <= count) {
            std::memcpy(&word, matrix + i, 8);
            if (word == 0) {
                i += 8;
                continue;
            }
        }
        for (const size_t end = std::min(count, i + 8); i < end; ++i)
            if (matrix[i] != 0)
                pixels[i] = value;
    }
}

bool IsFullRect(const CRelativeRect& rect)
{
    return rect.left == 0 && rect.top == 0 && (rect.right == 0 || rect.right == 1.0f);
}

}  // namespace

void CDcmImage::SetDicomPrintPixel(CDicomImageInfo* request)
{
    if (request == nullptr)
        return;
    const bool mirrored = SetFlip(request->m_nFlip, 0) | SetReverse(request->m_nReverse, 0);
    const bool inverted = SetInverse(request->m_nInverse, 0);
    // The same angle rebuilds nothing, so a changed mirror or inverse is
    // applied here.
    if (SetRotateAngle(request->m_nRotateAngle, 1))
        return;
    if (mirrored)
        BuildCurrentPixelBits();
    else if (inverted)
        ResetBitmapBits();
}

// A scale at or below 0, or one that leaves no pixel, is refused (0) and
// the unscaled print size is returned.
int CDcmImage::GetDicomPrintSize(float scale, int& width, int& height)
{
    GetDicomPrintSize(width, height);
    if (scale == 1.0f)
        return 1;
    if (!(scale > 0.0f))
        return 0;
    const int scaledWidth = int(width * scale) / 4 * 4;
    const int scaledHeight = int(height * scale) / 4 * 4;
    if (scaledWidth < 1 || scaledHeight < 1)
        return 0;
    width = scaledWidth;
    height = scaledHeight;
    return 1;
}

unsigned char* CDcmImage::GetDicomPrintPixel(CDicomImageInfo* info)
{
    if (info == nullptr)
        return nullptr;
    return GetDicomPrintPixel(info->m_nSize3, info->m_nSize2, info->m_RelativeRect, info->m_nInverse);
}

unsigned char* CDcmImage::GetDicomPrintPixel(long, long, CRelativeRect rect, int inverse)
{
    int printWidth = 0;
    int printHeight = 0;
    GetDicomPrintSize(printWidth, printHeight);
    const CString& photometric = m_DicomInfo.m_strPhotometricInterpretation;
    if ((photometric != "MONOCHROME2" && photometric != "MONOCHROME1") || m_pCurrentPixels == nullptr ||
        printWidth < 1 || printHeight < 1 ||
        static_cast<unsigned long long>(printWidth) * printHeight > kMaxPrintPixels)
        return nullptr;
    // The current pixels already carry the rescale, so the window applies as it is.
    const long width = std::max(1, m_nWindowWidth);
    const long centre = m_nWindowCenter;
    BYTE* pixels = nullptr;
    if (m_DicomInfo.m_nBitsAllocated == 8)
        pixels = PrintPixels8(printWidth, printHeight, centre, width);
    else if (m_DicomInfo.m_nBitsAllocated == 16)
        pixels = PrintPixels16(printWidth, printHeight, rect, inverse, centre, width);
    if (pixels != nullptr)
        BurnMatrixInfoToDicomPrintPixel(pixels, centre, width);
    return pixels;
}

BYTE* CDcmImage::PrintPixels8(int printWidth, int printHeight, long centre, long width)
{
    const size_t count = size_t(printWidth) * size_t(printHeight);
    // The copy or the resampling writes every byte.
    std::unique_ptr<BYTE[]> out(FilmBuffer::New<BYTE>(count));
    if (!out || !WholeImageResampler::Gray8(m_pCurrentPixels, GetWidth(), GetHeight(), out.get(), printWidth,
                                            printHeight))
        return nullptr;
    const PrintWindow window(centre, width, 0, 255);
    BYTE table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = BYTE(window.Map(v));
    for (size_t i = 0; i < count; ++i)
        out[i] = table[out[i]];
    return out.release();
}

BYTE* CDcmImage::PrintPixels16(int printWidth, int printHeight, const CRelativeRect& rect, int inverse,
                               long centre, long width)
{
    const size_t count = size_t(printWidth) * size_t(printHeight);
    std::unique_ptr<short[]> out(FilmBuffer::New<short>(count));
    if (!out)
        return nullptr;
    // Every 16-bit value is mapped through a table indexed by its bits, read
    // the way the screen reads them: unsigned data reaches 65535.
    const PrintWindow window(centre, width, m_bInverse ? 4095 : 0, m_bInverse ? 0 : 4095);
    const bool signedData = m_bSignedData != 0;
    std::vector<short> table(65536);
    for (int bits = 0; bits < 65536; ++bits)
        table[size_t(bits)] = short(window.Map(signedData ? int(int16_t(uint16_t(bits))) : bits));
    const CString& photometric = m_DicomInfo.m_strPhotometricInterpretation;
    const bool lightBackground =
        (photometric == "MONOCHROME1" && inverse == 0) || (photometric == "MONOCHROME2" && inverse != 0);
    const PrintPlacement placement{printWidth, printHeight, rect, table[lightBackground ? 0x5555 : 0]};
    const bool placed =
        signedData ? PlaceWorkValues(reinterpret_cast<const short*>(m_pCurrentPixels), GetWidth(), GetHeight(),
                                     placement, table.data(), out.get())
                   : PlaceWorkValues(reinterpret_cast<const unsigned short*>(m_pCurrentPixels), GetWidth(),
                                     GetHeight(), placement, table.data(), out.get());
    return placed ? reinterpret_cast<BYTE*>(out.release()) : nullptr;
}

int CDcmImage::BurnMatrixInfoToDicomPrintPixel(unsigned char* pixels, long centre, long width)
{
    if (!BuildImageInfoMatrix())
        return pixels ? 1 : 0;
    BurnImageInfo(centre, width);
    if (pixels == nullptr)
        return 0;
    const CString& photometric = m_DicomInfo.m_strPhotometricInterpretation;
    const bool mono2 = photometric == "MONOCHROME2";
    if (!mono2 && photometric != "MONOCHROME1")
        return 1;
    const BYTE* matrix = m_InfoMatrix.GetData();
    const size_t count = size_t(m_nMatrixWidth) * size_t(m_nMatrixHeight);
    if (m_DicomInfo.m_nBitsAllocated == 8)
        BurnMarked(matrix, count, pixels, BYTE(mono2 ? 255 : 0));
    else if (m_DicomInfo.m_nBitsAllocated == 16)
        BurnMarked(matrix, count, reinterpret_cast<short*>(pixels), short(mono2 ? 4095 : 0));
    return 1;
}

int CDcmImage::GetDicomPrintPreViewPixel(unsigned char* pixels, float scale)
{
    const int w = GetWidth();
    const int h = GetHeight();
    if (pixels == nullptr || m_pBitmapBits == nullptr || w < 1 || h < 1 || !(scale > 0.0f))
        return 0;
    if (scale == 1.0f) {
        std::memcpy(pixels, m_pBitmapBits, size_t(w) * size_t(h));
        return 1;
    }
    const int sw = int(w / scale);
    const int sh = int(h / scale);
    return WholeImageResampler::Gray8Region(m_pBitmapBits, (w - sw) / 2, (h - sh) / 2, sw, sh, w, h, pixels, w, h);
}

void CDcmImage::BurnInfoTextInto(BYTE* pixels, int width, int height, int channels)
{
    CTextBitmap text;
    text.m_nWidth = width;
    text.m_nHeight = height;
    if (text.Create()) {
        text.BurnInfoText(this, m_nWindowCenter, m_nWindowWidth);
        text.MergeInto(pixels, channels);
    }
    text.Release();
}

// The display pixels placed in the relative rectangle at display size,
// with the information text when asked; null when there is nothing to show.
BYTE* CDcmImage::ComposeStatusPixels(int withInfo)
{
    const int w = GetWidth();
    const int h = GetHeight();
    const int channels = DisplayChannels();
    if (m_pBitmapBits == nullptr || channels == 0 || w < 1 || h < 1)
        return nullptr;
    CRelativeRect rect = m_RelativeRect;
    if (rect.left == 0 && rect.right == 0 && rect.top == 0)
        rect = CRelativeRect(0.0f, 0.0f, 1.0f, 1.0f);
    const int x0 = int(w * rect.left);
    const int y0 = int(h * rect.top);
    const int bw = int(w * rect.right) - x0;
    const int bh = int(h * rect.bottom) - y0;
    std::unique_ptr<BYTE[]> full(new (std::nothrow) BYTE[size_t(w) * h * channels]());
    if (!full)
        return nullptr;
    if (bw > 0 && bh > 0 && static_cast<unsigned long long>(bw) * bh <= kMaxPrintPixels) {
        std::vector<BYTE> block(size_t(bw) * bh * channels);
        const int ok = channels == 1 ? WholeImageResampler::Gray8(m_pBitmapBits, w, h, block.data(), bw, bh)
                                     : WholeImageResampler::Rgb(m_pBitmapBits, w, h, block.data(), bw, bh);
        if (!ok)
            return nullptr;
        const int xs = std::max(0, x0);
        const int xe = std::min(w, x0 + bw);
        for (int y = std::max(0, y0); y < std::min(h, y0 + bh) && xe > xs; ++y)
            std::memcpy(full.get() + (size_t(y) * w + xs) * channels,
                        block.data() + (size_t(y - y0) * bw + (xs - x0)) * channels, size_t(xe - xs) * channels);
    }
    if (withInfo)
        BurnInfoTextInto(full.get(), w, h, channels);
    return full.release();
}

int CDcmImage::GetPrintStatusBmpBits(unsigned char* pixels, int withInfo)
{
    std::unique_ptr<BYTE[]> full(ComposeStatusPixels(withInfo));
    if (!full || pixels == nullptr)
        return 0;
    std::memcpy(pixels, full.get(), size_t(GetWidth()) * GetHeight() * DisplayChannels());
    return 1;
}

int CDcmImage::ShowPrintStatusBmp(CDC* dc, CRect dest, int withInfo)
{
    const int w = GetWidth();
    const int h = GetHeight();
    const int channels = m_ColorMode == COLOR_MODE_GRAY ? 1 : 3;
    if (dc == nullptr || m_pBitmapBits == nullptr || w < 1 || h < 1)
        return 0;
    const size_t bytes = size_t(w) * h * channels;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[bytes]());
    if (!buffer)
        return 0;
    if (IsFullRect(m_RelativeRect)) {
        std::memcpy(buffer.get(), m_pBitmapBits, bytes);
        if (withInfo && (m_ColorMode == COLOR_MODE_RGB || m_ColorMode == COLOR_MODE_GRAY))
            BurnInfoTextInto(buffer.get(), w, h, channels);
    } else if (DisplayChannels() != channels || !GetPrintStatusBmpBits(buffer.get(), withInfo)) {
        return 0;
    }
    if (m_pOverLayManager)
        m_pOverLayManager->BurnAll(buffer.get(), channels == 1 ? 1 : 3, w, h);
    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(block.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = w;
    // The buffer's rows run top-down.
    info->bmiHeader.biHeight = -h;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = WORD(channels * 8);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = DWORD(bytes);
    if (channels == 1)
        for (int i = 0; i < 256; ++i)
            info->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    return StretchDIBits(dc->GetSafeHdc(), dest.left, dest.top, dest.Width(), dest.Height(), 0, 0, w, h,
                         buffer.get(), info, DIB_RGB_COLORS, SRCCOPY) != 0
               ? 1
               : 0;
}
