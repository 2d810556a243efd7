#include "EmbossFilter.h"

#include <algorithm>

PLATFORM_IMPLEMENT_RUNTIMECLASS(CEmbossFilter, CConvolutionFilter, 0, nullptr)

CEmbossFilter::CEmbossFilter() : m_byFirst(128), m_bySecond(128), m_byThird(128) {}

void CEmbossFilter::SetOffset(BYTE first, BYTE second, BYTE third)
{
    m_byFirst = first;
    m_bySecond = second;
    m_byThird = third;
}

void CEmbossFilter::ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out)
{
    const int offsets[3] = {m_byThird, m_bySecond, m_byFirst};
    for (int c = 0; c < 3; ++c) {
        const int value = Convolve(samples + c * count, positions, count) + offsets[c];
        out[c] = static_cast<BYTE>(std::clamp(value, 0, 255));
    }
}
