// A free text annotation, typed or picked from the phrase list.
#pragma once

#include "OverLay.h"

class COverLayText : public COverLay {
    DECLARE_DYNCREATE(COverLayText)
public:
    COverLayText();

    int WriteRecord(HANDLE file) override { return WriteBuiltRecord(file); }
    int GetRecordSize() override;
    int BuildRecord() override;
    void Draw(CDC* dc) override { DrawAnnotation(dc); }
    void UpdateScreenPoints() override;
    void DrawHandles(CDC*, int) override {}
    int HitHandle(CPoint, int) override { return 0; }
    void OnLButtonDown(UINT flags, CPoint& point, CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint& point, CDC* dc) override;
    void OnMouseMove(UINT flags, CPoint& point, int dragCode, CDC* dc) override;
    void BurnIntoPixels(BYTE* pixels, int pixelType, int rowWidth) override;

    void SetFromRecord(int x, int y, const CString& text);
    void DrawAnnotation(CDC* dc);
    // The text as stored: code page 936 bytes.
    CString StoredText() const;

    int m_nImageX;
    int m_nImageY;
    int m_nScreenX;
    int m_nScreenY;
    CString m_strText;
    int m_nPenWidth;
    int m_nFontSize;
    CString m_strPhraseFile;

private:
    void SetAnchorBounds(CPoint p);
    void MakeFont(CFont& font);
};
