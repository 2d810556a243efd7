// Pixel statistics of a region overlay and their text.
#pragma once

#include <vector>

#include "OverLay.h"
#include "OverLayRegionRuns.h"

class CRowSums;

class CRegionStats {
public:
    CRegionStats() : m_dSum(0), m_dMean(0), m_dDeviation(0), m_dArea(0) {}

    CString Text(int hasSpacing) const;
    // Measures the counted pixels; returns 0 (all values and the text reset)
    // when one lies outside the image or there is none.
    // Regions measured together by the manager sum through its row sums.
    int Measure(COverLay& owner, const std::vector<PixelRun>& counted);
    // The same through the given road: each pixel read when sums is null.
    int MeasureBy(COverLay& owner, const std::vector<PixelRun>& counted, const CRowSums* sums);
    // Resets the values and the text as a region outside the image does.
    void Clear(COverLay& owner);
    void Reset() { m_dMean = m_dDeviation = m_dArea = 0; }

    double m_dSum;
    double m_dMean;
    double m_dDeviation;
    double m_dArea;
    // Pixels counted by the last measurement that succeeded.
    long long m_nCount = 0;

private:
    // The pixels of the runs; -1 when one lies outside the image.
    static long long CountInImage(COverLay& owner, const std::vector<PixelRun>& counted);
    // The two roads to the same values: each pixel read, or the frame's row
    // sums once a pass has measured many pixels. 0 for no pixel.
    int WalkRuns(COverLay& owner, const std::vector<PixelRun>& counted, size_t count);
    int SumRuns(const CRowSums& sums, const std::vector<PixelRun>& counted, size_t count);
};
