// PCX codec: packed pixels of 1 to 8 bits, bit planes, 24-bit colour
// planes, run-length coded.
#pragma once

#include "RasterImage.h"

class CMemoryStream;

class CRasterPCX : public CRasterImage {
public:
    CRasterPCX() : CRasterImage(RASTER_FORMAT_PCX) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

#pragma pack(push, 1)
    struct PCXHEADER {
        BYTE Manufacturer;
        BYTE Version;
        BYTE Encoding;
        BYTE BitsPerPixel;
        WORD Xmin, Ymin, Xmax, Ymax;
        WORD Hres, Vres;
        BYTE ColorMap[16][3];
        BYTE Reserved;
        BYTE NPlanes;
        WORD BytesPerLine;
        WORD PaletteInfo;
        BYTE Filler[58];
    };
#pragma pack(pop)

protected:
    void DecodeBody(CByteStream* stream);
    void CheckHeader(const PCXHEADER& header);
    void ReadRunLengthData(CByteStream* stream, BYTE* data, size_t total);
    void ReadPalette(CByteStream* stream, const PCXHEADER& header);
    void StoreRow(const BYTE* planes, const PCXHEADER& header, DWORD row, BYTE* pixels);
    void MergeBitPlanes(BYTE* pixels, const BYTE* planes, DWORD bytesPerLine, DWORD nPlanes,
                        DWORD bitsPerPixel);
    void SplitPackedPixels(BYTE* pixels, const BYTE* planes, DWORD bytesPerLine, DWORD nPlanes,
                           DWORD bitsPerPixel);
    static void PackRunByte(int value, int& last, int& count, CByteStream* stream);
    static void PackRunLine(const BYTE* bytes, DWORD length, CByteStream* stream);
    static void PackBitPlane(const BYTE* pixels, DWORD count, BYTE* plane, DWORD bit);
    void FillEncodeHeader(PCXHEADER& header);
    void EncodeRows(const PCXHEADER& header, CMemoryStream& coded);
};
