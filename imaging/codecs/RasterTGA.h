// Targa codec: colour-mapped, true-colour and grey pictures, plain or
// run-length coded.
#pragma once

#include "RasterImage.h"

class CRasterTGA : public CRasterImage {
public:
    CRasterTGA() : CRasterImage(RASTER_FORMAT_TGA) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

#pragma pack(push, 1)
    struct TargaHeader {
        BYTE IdLength;
        BYTE CmapType;
        BYTE ImageType;
        WORD CmapIndex;
        WORD CmapLength;
        BYTE CmapEntrySize;
        WORD X_Origin;
        WORD Y_Origin;
        WORD ImageWidth;
        WORD ImageHeight;
        BYTE PixelDepth;
        BYTE ImagDesc;
    };
#pragma pack(pop)

    // A packet that runs past the end of a row goes on in the next one.
    struct RunState {
        DWORD left = 0;
        bool repeat = false;
        BYTE pixel[4] = {0, 0, 0, 0};
    };

protected:
    void DecodeBody(CByteStream* stream);
    void CheckHeader(const TargaHeader& header, CByteStream* stream);
    void ReadColourMap(CByteStream* stream, const TargaHeader& header);
    RunState ReadRunLengthRow(BYTE* row, const TargaHeader& header, CByteStream* stream, DWORD width,
                              DWORD rowNumber, RunState carried);
    void ReadPlainRow(BYTE* row, const TargaHeader& header, CByteStream* stream, DWORD count,
                      DWORD rowNumber, DWORD firstColumn);
    void StorePixel(const BYTE* pixel, BYTE* row, DWORD x, DWORD rowNumber, BYTE depth);
};
