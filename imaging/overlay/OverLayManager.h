// Owner of the overlays of one image: turns mouse events into creating,
// selecting, moving, reshaping and erasing overlays, and converts the list
// to and from the record blob stored with the DICOM file.
#pragma once

#include "base/base.h"
#include "gdi/gdi.h"
#include "OverLayGlobals.h"

class CDcmImage;
class CWnd;
class COverLay;
class CRowSums;

class COverLayManager : public CObject {
    DECLARE_DYNCREATE(COverLayManager)
public:
    COverLayManager();
    ~COverLayManager() override;

    void Serialize(CArchive& archive) override;

    virtual void OnLButtonDown(UINT flags, CPoint& point, CDC* dc);
    virtual void OnLButtonDblClk(UINT flags, CPoint& point, CDC* dc);
    virtual void OnLButtonUp(UINT flags, CPoint& point, CDC* dc);
    virtual int OnRButtonUp(UINT flags, CPoint& point, CDC* dc);
    virtual void OnMouseMove(UINT flags, CPoint& point, CDC* dc);

    void AddOverlay(COverLay* overlay);
    void DeleteOverlay(COverLay* overlay);
    void EraseAll();
    void DrawAll(CDC* dc, float scale);
    void UpdateScreenPoints();
    void MeasureAll();
    // While MeasureAll runs, the current frame's row sums once the pixels its
    // regions counted pass a few images' worth (built then); null otherwise.
    // pixels: those of the region about to be measured.
    const CRowSums* RowSumsFor(long long pixels);
    // The buffer (rowWidth x rows) holds the image as shown, rotated and mirrored.
    int BurnAll(BYTE* pixels, int pixelType, int rowWidth, int rows);
    COverLay* HitBody(CPoint point);
    int HitHandle(CPoint point);
    void DeselectAll();
    void SetImageRect(int left, int top, int right, int bottom, int angle);
    int GetCount() const;
    COverLay* GetAt(int index) const;
    int GetRecordsSize();
    int BuildRecords();
    void ParseRecords(const short* words, int byteCount);

    void SetImage(CDcmImage* image) { m_pImage = image; }
    void SetCurrentOverlay(COverLay* overlay) { m_pCurrentOverlay = overlay; }
    COverLay* GetCurrentOverlay() const { return m_pCurrentOverlay; }
    int IsModified() const { return m_bModified; }
    const BYTE* GetRecordsBlob() const { return m_pRecords; }
    int GetRecordsBlobSize() const { return m_nRecordsSize; }

    int m_bVisible;
    int m_bShowMeasure;
    int m_bShowNumber;
    int m_nCurrentIndex;
    CObList m_OverlayList;
    COverLay* m_pCurrentOverlay;
    CWnd* m_pOwnerWnd;
    CDcmImage* m_pImage;
    CRect m_ImageRect;
    int m_bButtonDown;
    BYTE* m_pRecords;
    int m_nRecordsSize;
    CString m_strPhraseFile;
    int m_bLoading;
    int m_bModified;

private:
    // Where GetAt last stopped, so that walking the list by index costs one
    // step per index; any change to the list forgets it.
    mutable int m_nCursorIndex;
    mutable POSITION m_CursorPosition;
    // The row sums of the MeasureAll pass running, and the pixels it counted.
    CRowSums* m_pPassSums;
    long long m_nPassPixels;

    COverLay* CreateOverlay(int tool);
    void StartOverlay(UINT flags, CPoint& point, CDC* dc);
    void SelectAt(CPoint point);
    void ForwardMove(UINT flags, CPoint& point, int dragCode, CDC* dc);
    int ParseOne(const BYTE* bytes, int wordCount, int& index);
    POSITION FindFromTail(COverLay* overlay) const;
    template <class Kind, class Store>
    int Attach(Kind* overlay, Store store);
};
