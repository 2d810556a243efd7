#include "RasterWBMP.h"

#include <cstring>
#include <vector>

#include "RasterFailure.h"

// Header integers use seven bits per byte with a continuation bit; a
// single byte holds only sizes below 128. Answers 0 for a malformed or
// oversized value.
DWORD CRasterWBMP::ReadMultiByte(CByteStream* stream)
{
    DWORD value = 0;
    for (int i = 0; i < 4; i++) {
        long c = stream->GetC();
        if (c < 0)
            RaiseRasterFailure("Not a WBMP");
        value = (value << 7) | DWORD(c & 0x7F);
        if (!(c & 0x80))
            return value;
    }
    return 0;
}

void CRasterWBMP::WriteMultiByte(CByteStream* stream, DWORD value)
{
    if (value >= 0x80)
        stream->PutC(BYTE(0x80 | (value >> 7)));
    stream->PutC(BYTE(value & 0x7F));
}

bool CRasterWBMP::Decode(CByteStream* stream)
{
    return stream && RunCatching([&] { DecodeBody(stream); });
}

void CRasterWBMP::DecodeBody(CByteStream* stream)
{
    BYTE fixed[2];
    ReadOrRaise(stream, fixed, 2, "Not a WBMP");
    if (fixed[0] != 0)
        RaiseRasterFailure("Unsupported WBMP type");
    DWORD width = ReadMultiByte(stream);
    DWORD height = ReadMultiByte(stream);
    if (width == 0 || height == 0)
        RaiseRasterFailure("Corrupted WBMP");
    DWORD rowBytes = (width + 7) / 8;
    long size = stream->Size(), at = stream->Tell();
    if (size >= 0 && at >= 0 && uint64_t(size - at) < uint64_t(rowBytes) * height)
        RaiseRasterFailure("Corrupted WBMP");
    if (!Create(width, height, 1, RASTER_FORMAT_WBMP))
        RaiseRasterFailure("WBMP Create failed");
    SetGrayPalette();
    for (DWORD y = 0; y < height; y++)
        ReadOrRaise(stream, GetBits(height - 1 - y), rowBytes, "Corrupted WBMP");
}

// Rows are written with 1 = white whatever the order of the image's two
// palette entries, so a white-first palette does not come out inverted.
bool CRasterWBMP::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (head.biBitCount != 1 || head.biWidth >= 256 || head.biHeight >= 256) {
        SetLastError("Can't save this image as WBMP");
        return false;
    }
    RGBQUAD pal[2] = {GetPaletteColor(0), GetPaletteColor(1)};
    bool invert = CompareColors(&pal[0], &pal[1]) > 0;
    stream->PutC(0);
    stream->PutC(0);
    WriteMultiByte(stream, DWORD(head.biWidth));
    WriteMultiByte(stream, DWORD(head.biHeight));
    DWORD rowBytes = (DWORD(head.biWidth) + 7) / 8;
    std::vector<BYTE> row(rowBytes);
    for (long y = head.biHeight - 1; y >= 0; y--) {
        memcpy(row.data(), GetBits(DWORD(y)), rowBytes);
        if (invert)
            for (BYTE& b : row)
                b = BYTE(~b);
        if (stream->Write(row.data(), 1, rowBytes) != rowBytes) {
            SetLastError("Can't save this image as WBMP");
            return false;
        }
    }
    return true;
}
