// Framework classes over the GDI functions: thin wrappers that own their
// handle (the destructor deletes it) unless it was detached, and temporary
// wrappers for foreign handles (FromHandle) that never delete.
#pragma once

#include "base/CPoint.h"
#include "base/CRect.h"
#include "base/CSize.h"
#include "base/CString.h"
#include "gdi/gdiapi.h"

// Bitmap resources belong to the window layer's resource table.
HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);

class CGdiObject {
public:
    HGDIOBJ m_hObject = nullptr;

    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject();

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    BOOL Attach(HGDIOBJ handle);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    BOOL CreateStockObject(int index);
    int GetObject(int size, LPVOID out) const;
    UINT GetObjectType() const;
    BOOL UnrealizeObject() { return m_hObject != nullptr; }

    static CGdiObject* FromHandle(HGDIOBJ handle);
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color);
    CPen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);
    BOOL CreatePen(int style, int width, COLORREF color);
    BOOL CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);
    BOOL CreatePenIndirect(LOGPEN* pen);
    int GetLogPen(LOGPEN* pen) const { return GetObject(sizeof(LOGPEN), pen); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    static CPen* FromHandle(HPEN handle);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color);
    BOOL CreateSolidBrush(COLORREF color);
    BOOL CreateBrushIndirect(const LOGBRUSH* brush);
    int GetLogBrush(LOGBRUSH* brush) const { return GetObject(sizeof(LOGBRUSH), brush); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH handle);
};

class CFont : public CGdiObject {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, LPCSTR face);
    BOOL CreateFontIndirect(const LOGFONT* font);
    BOOL CreatePointFont(int pointSizeTenths, LPCSTR face, class CDC* dc = nullptr);
    int GetLogFont(LOGFONT* font) const { return GetObject(sizeof(LOGFONT), font); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT handle);
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
    BOOL LoadBitmap(UINT id) { return LoadBitmap(reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id))); }
    BOOL LoadBitmap(LPCSTR name) { return Attach(::LoadBitmap(nullptr, name)); }
    DWORD SetBitmapBits(DWORD count, const void* bits);
    DWORD GetBitmapBits(DWORD count, LPVOID bits) const;
    int GetBitmap(BITMAP* out) const { return GetObject(sizeof(BITMAP), out); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP handle);
};

class CPalette : public CGdiObject {
public:
    BOOL CreatePalette(const LOGPALETTE* palette);
    BOOL CreateHalftonePalette(class CDC* dc);
    int GetEntryCount() const;
    UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const;
    UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries);
    UINT GetNearestPaletteIndex(COLORREF color) const;
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
    static CPalette* FromHandle(HPALETTE handle);
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(LPCRECT rect);
    BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
    BOOL CreateEllipticRgnIndirect(LPCRECT rect);
    BOOL CreatePolygonRgn(const POINT* points, int count, int fillMode);
    int CombineRgn(CRgn* a, CRgn* b, int mode);
    int CopyRgn(CRgn* source);
    BOOL EqualRgn(CRgn* other) const;
    int OffsetRgn(int dx, int dy);
    int OffsetRgn(POINT delta) { return OffsetRgn(delta.x, delta.y); }
    void SetRectRgn(int left, int top, int right, int bottom);
    void SetRectRgn(LPCRECT rect);
    int GetRgnBox(LPRECT box) const;
    BOOL PtInRegion(int x, int y) const;
    BOOL PtInRegion(POINT pt) const { return PtInRegion(pt.x, pt.y); }
    BOOL RectInRegion(LPCRECT rect) const;
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    static CRgn* FromHandle(HRGN handle);
};

class CDC {
public:
    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;

    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    // Deletes an attached DC, as the framework's DC wrapper does.
    virtual ~CDC();

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();
    static CDC* FromHandle(HDC dc);

    BOOL CreateCompatibleDC(CDC* dc);
    BOOL CreateDC(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode);
    BOOL CreateIC(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode);
    BOOL DeleteDC();
    virtual int SaveDC();
    virtual BOOL RestoreDC(int saved);
    int GetDeviceCaps(int index) const;

    CGdiObject* SelectStockObject(int index);
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    virtual CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* region);
    virtual CGdiObject* SelectObject(CGdiObject* object);
    HGDIOBJ SelectObject(HGDIOBJ object);
    CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
    UINT RealizePalette();
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;

    virtual COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    virtual COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    int SetROP2(int rop2);
    int GetROP2() const;
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const;
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const;
    virtual int SetMapMode(int mode);
    int GetMapMode() const;
    virtual CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT pt) { return SetViewportOrg(pt.x, pt.y); }
    virtual CPoint OffsetViewportOrg(int dx, int dy);
    CPoint GetViewportOrg() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint GetWindowOrg() const;
    CPoint SetBrushOrg(int x, int y);

    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT pt) { return MoveTo(pt.x, pt.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT pt) { return LineTo(pt.x, pt.y); }
    CPoint GetCurrentPosition() const;
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rect);
    BOOL Polygon(const POINT* points, int count);
    BOOL Polyline(const POINT* points, int count);
    void FillRect(LPCRECT rect, CBrush* brush);
    void FrameRect(LPCRECT rect, CBrush* brush);
    void InvertRect(LPCRECT rect);
    void DrawFocusRect(LPCRECT rect);
    void FillSolidRect(LPCRECT rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    BOOL FillRgn(CRgn* region, CBrush* brush);
    COLORREF SetPixel(int x, int y, COLORREF color);
    COLORREF SetPixel(POINT pt, COLORREF color) { return SetPixel(pt.x, pt.y, color); }
    BOOL SetPixelV(int x, int y, COLORREF color);
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT pt) const { return GetPixel(pt.x, pt.y); }

    BOOL PatBlt(int x, int y, int cx, int cy, DWORD rop);
    BOOL BitBlt(int x, int y, int cx, int cy, CDC* src, int xSrc, int ySrc, DWORD rop);
    BOOL StretchBlt(int x, int y, int cx, int cy, CDC* src, int xSrc, int ySrc, int cxSrc, int cySrc, DWORD rop);

    virtual BOOL TextOut(int x, int y, LPCSTR text, int length);
    BOOL TextOut(int x, int y, LPCSTR text);
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
    virtual BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT length, INT* dx);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, INT* dx)
    {
        return ExtTextOut(x, y, options, rect, text, static_cast<UINT>(text.GetLength()), dx);
    }
    virtual int DrawText(LPCSTR text, int length, LPRECT rect, UINT format);
    int DrawText(const CString& text, LPRECT rect, UINT format)
    {
        return DrawText(text, text.GetLength(), rect, format);
    }
    CSize GetTextExtent(LPCSTR text, int length) const;
    CSize GetTextExtent(LPCSTR text) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    CSize GetOutputTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    CSize GetOutputTextExtent(LPCSTR text, int length) const { return GetTextExtent(text, length); }
    BOOL GetTextMetrics(LPTEXTMETRIC metrics) const;
    BOOL GetOutputTextMetrics(LPTEXTMETRIC metrics) const { return GetTextMetrics(metrics); }
    int GetTextFace(int count, LPSTR face) const;
    DWORD GetGlyphOutline(UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize, LPVOID buffer,
                          const MAT2* matrix) const;

    virtual int SelectClipRgn(CRgn* region);
    int SelectClipRgn(CRgn* region, int mode);
    virtual int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(LPCRECT rect);
    virtual int ExcludeClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect(LPCRECT rect);
    virtual int GetClipBox(LPRECT box) const;
    virtual BOOL RectVisible(LPCRECT rect) const;
    virtual BOOL PtVisible(int x, int y) const;

protected:
    // For the window layer's DC classes: take ownership of a surface DC made
    // with PlatformCreateSurfaceDC, released again by the destructor.
    void AttachSurfaceDC(HDC surfaceDC) { Attach(surfaceDC); }
    HDC DetachSurfaceDC() { return Detach(); }
};
