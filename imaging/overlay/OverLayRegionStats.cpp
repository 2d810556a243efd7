#include "OverLayRegionStats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "OverLayManager.h"
#include "OverLayRowSums.h"

CString CRegionStats::Text(int hasSpacing) const
{
    CString text;
    if (hasSpacing)
        text.Format("M:%0.2f S:%0.2f A:%0.2f", m_dMean, m_dDeviation, m_dArea);
    else
        text.Format("M:%0.2f S:%0.2f", m_dMean, m_dDeviation);
    return text;
}

int CRegionStats::Measure(COverLay& owner, const std::vector<PixelRun>& counted)
{
    const long long count = CountInImage(owner, counted);
    const CRowSums* sums = count > 0 && owner.m_pManager != nullptr ? owner.m_pManager->RowSumsFor(count) : nullptr;
    return MeasureBy(owner, counted, sums);
}

int CRegionStats::MeasureBy(COverLay& owner, const std::vector<PixelRun>& counted, const CRowSums* sums)
{
    const long long count = CountInImage(owner, counted);
    const size_t n = static_cast<size_t>(std::max(count, 0LL));
    if (count <= 0 || !(sums != nullptr ? SumRuns(*sums, counted, n) : WalkRuns(owner, counted, n))) {
        Clear(owner);
        return 0;
    }
    m_nCount = count;
    return 1;
}

long long CRegionStats::CountInImage(COverLay& owner, const std::vector<PixelRun>& counted)
{
    long long count = 0;
    for (const PixelRun& run : counted) {
        if (!owner.IsInImage(run.x0, run.y) || !owner.IsInImage(run.x1 - 1, run.y))
            return -1;
        count += run.x1 - run.x0;
    }
    return count;
}

int CRegionStats::WalkRuns(COverLay& owner, const std::vector<PixelRun>& counted, size_t count)
{
    std::vector<int> values;
    values.reserve(count);
    for (const PixelRun& run : counted)
        for (int x = run.x0; x < run.x1; ++x)
            values.push_back(owner.GetImagePixel(x, run.y));
    return COverLay::PixelStats(values, m_dSum, m_dMean, m_dDeviation);
}

int CRegionStats::SumRuns(const CRowSums& sums, const std::vector<PixelRun>& counted, size_t count)
{
    if (count == 0)
        return 0;
    int64_t sum = 0;
    uint64_t squares = 0;
    for (const PixelRun& run : counted)
        sums.AddRun(run, sum, squares);
    const double n = static_cast<double>(count);
    m_dSum = static_cast<double>(sum);
    m_dMean = m_dSum / n;
    // n times the squared deviations from the mean, exact.
    const __int128 spread = static_cast<__int128>(count) * squares - static_cast<__int128>(sum) * sum;
    m_dDeviation = std::sqrt(static_cast<double>(spread) / n / n);
    return 1;
}

void CRegionStats::Clear(COverLay& owner)
{
    m_dSum = 0;
    Reset();
    owner.UpdateInfoText(1);
}
