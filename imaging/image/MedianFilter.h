// Median of the neighbourhood entries a mask selects, per channel.
#pragma once

#include "ImageAreaProcess.h"

class IMVEXA_API CMedianFilter : public CImageAreaProcess {
    DECLARE_DYNAMIC(CMedianFilter)
public:
    CMedianFilter();
    ~CMedianFilter() override;

    // rows x cols entries, non-zero = take part; even sizes grow to the next
    // odd one. 0 when the mask is missing or too large.
    int SetMask(const int* mask, int rows, int cols);
    int ProcessArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth, int imageHeight);
    void ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out) override;

    int GetMaskCount() const { return m_nCount; }

protected:
    int* m_pMask;
    int m_nCount;

private:
    static void Run(CImageAreaProcess& self, const AreaRun& run);

    CMedianFilter(const CMedianFilter&) = delete;
    CMedianFilter& operator=(const CMedianFilter&) = delete;
};
