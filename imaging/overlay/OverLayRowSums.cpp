#include "OverLayRowSums.h"

#include <new>

int CRowSums::Build(CSize image, const std::function<int(int, int)>& value)
{
    m_nColumns = 0;
    const int columns = image.cx, rows = image.cy;
    if (columns <= 0 || rows <= 0)
        return 0;
    const int steps = columns / kStep + 1;
    try {
        m_Values.resize(static_cast<size_t>(columns) * rows);
        m_Sums.resize(static_cast<size_t>(steps) * rows);
        m_Squares.resize(m_Sums.size());
    } catch (const std::bad_alloc&) {
        m_Values = {};
        m_Sums = {};
        m_Squares = {};
        return 0;
    }
    for (int y = 0; y < rows; ++y) {
        int32_t* row = &m_Values[static_cast<size_t>(y) * columns];
        int64_t* sums = &m_Sums[static_cast<size_t>(y) * steps];
        uint64_t* squares = &m_Squares[static_cast<size_t>(y) * steps];
        int64_t sum = 0;
        uint64_t square = 0;
        for (int x = 0; x < columns; ++x) {
            if (x % kStep == 0) {
                sums[x / kStep] = sum;
                squares[x / kStep] = square;
            }
            const int v = value(x, y);
            row[x] = v;
            sum += v;
            square += Square(v);
        }
        if (columns % kStep == 0) {
            sums[columns / kStep] = sum;
            squares[columns / kStep] = square;
        }
    }
    m_nColumns = columns;
    m_nStepsPerRow = steps;
    return 1;
}

void CRowSums::Before(int x, int y, int64_t& sum, uint64_t& squares) const
{
    const size_t step = static_cast<size_t>(y) * m_nStepsPerRow + static_cast<size_t>(x / kStep);
    sum = m_Sums[step];
    squares = m_Squares[step];
    const int32_t* row = &m_Values[static_cast<size_t>(y) * m_nColumns];
    for (int i = x - x % kStep; i < x; ++i) {
        sum += row[i];
        squares += Square(row[i]);
    }
}

void CRowSums::AddRun(const PixelRun& run, int64_t& sum, uint64_t& squares) const
{
    int64_t sum0, sum1;
    uint64_t squares0, squares1;
    Before(run.x0, run.y, sum0, squares0);
    Before(run.x1, run.y, sum1, squares1);
    sum += sum1 - sum0;
    squares += squares1 - squares0;
}
