#include "ImageAreaProcess.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ImageLimits.h"

PLATFORM_IMPLEMENT_RUNTIMECLASS(CImageAreaProcess, CImageProcess, 0, nullptr)

namespace {

// Original rows of the image around the row being filtered: results are
// written in place, so each row is saved before anything overwrites it and
// kept until no later neighbourhood reaches it.
class OriginalRows {
public:
    OriginalRows(const BYTE* image, int width, int height, int reach)
        : m_pImage(image), m_nHeight(height), m_nRows(std::min(2 * reach + 1, height)),
          m_nReach(reach), m_RowBytes(static_cast<size_t>(width) * 3), m_nLoaded(-1)
    {
        const uint64_t bytes = ImageLimits::BlockBytes(width, m_nRows, 3);
        m_pRows = bytes ? new (std::nothrow) BYTE[bytes] : nullptr;
    }
    ~OriginalRows() { delete[] m_pRows; }
    OriginalRows(const OriginalRows&) = delete;
    OriginalRows& operator=(const OriginalRows&) = delete;

    bool Valid() const { return m_pRows != nullptr; }
    // Saves the rows the neighbourhoods of row reach, up to reach rows below it.
    void Prepare(int row)
    {
        if (m_nLoaded < 0)
            m_nLoaded = std::max(0, row - m_nReach) - 1;
        for (const int last = std::min(row + m_nReach, m_nHeight - 1); m_nLoaded < last;) {
            ++m_nLoaded;
            std::memcpy(Slot(m_nLoaded), m_pImage + m_nLoaded * m_RowBytes, m_RowBytes);
        }
    }
    // Original row y, taken at the edge when y lies outside the image.
    const BYTE* Row(int y) const { return Slot(std::clamp(y, 0, m_nHeight - 1)); }

private:
    BYTE* Slot(int y) const { return m_pRows + static_cast<size_t>(y % m_nRows) * m_RowBytes; }

    const BYTE* m_pImage;
    int m_nHeight;
    int m_nRows;
    int m_nReach;
    size_t m_RowBytes;
    int m_nLoaded;
    BYTE* m_pRows;
};

struct Neighbour {
    int dx;
    int dy;
};

// Neighbourhood of (column, row) with indexes outside the image taken at the edge.
void GatherClamped(const OriginalRows& rows, int imageWidth, int column, int row,
                   const std::vector<Neighbour>& neighbours, BYTE* samples)
{
    const size_t count = neighbours.size();
    for (size_t i = 0; i < count; ++i) {
        const int sx = std::clamp(column + neighbours[i].dx, 0, imageWidth - 1);
        const BYTE* p = rows.Row(row + neighbours[i].dy) + static_cast<size_t>(sx) * 3;
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
    if (ImageLimits::BlockBytes(imageWidth, imageHeight, 3) == 0)
        return 0;
    const int halfW = (m_nWidth - 1) / 2, halfH = (m_nHeight - 1) / 2;
    OriginalRows rows(rgb, imageWidth, imageHeight, halfH);
    if (!rows.Valid())
        return 0;
    const int count = static_cast<int>(positions.size());
    std::vector<Neighbour> neighbours(positions.size());
    for (int i = 0; i < count; ++i)
        neighbours[i] = Neighbour{positions[i] % m_nWidth - halfW, positions[i] / m_nWidth - halfH};
    std::vector<BYTE> samples(static_cast<size_t>(count) * 3);
    std::vector<const BYTE*> sources(positions.size());

    for (int row = y; row < y + h; ++row) {
        rows.Prepare(row);
        // Pixels whose whole neighbourhood lies inside the image need no clamping.
        const bool rowInside = row - halfH >= 0 && row + halfH <= imageHeight - 1;
        const int innerBegin = rowInside ? std::max(x, halfW) : x + w;
        const int innerEnd = rowInside ? std::max(innerBegin, std::min(x + w, imageWidth - halfW)) : x + w;
        BYTE* out = rgb + static_cast<size_t>(row) * imageWidth * 3;
        for (int column = x; column < x + w; ++column) {
            if (column == innerBegin && innerEnd > innerBegin) {
                for (int i = 0; i < count; ++i)
                    sources[i] = rows.Row(row + neighbours[i].dy) + static_cast<ptrdiff_t>(column + neighbours[i].dx) * 3;
                const AreaRun area{sources.data(), positions.data(), count, out + static_cast<size_t>(column) * 3,
                                   static_cast<size_t>(innerEnd - innerBegin) * 3};
                run(*this, area);
                column = innerEnd - 1;
                continue;
            }
            GatherClamped(rows, imageWidth, column, row, neighbours, samples.data());
            ProcessPixel(samples.data(), positions.data(), count, out + static_cast<size_t>(column) * 3);
        }
    }
    return 1;
}
