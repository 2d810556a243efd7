#include "RasterTIF.h"
#include "SaturatedCast.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "FileStream.h"
#include "RasterFailure.h"
#include "ReadBackStream.h"

namespace {

tmsize_t TiffStreamRead(thandle_t handle, void* buffer, tmsize_t size)
{
    return tmsize_t(static_cast<CByteStream*>(handle)->Read(buffer, 1, size_t(size)));
}

tmsize_t TiffStreamWrite(thandle_t handle, void* buffer, tmsize_t size)
{
    return tmsize_t(static_cast<CByteStream*>(handle)->Write(buffer, 1, size_t(size)));
}

toff_t TiffStreamSeek(thandle_t handle, toff_t offset, int whence)
{
    CByteStream* stream = static_cast<CByteStream*>(handle);
    if (offset == toff_t(-1) || offset > toff_t(INT32_MAX))
        return toff_t(-1);
    if (!stream->Seek(long(offset), whence))
        return toff_t(-1);
    if (whence == SEEK_SET)
        return offset;
    return toff_t(stream->Tell());
}

toff_t TiffStreamSize(thandle_t handle)
{
    return toff_t(static_cast<CByteStream*>(handle)->Size());
}

// The caller's stream stays open.
int TiffStreamClose(thandle_t)
{
    return 0;
}

int TiffStreamMap(thandle_t, void**, toff_t*)
{
    return 0;
}

void TiffStreamUnmap(thandle_t, void*, toff_t) {}

// libtiff's own messages never reach the user.
int TiffQuiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

TIFF* TiffStreamOpen(CByteStream* stream, const char* name, const char* mode)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
    TIFF* tif = TIFFClientOpenExt(name, mode, stream, TiffStreamRead, TiffStreamWrite, TiffStreamSeek,
                                  TiffStreamClose, TiffStreamSize, TiffStreamMap, TiffStreamUnmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

TIFF* TiffOpenOnStream(CByteStream* stream, const char* mode)
{
    return TiffStreamOpen(stream, "TIFF IMAGE", mode);
}

// Closes the handle when the decode leaves, however it leaves.
struct TiffHandle {
    TIFF* tif;
    ~TiffHandle() { CRasterTIF::TIFFCloseEx(tif); }
};

// No compression libtiff offers packs more than a few thousand bytes of
// pixels into one byte of the file: larger claims are refused before any
// buffer is made for them.
bool PlausibleSize(TIFF* tif, DWORD width, DWORD height, WORD samples, WORD bits)
{
    uint64_t bytes = uint64_t(width) * height * samples * bits / 8;
    uint64_t file = uint64_t(TiffStreamSize(TIFFClientdata(tif)));
    return bytes <= file * 4096 + (16u << 20);
}

} // namespace

CRasterTIF::CRasterTIF()
    : CRasterImage(RASTER_FORMAT_TIF), m_tif(nullptr), m_multipage(false), m_pages(0), m_streamErrorAtOpen(false)
{
}

CRasterTIF::CRasterTIF(const CRasterTIF& src)
    : CRasterImage(src), m_tif(src.m_tif), m_multipage(src.m_multipage), m_pages(src.m_pages),
      m_streamErrorAtOpen(src.m_streamErrorAtOpen), m_readBack(src.m_readBack)
{
}

CRasterTIF& CRasterTIF::operator=(const CRasterTIF& src)
{
    if (this != &src) {
        CRasterImage::operator=(src);
        m_tif = src.m_tif;
        m_multipage = src.m_multipage;
        m_pages = src.m_pages;
        m_streamErrorAtOpen = src.m_streamErrorAtOpen;
        m_readBack = src.m_readBack;
    }
    return *this;
}

CRasterTIF::~CRasterTIF()
{
    if (m_tif)
        TIFFClose(m_tif);
}

TIFF* CRasterTIF::TIFFOpenEx(CByteStream* stream)
{
    return stream ? TiffOpenOnStream(stream, "rb") : nullptr;
}

void CRasterTIF::TIFFCloseEx(TIFF* tif)
{
    if (tif)
        TIFFClose(tif);
}

bool CRasterTIF::Decode(FILE* stream)
{
    CFileStream file(stream);
    return Decode(&file);
}

bool CRasterTIF::Decode(CByteStream* stream)
{
    return DecodePages(stream, nullptr);
}

bool CRasterTIF::DecodeFrames(CByteStream* stream, const RasterFrameSink& sink)
{
    return DecodePages(stream, &sink);
}

// With a sink every page is read in turn over one handle: selecting page N
// afresh would walk the N directories before it again.
bool CRasterTIF::DecodePages(CByteStream* stream, const RasterFrameSink* sink)
{
    if (!stream)
        return false;
    try {
        TiffHandle handle{TIFFOpenEx(stream)};
        if (!handle.tif)
            RaiseRasterFailure("Error encountered while opening TIFF file");
        if (!sink) {
            DecodeBody(handle.tif);
            return true;
        }
        info.nFrame = 0;
        DecodeBody(handle.tif);
        while ((*sink)(*this) && ++info.nFrame < info.nNumFrames) {
            if (!TIFFReadDirectory(handle.tif))
                RaiseRasterFailure("Error: page not present in TIFF file");
            DecodePage(handle.tif);
        }
        return true;
    } catch (const std::exception&) {
        SetLastError("CRasterTIF can't allocate memory");
        return false;
    } catch (const CRasterFailure& failure) {
        if (failure.text && *failure.text)
            SetLastError(failure.text);
        return info.nEscape == -1 && strcmp(info.szLastError, "output dimensions returned") == 0;
    }
}

void CRasterTIF::ReadPlacement(TIFF* tif)
{
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    float resolution = 0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution))
        SetXDPI(SaturatedCast<LONG>(unit == RESUNIT_CENTIMETER ? resolution * 2.54 + 0.5 : resolution));
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolution))
        SetYDPI(SaturatedCast<LONG>(unit == RESUNIT_CENTIMETER ? resolution * 2.54 + 0.5 : resolution));
    float position = 0;
    if (TIFFGetField(tif, TIFFTAG_XPOSITION, &position))
        info.xOffset = SaturatedCast<LONG>(position);
    if (TIFFGetField(tif, TIFFTAG_YPOSITION, &position))
        info.yOffset = SaturatedCast<LONG>(position);
}

// Our own reader takes the layouts it converts exactly; libtiff's RGBA
// reader takes every other one, so no file is read with the wrong sample
// layout.
bool CRasterTIF::OwnReaderTakes(WORD photometric, WORD samples, WORD bitspersample, WORD planar)
{
    bool contiguous = planar == PLANARCONFIG_CONTIG || samples == 1;
    bool bps8or16 = bitspersample == 8 || bitspersample == 16;
    bool grey = (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
                ((samples == 1 && (bitspersample == 1 || bitspersample == 4 || bps8or16)) ||
                 (samples == 2 && bps8or16));
    bool palette = photometric == PHOTOMETRIC_PALETTE && samples == 1 &&
                   (bitspersample == 1 || bitspersample == 4 || bitspersample == 8);
    // libtiff's RGBA reader would multiply colour by an unassociated alpha.
    bool colour = (samples == 3 || samples == 4) &&
                  ((photometric == PHOTOMETRIC_CIELAB && bitspersample == 8) ||
                   (photometric == PHOTOMETRIC_RGB && bps8or16));
    return contiguous && (grey || palette || colour);
}

void CRasterTIF::DecodeBody(TIFF* tif)
{
    info.nNumFrames = LONG(TIFFNumberOfDirectories(tif));
    if (info.nFrame < 0 || info.nFrame >= info.nNumFrames || !TIFFSetDirectory(tif, tdir_t(info.nFrame)))
        RaiseRasterFailure("Error: page not present in TIFF file");
    DecodePage(tif);
}

void CRasterTIF::DecodePage(TIFF* tif)
{
    uint32_t width = 0, height = 0, rowsperstrip = 0xFFFFFFFF;
    uint16_t samples = 1, bitspersample = 1, photometric = 0, orientation = 1, planar = 1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bitspersample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsperstrip);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);

    if (info.nEscape == -1) {
        head.biWidth = LONG(width);
        head.biHeight = LONG(height);
        RaiseRasterFailure("output dimensions returned");
    }
    ReadPlacement(tif);
    info.nBkgndIndex = -1;
    if (rowsperstrip > height) {
        rowsperstrip = height;
        if (!TIFFIsTiled(tif))
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsperstrip);
    }
    if (width == 0 || height == 0 || !PlausibleSize(tif, width, height, samples, bitspersample))
        RaiseRasterFailure("Corrupted TIFF file!");

    bool colour = (photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_RGB);
    bool own = OwnReaderTakes(photometric, samples, bitspersample, planar);
    DWORD bits = 8;
    if (!own || colour)
        bits = 24;
    else if (bitspersample == 1 || bitspersample == 4)
        bits = bitspersample;
    if (info.nEscape)
        RaiseRasterFailure("Cancelled");
    if (!Create(width, height, bits, RASTER_FORMAT_TIF))
        RaiseRasterFailure("CRasterTIF can't create image");
    if (samples == 4 || (samples == 2 && bits == 8))
        AlphaCreate();
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    SetCodecOption(compression, RASTER_FORMAT_TIF);

    if (!own) {
        DecodeRGBA(tif, width, height, samples);
        if (samples == 4 && HasUnassociatedAlpha(tif))
            Unpremultiply();
        TurnRGBAOrientation(orientation);
        return;
    }
    if (!colour)
        SetTiffPalette(tif, photometric, bitspersample);
    DecodeOwn(tif, width, height, samples, bitspersample, rowsperstrip, photometric);
    ApplyOrientation(orientation);
}

void CRasterTIF::DecodeRGBA(TIFF* tif, DWORD width, DWORD height, WORD samples)
{
    std::vector<uint32_t> raster;
    try {
        raster.resize(size_t(width) * height);
    } catch (const std::bad_alloc&) {
        RaiseRasterFailure("No space for raster buffer");
    }
    if (!TIFFReadRGBAImage(tif, width, height, raster.data(), 1))
        RaiseRasterFailure("Corrupted TIFF file!");
    for (DWORD y = 0; y < height; y++) {
        if (info.nEscape)
            RaiseRasterFailure("Cancelled");
        const uint32_t* src = &raster[size_t(y) * width];
        BYTE* dst = GetBits(y);
        for (DWORD x = 0; x < width; x++) {
            uint32_t p = src[x];
            dst[3 * x] = BYTE(TIFFGetB(p));
            dst[3 * x + 1] = BYTE(TIFFGetG(p));
            dst[3 * x + 2] = BYTE(TIFFGetR(p));
            if (samples == 4)
                AlphaSet(long(x), long(y), BYTE(TIFFGetA(p)));
        }
    }
}

bool CRasterTIF::HasUnassociatedAlpha(TIFF* tif)
{
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    return TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count >= 1 && kinds &&
           kinds[0] == EXTRASAMPLE_UNASSALPHA;
}

// libtiff's RGBA reader multiplies colour by an unassociated alpha; the
// image keeps colour and alpha apart, as its alpha drawing expects.
void CRasterTIF::Unpremultiply()
{
    const long width = long(head.biWidth), height = long(head.biHeight);
    for (long y = 0; y < height; y++) {
        BYTE* p = GetBits(DWORD(y));
        for (long x = 0; x < width; x++, p += 3) {
            unsigned a = BlindAlphaGet(x, y);
            for (int c = 0; a && c < 3; c++)
                p[c] = BYTE(std::min(255u, (p[c] * 255u + a / 2) / a));
        }
    }
}

void CRasterTIF::SetTiffPalette(TIFF* tif, WORD photometric, WORD bitspersample)
{
    DWORD colours = head.biClrUsed;
    if (photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
            RaiseRasterFailure("Corrupted TIFF file!");
        DWORD entries = 1u << bitspersample;
        bool wide = false;
        for (DWORD i = 0; i < entries; i++)
            wide = wide || red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
        for (DWORD i = 0; i < entries && i < colours; i++) {
            if (wide)
                SetPaletteColor(BYTE(i), BYTE(red[i] * 255 / 65535), BYTE(green[i] * 255 / 65535),
                                BYTE(blue[i] * 255 / 65535));
            else
                SetPaletteColor(BYTE(i), BYTE(red[i]), BYTE(green[i]), BYTE(blue[i]));
        }
        return;
    }
    bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
    for (DWORD i = 0; i < colours; i++) {
        BYTE v = BYTE((255 / (colours - 1)) * i);
        if (whiteIsZero)
            v = BYTE(255 - v);
        SetPaletteColor(BYTE(i), v, v, v);
    }
}

// Tiled files are gathered tile row by tile row into a strip buffer that
// holds a whole row of tiles, so one loop serves both layouts.
void CRasterTIF::DecodeOwn(TIFF* tif, DWORD width, DWORD height, WORD samples, WORD bitspersample,
                           DWORD rowsperstrip, WORD photometric)
{
    DWORD rowBytes = DWORD((uint64_t(samples) * bitspersample * width + 7) / 8);
    bool tiled = TIFFIsTiled(tif) != 0;
    uint32_t tileWidth = 0, tileLength = 0;
    size_t stripSize;
    std::vector<BYTE> tile;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
        tmsize_t tileRow = TIFFTileRowSize(tif), tileSize = TIFFTileSize(tif);
        if (tileWidth == 0 || tileLength == 0 || tileRow <= 0 || tileSize < tileRow * tmsize_t(tileLength))
            RaiseRasterFailure("Corrupted tiled TIFF file!");
        rowsperstrip = tileLength;
        uint64_t across = (uint64_t(width) + tileWidth - 1) / tileWidth;
        uint64_t stripBytes = uint64_t(tileRow) * across * std::min(tileLength, height);
        uint64_t imageBytes = uint64_t(rowBytes) * height;
        // Tiles may overhang the image, but not by more than a tile row
        // and a tile column.
        if (stripBytes > 2 * imageBytes + uint64_t(tileRow) * std::min(tileLength, height) ||
            uint64_t(tileSize) > 4 * imageBytes + (16u << 20))
            RaiseRasterFailure("Corrupted tiled TIFF file!");
        stripSize = size_t(stripBytes);
        tile.resize(size_t(tileSize));
    } else {
        tmsize_t size = TIFFStripSize(tif);
        if (size <= 0 || rowsperstrip == 0)
            RaiseRasterFailure("Corrupted TIFF file!");
        stripSize = std::max(size_t(size), size_t(rowBytes) * std::min(rowsperstrip, height));
    }
    std::vector<BYTE> strip(stripSize);
    for (DWORD row = 0; row < height; row += rowsperstrip) {
        if (info.nEscape)
            RaiseRasterFailure("Cancelled");
        DWORD rows = std::min(rowsperstrip, height - row);
        DWORD stride = rowBytes;
        if (tiled) {
            DWORD tileRowBytes = DWORD(TIFFTileRowSize(tif));
            stride = tileRowBytes * ((width + tileWidth - 1) / tileWidth);
            for (DWORD x = 0, column = 0; x < width; x += tileWidth, column++) {
                if (TIFFReadTile(tif, tile.data(), x, row, 0, 0) < 0)
                    RaiseRasterFailure("Corrupted tiled TIFF file!");
                TileToStrip(strip.data() + column * tileRowBytes, tile.data(), rows, tileRowBytes,
                            stride - tileRowBytes, 0);
            }
        } else if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, row, 0), strip.data(),
                                        tmsize_t(rows) * rowBytes) < 0) {
            RaiseRasterFailure("Corrupted TIFF file!");
        }
        for (DWORD r = 0; r < rows; r++)
            StoreRow(strip.data() + size_t(r) * stride, height - row - r - 1, samples, bitspersample, rowBytes,
                     photometric);
    }
}

void CRasterTIF::TileToStrip(BYTE* out, const BYTE* in, DWORD rows, DWORD len, DWORD out_skip, DWORD in_skip)
{
    for (DWORD r = 0; r < rows; r++) {
        memcpy(out, in, len);
        out += len + out_skip;
        in += len + in_skip;
    }
}

// Sixteen-bit samples keep their high byte; every sample of the row is
// reduced, not only the first width of them.
void CRasterTIF::StoreRow(BYTE* raw, DWORD row, WORD samples, WORD bitspersample, DWORD sourceRowBytes,
                          WORD photometric)
{
    DWORD width = DWORD(head.biWidth);
    if (bitspersample == 16) {
        size_t count = size_t(width) * samples;
        for (size_t i = 0; i < count; i++) {
            uint16_t v;
            memcpy(&v, raw + 2 * i, 2);
            raw[i] = BYTE(v >> 8);
        }
        sourceRowBytes = DWORD(count);
    }
    if (photometric == PHOTOMETRIC_CIELAB) {
        StoreLabRow(raw, row, samples);
        return;
    }
    if (photometric == PHOTOMETRIC_RGB) {
        StoreRGBRow(raw, row, samples);
        return;
    }
    BYTE* dst = GetBits(row);
    if (samples == 1) {
        memcpy(dst, raw, std::min(sourceRowBytes, info.dwEffWidth));
        return;
    }
    for (DWORD x = 0; x < width; x++) {
        dst[x] = raw[2 * x];
        AlphaSet(long(x), long(row), raw[2 * x + 1]);
    }
}

void CRasterTIF::StoreRGBRow(const BYTE* raw, DWORD row, WORD samples)
{
    DWORD width = DWORD(head.biWidth);
    BYTE* dst = GetBits(row);
    BYTE* alpha = pAlpha ? AlphaGetPointer(0, long(row)) : nullptr;
    for (DWORD x = 0; x < width; x++, raw += samples) {
        dst[3 * x] = raw[2];
        dst[3 * x + 1] = raw[1];
        dst[3 * x + 2] = raw[0];
        if (alpha)
            alpha[x] = raw[3];
    }
}

// The cube holds only above 6/29; below it the curve is a straight line,
// so that L* 0 is black and not a dark grey.
static double LabInverse(double t)
{
    const double knee = 6.0 / 29.0;
    return t > knee ? t * t * t : 3 * knee * knee * (t - 4.0 / 29.0);
}

void CRasterTIF::StoreLabRow(const BYTE* raw, DWORD row, WORD samples)
{
    DWORD width = DWORD(head.biWidth);
    BYTE* dst = GetBits(row);
    auto toByte = [](double v) {
        v = v <= 0.00304 ? 12.92 * v : 1.055 * pow(v, 0.41667) - 0.055;
        v *= 255;
        return BYTE(v < 0 ? 0 : (v > 255 ? 255 : int(v)));
    };
    for (DWORD x = 0; x < width; x++) {
        const BYTE* p = raw + size_t(x) * samples;
        double l = p[0], a = int8_t(p[1]), b = int8_t(p[2]);
        double fy = (l * 100 / 255 + 16) / 116;
        double fx = fy + a * 0.002, fz = fy - b * 0.005;
        double Y = LabInverse(fy);
        double X = 0.95047 * LabInverse(fx);
        double Z = 1.0883 * LabInverse(fz);
        double r = 3.240479 * X - 1.53715 * Y - 0.498535 * Z;
        double g = -0.969256 * X + 1.875992 * Y + 0.041556 * Z;
        double bl = 0.055648 * X - 0.204043 * Y + 1.057311 * Z;
        dst[3 * x] = toByte(bl);
        dst[3 * x + 1] = toByte(g);
        dst[3 * x + 2] = toByte(r);
        if (samples == 4)
            AlphaSet(long(x), long(row), p[3]);
    }
}

// Orientation 6 turns the stored picture clockwise to show it, and 8
// counter-clockwise; 5 and 7 add a mirror to those turns.
void CRasterTIF::ApplyOrientation(WORD orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: Mirror(); break;
    case ORIENTATION_BOTRIGHT: Flip(); Mirror(); break;
    case ORIENTATION_BOTLEFT: Flip(); break;
    case ORIENTATION_LEFTTOP: RotateRight(); Mirror(); break;
    case ORIENTATION_RIGHTTOP: RotateRight(); break;
    case ORIENTATION_RIGHTBOT: RotateLeft(); Mirror(); break;
    case ORIENTATION_LEFTBOT: RotateLeft(); break;
    default: break;
    }
}

// libtiff's RGBA reader applies orientations 5 to 8 as 1, 2, 3 and 4:
// what it leaves undone is a turn and a mirror.
void CRasterTIF::TurnRGBAOrientation(WORD orientation)
{
    if (orientation == ORIENTATION_LEFTTOP || orientation == ORIENTATION_RIGHTBOT) {
        RotateRight();
        Mirror();
    } else if (orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_LEFTBOT) {
        RotateLeft();
        Mirror();
    }
}

bool CRasterTIF::Encode(FILE* stream, bool bAppend)
{
    CFileStream file(stream);
    return Encode(&file, bAppend, 0);
}

bool CRasterTIF::Encode(FILE* stream, CRasterImage** pImages, int pagecount)
{
    CFileStream file(stream);
    return Encode(&file, pImages, pagecount, 0);
}

bool CRasterTIF::Encode(CByteStream* stream, bool bAppend, int compression)
{
    if (EncodeSafeCheck(stream))
        return false;
    const char* failure = nullptr;
    if (!m_tif)
        OpenForWriting(stream);
    if (!m_tif) {
        failure = "initialization fail";
    } else {
        m_multipage = bAppend || m_pages > 0;
        m_pages++;
        if (!EncodeBody(m_tif, m_multipage, m_pages, m_pages, compression))
            failure = "Error saving TIFF file";
        else if (bAppend && !TIFFWriteDirectory(m_tif))
            failure = "Error saving TIFF directory";
        else if (bAppend && !WrittenSoFar(stream))
            failure = "Error saving TIFF file";
    }
    if (failure || !bAppend) {
        if (!CloseWritten(stream) && !failure)
            failure = "Error saving TIFF file";
    }
    if (failure) {
        SetLastError(failure);
        return false;
    }
    return true;
}

// libtiff reads what it wrote (the header, the directory before the next
// page): from an empty stream, which may be open for writing alone, it
// reads a copy instead.
void CRasterTIF::OpenForWriting(CByteStream* stream)
{
    m_streamErrorAtOpen = stream->Error() != 0;
    if (stream->Size() > 0) {
        m_tif = TiffOpenOnStream(stream, "a");
        return;
    }
    m_readBack = std::make_shared<CReadBackStream>(stream);
    m_tif = TiffOpenOnStream(m_readBack.get(), "w");
}

// An error the stream reports now arose while writing, unless it was
// there from the start.
bool CRasterTIF::WrittenSoFar(CByteStream* stream)
{
    return m_streamErrorAtOpen || stream->Error() == 0;
}

// Closes the handle; false when the last of the file did not reach the
// stream.
bool CRasterTIF::CloseWritten(CByteStream* stream)
{
    bool ok = true;
    if (m_tif) {
        ok = TIFFFlush(m_tif) != 0;
        TIFFClose(m_tif);
        ok = stream->Flush() && WrittenSoFar(stream) && ok;
    }
    m_readBack.reset();
    m_tif = nullptr;
    m_multipage = false;
    m_pages = 0;
    return ok;
}

bool CRasterTIF::Encode(CByteStream* stream, CRasterImage** pImages, int pagecount, int compression)
{
    if (!stream) {
        SetLastError("invalid file pointer");
        return false;
    }
    if (!pImages || pagecount <= 0) {
        SetLastError("multipage TIFF, no images!");
        return false;
    }
    CRasterTIF ghost;
    for (int i = 0; i < pagecount; i++) {
        if (!pImages[i]) {
            SetLastError("Bad image pointer");
            return false;
        }
        ghost.Ghost(pImages[i]);
        if (!ghost.Encode(stream, true, compression)) {
            SetLastError("Error saving TIFF file");
            return false;
        }
    }
    if (!ghost.CloseWritten(stream)) {
        SetLastError("Error saving TIFF file");
        return false;
    }
    return true;
}

namespace {

// A grey palette at 4 bits runs 0, 17, ..., 255 and at 8 bits 0, 1, ...,
// 255: only those are written as grey, so no picture comes out brighter.
bool IsBlackAndWhite(CRasterImage& image)
{
    RGBQUAD a = image.GetPaletteColor(0), b = image.GetPaletteColor(1);
    auto is = [](RGBQUAD c, BYTE v) { return c.rgbRed == v && c.rgbGreen == v && c.rgbBlue == v; };
    return (is(a, 0) && is(b, 255)) || (is(a, 255) && is(b, 0));
}

bool IsGreyRamp(CRasterImage& image)
{
    DWORD step = image.GetBpp() == 4 ? 17 : 1;
    for (DWORD i = 0; i < image.GetNumColors(); i++) {
        RGBQUAD c = image.GetPaletteColor(BYTE(i));
        if (c.rgbRed != i * step || c.rgbGreen != i * step || c.rgbBlue != i * step)
            return false;
    }
    return true;
}

} // namespace

bool CRasterTIF::EncodeBody(TIFF* m_tif, bool multipage, int page, int pagecount, int compression)
{
    int bitcount = head.biBitCount;
    int samples = bitcount == 24 ? 3 : 1;
    if (bitcount == 24 && pAlpha) {
        bitcount = 32;
        samples = 4;
    }
    if (bitcount == 8 && pAlpha)
        samples = 2;
    int bitspersample = (samples == 2 ? 8 : bitcount / samples);
    uint16_t photometric = PHOTOMETRIC_RGB;
    if (bitcount == 1 && !IsBlackAndWhite(*this)) {
        photometric = PHOTOMETRIC_PALETTE;
    } else if (bitcount == 1) {
        photometric = PHOTOMETRIC_MINISWHITE;
        RGBQUAD* pal = GetPalette();
        if (CompareColors(&pal[0], &pal[1]) < 0) {
            std::swap(pal[0], pal[1]);
            for (DWORD i = 0; i < head.biSizeImage; i++)
                info.pImage[i] = BYTE(~info.pImage[i]);
        }
    } else if (bitcount == 4 || bitcount == 8) {
        photometric = IsGreyRamp(*this) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    }
    TIFFSetField(m_tif, TIFFTAG_IMAGEWIDTH, uint32_t(head.biWidth));
    TIFFSetField(m_tif, TIFFTAG_IMAGELENGTH, uint32_t(head.biHeight));
    TIFFSetField(m_tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(m_tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bitspersample));
    TIFFSetField(m_tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(m_tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(m_tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT));
    if (samples == 2 || samples == 4) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(m_tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
    }
    uint32_t rowsperstrip = TIFFDefaultStripSize(m_tif, uint32_t(-1));
    TIFFSetField(m_tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
    TIFFSetField(m_tif, TIFFTAG_XRESOLUTION, float(info.xDPI));
    TIFFSetField(m_tif, TIFFTAG_YRESOLUTION, float(info.yDPI));
    SetPageTags(m_tif, multipage, page, pagecount);
    if (photometric == PHOTOMETRIC_PALETTE)
        SetColourMap(m_tif);
    TIFFSetField(m_tif, TIFFTAG_ROWSPERSTRIP, SetCompression(m_tif, compression, bitcount, rowsperstrip));
    return WritePixels(m_tif, samples, bitcount);
}

void CRasterTIF::SetPageTags(TIFF* m_tif, bool multipage, int page, int pagecount)
{
    if (multipage) {
        char pageName[32];
        snprintf(pageName, sizeof(pageName), "Page %d", page);
        TIFFSetField(m_tif, TIFFTAG_SUBFILETYPE, uint32_t(FILETYPE_PAGE));
        TIFFSetField(m_tif, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(pagecount));
        TIFFSetField(m_tif, TIFFTAG_PAGENAME, pageName);
    } else {
        TIFFSetField(m_tif, TIFFTAG_SUBFILETYPE, uint32_t(0));
    }
}

void CRasterTIF::SetColourMap(TIFF* m_tif)
{
    std::vector<uint16_t> red(256), green(256), blue(256);
    for (DWORD i = 0; i < head.biClrUsed; i++) {
        RGBQUAD c = GetPaletteColor(BYTE(i));
        red[i] = uint16_t(c.rgbRed * 65535 / 255);
        green[i] = uint16_t(c.rgbGreen * 65535 / 255);
        blue[i] = uint16_t(c.rgbBlue * 65535 / 255);
    }
    TIFFSetField(m_tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

// Answers the rows per strip, which JPEG wants in multiples of 8.
uint32_t CRasterTIF::SetCompression(TIFF* m_tif, int compression, int bitcount, uint32_t rowsperstrip)
{
    static const int kJpegQuality[] = {90, 60, 30};
    switch (compression) {
    case 1:
        TIFFSetField(m_tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW));
        if (bitcount >= 8)
            TIFFSetField(m_tif, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL));
        break;
    case 2:
    case 3:
    case 4:
        TIFFSetField(m_tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_JPEG));
        TIFFSetField(m_tif, TIFFTAG_JPEGQUALITY, kJpegQuality[compression - 2]);
        rowsperstrip = (rowsperstrip + 7) / 8 * 8;
        break;
    default:
        TIFFSetField(m_tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
        break;
    }
    return rowsperstrip;
}

bool CRasterTIF::WritePixels(TIFF* tif, int samples, int bitcount)
{
    DWORD width = DWORD(head.biWidth);
    std::vector<BYTE> line(size_t(width) * 4 + 4);
    for (long y = 0; y < head.biHeight; y++) {
        long row = head.biHeight - 1 - y;
        const BYTE* bits = GetBits(DWORD(row));
        if (samples == 2) {
            for (DWORD x = 0; x < width; x++) {
                line[2 * x] = bits[x];
                line[2 * x + 1] = BlindAlphaGet(long(x), row);
            }
        } else if (bitcount == 24) {
            for (DWORD x = 0; x < width; x++) {
                line[3 * x] = bits[3 * x + 2];
                line[3 * x + 1] = bits[3 * x + 1];
                line[3 * x + 2] = bits[3 * x];
            }
        } else if (bitcount == 32) {
            for (DWORD x = 0; x < width; x++) {
                line[4 * x] = bits[3 * x + 2];
                line[4 * x + 1] = bits[3 * x + 1];
                line[4 * x + 2] = bits[3 * x];
                line[4 * x + 3] = BlindAlphaGet(long(x), row);
            }
        } else {
            memcpy(line.data(), bits, std::min<size_t>(info.dwEffWidth, line.size()));
        }
        if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) == -1)
            return false;
    }
    return true;
}
