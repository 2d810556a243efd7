#include "RasterImage.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "MemoryStream.h"
#include "SaturatedCast.h"

CRasterImage::CRasterImage(DWORD imagetype)
{
    Startup(imagetype);
}

CRasterImage::CRasterImage(DWORD width, DWORD height, DWORD bpp, DWORD imagetype)
{
    Startup(imagetype);
    Create(width, height, bpp, imagetype);
}

CRasterImage::CRasterImage(const CRasterImage& src, bool copypixels, bool copyselection,
                           bool copyalpha)
{
    Startup(src.GetType());
    Copy(src, copypixels, copyselection, copyalpha);
}

CRasterImage::CRasterImage(const char* filename, DWORD imagetype)
{
    Startup(imagetype);
    Load(filename, imagetype);
}

CRasterImage::CRasterImage(FILE* stream, DWORD imagetype)
{
    Startup(imagetype);
    Decode(stream, imagetype);
}

CRasterImage::CRasterImage(CByteStream* stream, DWORD imagetype)
{
    Startup(imagetype);
    Decode(stream, imagetype);
}

CRasterImage::CRasterImage(BYTE* buffer, DWORD size, DWORD imagetype)
{
    Startup(imagetype);
    CMemoryStream stream(buffer, size);
    Decode(&stream, imagetype);
}

CRasterImage::~CRasterImage()
{
    Destroy();
}

CRasterImage& CRasterImage::operator=(const CRasterImage& src)
{
    if (this != &src)
        Copy(src);
    return *this;
}

void CRasterImage::Startup(DWORD imagetype)
{
    pDib = nullptr;
    pSelection = nullptr;
    pAlpha = nullptr;
    ppLayers = nullptr;
    memset(&head, 0, sizeof(head));
    memset(&info, 0, sizeof(info));
    info.dwType = imagetype;
    info.nQuality = 90;
    info.nAlphaMax = 255;
    info.nBkgndIndex = -1;
    info.bEnabled = true;
    SetXDPI(96);
    SetYDPI(96);
}

bool CRasterImage::Destroy()
{
    if (info.pGhost)
        return false;
    if (ppLayers) {
        for (LONG n = 0; n < info.nNumLayers; n++)
            delete ppLayers[n];
        delete[] ppLayers;
        ppLayers = nullptr;
        info.nNumLayers = 0;
    }
    free(pSelection);
    pSelection = nullptr;
    free(pAlpha);
    pAlpha = nullptr;
    free(pDib);
    pDib = nullptr;
    return true;
}

void CRasterImage::SetLastError(const char* text)
{
    strncpy(info.szLastError, text, sizeof(info.szLastError) - 1);
    info.szLastError[sizeof(info.szLastError) - 1] = 0;
}

void CRasterImage::CopyLastError(const CRasterImage& from)
{
    memcpy(info.szLastError, from.info.szLastError, sizeof(info.szLastError));
    info.szLastError[sizeof(info.szLastError) - 1] = 0;
}

static DWORD RoundUpDepth(DWORD bpp)
{
    if (bpp <= 1)
        return 1;
    if (bpp <= 4)
        return 4;
    if (bpp <= 8)
        return 8;
    return 24;
}

// Every size is worked out in 64 bits; a block whose header fields or
// total would not fit counts as over the limit.
bool CRasterImage::FitsMemoryLimit(DWORD width, DWORD height, DWORD bpp)
{
    bpp = RoundUpDepth(bpp);
    uint64_t bits = uint64_t(width) * height * bpp;
    uint64_t effWidth = ((uint64_t(width) * bpp + 31) >> 5) * 4;
    uint64_t imageSize = effWidth * height;
    return (bits >> 8) <= RASTER_MAX_MEMORY && width <= INT32_MAX && height <= INT32_MAX &&
           imageSize <= UINT32_MAX - sizeof(BITMAPINFOHEADER) - 256 * sizeof(RGBQUAD);
}

void* CRasterImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD imagetype)
{
    if (!Destroy())
        return nullptr;
    if (width == 0 || height == 0) {
        SetLastError("CRasterImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    bpp = RoundUpDepth(bpp);
    if (!FitsMemoryLimit(width, height, bpp)) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return nullptr;
    }
    uint64_t effWidth = ((uint64_t(width) * bpp + 31) >> 5) * 4;
    uint64_t imageSize = effWidth * height;
    switch (bpp) {
    case 1: head.biClrUsed = 2; break;
    case 4: head.biClrUsed = 16; break;
    case 8: head.biClrUsed = 256; break;
    default: head.biClrUsed = 0;
    }
    info.dwType = imagetype;
    info.dwEffWidth = DWORD(effWidth);
    head.biSize = sizeof(BITMAPINFOHEADER);
    head.biWidth = LONG(width);
    head.biHeight = LONG(height);
    head.biPlanes = 1;
    head.biBitCount = WORD(bpp);
    head.biCompression = BI_RGB;
    head.biSizeImage = DWORD(imageSize);
    head.biClrImportant = 0;

    // Zeroed rather than left as allocated: a short decode shows black, not
    // the heap's old contents.
    pDib = calloc(1, size_t(GetSize()));
    if (!pDib) {
        SetLastError("CRasterImage::Create can't allocate memory");
        return nullptr;
    }
    memcpy(pDib, &head, sizeof(head));
    info.pImage = GetBits(0);
    return pDib;
}

long CRasterImage::GetSize() const
{
    return long(head.biSize) + long(head.biSizeImage) + long(GetPaletteSize());
}

BYTE* CRasterImage::GetBits(DWORD row)
{
    if (!pDib)
        return nullptr;
    DWORD headerSize = *static_cast<DWORD*>(pDib);
    BYTE* first = static_cast<BYTE*>(pDib) + headerSize + GetPaletteSize();
    if (row == 0)
        return first;
    if (row < DWORD(head.biHeight))
        return first + size_t(row) * info.dwEffWidth;
    return nullptr;
}

bool CRasterImage::IsInside(long x, long y) const
{
    return 0 <= y && y < head.biHeight && 0 <= x && x < head.biWidth;
}

size_t CRasterImage::PixelCount() const
{
    return size_t(DWORD(head.biWidth)) * size_t(DWORD(head.biHeight));
}

// A failed Create or a ghost source must not leave stale pixels or borrowed
// buffers behind, so copying stops as soon as there is no block of our own.
void CRasterImage::Copy(const CRasterImage& src, bool copypixels, bool copyselection,
                        bool copyalpha)
{
    if (this == &src || info.pGhost)
        return;
    Destroy();
    memcpy(&info, &src.info, sizeof(tagRasterInfo));
    info.pGhost = nullptr;
    info.pImage = nullptr;
    info.nNumLayers = 0;
    if (!src.pDib)
        return;
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType()))
        return;
    if (copypixels && pDib && src.pDib && GetSize() == src.GetSize())
        memcpy(pDib, src.pDib, size_t(GetSize()));
    else
        SetPalette(src.GetPalette(), src.GetNumColors());
    head.biXPelsPerMeter = src.head.biXPelsPerMeter;
    head.biYPelsPerMeter = src.head.biYPelsPerMeter;
    head.biClrImportant = src.head.biClrImportant;
    size_t n = PixelCount();
    if (copyselection && src.pSelection) {
        pSelection = static_cast<BYTE*>(malloc(n));
        if (pSelection)
            memcpy(pSelection, src.pSelection, n);
    }
    if (copyalpha && src.pAlpha) {
        pAlpha = static_cast<BYTE*>(malloc(n));
        if (pAlpha)
            memcpy(pAlpha, src.pAlpha, n);
    }
}

void CRasterImage::CopyInfo(const CRasterImage& src)
{
    if (pDib == nullptr)
        memcpy(&info, &src.info, sizeof(tagRasterInfo));
}

bool CRasterImage::Transfer(CRasterImage& from)
{
    if (!Destroy())
        return false;
    memcpy(&head, &from.head, sizeof(head));
    memcpy(&info, &from.info, sizeof(tagRasterInfo));
    pDib = from.pDib;
    pSelection = from.pSelection;
    pAlpha = from.pAlpha;
    ppLayers = from.ppLayers;
    memset(&from.head, 0, sizeof(from.head));
    memset(&from.info, 0, sizeof(tagRasterInfo));
    from.pDib = nullptr;
    from.pSelection = nullptr;
    if (!pDib)
        info.pImage = nullptr;
    from.pAlpha = nullptr;
    from.ppLayers = nullptr;
    return true;
}

void CRasterImage::Ghost(const CRasterImage* from)
{
    if (!from)
        return;
    memcpy(&head, &from->head, sizeof(head));
    memcpy(&info, &from->info, sizeof(tagRasterInfo));
    pDib = from->pDib;
    pSelection = from->pSelection;
    pAlpha = from->pAlpha;
    ppLayers = from->ppLayers;
    info.pGhost = const_cast<CRasterImage*>(from);
}

void CRasterImage::Clear(BYTE bval)
{
    if (!pDib)
        return;
    if (GetBpp() == 1 && bval)
        bval = 255;
    if (GetBpp() == 4)
        bval = BYTE((bval & 15) * 17);
    memset(info.pImage, bval, head.biSizeImage);
}

static bool IsSupportedArrayDepth(DWORD bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32;
}

bool CRasterImage::CreateFromArray(BYTE* pArray, DWORD dwWidth, DWORD dwHeight,
                                   DWORD dwBitsperpixel, DWORD dwBytesperline, bool bFlipImage)
{
    if (!pArray || !IsSupportedArrayDepth(dwBitsperpixel))
        return false;
    BYTE** rows = static_cast<BYTE**>(malloc(sizeof(BYTE*) * (dwHeight ? dwHeight : 1)));
    if (!rows)
        return false;
    for (DWORD i = 0; i < dwHeight; i++)
        rows[i] = pArray + size_t(i) * dwBytesperline;
    bool ok = CreateFromMatrix(rows, dwWidth, dwHeight, dwBitsperpixel, dwBytesperline, bFlipImage);
    free(rows);
    return ok;
}

bool CRasterImage::CreateFromMatrix(BYTE** ppMatrix, DWORD dwWidth, DWORD dwHeight,
                                    DWORD dwBitsperpixel, DWORD dwBytesperline, bool bFlipImage)
{
    if (!ppMatrix || !IsSupportedArrayDepth(dwBitsperpixel))
        return false;
    if (!Create(dwWidth, dwHeight, dwBitsperpixel, 0))
        return false;
    if (dwBitsperpixel < 24)
        SetGrayPalette();
    if (dwBitsperpixel == 32)
        AlphaCreate();
    for (DWORD i = 0; i < dwHeight; i++) {
        const BYTE* src = ppMatrix[i];
        if (!src)
            continue;
        DWORD row = bFlipImage ? dwHeight - 1 - i : i;
        BYTE* dst = GetBits(row);
        if (dwBitsperpixel == 32) {
            DWORD pixels = dwWidth < dwBytesperline / 4 ? dwWidth : dwBytesperline / 4;
            for (DWORD x = 0; x < pixels; x++) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
                if (pAlpha)
                    pAlpha[size_t(row) * dwWidth + x] = src[4 * x + 3];
            }
        } else {
            memcpy(dst, src, info.dwEffWidth < dwBytesperline ? info.dwEffWidth : dwBytesperline);
        }
    }
    return true;
}

static int CountBits(WORD mask)
{
    int n = 0;
    for (int i = 0; i < 16; i++)
        n += (mask >> i) & 1;
    return n;
}

// Converts in place (the source may be our own bits), so it walks from the
// last pixel back, where a 24-bit pixel never overtakes unread source.
void CRasterImage::Bitfield2RGB(BYTE* src, WORD redmask, WORD greenmask, WORD bluemask, BYTE bpp)
{
    if (!src || !pDib || GetBpp() != 24)
        return;
    long width = head.biWidth;
    long height = head.biHeight;
    if (bpp == 16) {
        int r = CountBits(redmask), g = CountBits(greenmask), b = CountBits(bluemask);
        int blueShift = 8 - r, greenShift = r + g - 8, redShift = r + g + b - 8;
        size_t srcStride = ((size_t(width) + 1) / 2) * 4;
        for (long y = height - 1; y >= 0; y--) {
            const BYTE* srcRow = src + srcStride * size_t(y);
            BYTE* dstRow = info.pImage + size_t(info.dwEffWidth) * size_t(y);
            for (long x = width - 1; x >= 0; x--) {
                WORD w = WORD(srcRow[2 * x] | (srcRow[2 * x + 1] << 8));
                auto shift = [](unsigned v, int s) { return s >= 0 ? v >> s : v << -s; };
                dstRow[3 * x] = BYTE(shift(w & bluemask, -blueShift));
                dstRow[3 * x + 1] = BYTE(shift(w & greenmask, greenShift));
                dstRow[3 * x + 2] = BYTE(shift(w & redmask, redShift));
            }
        }
    } else if (bpp == 32) {
        size_t srcStride = size_t(width) * 4;
        for (long y = height - 1; y >= 0; y--) {
            const BYTE* srcRow = src + srcStride * size_t(y);
            BYTE* dstRow = info.pImage + size_t(info.dwEffWidth) * size_t(y);
            for (long x = width - 1; x >= 0; x--) {
                dstRow[3 * x] = srcRow[4 * x];
                dstRow[3 * x + 1] = srcRow[4 * x + 1];
                dstRow[3 * x + 2] = srcRow[4 * x + 2];
            }
        }
    }
}

int CRasterImage::CompareColors(const void* elem1, const void* elem2)
{
    const RGBQUAD* c1 = static_cast<const RGBQUAD*>(elem1);
    const RGBQUAD* c2 = static_cast<const RGBQUAD*>(elem2);
    int g1 = (c1->rgbRed * 306 + c1->rgbGreen * 601 + c1->rgbBlue * 117) >> 10;
    int g2 = (c2->rgbRed * 306 + c2->rgbGreen * 601 + c2->rgbBlue * 117) >> 10;
    return g1 - g2;
}

void CRasterImage::FreeMemory(void* memblock)
{
    if (memblock)
        free(memblock);
}

BYTE CRasterImage::GetColorType() const
{
    if (pAlpha)
        return 4;
    return head.biBitCount <= 8 ? 1 : 2;
}

void CRasterImage::GetOffset(long* x, long* y) const
{
    if (x)
        *x = info.xOffset;
    if (y)
        *y = info.yOffset;
}

void CRasterImage::SetOffset(long x, long y)
{
    info.xOffset = LONG(x);
    info.yOffset = LONG(y);
}

void CRasterImage::SetFlags(DWORD flags, bool lockreserved)
{
    info.dwFlags = lockreserved ? (flags & 0x0000FFFF) : flags;
}

void CRasterImage::SetTransColor(RGBQUAD rgb)
{
    rgb.rgbReserved = 0;
    info.nBkgndColor = rgb;
}

RGBQUAD CRasterImage::GetTransColor()
{
    if (head.biBitCount < 24 && info.nBkgndIndex != -1)
        return GetPaletteColor(BYTE(info.nBkgndIndex));
    return info.nBkgndColor;
}

static LONG PixelsPerMetre(long dpi)
{
    return SaturatedCast<LONG>(floor(double(dpi) * 39.37007874015748 + 0.5));
}

void CRasterImage::SetXDPI(long dpi)
{
    if (dpi < 1)
        dpi = 96;
    info.xDPI = LONG(dpi);
    head.biXPelsPerMeter = PixelsPerMetre(dpi);
}

void CRasterImage::SetYDPI(long dpi)
{
    if (dpi < 1)
        dpi = 96;
    info.yDPI = LONG(dpi);
    head.biYPelsPerMeter = PixelsPerMetre(dpi);
}

DWORD CRasterImage::GetCodecOption(DWORD imagetype) const
{
    if (imagetype >= RASTER_FORMAT_COUNT)
        return 0;
    if (imagetype == 0)
        imagetype = info.dwType;
    return imagetype < RASTER_FORMAT_COUNT ? info.dwCodecOpt[imagetype] : 0;
}

bool CRasterImage::SetCodecOption(DWORD opt, DWORD imagetype)
{
    if (imagetype >= RASTER_FORMAT_COUNT)
        return false;
    if (imagetype == 0)
        imagetype = info.dwType;
    if (imagetype >= RASTER_FORMAT_COUNT)
        return false;
    info.dwCodecOpt[imagetype] = opt;
    return true;
}

const char* CRasterImage::GetVersion()
{
    return "CRasterImage 5.99c";
}

float CRasterImage::GetVersionNumber()
{
    return 5.99003f;
}
