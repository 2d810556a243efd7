#include "ImageAreaProcess.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ImageLimits.h"

PLATFORM_IMPLEMENT_RUNTIMECLASS(CImageAreaProcess, CImageProcess, 0, nullptr)

namespace {

struct AreaGeometry {
    int imageWidth;
    int imageHeight;
    int halfW;
    int halfH;
    int areaWidth;
};

// Neighbourhood of (column, row) with indexes outside the image taken at the edge.
void GatherClamped(const BYTE* copy, const AreaGeometry& g, int column, int row,
                   const std::vector<int>& positions, BYTE* samples)
{
    const size_t count = positions.size();
    for (size_t i = 0; i < count; ++i) {
        const int sy = std::clamp(row + positions[i] / g.areaWidth - g.halfH, 0, g.imageHeight - 1);
        const int sx = std::clamp(column + positions[i] % g.areaWidth - g.halfW, 0, g.imageWidth - 1);
        const BYTE* p = copy + (static_cast<size_t>(sy) * g.imageWidth + sx) * 3;
        samples[i] = p[0];
        samples[count + i] = p[1];
        samples[2 * count + i] = p[2];
    }
}

}  // namespace

CImageAreaProcess::CImageAreaProcess() : m_nWidth(1), m_nHeight(1) {}

int* CImageAreaProcess::CopyToOddArea(const int* values, int rows, int cols, int& width, int& height)
{
    if (values == nullptr || rows < 1 || cols < 1)
        return nullptr;
    height = rows / 2 * 2 + 1;
    width = cols / 2 * 2 + 1;
    const uint64_t entries = ImageLimits::BlockBytes(width, height, sizeof(int)) / sizeof(int);
    int* area = entries ? new (std::nothrow) int[entries]() : nullptr;
    if (area == nullptr)
        return nullptr;
    for (int r = 0; r < rows; ++r)
        std::copy(values + static_cast<size_t>(r) * cols, values + static_cast<size_t>(r + 1) * cols,
                  area + static_cast<size_t>(r) * width);
    return area;
}

int CImageAreaProcess::RunArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth,
                               int imageHeight, const std::vector<int>& positions, RunFunction run)
{
    if (rgb == nullptr || positions.empty() || x < 0 || y < 0 || x > imageWidth - 1 ||
        y > imageHeight - 1)
        return 0;
    w = std::min(w, imageWidth - x);
    h = std::min(h, imageHeight - y);
    const uint64_t bytes = ImageLimits::BlockBytes(imageWidth, imageHeight, 3);
    if (bytes == 0)
        return 0;
    BYTE* copy = new (std::nothrow) BYTE[bytes];
    if (copy == nullptr)
        return 0;
    std::memcpy(copy, rgb, bytes);

    const AreaGeometry g{imageWidth, imageHeight, (m_nWidth - 1) / 2, (m_nHeight - 1) / 2, m_nWidth};
    const int count = static_cast<int>(positions.size());
    std::vector<BYTE> samples(static_cast<size_t>(count) * 3);
    std::vector<ptrdiff_t> offsets(positions.size());
    for (int i = 0; i < count; ++i)
        offsets[i] = (static_cast<ptrdiff_t>(positions[i] / m_nWidth - g.halfH) * imageWidth +
                      positions[i] % m_nWidth - g.halfW) * 3;
    std::vector<const BYTE*> sources(positions.size());

    for (int row = y; row < y + h; ++row) {
        // Pixels whose whole neighbourhood lies inside the image gather without clamping.
        const bool rowInside = row - g.halfH >= 0 && row + g.halfH <= imageHeight - 1;
        const int innerBegin = rowInside ? std::max(x, g.halfW) : x + w;
        const int innerEnd = rowInside ? std::max(innerBegin, std::min(x + w, imageWidth - g.halfW)) : x + w;
        const size_t rowStart = static_cast<size_t>(row) * imageWidth * 3;
        for (int column = x; column < x + w; ++column) {
            if (column == innerBegin && innerEnd > innerBegin) {
                const size_t start = rowStart + static_cast<size_t>(column) * 3;
                for (int i = 0; i < count; ++i)
                    sources[i] = copy + start + offsets[i];
                const AreaRun area{sources.data(), positions.data(), count, rgb + start,
                                   static_cast<size_t>(innerEnd - innerBegin) * 3};
                run(*this, area);
                column = innerEnd - 1;
                continue;
            }
            GatherClamped(copy, g, column, row, positions, samples.data());
            ProcessPixel(samples.data(), positions.data(), count, rgb + rowStart + static_cast<size_t>(column) * 3);
        }
    }
    delete[] copy;
    return 1;
}
