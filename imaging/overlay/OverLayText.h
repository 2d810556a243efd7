// A free text annotation, typed or picked from the phrase list.
#pragma once

#include <string>

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

    // stored: the record's text bytes (code page 936); the text ends at a zero.
    void SetFromRecord(int x, int y, const std::string& stored);
    void DrawAnnotation(CDC* dc);
    // The text as stored: code page 936 bytes; the bytes read while the text is unchanged.
    std::string StoredText() const;

    int m_nImageX;
    int m_nImageY;
    int m_nScreenX;
    int m_nScreenY;
    CString m_strText;
    int m_nPenWidth;
    int m_nFontSize;
    CString m_strPhraseFile;

private:
    // What the record held and the text it read as: bytes the code page
    // cannot map do not survive a conversion back.
    std::string m_ReadBytes;
    CString m_strReadText;

    void SetAnchorBounds(CPoint p);
    void MakeFont(CFont& font);
};
