// Windows bitmap codec.
#pragma once

#include "RasterImage.h"

class CRasterBMP : public CRasterImage {
public:
    CRasterBMP() : CRasterImage(RASTER_FORMAT_BMP) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

protected:
    bool ReadInfoHeader(CByteStream* stream, BITMAPINFOHEADER* pdibinfo);
    void DecodeBody(CByteStream* stream);
    void ReadPalette(CByteStream* stream, DWORD colours, bool coreHeader);
    void ReadAvailable(CByteStream* stream, void* dest, size_t bytes);
    bool SeekToBits(CByteStream* stream, long start, DWORD offset);
    void ReadBitfields16(CByteStream* stream, long start, DWORD offset, DWORD compression,
                         DWORD headerSize);
    void Read32(CByteStream* stream, long start, DWORD offset, DWORD compression);
    void ReadRLE8(CByteStream* stream);
    void ReadRLE4(CByteStream* stream);
};
