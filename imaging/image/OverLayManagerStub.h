// Stand-in for the overlay manager: the operations the image model and the
// image window call, with no overlays behind them. Replaced by the overlay
// family's own manager.
#pragma once

#include "ImagePlatform.h"

class CDC;
class CWnd;
class CDcmImage;
class COverLay;

// Overlay tool: 0 select, 1 rectangle, 2 ellipse, 3 polygon, 4 point, 5 line,
// 6 arrow, 7 angle, 9 text, 10 select.
enum OverLayShape {
    OVERLAY_SELECT = 0,
    OVERLAY_RECT = 1,
    OVERLAY_ELLIPSE = 2,
    OVERLAY_POLY = 3,
    OVERLAY_POINT = 4,
    OVERLAY_LINE = 5,
    OVERLAY_ARROW = 6,
    OVERLAY_ANGLE = 7,
    OVERLAY_TEXT = 9,
    OVERLAY_SELECT2 = 10,
};

// Overlay mode: 0 create, 1 handle drag, 2 move, 3 idle, 4 second arm of an
// angle, 5 erase.
enum OverLayMode {
    OVERLAY_MODE_CREATE = 0,
    OVERLAY_MODE_HANDLE = 1,
    OVERLAY_MODE_MOVE = 2,
    OVERLAY_MODE_IDLE = 3,
    OVERLAY_MODE_SECOND_ARM = 4,
    OVERLAY_MODE_ERASE = 5,
};

extern int CurrentOverlayTool;
extern int CurrentOverlayMode;

// Pen colour of each overlay kind, shared by every overlay of the process.
extern COLORREF LineOverlayColor;
extern COLORREF ArrowOverlayColor;
extern COLORREF AngleOverlayColor;
extern COLORREF RectOverlayColor;
extern COLORREF EllipseOverlayColor;
extern COLORREF PolyOverlayColor;
extern COLORREF PointOverlayColor;
extern COLORREF TextOverlayColor;
// Set while a movie is rendered: rectangle overlays draw filled.
extern int FillRectOverlays;

// Runtime-class test and image point of an overlay; no overlay kinds exist yet.
inline int IsOverlayOfKind(const COverLay*, const char*) { return 0; }
inline CPoint OverlayImagePoint(const COverLay*) { return CPoint(0, 0); }
// Number, measurement text and selection of an overlay for the printed list.
inline int OverlayNumber(const COverLay*) { return 0; }
inline CString OverlayInfoText(const COverLay*) { return CString(); }
inline int IsOverlaySelected(const COverLay*) { return 0; }

class COverLayManager : public CObject {
public:
    COverLayManager() = default;
    ~COverLayManager() override = default;

    virtual void OnLButtonDown(UINT, CPoint&, CDC*) {}
    virtual void OnLButtonDblClk(UINT, CPoint&, CDC*) {}
    virtual void OnLButtonUp(UINT, CPoint&, CDC*) {}
    virtual void OnRButtonUp(UINT, CPoint&, CDC*) {}
    virtual void OnMouseMove(UINT, CPoint&, CDC*) {}

    void SetImage(CDcmImage* image) { m_pImage = image; }
    void ParseRecords(const short*, int) {}
    void SetCurrentOverlay(COverLay* overlay) { m_pCurrentOverlay = overlay; }
    COverLay* GetCurrentOverlay() const { return m_pCurrentOverlay; }
    int IsModified() const { return 0; }
    int BuildRecords() { return 0; }
    const BYTE* GetRecordsBlob() const { return nullptr; }
    int GetRecordsBlobSize() const { return 0; }
    void MeasureAll() {}
    void UpdateScreenPoints() {}
    int BurnAll(BYTE*, int, int) { return 1; }
    void SetImageRect(int left, int top, int right, int bottom, int) { m_ImageRect.SetRect(left, top, right, bottom); }
    void DrawAll(CDC*, float) {}
    void EraseAll() { m_nCurrentIndex = -1; }
    int GetCount() const { return 0; }
    COverLay* GetAt(int) const { return nullptr; }

    int m_bVisible = 1;
    int m_bShowMeasure = 1;
    int m_bShowNumber = 0;
    int m_nCurrentIndex = 0;
    COverLay* m_pCurrentOverlay = nullptr;
    CWnd* m_pOwnerWnd = nullptr;
    CDcmImage* m_pImage = nullptr;
    CRect m_ImageRect;
    CString m_strPhraseFile;
};
