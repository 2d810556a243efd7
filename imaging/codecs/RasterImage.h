// Raster image held as a packed bottom-up DIB with its info record.
#pragma once

#include <cstdio>

#include "ImvexaApi.h"
#include "base/wintypes.h"
#include "ByteStream.h"
#include "RasterFailure.h"
#include "RasterFormats.h"

class IMVEXA_API CRasterImage {
public:
#pragma pack(push, 1)
    struct rgb_color {
        BYTE r, g, b;
    };
#pragma pack(pop)

protected:
    struct tagRasterInfo {
        DWORD dwEffWidth;
        BYTE* pImage;
        CRasterImage* pGhost;
        CRasterImage* pParent;
        DWORD dwType;
        char szLastError[256];
        LONG nProgress;
        LONG nEscape;
        LONG nBkgndIndex;
        RGBQUAD nBkgndColor;
        BYTE nQuality;
        BYTE nJpegScale;
        LONG nFrame;
        LONG nNumFrames;
        DWORD dwFrameDelay;
        LONG xDPI;
        LONG yDPI;
        RECT rSelectionBox;
        BYTE nAlphaMax;
        bool bAlphaPaletteEnabled;
        bool bEnabled;
        LONG xOffset;
        LONG yOffset;
        DWORD dwCodecOpt[RASTER_FORMAT_COUNT];
        RGBQUAD last_c;
        BYTE last_c_index;
        bool last_c_isvalid;
        LONG nNumLayers;
        DWORD dwFlags;
    };

public:
    // Construction and lifetime
    explicit CRasterImage(DWORD imagetype = 0);
    CRasterImage(DWORD width, DWORD height, DWORD bpp, DWORD imagetype = 0);
    CRasterImage(const CRasterImage& src, bool copypixels = true, bool copyselection = true,
                 bool copyalpha = true);
    CRasterImage(const char* filename, DWORD imagetype);
    CRasterImage(FILE* stream, DWORD imagetype);
    CRasterImage(CByteStream* stream, DWORD imagetype);
    CRasterImage(BYTE* buffer, DWORD size, DWORD imagetype);
    virtual ~CRasterImage();
    CRasterImage& operator=(const CRasterImage& src);

    bool Destroy();
    void* Create(DWORD width, DWORD height, DWORD bpp, DWORD imagetype = 0);
    void Copy(const CRasterImage& src, bool copypixels = true, bool copyselection = true,
              bool copyalpha = true);
    void CopyInfo(const CRasterImage& src);
    bool Transfer(CRasterImage& from);
    void Ghost(const CRasterImage* from);
    void Clear(BYTE bval = 0);
    bool CreateFromArray(BYTE* pArray, DWORD dwWidth, DWORD dwHeight, DWORD dwBitsperpixel,
                         DWORD dwBytesperline, bool bFlipImage);
    bool CreateFromMatrix(BYTE** ppMatrix, DWORD dwWidth, DWORD dwHeight, DWORD dwBitsperpixel,
                          DWORD dwBytesperline, bool bFlipImage);
    void Bitfield2RGB(BYTE* src, WORD redmask, WORD greenmask, WORD bluemask, BYTE bpp);
    static int CompareColors(const void* elem1, const void* elem2);
    static void FreeMemory(void* memblock);

    // Raw access and info
    void* GetDIB() const { return pDib; }
    BYTE* GetBits(DWORD row = 0);
    long GetSize() const;
    bool IsInside(long x, long y) const;
    DWORD GetWidth() const { return DWORD(head.biWidth); }
    DWORD GetHeight() const { return DWORD(head.biHeight); }
    WORD GetBpp() const { return head.biBitCount; }
    DWORD GetNumColors() const { return head.biClrUsed; }
    DWORD GetEffWidth() const { return info.dwEffWidth; }
    DWORD GetType() const { return info.dwType; }
    bool IsValid() const { return pDib != nullptr; }
    bool IsIndexed() const { return head.biClrUsed != 0; }
    BYTE GetColorType() const;
    const char* GetLastError() const { return info.szLastError; }
    long GetProgress() const { return info.nProgress; }
    void SetProgress(long p) { info.nProgress = LONG(p); }
    long GetEscape() const { return info.nEscape; }
    void SetEscape(long e) { info.nEscape = LONG(e); }
    BYTE GetJpegQuality() const { return info.nQuality; }
    void SetJpegQuality(BYTE q) { info.nQuality = q; }
    BYTE GetJpegScale() const { return info.nJpegScale; }
    void SetJpegScale(BYTE s) { info.nJpegScale = s; }
    long GetFrame() const { return info.nFrame; }
    void SetFrame(long nFrame) { info.nFrame = LONG(nFrame); }
    long GetNumFrames() const { return info.nNumFrames; }
    DWORD GetFrameDelay() const { return info.dwFrameDelay; }
    void SetFrameDelay(DWORD d) { info.dwFrameDelay = d; }
    void GetOffset(long* x, long* y) const;
    void SetOffset(long x, long y);
    bool IsEnabled() const { return info.bEnabled; }
    void Enable(bool enable = true) { info.bEnabled = enable; }
    DWORD GetFlags() const { return info.dwFlags; }
    void SetFlags(DWORD flags, bool lockreserved = true);
    long GetTransIndex() const { return info.nBkgndIndex; }
    void SetTransIndex(long idx) { info.nBkgndIndex = LONG(idx); }
    bool IsTransparent() const { return info.nBkgndIndex >= 0; }
    void SetTransColor(RGBQUAD rgb);
    RGBQUAD GetTransColor();
    long GetXDPI() const { return info.xDPI; }
    long GetYDPI() const { return info.yDPI; }
    void SetXDPI(long dpi);
    void SetYDPI(long dpi);
    DWORD GetCodecOption(DWORD imagetype = 0) const;
    bool SetCodecOption(DWORD opt, DWORD imagetype = 0);
    static const char* GetVersion();
    static float GetVersionNumber();

    // Loading and saving
    bool Load(const char* filename, DWORD imagetype = 0);
    bool Decode(CByteStream* stream, DWORD imagetype);
    bool Decode(FILE* stream, DWORD imagetype);
    bool Decode(BYTE* buffer, DWORD size, DWORD imagetype);
    bool Save(const char* filename, DWORD imagetype, int option = 0);
    bool Encode(FILE* stream, DWORD imagetype, int option = 0);
    bool Encode(CByteStream* stream, DWORD imagetype, int option = 0);
    bool Encode(BYTE*& buffer, long& size, DWORD imagetype);
    bool Encode(CByteStream* stream, CRasterImage** images, int pagecount, DWORD imagetype,
                int option = 0);
    bool Encode(FILE* stream, CRasterImage** images, int pagecount, DWORD imagetype,
                int option = 0);
    bool Encode2RGBA(CByteStream* stream);
    bool Encode2RGBA(BYTE*& buffer, long& size);

    // Whole-image operations
    bool Flip();
    bool Mirror();
    bool RotateLeft(CRasterImage* iDst = nullptr);
    bool RotateRight(CRasterImage* iDst = nullptr);
    bool Negative();
    bool IncreaseBpp(DWORD nbit);
    bool Crop(long left, long top, long right, long bottom, CRasterImage* iDst = nullptr);
    bool Crop(const RECT& rect, CRasterImage* iDst = nullptr);

    // Colour table
    DWORD GetPaletteSize() const;
    RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColor(BYTE idx) const;
    bool GetPaletteColor(BYTE idx, BYTE* r, BYTE* g, BYTE* b) const;
    void SetPaletteColor(BYTE idx, BYTE r, BYTE g, BYTE b, BYTE alpha = 0);
    void SetPaletteColor(BYTE idx, RGBQUAD c);
    void SetPaletteColor(BYTE idx, COLORREF cr);
    void SetPalette(DWORD n, BYTE* r, BYTE* g = nullptr, BYTE* b = nullptr);
    void SetPalette(rgb_color* rgb, DWORD nColors = 256);
    void SetPalette(RGBQUAD* pPal, DWORD nColors = 256);
    void SetGrayPalette();
    void SetStdPalette();
    void BlendPalette(COLORREF cr, long perc);
    bool IsGrayScale();
    bool IsSamePalette(CRasterImage& img, bool bCheckAlpha = true);
    void SwapIndex(BYTE idx1, BYTE idx2);
    DWORD GetClrImportant() const { return head.biClrImportant; }
    void SetClrImportant(DWORD ncolors = 0);
    BYTE GetNearestIndex(RGBQUAD c);

    // Pixels (y counted from the bottom row)
    BYTE GetPixelIndex(long x, long y);
    BYTE BlindGetPixelIndex(long x, long y);
    RGBQUAD GetPixelColor(long x, long y, bool bGetAlpha = true);
    RGBQUAD BlindGetPixelColor(long x, long y);
    BYTE GetPixelGray(long x, long y);
    void SetPixelIndex(long x, long y, BYTE i);
    void SetPixelColor(long x, long y, RGBQUAD c, bool bSetAlpha = false);
    void SetPixelColor(long x, long y, COLORREF cr);
    void BlendPixelColor(long x, long y, RGBQUAD c, float blend, bool bSetAlpha = false);
    BYTE* BlindGetPixelPointer(long x, long y);
    bool IsTransparent(long x, long y);
    void DrawLine(int StartX, int EndX, int StartY, int EndY, RGBQUAD color, bool bSetAlpha = false);
    void DrawLine(int StartX, int EndX, int StartY, int EndY, COLORREF cr);
    static RGBQUAD RGBtoRGBQUAD(COLORREF cr);
    static COLORREF RGBQUADtoRGB(RGBQUAD c);
    void RGBtoBGR(BYTE* buffer, int length);

    // Alpha channel
    void AlphaCreate();
    void AlphaDelete();
    bool AlphaIsValid() const { return pAlpha != nullptr; }
    void AlphaClear();
    void AlphaSet(BYTE level);
    void AlphaSet(long x, long y, BYTE level);
    bool AlphaSet(CRasterImage& from);
    BYTE AlphaGet(long x, long y);
    BYTE BlindAlphaGet(long x, long y);
    BYTE* AlphaGetPointer(long x = 0, long y = 0);
    void AlphaInvert();
    bool AlphaCopy(CRasterImage& from);
    bool AlphaFlip();
    bool AlphaMirror();
    bool AlphaSplit(CRasterImage* dest);
    bool AlphaPaletteSplit(CRasterImage* dest);
    void AlphaStrip();
    BYTE AlphaGetMax() const { return info.nAlphaMax; }
    void AlphaSetMax(BYTE nAlphaMax) { info.nAlphaMax = nAlphaMax; }
    void AlphaPaletteEnable(bool enable = true) { info.bAlphaPaletteEnabled = enable; }
    bool AlphaPaletteIsEnabled() const { return info.bAlphaPaletteEnabled; }
    bool AlphaPaletteIsValid();
    void AlphaPaletteClear();

    // Selection (same coordinates as the pixels)
    bool SelectionCreate();
    bool SelectionDelete();
    bool SelectionIsValid() const { return pSelection != nullptr; }
    bool SelectionClear();
    void SelectionGetBox(RECT& r) const { r = info.rSelectionBox; }
    bool SelectionIsInside(long x, long y);
    bool SelectionAddRect(RECT r);
    bool SelectionAddEllipse(RECT r);
    bool SelectionAddPolygon(POINT* points, long npoints);
    bool SelectionAddColor(RGBQUAD c);
    bool SelectionAddPixel(int x, int y);
    bool SelectionInvert();
    bool SelectionCopy(CRasterImage& from);
    bool SelectionSplit(CRasterImage* dest);
    bool SelectionToHRGN(HRGN& region);

protected:
    void Startup(DWORD imagetype);
    static bool FitsMemoryLimit(DWORD width, DWORD height, DWORD bpp);
    void SetLastError(const char* text);
    void CopyLastError(const CRasterImage& from);
    bool EncodeSafeCheck(CByteStream* stream);
    bool DecodeWithFormat(CByteStream* stream, DWORD imagetype);
    bool EncodeWithFormat(CByteStream* stream, DWORD imagetype, int option);
    bool CheckEncodable(DWORD imagetype);
    bool RotateQuarter(bool clockwise, CRasterImage* iDst);
    template <class Codec> bool DecodeThrough(Codec& codec, CByteStream* stream);
    template <class Codec> bool EncodeThrough(Codec& codec, CByteStream* stream);
    // Runs a codec's body: a raised failure becomes the last-error text.
    template <class Body> bool RunCatching(Body body)
    {
        try {
            body();
            return true;
        } catch (const CRasterFailure& failure) {
            if (failure.text && *failure.text)
                SetLastError(failure.text);
            return false;
        }
    }
    size_t PixelCount() const;
    bool MaskToGreyImage(const BYTE* mask, CRasterImage* dest);
    void ResetSelectionBox();
    void GrowSelectionBox(long left, long bottom, long right, long top);

    void* pDib;
    BITMAPINFOHEADER head;
    tagRasterInfo info;
    BYTE* pSelection;
    BYTE* pAlpha;
    CRasterImage** ppLayers;
};
