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

int CRegionStats::Measure(COverLay& owner, const CArray<CPoint, CPoint>& counted)
{
    if (owner.MeasurePixels(counted, m_dSum, m_dMean, m_dDeviation))
        return 1;
    m_dSum = 0;
    Reset();
    owner.UpdateInfoText(1);
    return 0;
}
