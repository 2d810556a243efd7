// Root of the measurement and annotation overlays. An overlay keeps its
// geometry twice: as image pixels (measured, stored, burned) and as window
// points (drawn and hit-tested).
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include "base/base.h"
#include "gdi/gdi.h"
#include "OverLayGlobals.h"

class CWnd;
class CDcmImage;
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
    // The measurement as the window draws it ("" for kinds without one).
    virtual CString MeasureText() const { return CString(); }

    void SetOwner(COverLayManager* manager);
    CPoint ScreenToImage(int x, int y);
    CPoint ImageToScreen(int x, int y);
    // The mapping between an image's pixels and the window rectangle it is shown in.
    static CPoint MapImageToWindow(CDcmImage* image, const CRect& rect, int x, int y);
    static CPoint MapWindowToImage(CDcmImage* image, const CRect& rect, int x, int y);
    int GetImagePixel(int x, int y);
    int IsInImage(int x, int y);
    // Columns and rows of the unrotated image; (0, 0) without one.
    CSize ImageSize();
    void LoadPixelSpacing();
    int HasPixelSpacing() const { return m_bHasSpacing; }
    CString GetInfoText() const { return m_strInfoText; }
    void SetInfoText(CString text) { m_strInfoText = text; }
    CRect GetHandleRect(int n);
    // Replaces the record buffer by n zeroed words.
    void AllocRecord(int n);

    // Burn buffers hold the image as shown: rotated and mirrored. The buffer
    // pixel that shows image pixel (x, y), and the buffer point where the
    // image point (x, y) is shown.
    CPoint BufferPixel(int x, int y);
    CPoint BufferPoint(int x, int y);
    // Sets the buffer pixel of every listed image pixel that lies inside the
    // buffer (rows high).
    void BurnPoints(BYTE* pixels, int pixelType, int rowWidth, const CArray<CPoint, CPoint>& points);
    static void BurnPixel(BYTE* pixels, int pixelType, int index);

    static void GetLinePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);
    // 0 when the line's points cannot all lie in the image: its start or the
    // span of its major axis leaves it. Known without walking the line.
    static int LineMayStayIn(int x1, int y1, int x2, int y2, CSize image);
    static void GetArrowHeadPoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);
    static void GetEllipsePoints(int x1, int y1, int x2, int y2, CArray<CPoint, CPoint>& list);

    // Shared by the kinds.
    static int ProfileInt(const char* section, const char* entry, int defaultValue);
    int ShowsMeasurement() const;
    // The overlay number while the manager shows numbers, else the measurement.
    CString LabelText(const CString& measurement) const;
    void DrawPlacedText(CDC* dc, const CString& text, int fontSize, COLORREF colour);
    void SelectDrawPen(CDC* dc, int width, COLORREF colour);
    void RestoreDrawPen(CDC* dc);
    // Erases the old shape, changes the geometry, draws the new one, all
    // through the XOR pen; then last point = point.
    void RubberBand(CDC* dc, CPoint point, const std::function<void()>& draw,
                    const std::function<void()>& change);
    void DrawInvertedHandles(CDC* dc, int state, int half);
    // Mean and population deviation of the listed pixels; 0 when one lies
    // outside the image or the list is empty.
    int MeasurePixels(const CArray<CPoint, CPoint>& points, double& sum, double& mean, double& deviation);
    // Sum, mean and population deviation of the values; 0 for none.
    static int PixelStats(const std::vector<int>& values, double& sum, double& mean, double& deviation);
    static int SegmentMeetsBox(CPoint a, CPoint b, const CRect& box);
    void BurnLine(BYTE* pixels, int pixelType, int rowWidth, int x1, int y1, int x2, int y2);
    void BurnBox(BYTE* pixels, int pixelType, int rowWidth, int left, int top, int right, int bottom);
    void DeleteSelf();
    // A move drag: the bounds offset by (point - last point) go to SetBounds.
    void MoveBoundsTo(CPoint point);
    // A record of these words (values truncated to 16 bits).
    void StoreRecord(std::initializer_list<int> words);
    // Builds the record and writes it word by word; 0 when a word fails.
    int WriteBuiltRecord(HANDLE file);
    // Whether the geometry changed since the last release; clears the flag.
    // A select click without a drag must not re-quantise stored points.
    int TakeChanged();

    float m_fScale;
    int m_bSelected;
    int m_nNumber;
    CString m_strInfoText;
    CRect m_rcBounds;
    CWnd* m_pOwnerWnd;
    CPoint m_ptLast;
    CPoint m_ptAnchor;
    CPen* m_pPen;
    CGdiObject* m_pOldPen;
    COverLayManager* m_pManager;
    int m_nActiveHandle;
    float m_fColSpacing;
    float m_fRowSpacing;
    int m_bHasSpacing;
    short* m_pRecord;
    int m_nRecordSize;
    // Height of the buffer being burned, set by the manager's burn.
    int m_nBurnRows;
    int m_bChanged;

private:
    CGdiObject* m_pOldBrush;
};
