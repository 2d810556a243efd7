// PNG codec over libpng.
#pragma once

#include "RasterImage.h"

class CRasterPNG : public CRasterImage {
public:
    CRasterPNG() : CRasterImage(RASTER_FORMAT_PNG) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

protected:
    static void WidenTwoBitRow(BYTE* row, DWORD width);
    BYTE EncodedAlpha(long x, long y);
    void FillIndexRow(BYTE* out, DWORD y, const BYTE* indexMap);
    void FillColourRow(BYTE* out, DWORD y);
    void FillAlphaRow(BYTE* out, DWORD y);
};
