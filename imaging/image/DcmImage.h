// One opened image: a DICOM file, a raster picture, a video marker or a
// folder of JPEG frames, with its pixel pipeline, view state and display bitmap.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"
#include "DcmImageTypes.h"
#include "DicomInfo.h"
#include "Localizer.h"

class CBitmap;
class CDC;
class COverLayManager;
class CRasterImage;

class IMVEXA_API CDcmImage : public CObject {
public:
    CDcmImage();
    ~CDcmImage() override;

    // Opening
    int OpenFile(CString path);
    int IsFileOpened() { return m_bOpened; }
    CString GetFilePath() const { return m_strFilePath; }
    int OpenImageFile(CString path);
    int OpenJpegFileDirectory(CString folder);
    int OpenJpegFile(CString path);
    int IsMpegFile(CString path);
    int IsJpegFile(CString) { return 1; }
    int IsVideoFile() { return m_strImageType == "Video" ? 1 : 0; }
    const char* GetImageType() { return m_strImageType; }
    BYTE* DecodeJpeg(int size, BYTE* buffer);

    // Frames
    int GetFramesCount() { return m_Frames.GetSize(); }
    int IsMultiFrame() { return GetFramesCount() > 1 ? 1 : 0; }
    int GetCurrentFrame() { return m_nCurrentFrame; }
    int IsFirstFrame() { return m_nCurrentFrame == 0 ? 1 : 0; }
    int IsLastFrame() { return m_nCurrentFrame == GetFramesCount() - 1 ? 1 : 0; }
    int SetCurrentFrame(int index);
    BYTE* GetCurrentPixelData();
    int FirstFrame();
    int LastFrame();
    int ForWardFrame();
    int BackWardFrame();
    CString GetCurrentFrameTime();

    // Accessors
    CDicomInfo* GetDicomInfo() { return &m_DicomInfo; }
    int GetRows() const { return m_DicomInfo.m_nRows; }
    int GetColumns() const { return m_DicomInfo.m_nColumns; }
    int GetHeight() const { return m_nDisplayHeight; }
    int GetWidth() const { return m_nDisplayWidth; }
    int GetImageBytesPerPixel() const { return m_DicomInfo.m_nBitsAllocated / 8; }
    BYTE* GetBitmapBits() const { return m_pBitmapBits; }
    ColorMode GetColorMode() const { return m_ColorMode; }
    int GetWindowCenter() { return m_nWindowCenter; }
    int GetWindowWidth() { return m_nWindowWidth; }
    int GetMaxWindowLevel() const { return m_nMaxLevel; }
    int GetMinWindowLevel() const { return m_nMinLevel; }
    int GetWindowWidthLevelChanged() { return m_bWindowChanged; }
    int GetHasResetBoth() { return m_bHasResetBoth; }
    int GetRotatedAngle() const { return m_nRotateAngle; }
    int GetFilped() const { return m_bFlip; }
    int GetReversed() const { return m_bReverse; }
    int GetInverse() const { return m_bInverse; }
    int IsShowLocalizer() const { return m_bShowLocalizer; }
    float GetScale() { return m_fScale; }
    void SetScale(float scale, int)
    {
        if (scale != 0.0f)
            m_fScale = scale;
    }
    CRelativeRect GetRelativeRect() const { return m_RelativeRect; }
    void SetRelativeRect(CRelativeRect rect) { m_RelativeRect = rect; }
    int GetShowInterpolationOptimize() { return m_nInterpolationOptimize; }
    void SetShowInterpolationOptimize(int option) { m_nInterpolationOptimize = option; }
    float GetImgPosX() { return m_nImgPosX * 0.001f; }
    float GetImgPosY() { return m_nImgPosY * 0.001f; }
    void SetImgPos(float x, float y)
    {
        m_nImgPosX = static_cast<int>(x * 1000);
        m_nImgPosY = static_cast<int>(y * 1000);
    }
    int GetIsImgPos() { return m_bIsImgPos; }
    void SetIsImgPos(int isImgPos) { m_bIsImgPos = isImgPos; }
    CString GetImgNote() { return m_strImgNote; }
    void SetImgNote(CString note) { m_strImgNote = note; }
    CString GetFileNo() { return m_strFileNo; }
    void SetFileNo(CString fileNo) { m_strFileNo = fileNo; }
    int GetIsReportImage() { return m_nIsReportImage; }
    void SetIsReportImage(int isReport) { m_nIsReportImage = isReport; }
    EnumScoutImageType GetScoutImageType() const { return m_ScoutImageType; }
    void SetScoutImageType(EnumScoutImageType type) { m_ScoutImageType = type; }
    CString GetROrientation() const { return m_strShownRightLabel; }
    CString GetBOrientation() const { return m_strShownBottomLabel; }

    int IsQmHospital();
    int IsAreaMeasurable();
    int IsImageCompressed();
    CString GetPhotoMetricInterpretation();

    // Overlays
    COverLayManager* GetOverLayManager() { return m_pOverLayManager; }
    int SetOverLayManager(COverLayManager* manager);
    COverLayManager* CreateOverLayManager();
    int WriteOverLayToFile();

    // Window and lookup table
    int ResetBitmapBits();
    int ResetBitmapBitsRGB();
    int SetWindowCenter(int centre);
    int SetWindowWidth(int width);
    int AdjustWW(long width, int);
    int AdjustWC(long centre, int);
    int AdjustBoth(long width, long centre, int);
    int ResetBoth();
    short GetPixelValue(int x, int y);
    // The value a 16-bit read stands for, as the screen reads it: unsigned
    // data reaches 65535.
    int DataValue(int read) const { return m_bSignedData ? read : read & 0xFFFF; }
    int BuildGrayPalette();
    int BuildPalette(RGBQUAD* table);

    // Display and geometry
    int BuildCurrentPixelBits();
    int SetFlip(int flip, int rebuild);
    int SetReverse(int reverse, int rebuild);
    int SetInverse(int inverse, int rebuild);
    int SetRotateAngle(int angle, int rebuild);
    int SetShowLocalizer(int show);
    void ShowImage(CDC* dc, CRect dest);
    // Corner text of an image into a rectangle that starts at the device origin.
    static void ShowImgInfo(CDC* dc, CDcmImage* image, CRect* rect);
    void ReSetBitMap();
    static CRect GetFittedImageRect(CRect area, int width, int height, int marginX, int marginY);
    int GetIconHBmp(HBITMAP& bitmap, int, int);
    int GetRotatedColumns();
    int GetRotatedRows();
    int GetClientPixelValue(CRect dest, CPoint point);
    int ClearBitmapBits();
    int SetShutter(int left, int top, int right, int bottom);
    int GetShutter(int& left, int& top, int& right, int& bottom);
    int SetShutterOff();
    int ShutterImage(BYTE* bits, int width, int height, int bytesPerPixel);
    int GetImageBits(BYTE* out, int withInfo, int withOverlays);
    int IsOverlayPoint(int, int) { return 1; }
    CString GetReverseOrientation(CString letter);

    // Filters: a new 24-bit buffer of the display size (rows top-down) that
    // the caller frees with operator delete, or null. Only x and y are read.
    unsigned char* MedianFilter(int x, int y, int, int, int, int);
    unsigned char* EmbossFilter(int x, int y, int, int);
    unsigned char* SharpenFilter(int x, int y, int, int, unsigned long code);

    // Localizer lines and the information matrix
    int AddLocalizer(CLocalizer* localizer);
    int ClearLocalizer();
    int BuildImageInfoMatrix();
    int BurnImageLocalizer();
    int BurnImageOverLay();
    int BurnMatrixInfoToPixel(BYTE* pixels);
    unsigned short* FillImage(int width, int height, unsigned short* source, int sourceHeight,
                              int sourceWidth);
    int GetDicomPrintSize(int& width, int& height);

    // Export writers
    int SaveAs(CString path, int width, int height, int showInfo, int showOverlays, CRect* dest);
    // 1 when the movie was written (or the range held no frame); 0 when there
    // was nothing to render, the range was cancelled or the movie failed,
    // the last with its reason in GetMovieErrorText.
    int SaveAsAvi(CString path, int showInfo, int showOverlays);
    const CString& GetMovieErrorText() const { return m_strMovieError; }
    int WriteToJPGFile(CString path, int width, int height, CRelativeRect* rect, int useSize, int showInfo);
    int WriteToBMPFile(CString path, int width, int height, CRelativeRect* rect, int useSize, int showInfo);
    int JpegToDicom(const char* jpegPath, const char* dicomPath);
    void SetFieldValue(CString key, CString value);

    // Information text burned into the information matrix
    int BurnImageInfo(long centre, long width);
    int BurnOverLayWord(int x, int y, CString text, CDC* dc, MAT2 transform, long ascent);

    // Print pixels
    int GetDicomPrintSize(float scale, int& width, int& height);
    void SetDicomPrintPixel(CDicomImageInfo* request);
    unsigned char* GetDicomPrintPixel(CDicomImageInfo* info);
    unsigned char* GetDicomPrintPixel(long, long, CRelativeRect rect, int inverse);
    int BurnMatrixInfoToDicomPrintPixel(unsigned char* pixels, long centre, long width);
    int GetDicomPrintPreViewPixel(unsigned char* pixels, float scale);
    int GetPrintStatusBmpBits(unsigned char* pixels, int withInfo);
    int ShowPrintStatusBmp(CDC* dc, CRect dest, int withInfo);

private:
    int MapBitmapBits();
    CDcmImage(const CDcmImage&) = delete;
    CDcmImage& operator=(const CDcmImage&) = delete;

    int OpenDicomFile(const char* path);
    void SetImageType(CString type) { m_strImageType = type; }
    int ClearUp();
    void OverlayMeasure();
    int ParseOverLay();
    int RunRasterPipeline();
    int AddRasterFrame(CRasterImage& picture);
    int AddRgbFrame(const BYTE* rows, int width, int height, int rowBytes);
    int AddJpegFrame(const CString& path);

    // Export and print
    void RenderExportFrame(CDC* dc, CRect dest, CRect area, int showInfo, int showOverlays);
    BYTE* ComposeDirectExport(int width, int height, CRelativeRect* rect, int useSize, int showInfo, int& outWidth,
                              int& outHeight, int& channels);
    int DisplayChannels() const;
    void BurnInfoTextInto(BYTE* pixels, int width, int height, int channels);
    BYTE* ComposeStatusPixels(int withInfo);
    BYTE* PrintPixels8(int printWidth, int printHeight, long centre, long width);
    BYTE* PrintPixels16(int printWidth, int printHeight, const CRelativeRect& rect, int inverse, long centre,
                        long width);

    // Pipeline
    int ParseDicomInfo();
    void SplitFrameTimes(const CString& vector);
    int ChangeYBRtoRGB();
    int MakeImageDwordAlign();
    int RescalePixelValue();
    int SetInitWindowWidthCenter();
    int IsRgb() const;
    int IsRgbWithThreeSamples() const;
    int IsPlanarColour() const;
    size_t StoredBytesPerPixel() const;
    size_t FrameBytes() const;

    // Display
    static CBitmap* CreateBitmapWrapper();
    static void DeleteBitmapWrapper(CBitmap* bitmap);
    void DeleteDibSection();
    bool AttachBitmapWrapper();
    size_t DisplayBytes() const;
    int BuildImage();
    int BuildOrientedPixels();
    int RecreateDibSection();
    void BurnOverlayPlane();
    int ResampleToDibSection(const CRect& dest);
    void BurnSegment(POINT a, POINT b);
    void FitDibSectionToDisplay();
    template <typename Filter>
    unsigned char* FilterDisplay(int x, int y, Filter filter);
    int ParsePatientOrientations();
    int RotatePatientOrientations();
    void SetHeight(int height) { m_nDisplayHeight = height; }
    void SetWidth(int width) { m_nDisplayWidth = width; }
    void SetScaleHeight(int height) { m_nScaledHeight = height; }
    void SetScaleWidth(int width) { m_nScaledWidth = width; }

    BITMAPINFO* m_pBitmapInfo;
    BYTE* m_pBitmapBits;
    BYTE* m_pCurrentPixels;
    BYTE* m_pOrientedPixels;
    CLocalizerList m_LocalizerList;
    int m_nIsReportImage;
    EnumScoutImageType m_ScoutImageType;
    CDicomInfo m_DicomInfo;
    CString m_strFileNo;
    int m_bSignedData;
    CRelativeRect m_RelativeRect;
    int m_nInterpolationOptimize;
    ColorMode m_ColorMode;
    int m_nShutterLeft;
    int m_nShutterRight;
    int m_nShutterTop;
    int m_nShutterBottom;
    CRITICAL_SECTION m_Lock;
    CBitmap* m_pBitmap;
    CString m_strFilePath;
    CString m_strMovieError;
    float m_fScale;
    int m_nRotateAngle;
    CString m_strFileBottomLabel;
    CString m_strFileRightLabel;
    CString m_strShownRightLabel;
    CString m_strShownBottomLabel;
    CPtrArray m_Frames;
    CStringArray m_FrameTimes;
    int m_nWindowCenter;
    int m_nWindowWidth;
    int m_bWindowChanged;
    int m_nMaxLevel;
    int m_nMinLevel;
    int m_bOpened;
    int m_bInverse;
    int m_bFlip;
    int m_bReverse;
    int m_bShowLocalizer;
    int m_bDoubleLocalizer;
    int m_nDisplayHeight;
    int m_nDisplayWidth;
    int m_nScaledHeight;
    int m_nScaledWidth;
    int m_nDisplayBytesPerPixel;
    int m_nMatrixWidth;
    int m_nMatrixHeight;
    HBITMAP m_hDibSection;
    int m_nCurrentFrame;
    CString m_strImageType;
    CByteArray m_InfoMatrix;
    COverLayManager* m_pOverLayManager;
    int m_nImgPosX;
    int m_nImgPosY;
    int m_bIsImgPos;
    CString m_strImgNote;
    int m_bAlignedRows;
    // Whether the last lookup pass could map the picture.
    int m_bBitmapBitsMapped;
    int m_bHasResetBoth;
};
