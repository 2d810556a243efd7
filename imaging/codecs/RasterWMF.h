// Windows metafile and enhanced metafile reader: the drawing is played onto
// a bitmap at the file's own size.
#pragma once

#include "RasterImage.h"
#include "gdi/gdi.h"

class CRasterWMF : public CRasterImage {
public:
#pragma pack(push, 1)
    struct PlaceableHeader {
        DWORD key;
        WORD handle;
        SHORT left, top, right, bottom;
        WORD inch;
        DWORD reserved;
        WORD checksum;
    };
#pragma pack(pop)

    CRasterWMF() : CRasterImage(RASTER_FORMAT_WMF) {}
    bool Decode(CByteStream* stream, long forcedWidth = 0, long forcedHeight = 0);
    bool Encode(CByteStream* stream);

protected:
    HENHMETAFILE ReadPlaceable(CByteStream* stream, PlaceableHeader& header);
    static bool CheckPlaceableHeader(const PlaceableHeader& header);
    HENHMETAFILE ReadEnhanced(CByteStream* stream, ENHMETAHEADER& header);
    static void ShrinkToLimit(long& width, long& height);
    bool Render(HENHMETAFILE metafile, long width, long height);
};
static_assert(sizeof(CRasterWMF::PlaceableHeader) == 22, "placeable metafile header layout");
