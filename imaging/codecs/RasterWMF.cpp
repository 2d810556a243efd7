#include "RasterWMF.h"

#include <algorithm>
#include <vector>

namespace {

const DWORD kPlaceableKey = 0x9AC6CDD7;
const size_t kStandardHeaderBytes = 18;
const long kMaxSide = 4000;

// The longest metafile read into memory; the drawing's size is bounded
// separately.
const long kMaxMetafileBytes = 256 * 1024 * 1024;

WORD LittleWord(const BYTE* p)
{
    return WORD(p[0] | p[1] << 8);
}

bool ReadAll(CByteStream* stream, std::vector<BYTE>& bytes, long size)
{
    if (size <= 0 || size > kMaxMetafileBytes)
        return false;
    bytes.resize(size_t(size));
    return stream->Read(bytes.data(), 1, bytes.size()) == bytes.size();
}

}  // namespace

bool CRasterWMF::CheckPlaceableHeader(const PlaceableHeader& header)
{
    if (header.key != kPlaceableKey || header.inch < 1 || header.inch > 2540)
        return false;
    const BYTE* words = reinterpret_cast<const BYTE*>(&header);
    WORD sum = 0;
    for (int i = 0; i < 10; i++)
        sum ^= LittleWord(words + 2 * i);
    return sum == header.checksum;
}

HENHMETAFILE CRasterWMF::ReadPlaceable(CByteStream* stream, PlaceableHeader& header)
{
    long start = stream->Tell();
    if (stream->Read(&header, sizeof(header), 1) != 1 || !CheckPlaceableHeader(header))
        return nullptr;
    BYTE standard[kStandardHeaderBytes];
    if (stream->Read(standard, 1, sizeof(standard)) != sizeof(standard))
        return nullptr;
    WORD type = LittleWord(standard);
    int64_t bytes = int64_t(LittleWord(standard + 6) | DWORD(LittleWord(standard + 8)) << 16) * 2;
    if ((type != 1 && type != 2) || bytes > stream->Size() || bytes > kMaxMetafileBytes)
        return nullptr;
    // Some writers count the placeable header in the size as well: what the
    // stream holds is read, and playback stops at the end record.
    long available = stream->Size() - start - long(sizeof(header));
    std::vector<BYTE> data;
    if (!stream->Seek(start + long(sizeof(header)), SEEK_SET) ||
        !ReadAll(stream, data, std::min(long(bytes), available)))
        return nullptr;
    HDC screen = GetDC(nullptr);
    METAFILEPICT pict = {MM_ANISOTROPIC,
                         (header.right - header.left) * GetDeviceCaps(screen, LOGPIXELSX) / header.inch,
                         (header.bottom - header.top) * GetDeviceCaps(screen, LOGPIXELSY) / header.inch,
                         nullptr};
    // Scaling up keeps the conversion's precision; extents of 0 or less
    // would never grow.
    while (pict.xExt > 0 && pict.yExt > 0 && pict.xExt < 6554 && pict.yExt < 6554) {
        pict.xExt *= 10;
        pict.yExt *= 10;
    }
    HENHMETAFILE metafile = SetWinMetaFileBits(UINT(data.size()), data.data(), screen, &pict);
    if (!metafile) {
        pict.mm = MM_TEXT;
        metafile = SetWinMetaFileBits(UINT(data.size()), data.data(), screen, &pict);
    }
    ReleaseDC(nullptr, screen);
    return metafile;
}

HENHMETAFILE CRasterWMF::ReadEnhanced(CByteStream* stream, ENHMETAHEADER& header)
{
    std::vector<BYTE> data;
    if (!ReadAll(stream, data, stream->Size() - stream->Tell()))
        return nullptr;
    HENHMETAFILE metafile = SetEnhMetaFileBits(UINT(data.size()), data.data());
    if (metafile && GetEnhMetaFileHeader(metafile, sizeof(header), &header) != sizeof(header)) {
        DeleteEnhMetaFile(metafile);
        return nullptr;
    }
    return metafile;
}

void CRasterWMF::ShrinkToLimit(long& width, long& height)
{
    if (width > kMaxSide) {
        height = long(int64_t(height) * kMaxSide / width);
        width = kMaxSide;
    }
    if (height > kMaxSide) {
        width = long(int64_t(width) * kMaxSide / height);
        height = kMaxSide;
    }
}

bool CRasterWMF::Decode(CByteStream* stream, long forcedWidth, long forcedHeight)
{
    if (!stream)
        return false;
    long start = stream->Tell();
    long width = 0, height = 0;
    PlaceableHeader placeable{};
    HENHMETAFILE metafile = ReadPlaceable(stream, placeable);
    if (metafile) {
        HDC screen = GetDC(nullptr);
        width = (placeable.right - placeable.left) * GetDeviceCaps(screen, LOGPIXELSX) / placeable.inch;
        height = (placeable.bottom - placeable.top) * GetDeviceCaps(screen, LOGPIXELSY) / placeable.inch;
        ReleaseDC(nullptr, screen);
    } else {
        ENHMETAHEADER header{};
        if (!stream->Seek(start, SEEK_SET) || !(metafile = ReadEnhanced(stream, header))) {
            SetLastError("corrupted WMF");
            return false;
        }
        width = long(int64_t(header.rclBounds.right) - header.rclBounds.left);
        height = long(int64_t(header.rclBounds.bottom) - header.rclBounds.top);
    }
    bool ok = false;
    if (info.nEscape) {
        SetLastError("Cancelled");
    } else {
        if (forcedWidth)
            width = forcedWidth;
        if (forcedHeight)
            height = forcedHeight;
        if (width <= 0 || height <= 0) {
            SetLastError("empty WMF");
        } else {
            ShrinkToLimit(width, height);
            ok = width > 0 && height > 0 && Render(metafile, width, height);
        }
    }
    DeleteEnhMetaFile(metafile);
    return ok;
}

bool CRasterWMF::Render(HENHMETAFILE metafile, long width, long height)
{
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, int(width), int(height));
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !dc) {
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
        return false;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT rect = {0, 0, LONG(width), LONG(height)};
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOut(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
    bool ok = true;
    HPALETTE palette = nullptr;
    UINT entries = GetEnhMetaFilePaletteEntries(metafile, 0, nullptr);
    if (entries > 0) {
        std::vector<BYTE> log(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
        LOGPALETTE* pal = reinterpret_cast<LOGPALETTE*>(log.data());
        pal->palVersion = 0x300;
        pal->palNumEntries = WORD(std::min<UINT>(entries, 0xFFFF));
        GetEnhMetaFilePaletteEntries(metafile, pal->palNumEntries, pal->palPalEntry);
        palette = CreatePalette(pal);
        if (palette) {
            SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        } else {
            SetLastError("Cancelled");
            ok = false;
        }
    }
    if (ok && !PlayEnhMetaFile(dc, metafile, &rect)) {
        SetLastError("WMF drawing too complex");
        ok = false;
    }
    SelectObject(dc, oldBitmap);
    if (ok && info.nEscape) {
        SetLastError("Cancelled");
        ok = false;
    }
    if (ok && Create(DWORD(width), DWORD(height), DWORD(depth), RASTER_FORMAT_WMF))
        ok = GetDIBits(dc, bitmap, 0, UINT(height), GetBits(), reinterpret_cast<BITMAPINFO*>(&head),
                       DIB_RGB_COLORS) > 0;
    else
        ok = false;
    DeleteDC(dc);
    if (palette)
        DeleteObject(palette);
    DeleteObject(bitmap);
    return ok;
}

bool CRasterWMF::Encode(CByteStream* stream)
{
    if (!stream)
        return false;
    SetLastError("Save WMF not supported");
    return false;
}
