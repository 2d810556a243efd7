// Convolution of a 24-bit buffer with a built-in or a caller's kernel.
#pragma once

#include "ImageAreaProcess.h"

class IMVEXA_API CConvolutionFilter : public CImageAreaProcess {
    DECLARE_DYNAMIC(CConvolutionFilter)
public:
    CConvolutionFilter();
    ~CConvolutionFilter() override;

    // A code of the built-in table also selects its kernel.
    void SetProcessCode(DWORD code) override;
    // rows x cols weights, row-major; even sizes grow to the next odd one
    // with zero weights. 0 when the weights are missing or too many.
    int SetKernel(const int* weights, int rows, int cols);
    int ProcessArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth, int imageHeight);
    void ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out) override;

    int GetDivisor() const { return m_nDivisor; }
    const int* GetKernel() const { return m_pKernel; }

protected:
    // Weighted sum of one channel, divided unless the divisor is 0 or 1.
    int Convolve(const BYTE* channel, const int* positions, int count) const;
    // Weighted sums of a run of bytes, divided, with offsets[c] added to
    // the sums of channel c, clamped to bytes.
    void ConvolveRun(const AreaRun& run, const int offsets[3]) const;

    int m_nDivisor;
    int* m_pKernel;

private:
    CConvolutionFilter(const CConvolutionFilter&) = delete;
    CConvolutionFilter& operator=(const CConvolutionFilter&) = delete;

    void ReplaceKernel(int width, int height, int* kernel, int divisor);
    static void Run(CImageAreaProcess& self, const AreaRun& run);
};
