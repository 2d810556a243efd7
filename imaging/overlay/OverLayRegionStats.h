// Pixel statistics of a region overlay and their text.
#pragma once

#include <vector>

#include "OverLay.h"
#include "OverLayRegionRuns.h"

class CRegionStats {
public:
    CRegionStats() : m_dSum(0), m_dMean(0), m_dDeviation(0), m_dArea(0) {}

    CString Text(int hasSpacing) const;
    // Measures the counted pixels; returns 0 (all values and the text reset)
    // when one lies outside the image or there is none.
    int Measure(COverLay& owner, const std::vector<PixelRun>& counted);
    // Resets the values and the text as a region outside the image does.
    void Clear(COverLay& owner);
    void Reset() { m_dMean = m_dDeviation = m_dArea = 0; }

    double m_dSum;
    double m_dMean;
    double m_dDeviation;
    double m_dArea;
    // Pixels counted by the last measurement that succeeded.
    long long m_nCount = 0;
};
