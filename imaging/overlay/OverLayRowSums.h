// Running totals of a frame's values and of their squares along each row,
// kept every few columns, so that a run of pixels sums in a few reads
// whatever its length. The totals are exact integers: the squares of a whole
// frame of values up to 65535 still fit 64 unsigned bits.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "OverLayRegionRuns.h"

class CRowSums {
public:
    // Reads every pixel of the frame once through value(x, y); 0 when the
    // memory is not there.
    int Build(CSize image, const std::function<int(int, int)>& value);
    int IsBuilt() const { return m_nColumns > 0 ? 1 : 0; }
    // Adds the values of a run inside the frame, and their squares.
    void AddRun(const PixelRun& run, int64_t& sum, uint64_t& squares) const;

private:
    static constexpr int kStep = 8;

    // The totals of row y left of column x.
    void Before(int x, int y, int64_t& sum, uint64_t& squares) const;
    static uint64_t Square(int64_t v) { return static_cast<uint64_t>(v * v); }

    int m_nColumns = 0;
    int m_nStepsPerRow = 0;
    std::vector<int32_t> m_Values;
    std::vector<int64_t> m_Sums;
    std::vector<uint64_t> m_Squares;
};
