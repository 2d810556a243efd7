// Neighbourhood processes over a 24-bit buffer (3 bytes a pixel, no row
// padding): each byte of a pixel is its own channel.
#pragma once

#include <vector>

#include "ImageProcess.h"

class IMVEXA_API CImageAreaProcess : public CImageProcess {
    DECLARE_DYNAMIC(CImageAreaProcess)
public:
    CImageAreaProcess();

    int GetAreaWidth() const { return m_nWidth; }
    int GetAreaHeight() const { return m_nHeight; }

    // samples holds three planes of count bytes, one per channel, gathered at
    // the neighbourhood positions listed (row-major index into the area);
    // writes the three result bytes to out.
    virtual void ProcessPixel(const BYTE* samples, const int* positions, int count, BYTE* out) = 0;

protected:
    // Filters the rectangle in place, reading every sample from a copy of the
    // whole image; positions names the neighbourhood entries that take part.
    int RunArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth, int imageHeight,
                const std::vector<int>& positions);
    // Odd size that holds count entries (an even count grows by one).
    static int OddSize(int count) { return count / 2 * 2 + 1; }

    int m_nWidth;
    int m_nHeight;
};
