#include "Dib.h"

#include <algorithm>
#include <cstring>

#include "ImageLimits.h"

PLATFORM_IMPLEMENT_RUNTIMECLASS(CDib, CObject, 0, nullptr)

namespace {

inline void WriteColour(const RGBQUAD& colour, BYTE* out)
{
    out[0] = colour.rgbBlue;
    out[1] = colour.rgbGreen;
    out[2] = colour.rgbRed;
}

}  // namespace

CDib::CDib()
    : m_pColors(nullptr), m_pBits(nullptr), m_nWidth(0), m_nHeight(0), m_nBitCount(0),
      m_nColors(0), m_hMemory(nullptr)
{
}

CDib::CDib(const char*) : CDib() {}

CDib::~CDib()
{
    Release();
}

void CDib::Release()
{
    if (m_hMemory) {
        GlobalUnlock(m_hMemory);
        GlobalFree(m_hMemory);
    }
    m_hMemory = nullptr;
    m_pColors = nullptr;
    m_pBits = nullptr;
    m_nWidth = m_nHeight = m_nBitCount = m_nColors = 0;
}

int CDib::RowLength(int width, int bitCount)
{
    long long bytes;
    switch (bitCount) {
    case 1: bytes = (static_cast<long long>(width) + 7) / 8; break;
    case 4: bytes = (static_cast<long long>(width) + 1) / 2; break;
    case 24: bytes = static_cast<long long>(width) * 3; break;
    default: bytes = width;
    }
    bytes = (bytes + 3) / 4 * 4;
    return bytes > 0x7FFFFFFF ? 0 : static_cast<int>(bytes);
}

int CDib::Create(const BYTE* bits, size_t bytes, int width, int height, int bitCount,
                 const RGBQUAD* colours)
{
    Release();
    if (bits == nullptr || width < 1 || height < 1)
        return 0;
    const int colourCount = bitCount == 1 ? 2 : bitCount == 4 ? 16 : 0;
    if (colourCount && colours == nullptr)
        return 0;
    const uint64_t bitsBytes = ImageLimits::BlockBytes(RowLength(width, bitCount), height, 1);
    if (bitsBytes == 0)
        return 0;
    const size_t tableBytes = colourCount * sizeof(RGBQUAD);
    m_hMemory = GlobalAlloc(GHND, tableBytes + bitsBytes);
    BYTE* block = m_hMemory ? static_cast<BYTE*>(GlobalLock(m_hMemory)) : nullptr;
    if (block == nullptr) {
        Release();
        return 0;
    }
    if (colourCount) {
        std::memcpy(block, colours, tableBytes);
        m_pColors = reinterpret_cast<RGBQUAD*>(block);
    }
    m_pBits = block + tableBytes;
    std::memcpy(m_pBits, bits, std::min<uint64_t>(bytes, bitsBytes));
    m_nWidth = width;
    m_nHeight = height;
    m_nBitCount = bitCount;
    m_nColors = colourCount;
    return 1;
}

void CDib::ExpandRow(const BYTE* row, BYTE* out) const
{
    switch (m_nBitCount) {
    case 1:
        for (int x = 0; x < m_nWidth; ++x, out += 3)
            WriteColour(m_pColors[(row[x / 8] >> (7 - x % 8)) & 1], out);
        break;
    case 4:
        for (int x = 0; x < m_nWidth; ++x, out += 3)
            WriteColour(m_pColors[x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F], out);
        break;
    case 8:
        for (int x = 0; x < m_nWidth; ++x, out += 3)
            out[0] = out[1] = out[2] = row[x];
        break;
    default:
        std::memcpy(out, row, static_cast<size_t>(m_nWidth) * 3);
    }
}

long long CDib::ExpandTo24(BYTE* out) const
{
    if (m_pBits == nullptr)
        return 0;
    const long long pixels = static_cast<long long>(m_nWidth) * m_nHeight;
    if (m_nBitCount != 1 && m_nBitCount != 4 && m_nBitCount != 8 && m_nBitCount != 24)
        return pixels;
    if (out == nullptr)
        return 0;
    const size_t rowLength = RowLength(m_nWidth, m_nBitCount);
    for (int y = 0; y < m_nHeight; ++y)
        ExpandRow(m_pBits + static_cast<size_t>(m_nHeight - 1 - y) * rowLength,
                  out + static_cast<size_t>(y) * m_nWidth * 3);
    return pixels * 3;
}
