// Convolution with a per-channel offset added before clamping, so that a
// flat area comes out mid-grey.
#pragma once

#include "ConvolutionFilter.h"

class IMVEXA_API CEmbossFilter : public CConvolutionFilter {
    DECLARE_DYNAMIC(CEmbossFilter)
public:
    CEmbossFilter();

    // first applies to the third byte of every pixel, third to the first byte.
    void SetOffset(BYTE first, BYTE second, BYTE third);
    void ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out) override;

protected:
    BYTE m_byFirst;
    BYTE m_bySecond;
    BYTE m_byThird;
};
