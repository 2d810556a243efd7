#include "RasterPNG.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

void PngReadFromStream(png_structp png, png_bytep data, png_size_t length)
{
    CByteStream* stream = static_cast<CByteStream*>(png_get_io_ptr(png));
    if (stream->Read(data, 1, length) != length)
        png_error(png, "Read Error");
}

void PngWriteToStream(png_structp png, png_bytep data, png_size_t length)
{
    CByteStream* stream = static_cast<CByteStream*>(png_get_io_ptr(png));
    if (stream->Write(data, 1, length) != length)
        png_error(png, "Write Error");
}

void PngFlushStream(png_structp png)
{
    CByteStream* stream = static_cast<CByteStream*>(png_get_io_ptr(png));
    if (!stream->Flush())
        png_error(png, "Flush Error");
}

void PngErrorToText(png_structp png, png_const_charp message)
{
    char* text = static_cast<char*>(png_get_error_ptr(png));
    // Our own reasons are raised from the text itself.
    if (text && message != text) {
        strncpy(text, message, 255);
        text[255] = 0;
    }
    png_longjmp(png, 1);
}

// Warnings are not reported: a decoder fed arbitrary bytes stays silent.
void PngIgnoreWarning(png_structp, png_const_charp) {}

} // namespace

void CRasterPNG::WidenTwoBitRow(BYTE* row, DWORD width)
{
    for (long i = long(width) - 1; i >= 0; i--) {
        BYTE pixel = BYTE((row[i >> 2] >> ((3 - (i & 3)) * 2)) & 3);
        BYTE& target = row[i >> 1];
        if (i & 1)
            target = BYTE((target & 0xF0) | pixel);
        else
            target = BYTE((target & 0x0F) | (pixel << 4));
    }
}

// libpng jumps back here on any error; everything the jump could skip is
// plain data declared before setjmp and released in one place.
bool CRasterPNG::Decode(CByteStream* stream)
{
    if (!stream)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, info.szLastError,
                                             PngErrorToText, PngIgnoreWarning);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop pngInfo = png_create_info_struct(png);
    if (!pngInfo) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }
    BYTE* volatile row = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        free(row);
        png_destroy_read_struct(&png, &pngInfo, nullptr);
        return false;
    }
    png_set_read_fn(png, stream, PngReadFromStream);
    png_read_info(png, pngInfo);

    png_uint_32 width = png_get_image_width(png, pngInfo);
    png_uint_32 height = png_get_image_height(png, pngInfo);
    int bitDepth = png_get_bit_depth(png, pngInfo);
    int colourType = png_get_color_type(png, pngInfo);
    int channels = png_get_channels(png, pngInfo);
    int pixelDepth = bitDepth * channels;

    png_color_16p background = nullptr;
    bool hasBackground = png_get_bKGD(png, pngInfo, &background) != 0 && background;
    if (pixelDepth == 32) {
        if (hasBackground) {
            RGBQUAD c = {BYTE(background->blue), BYTE(background->green), BYTE(background->red), 0};
            info.nBkgndColor = c;
        }
    } else if (hasBackground) {
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        png_color_16 grey = {0, 192, 192, 192, 0};
        png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    if (bitDepth == 16)
        png_set_strip_16(png);
    int bits = pixelDepth > 16 ? 24 : (pixelDepth == 16 ? 8 : pixelDepth);
    if (!Create(width, height, DWORD(bits), RASTER_FORMAT_PNG))
        png_error(png, info.szLastError);

    png_uint_32 resX = 0, resY = 0;
    int unit = -1;
    if (png_get_pHYs(png, pngInfo, &resX, &resY, &unit)) {
        if (unit == PNG_RESOLUTION_UNKNOWN) {
            info.xDPI = LONG(resX);
            info.yDPI = LONG(resY);
        } else if (unit == PNG_RESOLUTION_METER) {
            info.xDPI = LONG(floor(resX * 0.0254 + 0.5));
            info.yDPI = LONG(floor(resY * 0.0254 + 0.5));
        }
    }

    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (!png_get_PLTE(png, pngInfo, &palette, &paletteSize)) {
        if (bitDepth == 2 && IsIndexed()) {
            SetPaletteColor(0, 0, 0, 0);
            SetPaletteColor(1, 0x55, 0x55, 0x55);
            SetPaletteColor(2, 0xAA, 0xAA, 0xAA);
            SetPaletteColor(3, 0xFF, 0xFF, 0xFF);
        } else {
            SetGrayPalette();
        }
    } else {
        SetPalette(reinterpret_cast<rgb_color*>(palette), DWORD(paletteSize));
        png_bytep trans = nullptr;
        int transCount = 0;
        if (png_get_tRNS(png, pngInfo, &trans, &transCount, nullptr) && trans && transCount > 0) {
            RGBQUAD* pal = GetPalette();
            DWORD n = DWORD(transCount) < head.biClrUsed ? DWORD(transCount) : head.biClrUsed;
            for (DWORD i = 0; pal && i < n; i++)
                pal[i].rgbReserved = trans[i];
            if (transCount == 1 && trans[0] == 0) {
                info.nBkgndIndex = 0;
            } else {
                info.bAlphaPaletteEnabled = true;
                for (DWORD i = n; pal && i < head.biClrUsed; i++)
                    pal[i].rgbReserved = 255;
            }
        }
    }

    bool withAlpha = colourType == PNG_COLOR_TYPE_RGB_ALPHA ||
                     (colourType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32);
    if (withAlpha) {
        if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
            png_set_expand(png);
        }
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        AlphaCreate();
        if (!pAlpha)
            png_error(png, "Can't allocate memory");
    }
    if (colourType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    if (info.nEscape)
        png_longjmp(png, 1);

    int passes = png_set_interlace_handling(png);
    info.dwCodecOpt[RASTER_FORMAT_PNG] = passes > 1 ? 1 : 0;
    png_read_update_info(png, pngInfo);
    // The row buffer follows what libpng will actually deliver, and the
    // delivered layout must be the one the image was made for.
    size_t rowBytes = png_get_rowbytes(png, pngInfo);
    int outChannels = png_get_channels(png, pngInfo);
    int outDepth = png_get_bit_depth(png, pngInfo);
    bool layoutOk = withAlpha ? (outChannels == 4 && outDepth == 8)
                              : (bits == 24 ? (outChannels == 3 && outDepth == 8)
                                            : (outChannels == 1 &&
                                               outDepth == (bits == 8 ? 8 : pixelDepth)));
    if (!layoutOk)
        png_error(png, "Unsupported PNG pixel layout");
    size_t bufferBytes = size_t((pixelDepth + 7) / 8) * width + 10;
    if (bufferBytes < rowBytes + 10)
        bufferBytes = rowBytes + 10;
    if (bufferBytes < info.dwEffWidth + 10)
        bufferBytes = info.dwEffWidth + 10;
    row = static_cast<BYTE*>(calloc(1, bufferBytes));
    if (!row)
        png_error(png, "Can't allocate memory");

    for (int pass = 0; pass < passes; pass++) {
        for (png_uint_32 y = 0; y < height; y++) {
            if (info.nEscape)
                png_longjmp(png, 1);
            DWORD target = height - 1 - y;
            BYTE* bits8 = GetBits(target);
            if (!withAlpha) {
                if (pass > 0)
                    memcpy(row, bits8, info.dwEffWidth);
                png_read_row(png, row, nullptr);
                if (bitDepth == 2 && pass == passes - 1)
                    WidenTwoBitRow(row, width);
                memcpy(bits8, row, info.dwEffWidth);
            } else {
                BYTE* alpha = pAlpha + size_t(target) * width;
                if (pass > 0)
                    for (png_uint_32 x = 0; x < width; x++) {
                        memcpy(row + 4 * size_t(x), bits8 + 3 * size_t(x), 3);
                        row[4 * size_t(x) + 3] = alpha[x];
                    }
                png_read_row(png, row, nullptr);
                for (png_uint_32 x = 0; x < width; x++) {
                    memcpy(bits8 + 3 * size_t(x), row + 4 * size_t(x), 3);
                    alpha[x] = row[4 * size_t(x) + 3];
                }
            }
        }
    }
    free(row);
    row = nullptr;
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &pngInfo, nullptr);
    return true;
}

// Pixels of the transparent colour are written fully transparent.
BYTE CRasterPNG::EncodedAlpha(long x, long y)
{
    BYTE alpha = pAlpha ? BlindAlphaGet(x, y) : 255;
    if (!IsIndexed() && info.nBkgndIndex >= 0) {
        RGBQUAD c = BlindGetPixelColor(x, y);
        RGBQUAD t = info.nBkgndColor;
        if (c.rgbBlue == t.rgbBlue && c.rgbGreen == t.rgbGreen && c.rgbRed == t.rgbRed)
            alpha = 0;
    }
    return BYTE(info.nAlphaMax * alpha / 255);
}

void CRasterPNG::FillIndexRow(BYTE* out, DWORD y, const BYTE* indexMap)
{
    memset(out, 0, info.dwEffWidth);
    int depth = head.biBitCount;
    for (long x = 0; x < head.biWidth; x++) {
        BYTE index = indexMap[BlindGetPixelIndex(x, long(y))];
        if (depth == 8)
            out[x] = index;
        else if (depth == 4)
            out[x >> 1] |= BYTE((x & 1) ? (index & 0x0F) : (index << 4));
        else
            out[x >> 3] |= BYTE((index & 1) << (7 - (x & 7)));
    }
}

void CRasterPNG::FillColourRow(BYTE* out, DWORD y)
{
    const BYTE* src = GetBits(y);
    for (long x = 0; x < head.biWidth; x++) {
        out[3 * x] = src[3 * x + 2];
        out[3 * x + 1] = src[3 * x + 1];
        out[3 * x + 2] = src[3 * x];
    }
}

void CRasterPNG::FillAlphaRow(BYTE* out, DWORD y)
{
    for (long x = 0; x < head.biWidth; x++) {
        RGBQUAD c = BlindGetPixelColor(x, long(y));
        out[4 * x] = c.rgbRed;
        out[4 * x + 1] = c.rgbGreen;
        out[4 * x + 2] = c.rgbBlue;
        out[4 * x + 3] = EncodedAlpha(x, long(y));
    }
}

// The image may be a borrowed view of the caller's: nothing of it is
// changed here. Moving the transparent entry to index 0 happens in the
// written palette and through an index map on the written rows.
bool CRasterPNG::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorToText,
                                              PngIgnoreWarning);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop pngInfo = png_create_info_struct(png);
    if (!pngInfo) {
        png_destroy_write_struct(&png, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }
    BYTE* volatile row = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        free(row);
        png_destroy_write_struct(&png, &pngInfo);
        SetLastError("Error saving PNG file");
        return false;
    }
    png_set_write_fn(png, stream, PngWriteToStream, PngFlushStream);

    DWORD width = DWORD(head.biWidth), height = DWORD(head.biHeight);
    bool indexed = IsIndexed();
    bool withAlpha = pAlpha != nullptr || (!indexed && info.nBkgndIndex >= 0);
    int interlace = info.dwCodecOpt[RASTER_FORMAT_PNG] == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;

    BYTE indexMap[256];
    for (int i = 0; i < 256; i++)
        indexMap[i] = BYTE(i);
    png_color palette[256];
    png_byte trans[256];
    int paletteLength = 0;
    bool swapTransparent = indexed && info.nBkgndIndex > 0 && DWORD(info.nBkgndIndex) < head.biClrUsed;
    if (swapTransparent) {
        indexMap[info.nBkgndIndex] = 0;
        indexMap[0] = BYTE(info.nBkgndIndex);
    }

    if (withAlpha) {
        png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlace,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    } else if (indexed) {
        png_set_IHDR(png, pngInfo, width, height, head.biBitCount, PNG_COLOR_TYPE_PALETTE,
                     interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        paletteLength = int(head.biClrUsed);
        if (paletteLength > 2 && uint64_t(width) * height < 65536) {
            int highest = 0;
            for (long y = 0; y < long(height); y++)
                for (long x = 0; x < long(width); x++) {
                    int index = indexMap[BlindGetPixelIndex(x, y)];
                    if (index > highest)
                        highest = index;
                }
            paletteLength = highest + 1;
        }
        for (int i = 0; i < paletteLength; i++) {
            RGBQUAD c = GetPaletteColor(indexMap[i]);
            palette[i].red = c.rgbRed;
            palette[i].green = c.rgbGreen;
            palette[i].blue = c.rgbBlue;
            trans[i] = c.rgbReserved;
        }
        png_set_PLTE(png, pngInfo, palette, paletteLength);
        if (info.bAlphaPaletteEnabled) {
            png_set_tRNS(png, pngInfo, trans, paletteLength, nullptr);
        } else if (info.nBkgndIndex >= 0 && DWORD(info.nBkgndIndex) < head.biClrUsed) {
            trans[0] = 0;
            png_set_tRNS(png, pngInfo, trans, 1, nullptr);
        }
    } else {
        png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB, interlace,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    }

    png_color_16 background = {0, 0xFF, 0xFF, 0xFF, 0};
    if (info.nBkgndIndex >= 0) {
        RGBQUAD t = GetTransColor();
        background.red = t.rgbRed;
        background.green = t.rgbGreen;
        background.blue = t.rgbBlue;
    }
    png_set_bKGD(png, pngInfo, &background);
    png_set_pHYs(png, pngInfo, png_uint_32(head.biXPelsPerMeter > 0 ? head.biXPelsPerMeter : 0),
                 png_uint_32(head.biYPelsPerMeter > 0 ? head.biYPelsPerMeter : 0),
                 PNG_RESOLUTION_METER);
    png_write_info(png, pngInfo);

    size_t rowBytes = withAlpha ? size_t(width) * 4 : (indexed ? info.dwEffWidth : size_t(width) * 3);
    row = static_cast<BYTE*>(calloc(1, rowBytes + 10));
    if (!row)
        png_error(png, "Can't allocate memory");
    int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; pass++) {
        for (DWORD y = 0; y < height; y++) {
            DWORD source = height - 1 - y;
            if (withAlpha)
                FillAlphaRow(row, source);
            else if (indexed)
                FillIndexRow(row, source, indexMap);
            else
                FillColourRow(row, source);
            png_write_row(png, row);
        }
    }
    free(row);
    row = nullptr;
    png_write_end(png, pngInfo);
    png_destroy_write_struct(&png, &pngInfo);
    return true;
}
