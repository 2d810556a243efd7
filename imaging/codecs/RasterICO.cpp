#include "RasterICO.h"

#include <cstring>
#include <vector>

#include "RasterFailure.h"

#pragma pack(push, 1)
struct IconDirectory {
    WORD idReserved;
    WORD idType;
    WORD idCount;
};
struct IconDirEntry {
    BYTE bWidth;
    BYTE bHeight;
    BYTE bColorCount;
    BYTE bReserved;
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    DWORD dwImageOffset;
};
#pragma pack(pop)

static const char kTruncated[] = "Premature end of icon file";

static void ReadExactly(CByteStream* stream, void* dest, size_t bytes)
{
    if (bytes && stream->Read(dest, 1, bytes) != bytes)
        RaiseRasterFailure(kTruncated);
}

bool CRasterICO::Decode(CByteStream* stream)
{
    if (!stream)
        return false;
    try {
        DecodeBody(stream);
        return true;
    } catch (const CRasterFailure& failure) {
        if (failure.text && *failure.text)
            SetLastError(failure.text);
        return false;
    }
}

void CRasterICO::DecodeBody(CByteStream* stream)
{
    long start = stream->Tell();
    IconDirectory dir;
    if (stream->Read(&dir, sizeof(dir), 1) != 1 || dir.idReserved != 0 ||
        (dir.idType != 1 && dir.idType != 2))
        RaiseRasterFailure("");
    info.nNumFrames = dir.idCount;
    std::vector<IconDirEntry> entries(dir.idCount);
    ReadExactly(stream, entries.data(), entries.size() * sizeof(IconDirEntry));
    if (info.nFrame < 0 || info.nFrame >= LONG(dir.idCount))
        RaiseRasterFailure("");
    const IconDirEntry& entry = entries[size_t(info.nFrame)];
    if (!stream->Seek(start + long(entry.dwImageOffset), SEEK_SET))
        RaiseRasterFailure(kTruncated);
    BITMAPINFOHEADER bih;
    ReadExactly(stream, &bih, sizeof(bih));
    // Only the depths whose rows are read below; others would be taken
    // for 24-bit rows of another length.
    bool knownDepth = bih.biBitCount == 1 || bih.biBitCount == 4 || bih.biBitCount == 8 ||
                      bih.biBitCount == 24 || bih.biBitCount == 32;
    if (bih.biSize != sizeof(BITMAPINFOHEADER) || !knownDepth)
        RaiseRasterFailure("Unsupported icon image");
    if (!Create(entry.bWidth, entry.bHeight, bih.biBitCount, RASTER_FORMAT_ICO))
        RaiseRasterFailure("");
    ReadPixels(stream, bih);

    DWORD maskRowBytes = ((DWORD(head.biWidth) + 31) / 32) * 4;
    std::vector<BYTE> mask(size_t(maskRowBytes) * DWORD(head.biHeight));
    ReadExactly(stream, mask.data(), mask.size());
    bool allSet = true;
    for (BYTE b : mask)
        if (b != 0xFF) {
            allSet = false;
            break;
        }
    if (allSet) {
        info.nBkgndIndex = 0;
        Negative();
        return;
    }
    ApplyMask(mask.data(), maskRowBytes, pAlpha != nullptr);
}

// The stored colour count may be 0 (meaning a full table) or larger than
// the table; the table is filled as far as it goes and the rest skipped.
void CRasterICO::ReadPixels(CByteStream* stream, const BITMAPINFOHEADER& bih)
{
    if (IsIndexed()) {
        DWORD colours = bih.biClrUsed ? bih.biClrUsed : head.biClrUsed;
        DWORD kept = colours < head.biClrUsed ? colours : head.biClrUsed;
        std::vector<RGBQUAD> pal(kept);
        ReadExactly(stream, pal.data(), pal.size() * sizeof(RGBQUAD));
        SetPalette(pal.data(), kept);
        if (colours > kept && !stream->Seek(long(colours - kept) * 4, SEEK_CUR))
            RaiseRasterFailure(kTruncated);
    }
    if (bih.biBitCount <= 24) {
        ReadExactly(stream, info.pImage, head.biSizeImage);
        return;
    }
    size_t width = DWORD(head.biWidth), height = DWORD(head.biHeight);
    std::vector<BYTE> block(width * height * 4);
    ReadExactly(stream, block.data(), block.size());
    AlphaCreate();
    for (size_t y = 0; y < height; y++) {
        BYTE* row = GetBits(DWORD(y));
        for (size_t x = 0; x < width; x++) {
            const BYTE* px = &block[(y * width + x) * 4];
            row[3 * x] = px[0];
            row[3 * x + 1] = px[1];
            row[3 * x + 2] = px[2];
            if (pAlpha)
                pAlpha[y * width + x] = px[3];
        }
    }
}

bool CRasterICO::IsMaskedPixel(const BYTE* mask, DWORD maskRowBytes, long x, long y) const
{
    return (mask[size_t(y) * maskRowBytes + size_t(x) / 8] >> (7 - (x & 7))) & 1;
}

void CRasterICO::ApplyMask(const BYTE* mask, DWORD maskRowBytes, bool hadAlpha)
{
    AlphaCreate();
    bool anyMasked = false;
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            if (IsMaskedPixel(mask, maskRowBytes, x, y)) {
                AlphaSet(x, y, 0);
                anyMasked = true;
            }
    if (!hadAlpha && !anyMasked) {
        AlphaDelete();
        return;
    }
    // An icon with its own alpha values keeps them: folding them into one
    // transparent colour would lose the soft edges.
    if (head.biBitCount == 24 && !hadAlpha && anyMasked)
        UseTransparentColour(mask, maskRowBytes);
    else if (head.biBitCount <= 8)
        UseFreeIndex(mask, maskRowBytes);
}

void CRasterICO::UseTransparentColour(const BYTE* mask, DWORD maskRowBytes)
{
    bool first = true;
    RGBQUAD colour = {0, 0, 0, 0};
    for (long y = 0; y < head.biHeight; y++) {
        for (long x = 0; x < head.biWidth; x++) {
            if (!IsMaskedPixel(mask, maskRowBytes, x, y))
                continue;
            RGBQUAD c = GetPixelColor(x, y, false);
            if (first) {
                colour = c;
                first = false;
            } else if (c.rgbBlue != colour.rgbBlue || c.rgbGreen != colour.rgbGreen ||
                       c.rgbRed != colour.rgbRed) {
                return;
            }
        }
    }
    SetTransColor(colour);
    info.nBkgndIndex = 0;
    AlphaDelete();
}

void CRasterICO::UseFreeIndex(const BYTE* mask, DWORD maskRowBytes)
{
    std::vector<bool> used(head.biClrUsed, false);
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            used[BlindGetPixelIndex(x, y)] = true;
    DWORD freeIndex = 0;
    while (freeIndex < head.biClrUsed && used[freeIndex])
        freeIndex++;
    if (freeIndex >= head.biClrUsed)
        return;
    bool anyMasked = false;
    for (long y = 0; y < head.biHeight; y++)
        for (long x = 0; x < head.biWidth; x++)
            if (IsMaskedPixel(mask, maskRowBytes, x, y)) {
                SetPixelIndex(x, y, BYTE(freeIndex));
                anyMasked = true;
            }
    if (anyMasked)
        info.nBkgndIndex = LONG(freeIndex);
    AlphaDelete();
}

bool CRasterICO::IsTransparentForMask(long x, long y)
{
    if (pAlpha && AlphaGet(x, y) == 0)
        return true;
    if (info.bAlphaPaletteEnabled && IsIndexed() && GetPixelColor(x, y, false).rgbReserved == 0)
        return true;
    if (info.nBkgndIndex >= 0) {
        RGBQUAD c = GetPixelColor(x, y, false);
        RGBQUAD t = GetTransColor();
        return c.rgbBlue == t.rgbBlue && c.rgbGreen == t.rgbGreen && c.rgbRed == t.rgbRed;
    }
    return false;
}

bool CRasterICO::Encode(CByteStream* stream)
{
    if (EncodeSafeCheck(stream))
        return false;
    if (head.biWidth > 255 || head.biHeight > 255) {
        SetLastError("Can't save this image as icon");
        return false;
    }
    if (head.biBitCount < 9 && !GetPalette())
        return false;
    DWORD width = DWORD(head.biWidth), height = DWORD(head.biHeight);
    DWORD maskRowBytes = ((width + 31) / 32) * 4;
    DWORD maskSize = height * maskRowBytes;
    bool withAlpha = pAlpha && !IsIndexed();
    DWORD bitsSize = withAlpha ? width * height * 4 : head.biSizeImage;
    WORD bitCount = withAlpha ? 32 : head.biBitCount;

    IconDirectory dir = {0, 1, 1};
    IconDirEntry entry;
    entry.bWidth = BYTE(width);
    entry.bHeight = BYTE(height);
    entry.bColorCount = BYTE(head.biClrUsed);
    entry.bReserved = 0;
    entry.wPlanes = 0;
    entry.wBitCount = bitCount;
    entry.dwBytesInRes = 40 + GetPaletteSize() + bitsSize + maskSize;
    entry.dwImageOffset = sizeof(IconDirectory) + sizeof(IconDirEntry);
    BITMAPINFOHEADER bih;
    memset(&bih, 0, sizeof(bih));
    bih.biSize = sizeof(bih);
    bih.biWidth = LONG(width);
    bih.biHeight = LONG(height * 2);
    bih.biPlanes = 1;
    bih.biBitCount = bitCount;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = bitsSize;
    bih.biXPelsPerMeter = head.biXPelsPerMeter;
    bih.biYPelsPerMeter = head.biYPelsPerMeter;

    bool ok = stream->Write(&dir, sizeof(dir), 1) == 1 &&
              stream->Write(&entry, sizeof(entry), 1) == 1 &&
              stream->Write(&bih, sizeof(bih), 1) == 1;
    if (ok && GetPaletteSize())
        ok = stream->Write(GetPalette(), GetPaletteSize(), 1) == 1;
    if (ok && withAlpha) {
        std::vector<BYTE> block(static_cast<size_t>(bitsSize));
        for (DWORD y = 0; y < height; y++)
            for (DWORD x = 0; x < width; x++) {
                BYTE* px = &block[(size_t(y) * width + x) * 4];
                const BYTE* src = GetBits(y) + size_t(x) * 3;
                px[0] = src[0];
                px[1] = src[1];
                px[2] = src[2];
                px[3] = AlphaGet(long(x), long(y));
            }
        ok = stream->Write(block.data(), block.size(), 1) == 1;
    } else if (ok) {
        ok = stream->Write(info.pImage, head.biSizeImage, 1) == 1;
    }
    std::vector<BYTE> mask(maskSize, 0);
    for (DWORD y = 0; y < height; y++)
        for (DWORD x = 0; x < width; x++)
            if (IsTransparentForMask(long(x), long(y)))
                mask[size_t(y) * maskRowBytes + x / 8] |= BYTE(0x80 >> (x & 7));
    if (ok)
        ok = stream->Write(mask.data(), mask.size(), 1) == 1;
    if (!ok)
        SetLastError("Error writing icon file");
    return ok;
}
