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

    // A run of bytes whose neighbourhoods lie inside the image: out[k] is
    // formed from sources[i][k], one source per position taking part.
    struct AreaRun {
        const BYTE* const* sources;
        const int* positions;
        int count;
        BYTE* out;
        size_t bytes;
    };
    using RunFunction = void (*)(CImageAreaProcess& self, const AreaRun& run);

protected:
    // Filters the rectangle in place, reading every sample from a copy of the
    // whole image; positions names the neighbourhood entries that take part.
    // Inside the image whole runs go to run; pixels at the border, whose
    // neighbourhoods repeat the edge, go one by one to ProcessPixel.
    int RunArea(BYTE* rgb, int x, int y, int w, int h, int imageWidth, int imageHeight,
                const std::vector<int>& positions, RunFunction run);
    // rows x cols values copied into a new zeroed area whose sides grow to
    // odd sizes (an even count by one); null when missing or too large.
    static int* CopyToOddArea(const int* values, int rows, int cols, int& width, int& height);

    int m_nWidth;
    int m_nHeight;
};
