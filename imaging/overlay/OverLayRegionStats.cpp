#include "OverLayRegionStats.h"

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
    size_t count = 0;
    for (const PixelRun& run : counted) {
        if (!owner.IsInImage(run.x0, run.y) || !owner.IsInImage(run.x1 - 1, run.y)) {
            Clear(owner);
            return 0;
        }
        count += static_cast<size_t>(run.x1 - run.x0);
    }
    std::vector<short> values;
    values.reserve(count);
    for (const PixelRun& run : counted)
        for (int x = run.x0; x < run.x1; ++x)
            values.push_back(owner.GetImagePixel(x, run.y));
    if (!COverLay::PixelStats(values, m_dSum, m_dMean, m_dDeviation)) {
        Clear(owner);
        return 0;
    }
    m_nCount = static_cast<long long>(count);
    return 1;
}

void CRegionStats::Clear(COverLay& owner)
{
    m_dSum = 0;
    Reset();
    owner.UpdateInfoText(1);
}
