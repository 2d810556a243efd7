// JP2, JPEG 2000 codestream, PGX, PNM and Sun raster files through the
// component image layer, which also recognises them when no format is given.
#pragma once

#include "RasterImage.h"

#include <vector>

struct jas_image_t;
struct jas_matrix_t;
struct jas_stream_t;

class CRasterJAS : public CRasterImage {
public:
    explicit CRasterJAS(DWORD imagetype = RASTER_FORMAT_UNKNOWN) : CRasterImage(imagetype) {}
    bool Decode(CByteStream* stream, DWORD imagetype);
    bool Encode(CByteStream* stream, DWORD imagetype);

protected:
    static jas_stream_t* BindStream(CByteStream* stream, const char* mode);
    void FillColour(jas_image_t* image, const std::vector<jas_matrix_t*>& rows, DWORD imagetype);
    void FillComponents(jas_image_t* image, const std::vector<jas_matrix_t*>& rows);
    jas_image_t* ImageFromPixels();
};
