// A byte raster of text (1 where a glyph pixel is set) that is stamped onto
// a pixel buffer: sized, created, burned, merged, released.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"

class CDcmImage;

class IMVEXA_API CTextBitmap {
public:
    CTextBitmap();
    virtual ~CTextBitmap();
    CTextBitmap(const CTextBitmap&) = delete;
    CTextBitmap& operator=(const CTextBitmap&) = delete;

    int Create();
    int PutText(int x, int y, CString text);
    int BurnInfoText(CDcmImage* image, long centre, long width);
    // Pixels of the buffer (width x height of them, rows top-down, 1, 2 or 3
    // channels) under set raster bytes become white.
    int MergeInto(BYTE* pixels, int channels);
    int Release();

    int m_nWidth;
    int m_nHeight;
    int m_nMargin;
    int m_nLineHeight;
    CByteArray m_Raster;
    MAT2 m_Transform;
    CDC* m_pDC;
    int m_nAscent;

private:
    CFont m_Font;
    CFont* m_pOldFont;
};
