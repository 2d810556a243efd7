// The image window: shows one image (or plays one clip) and turns mouse,
// wheel and keys into view operations and notifications to its parent.
// Hosts compile the inline accessors against this header, so the order of
// the data members is part of the exported interface.
#pragma once

#include "ImvexaApi.h"
#include "DcmImage.h"
#include "DicomWndTypes.h"
#include "EduMsg.h"
#include "OverLayManager.h"
#include "PlayButton.h"
#include "PlaySlider.h"

class CDSPlayer;

class IMVEXA_API CDicomWnd : public CWnd {
public:
    CDicomWnd();
    ~CDicomWnd() override;

    // Binding
    int SetImage(CString path, int n);
    int SetImage(CDcmImage* image);
    void SetDcmImage(CDcmImage* image) { m_pDcmImage = image; }

    // Geometry
    void ResetTotalRect();
    void SetClientRect(CRect rect);
    CRect* GetTotalRect() { return &m_TotalRect; }
    void UpdateOverlayView();
    int GetImageDestRelativeRect(CRelativeRect& rect);
    COverLayManager* GetOverLayManager();

    // Visibility
    void SetNotifyShowWindow(UINT message, CWnd* window);
    int ShowWindow(int nCmdShow);
    int IsWindowVisible() { return m_bVisible; }

    // Accessors
    void SetShowEasyText(CString text) { m_strEasyText = text; }
    void SetForEasyViewer(int on) { m_bForEasyViewer = on; }
    void SetShowPopupMenu(int on) { m_bShowPopupMenu = on; }
    void SetShowImgPos(int on) { m_bShowImgPos = on; }
    void SetImgNoteWnd(CWnd* wnd) { m_pImgNoteWnd = wnd; }
    CWnd* GetImgNoteWnd() { return m_pImgNoteWnd; }
    void SetImgPosWnd(CWnd* wnd) { m_pImgPosWnd = wnd; }
    CWnd* GetImgPosWnd() { return m_pImgPosWnd; }
    void ShowImageInfo(int on);
    // The image's corner text, as the image draws it, with the ruler scaled
    // to the window's image rectangle; the client area when rect is null.
    void ShowImgInfo(CDC* dc, CDcmImage* image, CRect* rect);
    void SetBGColor(COLORREF color) { m_BGColor = color; }
    COLORREF GetBGColor() { return m_BGColor; }
    void SetIsSelected(int on) { m_bSelected = on; }
    int GetIsSelected() { return m_bSelected; }
    void SetIsFavoriate(int on) { m_bFavoriate = on; }
    void SetIsActive(int on);
    int GetIsVideoFile() { return m_bVideo; }
    CDcmImage* GetImage() { return m_pDcmImage; }
    CDcmImage* GetDCMImage() { return m_pDcmImage; }
    OpMode GetOpMode() { return m_OpMode; }
    OverLayShape GetOverLayShape() { return m_OverLayShape; }
    OverLayMode GetOverLayMode() { return m_OverLayMode; }
    COLORREF GetColor(OverlayType type) { return type >= 0 && type < 9 ? m_Colors[type] : 0; }
    CWnd* GetDocument() { return this; }
    void SetDCMFileName(CString name) { m_strFileName = name; }
    CString GetDCMFileName() { return m_strFileName; }
    int IsImageOpened() const { return m_bImageOpened; }
    void ImageHasOpened(int opened) { m_bImageOpened = opened; }
    void SetImageIndex(int index) { m_nImageIndex = index; }
    int GetImageIndex() { return m_nImageIndex; }
    void SetExamIndex(int index) { m_nExamIndex = index; }
    int GetExamIndex() { return m_nExamIndex; }
    void SetDcmPrintViewIndex(int index) { m_nPrintViewIndex = index; }
    int GetDcmPrintViewIndex() { return m_nPrintViewIndex; }
    void SetDocType(DOC_TYPE type) { m_DocType = type; }
    DOC_TYPE GetDocType() { return m_DocType; }
    int CheckWC() const { return 1; }
    int CheckWW() const { return 1; }
    int GetAdjustWlParameter() { return 1; }
    void OnCloseDocument() {}
    void OnFilterMode() {}
    void SetPopupMenu(CMenu* menu, CWnd* owner)
    {
        m_pHostMenu = menu;
        m_pHostMenuOwner = owner;
    }
    void SetDictFile(CString path);
    void ShowMeasureInfo(int on);
    void ShowRPTCheck(int show);
    int GetRPTCheck();
    void SetRPTCheck(int check);
    void ShowFilePath(int on);
    void OnDrawVisible();
    int GetIsOverlayVisible();
    void OnOverlayEraseall();

    // Painting
    void DrawFrame(COLORREF color, int show);
    void ShowImageOverLayInfo(CDC* dc, CRect* area);
    void PrintDoc(CDC* dc, CRect rect, float scale);
    void ShowPlayCtrl(int show);

    // Mouse tools
    void SetOpMode(OpMode mode);
    void OnAdjustNone();
    void SetOverLayShape(OverLayShape shape);
    void SetOverLayMode(OverLayMode mode);
    int SetWindowAjustStep();
    void OnWLAdjust(UINT flags, CPoint point);
    void ChangeWL(WINLEVEL_TYPE type, int width, int centre);
    void MoveImage(CPoint delta);
    void ZoomImage(CPoint delta);
    CPoint ClientPtToImage(CPoint point);
    CPoint ImagePtToClient(CPoint point);
    void GetPositionPoint(CArray<CPoint, CPoint>& points);
    void OnLButtonUpRefresh(UINT flags, CPoint point);
    void OnRButtonUpRefresh(UINT flags, CPoint point);

    // Frames
    void ShowNextFrame();
    void ShowPreviousFrame();

    // Commands and view operations
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    int SaveOverLay(CString path);
    int LoadOverLay(CString path);
    void ReverseImage();
    void FlipImage();
    void InverseImage();
    void RotateLeft();
    void RotateRight();
    void RotateImageRect();
    void ResetImageSize();

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseHover(UINT flags, CPoint point);
    void OnMouseLeave();
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnTimer(UINT id);
    void OnBtnPlay();
    void OnBtnPause();
    LRESULT OnPlayerEnevt(WPARAM code, LPARAM param);
    LRESULT OnSliderPosChanging(WPARAM position, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    int BindClip(const CString& path);
    int BindImageFile(const CString& path, int n);
    void DeleteOwnedImage();
    COverLayManager* PrepareOverLayManager();
    void Repaint() { if (m_hWnd) Invalidate(TRUE); }
    CRect CurrentClientRect() const;
    void Notify(int code, int param1 = 0, int param2 = 0, int param3 = 0, int param4 = 0, int paramCount = 1);
    void NotifyWindowLevel(int code, int param1, int param2, int param3, int paramCount);
    void PaintImage(CDC* dc, const CRect& client);
    void PaintMagnifier(CDC* memory);
    void PaintOnScreen(CDC* dc, const CRect& client);
    void PaintPositionDot(CDC* dc, const CRect& area);
    void PaintFileName(CDC* dc, const CRect& client);
    void PaintPixelValue(CDC* dc);
    void PaintFrames();
    int FitForPrint(const CRect& rect, CRect& fitted);
    void LoadCursors();
    void TrackMouse();
    void ShowFrameText(int index);
    void FinishShutter();
    void HandOverlayPress(UINT flags, CPoint point);
    bool AngleAwaitsSecondArm() const;
    bool PressAsksForText();
    void DragLeftButton(UINT flags, CPoint point, CPoint delta);
    void ShowPopupMenu();
    void AppendBuiltInItems(CMenu& menu);
    void OpenFileCommand();
    void SaveImageCommand();
    void OnCineTimer();
    void OnClockTimer();
    void RefreshSlider();

    UINT m_nNotifyMessage;
    CWnd* m_pNotifyWnd;
    int m_nImageOwnership;
    int m_bShowImageInfo;
    OverLayMode m_OverLayMode;
    OverLayShape m_OverLayShape;
    COLORREF m_Colors[9];
    CButton m_RptCheck;
    CPlayButton m_BtnPlay;
    CPlayButton m_BtnPause;
    CPlaySlider m_PlaySlider;
    int m_bRptCheckShown;
    int m_bShowFilePath;
    int m_bShowMeasureInfo;
    int m_bShowImgPos;
    CString m_strPhraseFile;
    int m_bShowPopupMenu;
    int m_bForEasyViewer;
    CString m_strEasyText;
    CMenu* m_pHostMenu;
    CWnd* m_pHostMenuOwner;
    COLORREF m_BGColor;
    int m_bVisible;
    int m_bSelected;
    int m_bFavoriate;
    int m_bMagnifierShown;
    CShutterTracker* m_pShutterTracker;
    int m_bLButtonDown;
    int m_bRButtonDown;
    int m_bRButtonDragged;
    CPoint m_ptMouse;
    CPoint m_ptLButtonDown;
    HCURSOR m_Cursors[12];
    int m_nMouseTracking;
    int m_bActive;
    OpMode m_OpMode;
    WINLEVEL_TYPE m_WinLevelType;
    int m_nExamIndex;
    int m_nImageIndex;
    CPoint m_ptWL;
    CPoint m_ptWLLast;
    int m_nMagnifierSrc;
    int m_nMagnifierDst;
    int m_nWindowStepX;
    int m_nWindowStepY;
    CWnd* m_pImgNoteWnd;
    CWnd* m_pImgPosWnd;
    CDSPlayer* m_pPlayer;
    CDcmImage* m_pDcmImage;
    CString m_strFileName;
    CRect m_TotalRect;
    CRect m_ClientRect;
    CViewTransform m_ViewTransform;
    DOC_TYPE m_DocType;
    int m_nPrintViewIndex;
    int m_bImageOpened;
    int m_bVideo;
    int m_nPlayingSeconds;
    int m_nClipSeconds;
};
