#include "RasterPCX.h"

#include <cstring>
#include <vector>

#include "MemoryStream.h"
#include "RasterFailure.h"

static const char kCorrupted[] = "corrupted PCX";

bool CRasterPCX::Decode(CByteStream* stream)
{
    return stream && RunCatching([&] { DecodeBody(stream); });
}

// A row must hold the image width: a header whose bytes per line are
// too few would make every row read past its plane.
void CRasterPCX::CheckHeader(const PCXHEADER& header)
{
    if (header.Manufacturer != 10)
        RaiseRasterFailure("Error: Not a PCX file");
    if (header.Encoding != 1)
        RaiseRasterFailure("PCX file has unknown encoding scheme");
    if (header.NPlanes > 4)
        RaiseRasterFailure("Can't handle image with more than 4 planes");
    BYTE bits = header.BitsPerPixel;
    if (header.NPlanes == 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8) ||
        header.Xmax < header.Xmin || header.Ymax < header.Ymin)
        RaiseRasterFailure(kCorrupted);
    uint64_t width = uint64_t(header.Xmax) - header.Xmin + 1;
    if (uint64_t(header.BytesPerLine) * 8 < width * bits)
        RaiseRasterFailure(kCorrupted);
}

void CRasterPCX::DecodeBody(CByteStream* stream)
{
    PCXHEADER header;
    ReadOrRaise(stream, &header, sizeof(header), "Can't read PCX image");
    CheckHeader(header);
    DWORD width = DWORD(header.Xmax) - header.Xmin + 1;
    DWORD height = DWORD(header.Ymax) - header.Ymin + 1;
    DWORD planes = header.NPlanes, bits = header.BitsPerPixel;
    DWORD depth = bits;
    if (bits == 8 && planes >= 3)
        depth = 24;
    else if (bits == 1 && planes > 1)
        depth = 4;
    size_t lineBytes = size_t(header.BytesPerLine) * planes;
    size_t total = lineBytes * height;
    // Each two coded bytes give at most 63 bytes of pixels.
    long size = stream->Size(), at = stream->Tell();
    if (size >= 0 && at >= 0 && uint64_t(size - at) * 63 / 2 + 63 < total)
        RaiseRasterFailure(kCorrupted);
    if (!Create(width, height, depth, RASTER_FORMAT_PCX))
        RaiseRasterFailure("");
    if (depth == 24 && planes == 4)
        AlphaCreate();
    SetXDPI(header.Hres);
    SetYDPI(header.Vres);
    if (info.nEscape)
        RaiseRasterFailure("Cancelled");

    std::vector<BYTE> data(total);
    ReadRunLengthData(stream, data.data(), total);
    ReadPalette(stream, header);
    std::vector<BYTE> pixels(size_t(header.BytesPerLine) * 8 + 8);
    for (DWORD y = 0; y < height; y++) {
        if (info.nEscape)
            RaiseRasterFailure("Cancelled");
        StoreRow(&data[y * lineBytes], header, height - y - 1, pixels.data());
    }
}

// Runs may cross row ends; only a run past the whole image is refused.
void CRasterPCX::ReadRunLengthData(CByteStream* stream, BYTE* data, size_t total)
{
    size_t filled = 0;
    while (filled < total) {
        long c = stream->GetC();
        if (c < 0)
            RaiseRasterFailure(kCorrupted);
        size_t count = 1;
        if ((c & 0xC0) == 0xC0) {
            count = size_t(c & 0x3F);
            c = stream->GetC();
            if (c < 0)
                RaiseRasterFailure(kCorrupted);
            if (count > total - filled)
                RaiseRasterFailure("repeat count spans end of image");
        }
        memset(data + filled, int(c), count);
        filled += count;
    }
}

void CRasterPCX::ReadPalette(CByteStream* stream, const PCXHEADER& header)
{
    if (!IsIndexed())
        return;
    if (header.BitsPerPixel == 8 && header.NPlanes == 1) {
        BYTE map[769];
        ReadOrRaise(stream, map, 1, "bad color map signature");
        if (map[0] != 12)
            RaiseRasterFailure("bad color map signature");
        ReadOrRaise(stream, map + 1, 768, "bad color map signature");
        for (DWORD i = 0; i < 256; i++)
            SetPaletteColor(BYTE(i), map[1 + 3 * i], map[2 + 3 * i], map[3 + 3 * i]);
    } else if (header.BitsPerPixel == 1 && header.NPlanes == 1) {
        SetPaletteColor(0, 0, 0, 0);
        SetPaletteColor(1, 255, 255, 255);
    } else {
        for (DWORD i = 0; i < 16 && i < head.biClrUsed; i++)
            SetPaletteColor(BYTE(i), header.ColorMap[i][0], header.ColorMap[i][1], header.ColorMap[i][2]);
    }
}

void CRasterPCX::StoreRow(const BYTE* planes, const PCXHEADER& header, DWORD row, BYTE* pixels)
{
    DWORD width = DWORD(head.biWidth), bpl = header.BytesPerLine;
    if (head.biBitCount == 24) {
        BYTE* out = GetBits(row);
        for (DWORD x = 0; x < width; x++) {
            out[3 * x] = planes[2 * bpl + x];
            out[3 * x + 1] = planes[bpl + x];
            out[3 * x + 2] = planes[x];
            if (header.NPlanes == 4)
                AlphaSet(long(x), long(row), planes[3 * bpl + x]);
        }
        return;
    }
    if (header.NPlanes == 1)
        SplitPackedPixels(pixels, planes, bpl, header.NPlanes, header.BitsPerPixel);
    else
        MergeBitPlanes(pixels, planes, bpl, header.NPlanes, header.BitsPerPixel);
    for (DWORD x = 0; x < width; x++)
        SetPixelIndex(long(x), long(row), pixels[x]);
}

void CRasterPCX::MergeBitPlanes(BYTE* pixels, const BYTE* planes, DWORD bytesPerLine, DWORD nPlanes,
                                DWORD bitsPerPixel)
{
    if (nPlanes > 4)
        RaiseRasterFailure("Can't handle more than 4 planes");
    if (bitsPerPixel != 1)
        RaiseRasterFailure("Can't handle more than 1 bit per pixel");
    memset(pixels, 0, size_t(bytesPerLine) * 8);
    for (DWORD p = 0; p < nPlanes; p++)
        for (DWORD i = 0; i < bytesPerLine * 8; i++)
            if (planes[p * bytesPerLine + i / 8] & (0x80 >> (i % 8)))
                pixels[i] |= BYTE(1 << p);
}

void CRasterPCX::SplitPackedPixels(BYTE* pixels, const BYTE* planes, DWORD bytesPerLine, DWORD nPlanes,
                                   DWORD bitsPerPixel)
{
    if (nPlanes != 1)
        RaiseRasterFailure("Can't handle packed pixels with more than 1 plane.");
    DWORD perByte = 8 / bitsPerPixel;
    BYTE mask = BYTE((1 << bitsPerPixel) - 1);
    for (DWORD i = 0; i < bytesPerLine * perByte; i++) {
        DWORD shift = 8 - bitsPerPixel * (i % perByte + 1);
        pixels[i] = BYTE((planes[i / perByte] >> shift) & mask);
    }
}

// A held run ends when the value changes or it reaches 63; -1 only
// flushes, -2 flushes and adds the pad byte of an odd row.
void CRasterPCX::PackRunByte(int value, int& last, int& count, CByteStream* stream)
{
    if (count > 0 && (value != last || count == 63)) {
        if (count == 1 && last < 0xC0) {
            stream->PutC(BYTE(last));
        } else {
            stream->PutC(BYTE(0xC0 | count));
            stream->PutC(BYTE(last));
        }
        count = 0;
    }
    if (value < 0) {
        if (value == -2)
            stream->PutC(0);
        return;
    }
    last = value;
    count++;
}

void CRasterPCX::PackRunLine(const BYTE* bytes, DWORD length, CByteStream* stream)
{
    int last = 0, count = 0;
    for (DWORD i = 0; i < length; i++)
        PackRunByte(bytes[i], last, count, stream);
    PackRunByte(-1, last, count, stream);
}

void CRasterPCX::PackBitPlane(const BYTE* pixels, DWORD count, BYTE* plane, DWORD bit)
{
    for (DWORD i = 0; i < count; i++) {
        BYTE mask = BYTE(0x80 >> (i % 8));
        if ((pixels[i] >> bit) & 1)
            plane[i / 8] |= mask;
        else
            plane[i / 8] &= BYTE(~mask);
    }
}

void CRasterPCX::FillEncodeHeader(PCXHEADER& header)
{
    memset(&header, 0, sizeof(header));
    header.Manufacturer = 10;
    header.Version = 5;
    header.Encoding = 1;
    header.Xmax = WORD(head.biWidth - 1);
    header.Ymax = WORD(head.biHeight - 1);
    header.Hres = WORD(info.xDPI);
    header.Vres = WORD(info.yDPI);
    header.PaletteInfo = head.biClrUsed ? 0 : 1;
    DWORD width = DWORD(head.biWidth);
    if (head.biBitCount >= 8) {
        header.BitsPerPixel = 8;
        header.NPlanes = head.biClrUsed ? 1 : (pAlpha ? 4 : 3);
        header.BytesPerLine = WORD(width);
    } else {
        header.BitsPerPixel = 1;
        header.NPlanes = head.biClrUsed == 16 ? 4 : 1;
        header.BytesPerLine = WORD((width + 7) / 8);
        for (DWORD i = 0; i < 16; i++) {
            RGBQUAD c = header.NPlanes == 1 ? RGBQUAD{BYTE(i ? 255 : 0), BYTE(i ? 255 : 0), BYTE(i ? 255 : 0), 0}
                                             : GetPaletteColor(BYTE(i));
            if (header.NPlanes == 1 && i > 1)
                c = RGBQUAD{0, 0, 0, 0};
            header.ColorMap[i][0] = c.rgbRed;
            header.ColorMap[i][1] = c.rgbGreen;
            header.ColorMap[i][2] = c.rgbBlue;
        }
    }
    header.BytesPerLine = WORD((header.BytesPerLine + 1) & ~1);
}

void CRasterPCX::EncodeRows(const PCXHEADER& header, CMemoryStream& coded)
{
    DWORD width = DWORD(head.biWidth);
    std::vector<BYTE> indices(width);
    std::vector<BYTE> plane(header.BytesPerLine);
    bool invert = false;
    if (head.biBitCount == 1) {
        RGBQUAD pal[2] = {GetPaletteColor(0), GetPaletteColor(1)};
        invert = CompareColors(&pal[0], &pal[1]) > 0;
    }
    for (long y = head.biHeight - 1; y >= 0; y--) {
        if (head.biBitCount >= 8) {
            const BYTE* bits = GetBits(DWORD(y));
            int flush = (width & 1) ? -2 : -1;
            for (DWORD p = 0; p < header.NPlanes; p++) {
                int last = 0, count = 0;
                for (DWORD x = 0; x < width; x++) {
                    int v;
                    if (head.biClrUsed)
                        v = bits[x];
                    else if (p < 3)
                        v = bits[3 * x + 2 - p];
                    else
                        v = BlindAlphaGet(long(x), y);
                    PackRunByte(v, last, count, &coded);
                }
                PackRunByte(flush, last, count, &coded);
            }
            continue;
        }
        for (DWORD x = 0; x < width; x++)
            indices[x] = BYTE(BlindGetPixelIndex(long(x), y) ^ (invert ? 1 : 0));
        for (DWORD p = 0; p < header.NPlanes; p++) {
            memset(plane.data(), 0, plane.size());
            PackBitPlane(indices.data(), width, plane.data(), p);
            PackRunLine(plane.data(), header.BytesPerLine, &coded);
        }
    }
}

bool CRasterPCX::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (head.biWidth > 65535 || head.biHeight > 65535) {
        SetLastError("cannot write PCX header");
        return false;
    }
    PCXHEADER header;
    FillEncodeHeader(header);
    if (stream->Write(&header, sizeof(header), 1) != 1) {
        SetLastError("cannot write PCX header");
        return false;
    }
    CMemoryStream coded;
    if (!coded.Open()) {
        SetLastError("cannot write PCX header");
        return false;
    }
    EncodeRows(header, coded);
    stream->Write(coded.GetBuffer(false), 1, size_t(coded.Size()));
    if (head.biBitCount == 8) {
        stream->PutC(12);
        for (DWORD i = 0; i < 256; i++) {
            RGBQUAD c = GetPaletteColor(BYTE(i));
            BYTE e[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
            stream->Write(e, 1, 3);
        }
    }
    return stream->Error() == 0;
}
