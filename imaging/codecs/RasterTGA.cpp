#include "RasterTGA.h"

#include <cstring>
#include <vector>

#include "RasterFailure.h"

static const char kCorrupted[] = "corrupted TGA";

static DWORD BytesPerPixel(BYTE depth)
{
    return (DWORD(depth) + 7) / 8;
}

bool CRasterTGA::Decode(CByteStream* stream)
{
    return stream && RunCatching([&] { DecodeBody(stream); });
}

// Targa has no signature: fields that no writer produces are refused so
// that the probe does not take other formats for Targa.
void CRasterTGA::CheckHeader(const TargaHeader& header, CByteStream* stream)
{
    BYTE type = header.ImageType;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        RaiseRasterFailure("Unknown TGA image type");
    BYTE depth = header.PixelDepth;
    if (header.ImageWidth == 0 || header.ImageHeight == 0 || depth == 0 || header.CmapLength > 256 ||
        (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        RaiseRasterFailure("bad TGA header");
    bool mapped = (type & 7) == 1;
    bool grey = (type & 7) == 3;
    if (header.CmapType > 1 || (mapped && header.CmapType != 1) || ((mapped || grey) != (depth == 8)))
        RaiseRasterFailure("bad TGA header");
    if (header.CmapType == 1 && header.CmapEntrySize != 15 && header.CmapEntrySize != 16 &&
        header.CmapEntrySize != 24 && header.CmapEntrySize != 32)
        RaiseRasterFailure("bad TGA header");
    // Every run packet of 128 pixels needs at least a byte and one pixel.
    uint64_t pixels = uint64_t(header.ImageWidth) * header.ImageHeight;
    uint64_t pixelBytes = BytesPerPixel(depth);
    uint64_t needed = type > 8 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    long size = stream->Size(), at = stream->Tell();
    if (size >= 0 && at >= 0 && uint64_t(size - at) < needed)
        RaiseRasterFailure(kCorrupted);
}

void CRasterTGA::ReadColourMap(CByteStream* stream, const TargaHeader& header)
{
    DWORD entryBytes = BytesPerPixel(header.CmapEntrySize);
    std::vector<BYTE> map(size_t(header.CmapLength) * entryBytes);
    ReadOrRaise(stream, map.data(), map.size(), kCorrupted);
    if (!IsIndexed())
        return;
    // Entries that would lie past the 256-entry table are dropped.
    for (DWORD i = 0; i < header.CmapLength && header.CmapIndex + i < 256; i++) {
        const BYTE* e = &map[i * entryBytes];
        BYTE index = BYTE(header.CmapIndex + i);
        if (entryBytes == 2) {
            WORD v = WORD(e[0] | (e[1] << 8));
            SetPaletteColor(index, BYTE((v >> 7) & 0xF8), BYTE((v >> 2) & 0xF8), BYTE((v & 31) * 8));
        } else {
            SetPaletteColor(index, e[2], e[1], e[0]);
        }
    }
}

void CRasterTGA::DecodeBody(CByteStream* stream)
{
    TargaHeader header;
    ReadOrRaise(stream, &header, sizeof(header), "Not a TGA");
    CheckHeader(header, stream);
    if (header.IdLength && !stream->Seek(header.IdLength, SEEK_CUR))
        RaiseRasterFailure(kCorrupted);
    DWORD width = header.ImageWidth, height = header.ImageHeight;
    if (!Create(width, height, header.PixelDepth, RASTER_FORMAT_TGA))
        RaiseRasterFailure("TGA Create failed");
    if (header.PixelDepth == 32)
        AlphaCreate();
    if (info.nEscape)
        RaiseRasterFailure("Cancelled");
    if (header.CmapType == 1)
        ReadColourMap(stream, header);
    if ((header.ImageType & 7) == 3)
        SetGrayPalette();

    bool topDown = (header.ImagDesc & 0x20) != 0;
    bool coded = header.ImageType > 8;
    RunState run;
    for (DWORD y = 0; y < height; y++) {
        if (info.nEscape)
            RaiseRasterFailure("Cancelled");
        DWORD target = topDown ? height - y - 1 : y;
        BYTE* row = GetBits(target);
        if (coded)
            run = ReadRunLengthRow(row, header, stream, width, target, run);
        else
            ReadPlainRow(row, header, stream, width, target, 0);
    }
    if (header.ImagDesc & 0x10)
        Mirror();
}

void CRasterTGA::StorePixel(const BYTE* pixel, BYTE* row, DWORD x, DWORD rowNumber, BYTE depth)
{
    switch (depth) {
    case 8:
        row[x] = pixel[0];
        break;
    case 15:
    case 16: {
        WORD v = WORD(pixel[0] | (pixel[1] << 8));
        row[3 * x] = BYTE((v & 31) * 8);
        row[3 * x + 1] = BYTE((v >> 2) & 0xF8);
        row[3 * x + 2] = BYTE((v >> 7) & 0xF8);
        break;
    }
    default:
        memcpy(row + 3 * x, pixel, 3);
        if (depth == 32)
            AlphaSet(long(x), long(rowNumber), pixel[3]);
        break;
    }
}

void CRasterTGA::ReadPlainRow(BYTE* row, const TargaHeader& header, CByteStream* stream, DWORD count,
                              DWORD rowNumber, DWORD firstColumn)
{
    DWORD pixelBytes = BytesPerPixel(header.PixelDepth);
    std::vector<BYTE> raw(size_t(count) * pixelBytes);
    ReadOrRaise(stream, raw.data(), raw.size(), kCorrupted);
    for (DWORD i = 0; i < count; i++)
        StorePixel(&raw[i * pixelBytes], row, firstColumn + i, rowNumber, header.PixelDepth);
}

// Packets are cut at the row end and their remainder carried, so a
// packet never writes past the row, nor past the last row of the image.
CRasterTGA::RunState CRasterTGA::ReadRunLengthRow(BYTE* row, const TargaHeader& header,
                                                  CByteStream* stream, DWORD width, DWORD rowNumber,
                                                  RunState carried)
{
    DWORD pixelBytes = BytesPerPixel(header.PixelDepth);
    RunState run = carried;
    DWORD x = 0;
    while (x < width) {
        if (run.left == 0) {
            long packet = stream->GetC();
            if (packet < 0)
                RaiseRasterFailure(kCorrupted);
            run.repeat = packet >= 128;
            run.left = run.repeat ? DWORD(packet) - 127 : DWORD(packet) + 1;
            if (run.repeat)
                ReadOrRaise(stream, run.pixel, pixelBytes, kCorrupted);
        }
        DWORD n = run.left < width - x ? run.left : width - x;
        if (run.repeat) {
            for (DWORD i = 0; i < n; i++)
                StorePixel(run.pixel, row, x + i, rowNumber, header.PixelDepth);
        } else {
            ReadPlainRow(row, header, stream, n, rowNumber, x);
        }
        x += n;
        run.left -= n;
    }
    return run;
}

bool CRasterTGA::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (head.biBitCount < 8) {
        SetLastError("Bit depth must be 8 or 24");
        return false;
    }
    bool alpha = head.biBitCount == 24 && pAlpha;
    TargaHeader header;
    memset(&header, 0, sizeof(header));
    header.CmapType = head.biClrUsed ? 1 : 0;
    header.ImageType = head.biBitCount == 8 ? 1 : 2;
    header.CmapLength = head.biBitCount == 8 ? 256 : 0;
    header.CmapEntrySize = head.biBitCount == 8 ? 24 : 0;
    header.ImageWidth = WORD(head.biWidth);
    header.ImageHeight = WORD(head.biHeight);
    header.PixelDepth = BYTE(alpha ? 32 : head.biBitCount);
    // The attribute bits tell readers that the fourth byte is alpha.
    header.ImagDesc = alpha ? 8 : 0;
    if (head.biWidth > 65535 || head.biHeight > 65535) {
        SetLastError("Image too large for TGA");
        return false;
    }
    stream->Write(&header, sizeof(header), 1);
    if (head.biBitCount == 8) {
        for (DWORD i = 0; i < 256; i++) {
            RGBQUAD c = GetPaletteColor(BYTE(i));
            BYTE e[3] = {c.rgbBlue, c.rgbGreen, c.rgbRed};
            stream->Write(e, 1, 3);
        }
    }
    DWORD width = DWORD(head.biWidth);
    std::vector<BYTE> row(size_t(width) * 4);
    for (long y = 0; y < head.biHeight; y++) {
        if (!alpha) {
            stream->Write(GetBits(DWORD(y)), 1, size_t(head.biBitCount / 8) * width);
            continue;
        }
        const BYTE* bits = GetBits(DWORD(y));
        for (DWORD x = 0; x < width; x++) {
            memcpy(&row[4 * x], bits + 3 * x, 3);
            row[4 * x + 3] = BYTE(info.nAlphaMax * BlindAlphaGet(long(x), y) / 255);
        }
        stream->Write(row.data(), 1, row.size());
    }
    if (stream->Error()) {
        SetLastError("Write Error in TGA file");
        return false;
    }
    return true;
}
