// Root of the measurement and annotation overlays. An overlay keeps its
// geometry twice: as image pixels (measured, stored, burned) and as window
// points (drawn and hit-tested).
#pragma once

#include "base/base.h"
#include "gdi/gdi.h"

class CWnd;
class COverLayManager;

class COverLay : public CObject {
    DECLARE_DYNAMIC(COverLay)
public:
    COverLay();
    ~COverLay() override;

    void Serialize(CArchive& archive) override;

    virtual void UpdateInfoText(int reset);
    virtual int WriteRecord(HANDLE file);
    virtual int GetRecordSize();
    virtual int BuildRecord();
    virtual void Draw(CDC* dc);
    virtual void UpdateScreenPoints();
    virtual void Reserved1();
    virtual void Measure();
    virtual void Reserved2();
    virtual int HandleCount();
    virtual CPoint HandlePoint(int n);
    virtual HCURSOR HandleCursor(int n);
    virtual void DrawHandles(CDC* dc, int state);
    virtual void DragHandle(int n, CPoint point);
    virtual int HitHandle(CPoint point, int selected);
    virtual void SetBounds(const CRect& bounds);
    virtual int IntersectsBox(const CRect& box);
    virtual void OnLButtonDown(UINT flags, CPoint& point, CDC* dc);
    virtual void OnLButtonDblClk(UINT flags, CPoint& point, CDC* dc);
    virtual void OnLButtonUp(UINT flags, CPoint& point, CDC* dc);
    // dragCode: 0 drag the active handle, 1 move the whole overlay, 2 create.
    virtual void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc);
    virtual void EndRubberBand(CDC* dc);
    virtual void BeginRubberBand(CDC* dc);
    virtual void DrawMeasureText(CDC* dc);
    virtual void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth);

    void SetOwner(COverLayManager* manager);
    CPoint ScreenToImage(int x, int y);
    CPoint ImageToScreen(int x, int y);
    short GetImagePixel(int x, int y);
    int IsInImage(int x, int y);
    void LoadPixelSpacing();
    int HasPixelSpacing() const { return m_bHasSpacing; }
    CString GetInfoText() const { return m_strInfoText; }
    void SetInfoText(CString text) { m_strInfoText = text; }
    CRect GetHandleRect(int n);
    // Replaces the record buffer by n zeroed words.
    void AllocRecord(int n);

    static void GetLinePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);
    static void GetArrowHeadPoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);
    static void GetEllipsePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);

    float m_fScale;
    int m_bSelected;
    int m_nNumber;
    CString m_strInfoText;
    CRect m_rcBounds;
    CWnd* m_pOwnerWnd;
    CPoint m_ptLast;
    CPoint m_ptAnchor;
    CPen* m_pPen;
    CPen* m_pOldPen;
    COverLayManager* m_pManager;
    int m_nActiveHandle;
    float m_fColSpacing;
    float m_fRowSpacing;
    int m_bHasSpacing;
    short* m_pRecord;
    int m_nRecordSize;
};
