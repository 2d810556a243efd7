#include "RasterBMP.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "RasterFailure.h"

static const WORD kBitmapSignature = 0x4D42;

namespace {
// Raised by the run-length readers when the data ends before its end code.
struct EndOfData {};
}  // namespace

static uint64_t RowBytes(uint64_t width, uint64_t bitcount)
{
    return ((width * bitcount + 31) / 32) * 4;
}

bool CRasterBMP::ReadInfoHeader(CByteStream* stream, BITMAPINFOHEADER* pdibinfo)
{
    if (stream->Read(pdibinfo, sizeof(BITMAPINFOHEADER), 1) != 1)
        return false;
    BITMAPINFOHEADER& bih = *pdibinfo;
    if (bih.biSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        memcpy(&core, &bih, sizeof(core));
        memset(&bih, 0, sizeof(bih));
        bih.biSize = sizeof(BITMAPCOREHEADER);
        bih.biWidth = core.bcWidth;
        bih.biHeight = core.bcHeight;
        bih.biPlanes = core.bcPlanes;
        bih.biBitCount = core.bcBitCount;
        stream->Seek(long(sizeof(BITMAPCOREHEADER)) - long(sizeof(BITMAPINFOHEADER)), SEEK_CUR);
    } else if (bih.biSize == 40) {
    } else if (bih.biSize == 64) {
        stream->Seek(24, SEEK_CUR);
    } else if (bih.biSize < 40) {
        return false;
    } else if (bih.biCompression == BI_BITFIELDS && (bih.biBitCount == 16 || bih.biBitCount == 32) &&
               bih.biSize >= 52 && bih.biPlanes == 1) {
        // Later headers carry the bit-field masks as their first extra
        // fields: the stream is left on them, where the pixel reader takes
        // the masks of a bit-field file.
    } else {
        uint64_t expected = RowBytes(DWORD(bih.biWidth), bih.biBitCount) * DWORD(bih.biHeight);
        if (bih.biSizeImage != expected || bih.biPlanes != 1 || bih.biCompression != BI_RGB ||
            bih.biClrUsed != 0)
            return false;
        if (!stream->Seek(long(bih.biSize) - 40, SEEK_CUR))
            return false;
    }
    // A height that cannot be made positive describes no image.
    if (bih.biHeight == INT32_MIN)
        return false;
    if (bih.biSizeImage == 0) {
        uint64_t height = uint64_t(bih.biHeight < 0 ? -int64_t(bih.biHeight) : bih.biHeight);
        bih.biSizeImage = DWORD(((uint64_t(bih.biBitCount) * DWORD(bih.biWidth) + 31) / 8 & ~uint64_t(3)) * height);
    }
    if (bih.biClrUsed == 0 && bih.biBitCount < 9)
        bih.biClrUsed = 1u << bih.biBitCount;
    return true;
}

bool CRasterBMP::Decode(CByteStream* stream)
{
    if (!stream)
        return false;
    try {
        DecodeBody(stream);
        return true;
    } catch (const CRasterFailure& failure) {
        if (failure.text && *failure.text)
            SetLastError(failure.text);
        return info.nEscape == -1 && strcmp(info.szLastError, "output dimensions returned") == 0;
    }
}

// A file that ends early gives what it holds; the rest stays as created.
void CRasterBMP::ReadAvailable(CByteStream* stream, void* dest, size_t bytes)
{
    if (bytes)
        stream->Read(dest, 1, bytes);
}

// False when the pixel offset lies beyond the stream: there is nothing to read.
bool CRasterBMP::SeekToBits(CByteStream* stream, long start, DWORD offset)
{
    return offset == 0 || stream->Seek(start + long(offset), SEEK_SET);
}

void CRasterBMP::DecodeBody(CByteStream* stream)
{
    long start = stream->Tell();
    BITMAPFILEHEADER bf;
    if (stream->Read(&bf, sizeof(bf), 1) != 1)
        RaiseRasterFailure("Not a BMP");
    if (bf.bfType != kBitmapSignature) {
        bf.bfOffBits = 0;
        stream->Seek(start, SEEK_SET);
    }
    BITMAPINFOHEADER bih;
    if (!ReadInfoHeader(stream, &bih))
        RaiseRasterFailure("Error reading BMP info");
    DWORD compression = bih.biCompression;
    WORD bitcount = bih.biBitCount;
    bool coreHeader = bih.biSize == sizeof(BITMAPCOREHEADER);
    bool topDown = bih.biHeight < 0;
    if (topDown)
        bih.biHeight = -bih.biHeight;

    if (info.nEscape == -1) {
        head.biWidth = bih.biWidth;
        head.biHeight = bih.biHeight;
        RaiseRasterFailure("output dimensions returned");
    }
    if (!Create(DWORD(bih.biWidth), DWORD(bih.biHeight), bitcount, RASTER_FORMAT_BMP))
        RaiseRasterFailure("Can't allocate memory");
    head.biXPelsPerMeter = bih.biXPelsPerMeter;
    head.biYPelsPerMeter = bih.biYPelsPerMeter;
    info.xDPI = LONG(double(bih.biXPelsPerMeter) * 0.0254 + 0.5);
    info.yDPI = LONG(double(bih.biYPelsPerMeter) * 0.0254 + 0.5);
    if (info.nEscape)
        RaiseRasterFailure("Cancelled");
    if (IsIndexed())
        ReadPalette(stream, bih.biClrUsed, coreHeader);
    if (info.nEscape)
        RaiseRasterFailure("Cancelled");

    switch (bitcount) {
    case 16:
        ReadBitfields16(stream, start, bf.bfOffBits, compression, bih.biSize);
        break;
    case 24: {
        bool found = SeekToBits(stream, start, bf.bfOffBits);
        if (compression != BI_RGB)
            RaiseRasterFailure("unknown compression");
        if (found)
            ReadAvailable(stream, info.pImage, head.biSizeImage);
        break;
    }
    case 32:
        if (compression == BI_BITFIELDS && bih.biSize > 40 && bf.bfOffBits == 0)
            stream->Seek(long(bih.biSize) - 40, SEEK_CUR);
        Read32(stream, start, bf.bfOffBits, compression);
        break;
    case 1:
    case 4:
    case 8: {
        bool found = SeekToBits(stream, start, bf.bfOffBits);
        if (compression != BI_RGB && compression != BI_RLE8 && compression != BI_RLE4)
            RaiseRasterFailure("compression type not supported");
        if (!found)
            break;
        if (compression == BI_RGB)
            ReadAvailable(stream, info.pImage, head.biSizeImage);
        else if (compression == BI_RLE8)
            ReadRLE8(stream);
        else
            ReadRLE4(stream);
        break;
    }
    default:
        // Other bit counts carry no pixels this decoder reads.
        break;
    }
    if (topDown)
        Flip();
}

// A colour count larger than the table fills the table and skips the rest.
void CRasterBMP::ReadPalette(CByteStream* stream, DWORD colours, bool coreHeader)
{
    DWORD entrySize = coreHeader ? 3 : 4;
    DWORD kept = colours < head.biClrUsed ? colours : head.biClrUsed;
    RGBQUAD* pal = GetPalette();
    std::vector<BYTE> raw(size_t(kept) * entrySize);
    ReadAvailable(stream, raw.data(), raw.size());
    for (DWORD i = 0; i < kept; i++) {
        pal[i].rgbBlue = raw[i * entrySize];
        pal[i].rgbGreen = raw[i * entrySize + 1];
        pal[i].rgbRed = raw[i * entrySize + 2];
        pal[i].rgbReserved = 0;
    }
    if (colours > kept)
        stream->Seek(long(uint64_t(colours - kept) * entrySize), SEEK_CUR);
    info.last_c_isvalid = false;
}

static int CountMaskBits(DWORD mask)
{
    int n = 0;
    for (int i = 0; i < 16; i++)
        n += (mask >> i) & 1;
    return n;
}

void CRasterBMP::ReadBitfields16(CByteStream* stream, long start, DWORD offset, DWORD compression,
                                 DWORD headerSize)
{
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (compression == BI_BITFIELDS) {
        ReadAvailable(stream, masks, sizeof(masks));
        // Masks whose widths would need a negative shift describe no pixel
        // layout this decoder can place.
        int r = CountMaskBits(masks[0]), g = CountMaskBits(masks[1]), b = CountMaskBits(masks[2]);
        if (8 - r < 0 || r + g - 8 < 0 || r + g + b - 8 < 0 || (masks[0] | masks[1] | masks[2]) > 0xFFFF)
            RaiseRasterFailure("compression type not supported");
        if (offset == 0 && headerSize > 40 + sizeof(masks))
            stream->Seek(long(headerSize - 40 - sizeof(masks)), SEEK_CUR);
    } else if (compression != BI_RGB) {
        RaiseRasterFailure("unknown compression");
    }
    size_t bytes = ((size_t(head.biWidth) + 1) / 2) * 4 * size_t(head.biHeight);
    if (SeekToBits(stream, start, offset))
        ReadAvailable(stream, info.pImage, bytes);
    Bitfield2RGB(info.pImage, WORD(masks[0]), WORD(masks[1]), WORD(masks[2]), 16);
}

void CRasterBMP::Read32(CByteStream* stream, long start, DWORD offset, DWORD compression)
{
    bool found = SeekToBits(stream, start, offset);
    if (compression != BI_RGB && compression != BI_BITFIELDS)
        RaiseRasterFailure("unknown compression");
    size_t bytes = size_t(head.biWidth) * size_t(head.biHeight) * 4;
    BYTE* block = static_cast<BYTE*>(calloc(1, bytes));
    if (!block)
        RaiseRasterFailure("can't allocate memory");
    if (found)
        ReadAvailable(stream, block, bytes);
    Bitfield2RGB(block, 0, 0, 0, 32);
    free(block);
}

// Runs, literal runs and deltas only ever land inside the rows; bytes aimed
// outside them are read and dropped. The end of the data ends the bitmap
// like its end code.
void CRasterBMP::ReadRLE8(CByteStream* stream)
{
    DWORD rowBytes = info.dwEffWidth;
    DWORD height = DWORD(head.biHeight);
    DWORD x = 0, y = 0;
    auto next = [&]() -> BYTE {
        long c = stream->GetC();
        if (c < 0)
            throw EndOfData();
        return BYTE(c);
    };
    auto put = [&](BYTE value) {
        if (y < height && x < rowBytes)
            GetBits(y)[x] = value;
        x++;
    };
    try {
        for (;;) {
            BYTE n = next();
            if (n > 0) {
                BYTE colour = next();
                for (BYTE i = 0; i < n; i++) {
                    if (x >= rowBytes)
                        return;
                    put(colour);
                }
                continue;
            }
            BYTE escape = next();
            if (escape == 0) {
                y++;
                x = 0;
            } else if (escape == 1) {
                return;
            } else if (escape == 2) {
                x += next();
                y += next();
            } else {
                for (BYTE i = 0; i < escape; i++)
                    put(next());
                if (escape & 1)
                    next();
            }
        }
    } catch (const EndOfData&) {
    }
}

void CRasterBMP::ReadRLE4(CByteStream* stream)
{
    DWORD rowBytes = info.dwEffWidth;
    DWORD height = DWORD(head.biHeight);
    DWORD x = 0, y = 0;
    bool lowNibble = false;
    auto next = [&]() -> BYTE {
        long c = stream->GetC();
        if (c < 0)
            throw EndOfData();
        return BYTE(c);
    };
    auto put = [&](BYTE nibble) {
        bool inside = y < height && x < rowBytes;
        if (!lowNibble) {
            if (inside)
                GetBits(y)[x] = BYTE(nibble << 4);
            lowNibble = true;
        } else {
            if (inside)
                GetBits(y)[x] |= BYTE(nibble & 0x0F);
            lowNibble = false;
            x++;
        }
    };
    try {
        for (;;) {
            BYTE n = next();
            if (n > 0) {
                BYTE colours = next();
                for (BYTE i = 0; i < n; i++)
                    put((i & 1) ? BYTE(colours & 0x0F) : BYTE(colours >> 4));
                continue;
            }
            BYTE escape = next();
            if (escape == 0) {
                y++;
                x = 0;
                lowNibble = false;
            } else if (escape == 1) {
                return;
            } else if (escape == 2) {
                x += next() / 2;
                y += next();
            } else {
                BYTE pair = 0;
                for (BYTE i = 0; i < escape; i++) {
                    if ((i & 1) == 0)
                        pair = next();
                    put((i & 1) ? BYTE(pair & 0x0F) : BYTE(pair >> 4));
                }
                if (((escape + 1) / 2) & 1)
                    next();
            }
        }
    } catch (const EndOfData&) {
    }
}

bool CRasterBMP::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    BITMAPFILEHEADER hdr;
    hdr.bfType = kBitmapSignature;
    hdr.bfSize = DWORD(GetSize() + sizeof(BITMAPFILEHEADER));
    hdr.bfReserved1 = 0;
    hdr.bfReserved2 = 0;
    hdr.bfOffBits = DWORD(sizeof(BITMAPFILEHEADER) + head.biSize + GetPaletteSize());
    memcpy(pDib, &head, sizeof(BITMAPINFOHEADER));
    if (stream->Write(&hdr, sizeof(hdr), 1) != 1 ||
        stream->Write(pDib, size_t(GetSize()), 1) != 1) {
        SetLastError("Error writing BMP file");
        return false;
    }
    return true;
}
