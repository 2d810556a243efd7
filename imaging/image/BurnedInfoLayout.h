// Layouts of the image information text burned into pixels: the text
// bitmap's (exports and status pictures) and the information matrix's
// (print pixels). Positions: left items at the margin m, right items at
// W - (n + 2) x m for a text of n bytes, top line k at k x h, bottom line k
// at H - k x h, with h the font's text height.
#pragma once

#include <functional>

#include "ImagePlatform.h"

class CDcmImage;
class CDicomInfo;

class BurnedInfoLayout {
public:
    using Burner = std::function<void(int x, int y, const CString& text)>;

    BurnedInfoLayout(int width, int height, int margin, int lineHeight, Burner burn);

    // The text bitmap's layouts, chosen by modality.
    void BurnTextBitmapLayout(CDcmImage* image, long centre, long width);
    // The information matrix's layouts, chosen by modality.
    void BurnMatrixLayout(CDcmImage* image, long centre, long width);

private:
    void TopLeft(int line, const CString& text) { m_burn(m_margin, line * m_h, text); }
    void BottomLeft(int line, const CString& text) { m_burn(m_margin, m_height - line * m_h, text); }
    void TopRight(int line, const CString& text) { m_burn(RightX(text), line * m_h, text); }
    void BottomRight(int line, const CString& text) { m_burn(RightX(text), m_height - line * m_h, text); }
    int RightX(const CString& text) const;
    void OrientationLabels(CDcmImage* image);

    void CtItems(CDcmImage* image, long centre, long width, bool exposure);
    void MrPrivateItems(CDcmImage* image, long centre, long width);
    void DxItems(CDcmImage* image, long centre, long width);
    void DrItems(CDcmImage* image, long centre, long width, bool asStored);
    void OtItems(CDcmImage* image, long centre, long width);
    void OtherTextBitmapItems(CDcmImage* image, long centre, long width);
    void OtherMatrixItems(CDcmImage* image, long centre, long width);
    void WindowItems(int line, long centre, long width, const char* centreFormat);
    void PatientLines(CDicomInfo* info, bool asStored);
    void SeriesNumbers(CDicomInfo* info, int firstLine);

    int m_width;
    int m_height;
    int m_margin;
    int m_h;
    Burner m_burn;
};
