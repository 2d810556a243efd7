// Wireless bitmap codec (type 0, one bit per pixel).
#pragma once

#include "RasterImage.h"

class CRasterWBMP : public CRasterImage {
public:
    CRasterWBMP() : CRasterImage(RASTER_FORMAT_WBMP) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

protected:
    void DecodeBody(CByteStream* stream);
    static DWORD ReadMultiByte(CByteStream* stream);
    static void WriteMultiByte(CByteStream* stream, DWORD value);
};
