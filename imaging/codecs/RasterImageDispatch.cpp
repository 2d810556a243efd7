#include "RasterImage.h"

#include <cstdlib>
#include <cstring>

#include "FileStream.h"
#include "MemoryStream.h"
#include "RasterBMP.h"
#include "RasterGIF.h"
#include "RasterICO.h"
#include "RasterJ2K.h"
#include "RasterJAS.h"
#include "RasterJPG.h"
#include "RasterPCX.h"
#include "RasterPNG.h"
#include "RasterTGA.h"
#include "RasterTIF.h"
#include "RasterWBMP.h"
#include "RasterWMF.h"
#include "base/StagedFile.h"

// Formats whose codecs are not part of this library yet fail by name.
static const char* MissingCodecText(DWORD imagetype)
{
    switch (imagetype) {
    case RASTER_FORMAT_GIF: return "GIF codec not available";
    case RASTER_FORMAT_TIF: return "TIFF codec not available";
    case RASTER_FORMAT_TGA: return "TGA codec not available";
    case RASTER_FORMAT_PCX: return "PCX codec not available";
    case RASTER_FORMAT_WBMP: return "WBMP codec not available";
    case RASTER_FORMAT_WMF: return "WMF codec not available";
    default: return "JPEG 2000 codec not available";
    }
}

template <class Codec, class... Args>
bool CRasterImage::DecodeThrough(Codec& codec, CByteStream* stream, Args... args)
{
    codec.CopyInfo(*this);
    if (codec.Decode(stream, args...) && Transfer(codec))
        return true;
    CopyLastError(codec);
    return false;
}

template <class Codec, class... Args>
bool CRasterImage::EncodeThrough(Codec& codec, CByteStream* stream, Args... args)
{
    codec.Ghost(this);
    if (codec.Encode(stream, args...))
        return true;
    CopyLastError(codec);
    return false;
}

bool CRasterImage::DecodeWithFormat(CByteStream* stream, DWORD imagetype)
{
    switch (imagetype) {
    case RASTER_FORMAT_BMP: { CRasterBMP codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_JPG: { CRasterJPG codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_PNG: { CRasterPNG codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_ICO: { CRasterICO codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_GIF: { CRasterGIF codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_TIF: { CRasterTIF codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_TGA: { CRasterTGA codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_PCX: { CRasterPCX codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_WBMP: { CRasterWBMP codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_J2K: { CRasterJ2K codec; return DecodeThrough(codec, stream); }
    case RASTER_FORMAT_UNKNOWN:
    case RASTER_FORMAT_JP2:
    case RASTER_FORMAT_JPC:
    case RASTER_FORMAT_PGX:
    case RASTER_FORMAT_PNM:
    case RASTER_FORMAT_RAS: { CRasterJAS codec(imagetype); return DecodeThrough(codec, stream, imagetype); }
    case RASTER_FORMAT_WMF: { CRasterWMF codec; return DecodeThrough(codec, stream); }
    default:
        SetLastError(MissingCodecText(imagetype));
        return false;
    }
}

bool CRasterImage::Decode(CByteStream* stream, DWORD imagetype)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (imagetype >= RASTER_FORMAT_UNKNOWN + 1 && imagetype < RASTER_FORMAT_COUNT)
        return DecodeWithFormat(stream, imagetype);
    if (imagetype == RASTER_FORMAT_UNKNOWN)
        return Probe(stream, RASTER_FORMAT_COUNT);
    SetLastError("Decode: Unknown or wrong format");
    return false;
}

bool CRasterImage::Probe(CByteStream* stream, DWORD alreadyTried)
{
    static const DWORD kProbeOrder[] = {
        RASTER_FORMAT_BMP, RASTER_FORMAT_JPG, RASTER_FORMAT_ICO, RASTER_FORMAT_GIF,
        RASTER_FORMAT_PNG, RASTER_FORMAT_TIF, RASTER_FORMAT_TGA, RASTER_FORMAT_PCX,
        RASTER_FORMAT_WBMP, RASTER_FORMAT_WMF, RASTER_FORMAT_J2K, RASTER_FORMAT_UNKNOWN};
    long position = stream->Tell();
    for (DWORD type : kProbeOrder) {
        if (type == alreadyTried)
            continue;
        if (DecodeWithFormat(stream, type))
            return true;
        stream->Seek(position, 0);
    }
    SetLastError("Decode: Unknown or wrong format");
    return false;
}

bool CRasterImage::Decode(FILE* stream, DWORD imagetype)
{
    CFileStream file(stream);
    return Decode(&file, imagetype);
}

bool CRasterImage::Decode(BYTE* buffer, DWORD size, DWORD imagetype)
{
    CMemoryStream memory(buffer, size);
    return Decode(&memory, imagetype);
}

bool CRasterImage::Load(const char* filename, DWORD imagetype)
{
    if (!filename)
        return false;
    if (imagetype > 0 && imagetype < RASTER_FORMAT_COUNT) {
        FILE* fp = fopen(filename, "rb");
        if (!fp)
            return false;
        bool ok = Decode(fp, imagetype);
        fclose(fp);
        if (ok)
            return true;
    }
    char requestedReason[sizeof(info.szLastError)];
    memcpy(requestedReason, info.szLastError, sizeof(requestedReason));
    FILE* fp = fopen(filename, "rb");
    if (!fp)
        return false;
    // The requested decoder has just failed on these bytes: trying it again
    // would only fail again, after a refused metafile's whole playback.
    const bool requested = imagetype > 0 && imagetype < RASTER_FORMAT_COUNT;
    CFileStream file(fp);
    bool ok = Probe(&file, requested ? imagetype : DWORD(RASTER_FORMAT_COUNT));
    fclose(fp);
    if (ok)
        return true;
    if (imagetype > 0 && imagetype < RASTER_FORMAT_COUNT)
        memcpy(info.szLastError, requestedReason, sizeof(requestedReason));
    return false;
}

bool CRasterImage::EncodeSafeCheck(CByteStream* stream)
{
    if (!stream) {
        SetLastError("null file handler");
        return true;
    }
    if (!pDib) {
        SetLastError("null image!!!");
        return true;
    }
    return false;
}

bool CRasterImage::CheckEncodable(DWORD imagetype)
{
    if (imagetype == RASTER_FORMAT_UNKNOWN || imagetype >= RASTER_FORMAT_COUNT) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    if (imagetype == RASTER_FORMAT_WMF) {
        SetLastError("Save WMF not supported");
        return false;
    }
    switch (imagetype) {
    case RASTER_FORMAT_BMP:
    case RASTER_FORMAT_JPG:
    case RASTER_FORMAT_PNG:
    case RASTER_FORMAT_ICO:
    case RASTER_FORMAT_GIF:
    case RASTER_FORMAT_TIF:
    case RASTER_FORMAT_TGA:
    case RASTER_FORMAT_PCX:
    case RASTER_FORMAT_WBMP:
    case RASTER_FORMAT_J2K:
    case RASTER_FORMAT_JP2:
    case RASTER_FORMAT_JPC:
    case RASTER_FORMAT_PGX:
    case RASTER_FORMAT_PNM:
    case RASTER_FORMAT_RAS:
        return true;
    default:
        SetLastError(MissingCodecText(imagetype));
        return false;
    }
}

bool CRasterImage::EncodeWithFormat(CByteStream* stream, DWORD imagetype, int option)
{
    if (!CheckEncodable(imagetype))
        return false;
    switch (imagetype) {
    case RASTER_FORMAT_BMP: { CRasterBMP codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_JPG: { CRasterJPG codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_PNG: { CRasterPNG codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_ICO: { CRasterICO codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_GIF: { CRasterGIF codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_TGA: { CRasterTGA codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_PCX: { CRasterPCX codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_WBMP: { CRasterWBMP codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_TIF: {
        // The option reaches only the TIFF encoder, as its compression.
        CRasterTIF codec;
        codec.Ghost(this);
        if (codec.Encode(stream, false, option))
            return true;
        CopyLastError(codec);
        return false;
    }
    case RASTER_FORMAT_J2K: { CRasterJ2K codec; return EncodeThrough(codec, stream); }
    case RASTER_FORMAT_JP2:
    case RASTER_FORMAT_JPC:
    case RASTER_FORMAT_PGX:
    case RASTER_FORMAT_PNM:
    case RASTER_FORMAT_RAS: { CRasterJAS codec(imagetype); return EncodeThrough(codec, stream, imagetype); }
    default: return false;
    }
}

bool CRasterImage::Encode(CByteStream* stream, DWORD imagetype, int option)
{
    return EncodeWithFormat(stream, imagetype, option);
}

bool CRasterImage::Encode(FILE* stream, DWORD imagetype, int option)
{
    CFileStream file(stream);
    return Encode(&file, imagetype, option);
}

// The whole file is made in memory first and written beside the target,
// so an existing file is only replaced by a complete one.
bool CRasterImage::Save(const char* filename, DWORD imagetype, int option)
{
    if (!filename)
        return false;
    if (!CheckEncodable(imagetype))
        return false;
    CMemoryStream memory;
    if (!memory.Open() || !Encode(&memory, imagetype, option))
        return false;
    StagedFile file;
    if (!file.Open(filename)) {
        SetLastError("Can't create the file");
        return false;
    }
    if (!file.Write(memory.GetBuffer(false), size_t(memory.Size())) || !file.Commit()) {
        SetLastError("Can't write the file");
        return false;
    }
    return true;
}

bool CRasterImage::Encode(BYTE*& buffer, long& size, DWORD imagetype)
{
    if (buffer != nullptr) {
        SetLastError("the buffer must be empty");
        return false;
    }
    CMemoryStream memory;
    if (!memory.Open() || !Encode(&memory, imagetype, 0))
        return false;
    size = memory.Size();
    buffer = memory.GetBuffer(true);
    return true;
}

bool CRasterImage::Encode(CByteStream* stream, CRasterImage** images, int pagecount,
                          DWORD imagetype, int option)
{
    if (imagetype == RASTER_FORMAT_TIF) {
        CRasterTIF codec;
        codec.Ghost(this);
        if (codec.Encode(stream, images, pagecount, option))
            return true;
        CopyLastError(codec);
        return false;
    }
    if (imagetype == RASTER_FORMAT_GIF) {
        CRasterGIF codec;
        codec.Ghost(this);
        if (codec.Encode(stream, images, pagecount, false))
            return true;
        CopyLastError(codec);
        return false;
    }
    SetLastError("Multipage Encode, Unsupported operation for this format");
    return false;
}

bool CRasterImage::Encode(FILE* stream, CRasterImage** images, int pagecount, DWORD imagetype,
                          int option)
{
    CFileStream file(stream);
    return Encode(&file, images, pagecount, imagetype, option);
}

bool CRasterImage::Encode2RGBA(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    for (long y = 0; y < head.biHeight; y++) {
        for (long x = 0; x < head.biWidth; x++) {
            RGBQUAD c = BlindGetPixelColor(x, y);
            stream->PutC(c.rgbRed);
            stream->PutC(c.rgbGreen);
            stream->PutC(c.rgbBlue);
            stream->PutC(c.rgbReserved);
        }
    }
    return true;
}

bool CRasterImage::Encode2RGBA(BYTE*& buffer, long& size)
{
    if (buffer != nullptr) {
        SetLastError("the buffer must be empty");
        return false;
    }
    CMemoryStream memory;
    if (!memory.Open() || !Encode2RGBA(&memory))
        return false;
    size = memory.Size();
    buffer = memory.GetBuffer(true);
    return true;
}
