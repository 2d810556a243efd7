// Raster image held as a packed bottom-up DIB with its info record.
#pragma once

#include <cstdint>
#include <cstdio>

#include "ImvexaApi.h"
#include "base/wintypes.h"
#include "ByteStream.h"
#include "RasterFailure.h"
#include "RasterFormats.h"
#include "RectF.h"

class IMVEXA_API CRasterImage {
public:
#pragma pack(push, 1)
    struct rgb_color {
        BYTE r, g, b;
    };
#pragma pack(pop)

    // Sub-pixel sampling kernel; 0 and values above 16 sample bilinearly.
    enum InterpolationMethod : int {
        IM_NEAREST_NEIGHBOUR = 1,
        IM_BILINEAR = 2,
        IM_BSPLINE = 3,
        IM_BICUBIC = 4,
        IM_BICUBIC2 = 5,
        IM_LANCZOS = 6,
        IM_BOX = 7,
        IM_HERMITE = 8,
        IM_HAMMING = 9,
        IM_SINC = 10,
        IM_BLACKMAN = 11,
        IM_BESSEL = 12,
        IM_GAUSSIAN = 13,
        IM_QUADRATIC = 14,
        IM_MITCHELL = 15,
        IM_CATROM = 16
    };
    // What a position outside the image yields; 0 acts as OM_COLOR.
    enum OverflowMethod : int {
        OM_COLOR = 1,
        OM_BACKGROUND = 2,
        OM_TRANSPARENT = 3,
        OM_WRAP = 4,
        OM_REPEAT = 5,
        OM_MIRROR = 6
    };

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
    // A ceiling, for the calling thread, on width x height x 3 of every
    // image made from now on, under RASTER_MAX_MEMORY; 0 lifts it.
    static void SetPixelLimit(uint64_t bytes);
    static uint64_t GetPixelLimit();

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

    // Windows interop
    struct tagTextInfo {
        char text[4096];
        LOGFONT lfont;
        COLORREF fcolor;
        long align;
        BYTE opaque;
        COLORREF bcolor;
        float b_opacity;
        BYTE b_outline;
        BYTE b_round;
    };
    HGLOBAL CopyToHandle();
    bool CreateFromHANDLE(HGLOBAL memory);
    HBITMAP MakeBitmap(HDC dc = nullptr);
    bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
    bool CreateFromHICON(HICON icon);
    long Draw(HDC dc, long x = 0, long y = 0, long cx = -1, long cy = -1, RECT* clip = nullptr,
              bool smooth = false);
    long Draw(HDC dc, const RECT& rect, RECT* clip = nullptr, bool smooth = false);
    long Draw2(HDC dc, long x = 0, long y = 0, long cx = -1, long cy = -1);
    long Draw2(HDC dc, const RECT& rect);
    long Stretch(HDC dc, long x, long y, long cx, long cy, DWORD rop = 0x00CC0020);
    long Stretch(HDC dc, const RECT& rect, DWORD rop = 0x00CC0020);
    long Tile(HDC dc, RECT* rect);
    long DrawString(HDC dc, long x, long y, const char* text, RGBQUAD color, const char* font, long size = 0,
                    long weight = 400, BYTE italic = 0, BYTE underline = 0, bool setAlpha = false);
    long DrawStringEx(HDC dc, long x, long y, tagTextInfo* textInfo, bool setAlpha = false);
    static void InitTextInfo(tagTextInfo* textInfo);

    // Whole-image operations
    bool Flip();
    bool Mirror();
    bool GrayScale();
    bool Negative();
    bool RotateLeft(CRasterImage* iDst = nullptr);
    bool RotateRight(CRasterImage* iDst = nullptr);
    bool Rotate180(CRasterImage* iDst = nullptr);
    bool Rotate(float angle, CRasterImage* iDst = nullptr);
    bool Rotate2(float angle, CRasterImage* iDst = nullptr, InterpolationMethod inMethod = IM_BILINEAR,
                 OverflowMethod ofMethod = OM_BACKGROUND, RGBQUAD* replColor = nullptr,
                 bool optimizeRightAngles = true, bool bKeepOriginalSize = false);
    bool Resample(long newx, long newy, int mode = 1, CRasterImage* iDst = nullptr);
    bool Resample2(long newx, long newy, InterpolationMethod inMethod = IM_BICUBIC2,
                   OverflowMethod ofMethod = OM_REPEAT, CRasterImage* iDst = nullptr,
                   bool disableAveraging = false);
    bool QIShrink(long newx, long newy, CRasterImage* iDst = nullptr);
    bool Thumbnail(long newx, long newy, RGBQUAD canvascolor, CRasterImage* iDst = nullptr);
    bool IncreaseBpp(DWORD nbit);
    bool DecreaseBpp(DWORD nbit, bool errordiffusion, RGBQUAD* ppal = nullptr, DWORD clrimportant = 0);
    bool Dither(long method = 0);
    bool Crop(long left, long top, long right, long bottom, CRasterImage* iDst = nullptr);
    bool Crop(const RECT& rect, CRasterImage* iDst = nullptr);
    bool CropRotatedRectangle(long topx, long topy, long width, long height, float angle,
                              CRasterImage* iDst = nullptr);
    bool Expand(long left, long top, long right, long bottom, RGBQUAD canvascolor,
                CRasterImage* iDst = nullptr);
    bool Expand(long newx, long newy, RGBQUAD canvascolor, CRasterImage* iDst = nullptr);
    bool Skew(float xgain, float ygain, long xpivot = 0, long ypivot = 0, bool bEnableInterpolation = false);
    bool CircleTransform(int type, long rmax = 0, float Koeff = 1.0f);

    // Interpolation (y counted from the bottom row)
    void OverflowCoordinates(long& x, long& y, OverflowMethod const ofMethod);
    void OverflowCoordinates(float& x, float& y, OverflowMethod const ofMethod);
    RGBQUAD GetPixelColorWithOverflow(long x, long y, OverflowMethod const ofMethod = OM_BACKGROUND,
                                      RGBQUAD* const rplColor = nullptr);
    RGBQUAD GetPixelColorInterpolated(float x, float y, InterpolationMethod const inMethod = IM_BILINEAR,
                                      OverflowMethod const ofMethod = OM_BACKGROUND,
                                      RGBQUAD* const rplColor = nullptr);
    RGBQUAD GetAreaColorInterpolated(float const xc, float const yc, float const w, float const h,
                                     InterpolationMethod const inMethod,
                                     OverflowMethod const ofMethod = OM_BACKGROUND,
                                     RGBQUAD* const rplColor = nullptr);
    void AddAveragingCont(RGBQUAD const& color, float const surf, float& rr, float& gg, float& bb,
                          float& aa);
    static float KernelBSpline(const float x);
    static float KernelLinear(const float t);
    static float KernelCubic(const float t);
    static float KernelGeneralizedCubic(const float t, const float a = -1);
    static float KernelLanczosSinc(const float t, const float r = 3);
    static float KernelBox(const float x);
    static float KernelHermite(const float x);
    static float KernelHamming(const float x);
    static float KernelSinc(const float x);
    static float KernelBlackman(const float x);
    static float KernelBessel_J1(const float x);
    static float KernelBessel_P1(const float x);
    static float KernelBessel_Q1(const float x);
    static float KernelBessel_Order1(float x);
    static float KernelBessel(const float x);
    static float KernelGaussian(const float x);
    static float KernelQuadratic(const float x);
    static float KernelMitchell(const float x);
    static float KernelCatrom(const float x);

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
    // Tries every decoder in turn but the one already tried on these bytes
    // (RASTER_FORMAT_COUNT: none).
    bool Probe(CByteStream* stream, DWORD alreadyTried);
    bool EncodeWithFormat(CByteStream* stream, DWORD imagetype, int option);
    bool CheckEncodable(DWORD imagetype);
    template <class Codec, class... Args>
    bool DecodeThrough(Codec& codec, CByteStream* stream, Args... args);
    template <class Codec, class... Args>
    bool EncodeThrough(Codec& codec, CByteStream* stream, Args... args);
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
    bool ReadPackedDib(const BYTE* block, size_t size);
    bool ReadDibColours(const BYTE* block, size_t size, DWORD headerSize, DWORD colours);
    RGBQUAD DrawSample(long x, long y, long cx, long cy, long column, long rowUp, bool smooth);
    BYTE DrawOpacity(long sx, long sy, const RGBQUAD& colour);
    void StampText(CRasterImage& text, long x, long y, RGBQUAD colour, bool setAlpha);
    void ResetSelectionBox();
    static long PixelOf(double v);
    RGBQUAD OutsideColor(OverflowMethod ofMethod, RGBQUAD* rplColor);
    RGBQUAD KernelInterpolated(float x, float y, InterpolationMethod inMethod, OverflowMethod ofMethod,
                               RGBQUAD* rplColor);
    RGBQUAD BilinearInterpolated(float x, float y, OverflowMethod ofMethod, RGBQUAD* rplColor);
    bool SupportOutside(long x0, long y0, long x1, long y1, OverflowMethod ofMethod) const;
    bool NewLikeThis(CRasterImage& tmp, double width, double height, DWORD bpp);
    bool NewResult(CRasterImage& tmp, double width, double height);
    bool StepProgress(long row, long rows);
    template <class Visit> void ForEachSelected(Visit visit);
    bool PutResult(CRasterImage& tmp, CRasterImage* iDst);
    bool RotateQuarter(bool left, CRasterImage* iDst);
    bool ResampleArea(CRasterImage& tmp, float xScale, float yScale);
    bool ResamplePoint(CRasterImage& tmp, int mode, float xScale, float yScale);
    void GrowSelectionBox(long left, long bottom, long right, long top);

    void* pDib;
    BITMAPINFOHEADER head;
    tagRasterInfo info;
    BYTE* pSelection;
    BYTE* pAlpha;
    CRasterImage** ppLayers;
};
