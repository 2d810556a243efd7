// Windows icon codec.
#pragma once

#include "RasterImage.h"

class CRasterICO : public CRasterImage {
public:
    CRasterICO() : CRasterImage(RASTER_FORMAT_ICO) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

protected:
    void DecodeBody(CByteStream* stream);
    void ReadPixels(CByteStream* stream, const BITMAPINFOHEADER& bih);
    void ApplyMask(const BYTE* mask, DWORD maskRowBytes, bool hadAlpha);
    void UseTransparentColour(const BYTE* mask, DWORD maskRowBytes);
    void UseFreeIndex(const BYTE* mask, DWORD maskRowBytes);
    bool IsMaskedPixel(const BYTE* mask, DWORD maskRowBytes, long x, long y) const;
    bool IsTransparentForMask(long x, long y);
};
