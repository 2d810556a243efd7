// Raw JPEG 2000 codestreams through our own codestream codec.
#pragma once

#include "RasterImage.h"

struct J2kImage;
struct J2kTileComponentParameters;

class CRasterJ2K : public CRasterImage {
public:
    CRasterJ2K() : CRasterImage(RASTER_FORMAT_J2K) {}
    bool Decode(CByteStream* stream);
    bool Encode(CByteStream* stream);

    static void CalcStepSizes(J2kTileComponentParameters* tccp, int precision);
    static void EncodeStepSize(int step, int numbits, int* expn, int* mant);
    static int FloorLog2(int a);

protected:
    // Bytes the single layer may take: quality x width x height / 600, worked out wide.
    static int LayerBudget(BYTE quality, DWORD width, DWORD height);
    bool FillColour(const J2kImage* image);
    bool FillComponent(const J2kImage* image, int component);
    J2kImage* MakeImageRecord();
};
