// TIFF codec over libtiff: one page read, single and multi-page write.
#pragma once

#include <cstdint>
#include <memory>

#include "RasterFrameSink.h"
#include "RasterImage.h"

typedef struct tiff TIFF;

class IMVEXA_API CRasterTIF : public CRasterImage {
public:
    CRasterTIF();
    CRasterTIF(const CRasterTIF& src);
    CRasterTIF& operator=(const CRasterTIF& src);
    ~CRasterTIF() override;

    bool Decode(CByteStream* stream);
    bool Decode(FILE* stream);
    // Decodes every page in one pass, handing each to `sink`.
    bool DecodeFrames(CByteStream* stream, const RasterFrameSink& sink);
    bool Encode(CByteStream* stream, bool bAppend = false, int compression = 0);
    bool Encode(FILE* stream, bool bAppend = false);
    bool Encode(CByteStream* stream, CRasterImage** pImages, int pagecount, int compression = 0);
    bool Encode(FILE* stream, CRasterImage** pImages, int pagecount);

    static TIFF* TIFFOpenEx(CByteStream* stream);
    static void TIFFCloseEx(TIFF* tif);

protected:
    bool EncodeBody(TIFF* m_tif, bool multipage, int page, int pagecount, int compression);
    static void TileToStrip(BYTE* out, const BYTE* in, DWORD rows, DWORD len, DWORD out_skip, DWORD in_skip);
    bool DecodePages(CByteStream* stream, const RasterFrameSink* sink);
    void DecodeBody(TIFF* tif);
    void DecodePage(TIFF* tif);
    static bool HasUnassociatedAlpha(TIFF* tif);
    void Unpremultiply();
    void OpenForWriting(CByteStream* stream);
    bool WrittenSoFar(CByteStream* stream);
    bool CloseWritten(CByteStream* stream);
    void ReadPlacement(TIFF* tif);
    static bool OwnReaderTakes(WORD photometric, WORD samples, WORD bitspersample, WORD planar);
    void DecodeRGBA(TIFF* tif, DWORD width, DWORD height, WORD samples);
    void SetTiffPalette(TIFF* tif, WORD photometric, WORD bitspersample);
    void DecodeOwn(TIFF* tif, DWORD width, DWORD height, WORD samples, WORD bitspersample, DWORD rowsperstrip,
                   WORD photometric);
    void StoreRow(BYTE* raw, DWORD row, WORD samples, WORD bitspersample, DWORD sourceRowBytes,
                  WORD photometric);
    void StoreRGBRow(const BYTE* raw, DWORD row, WORD samples);
    void StoreLabRow(const BYTE* raw, DWORD row, WORD samples);
    void ApplyOrientation(WORD orientation);
    void TurnRGBAOrientation(WORD orientation);
    void SetPageTags(TIFF* m_tif, bool multipage, int page, int pagecount);
    void SetColourMap(TIFF* m_tif);
    static uint32_t SetCompression(TIFF* m_tif, int compression, int bitcount, uint32_t rowsperstrip);
    bool WritePixels(TIFF* tif, int samples, int bitcount);

    TIFF* m_tif;
    bool m_multipage;
    int m_pages;
    bool m_streamErrorAtOpen;
    // What an open handle reads its own writes back from.
    std::shared_ptr<CByteStream> m_readBack;
};
