// Localizer (scout) lines that a host adds to an image.
#pragma once

#include "ImvexaApi.h"
#include "ImagePlatform.h"

class CDC;
class CDcmImage;

class IMVEXA_API CLocalizer {
public:
    CLocalizer();
    virtual ~CLocalizer();

    virtual void Draw(CDC* dc, int left, int top, int right, int bottom, CDcmImage* image);
    void GetPoints(POINT& p1, POINT& p2, POINT& p3, POINT& p4) const;
    // Image point to the window point where it shows when the image is
    // drawn into dest; 0 (no point) without an image.
    static int ProjectPoint(CDcmImage* image, int x, int y, const CRect& dest, POINT& point);

    POINT m_P1, m_P2, m_P3, m_P4;
    POINT m_Window1, m_Window2, m_Window3, m_Window4;
    CString m_strLabel1;
    CString m_strLabel2;
    COLORREF m_Color;
};

// Owns its localizers.
class IMVEXA_API CLocalizerList : public CObject {
public:
    CLocalizerList();
    ~CLocalizerList() override;

    void Add(CLocalizer* localizer);
    void RemoveAll();
    CLocalizer* GetAt(int index) const;
    int GetCount() const;
    void DrawAll(CDC* dc, int left, int top, int right, int bottom, CDcmImage* image);

private:
    CPtrArray m_Localizers;
};
