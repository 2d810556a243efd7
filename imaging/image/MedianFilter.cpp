#include "MedianFilter.h"

#include <algorithm>
#include <cstring>
#include <new>


PLATFORM_IMPLEMENT_RUNTIMECLASS(CMedianFilter, CImageAreaProcess, 0, nullptr)

namespace {

// Sixteen bytes compared lane by lane.
using ByteLanes = BYTE __attribute__((vector_size(16)));

inline void Order(BYTE& a, BYTE& b)
{
    const BYTE low = std::min(a, b);
    b = std::max(a, b);
    a = low;
}

inline void Order(ByteLanes& a, ByteLanes& b)
{
    const ByteLanes low = a < b ? a : b;
    b = a < b ? b : a;
    a = low;
}

// Fifth smallest of nine by a fixed exchange network: the common 3 x 3 and
// cross masks stay clear of a full sort.
template <typename T>
T MedianOfNine(T* p)
{
    Order(p[1], p[2]); Order(p[4], p[5]); Order(p[7], p[8]);
    Order(p[0], p[1]); Order(p[3], p[4]); Order(p[6], p[7]);
    Order(p[1], p[2]); Order(p[4], p[5]); Order(p[7], p[8]);
    Order(p[0], p[3]); Order(p[5], p[8]); Order(p[4], p[7]);
    Order(p[3], p[6]); Order(p[1], p[4]); Order(p[2], p[5]);
    Order(p[4], p[7]); Order(p[4], p[2]); Order(p[6], p[4]);
    Order(p[4], p[2]);
    return p[4];
}

// Nine sources, sixteen bytes at a time through the same network.
void MedianOfNineRun(const BYTE* const* sources, BYTE* out, size_t bytes)
{
    size_t k = 0;
    for (; k + 16 <= bytes; k += 16) {
        ByteLanes lanes[9];
        for (int i = 0; i < 9; ++i)
            std::memcpy(&lanes[i], sources[i] + k, 16);
        const ByteLanes median = MedianOfNine(lanes);
        std::memcpy(out + k, &median, 16);
    }
    for (; k < bytes; ++k) {
        BYTE values[9];
        for (int i = 0; i < 9; ++i)
            values[i] = sources[i][k];
        out[k] = MedianOfNine(values);
    }
}

// The element at index count / 2 of the ascending order.
BYTE Median(const BYTE* values, int count, BYTE* scratch)
{
    std::copy(values, values + count, scratch);
    if (count == 9)
        return MedianOfNine(scratch);
    std::nth_element(scratch, scratch + count / 2, scratch + count);
    return scratch[count / 2];
}

}  // namespace

CMedianFilter::CMedianFilter() : m_pMask(nullptr), m_nCount(0)
{
    m_dwProcessCode = 0x10002;
}

CMedianFilter::~CMedianFilter()
{
    delete[] m_pMask;
}

int CMedianFilter::SetMask(const int* mask, int rows, int cols)
{
    int width = 0, height = 0;
    int* copy = CopyToOddArea(mask, rows, cols, width, height);
    if (copy == nullptr)
        return 0;
    delete[] m_pMask;
    m_pMask = copy;
    m_nWidth = width;
    m_nHeight = height;
    m_nCount = static_cast<int>(std::count_if(copy, copy + width * height, [](int entry) { return entry != 0; }));
    return 1;
}

int CMedianFilter::ProcessArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth, int imageHeight)
{
    if (m_nCount == 0 || m_pMask == nullptr)
        return 0;
    std::vector<int> positions;
    for (int i = 0; i < m_nWidth * m_nHeight; ++i)
        if (m_pMask[i] != 0)
            positions.push_back(i);
    return RunArea(rgb, x, y, w, h, imageWidth, imageHeight, positions, Run);
}

void CMedianFilter::Run(CImageAreaProcess&, const AreaRun& run)
{
    // Held apart from the run: the byte stores below could alias it.
    const int count = run.count;
    if (count <= 0)
        return;
    if (count == 9) {
        MedianOfNineRun(run.sources, run.out, run.bytes);
        return;
    }
    std::vector<BYTE> values(count), scratch(count);
    for (size_t k = 0; k < run.bytes; ++k) {
        for (int i = 0; i < count; ++i)
            values[i] = run.sources[i][k];
        run.out[k] = Median(values.data(), count, scratch.data());
    }
}

void CMedianFilter::ProcessPixel(const BYTE* samples, const int*, int count, BYTE* out)
{
    BYTE scratch[256];
    std::vector<BYTE> large;
    BYTE* work = scratch;
    if (count > 256) {
        large.resize(count);
        work = large.data();
    }
    for (int c = 0; c < 3; ++c)
        out[c] = Median(samples + c * count, count, work);
}
