// Framework wrappers over the GDI handles.
#include "gdi/afxgdi.h"

#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

// Wrappers made by FromHandle for handles no wrapper owns never delete
// their handle and are dropped once the handle is gone.
template <class Wrapper>
void detachWrapper(Wrapper& w);

template <>
void detachWrapper(CGdiObject& w)
{
    w.m_hObject = nullptr;
}

template <>
void detachWrapper(CDC& w)
{
    w.m_hDC = w.m_hAttribDC = nullptr;
}

std::unordered_map<HGDIOBJ, CGdiObject*>& permanentObjects()
{
    static auto* m = new std::unordered_map<HGDIOBJ, CGdiObject*>;
    return *m;
}

std::unordered_map<HDC, CDC*>& permanentDcs()
{
    static auto* m = new std::unordered_map<HDC, CDC*>;
    return *m;
}

// One wrapper a handle and class: a wrapper handed out as a plain object (by
// SelectStockObject, say) must not later be handed out as a font or a brush.
std::unordered_multimap<HGDIOBJ, std::unique_ptr<CGdiObject>>& tempObjects()
{
    static auto* m = new std::unordered_multimap<HGDIOBJ, std::unique_ptr<CGdiObject>>;
    return *m;
}

std::unordered_map<HDC, std::unique_ptr<CDC>>& tempDcs()
{
    static auto* m = new std::unordered_map<HDC, std::unique_ptr<CDC>>;
    return *m;
}

template <class Map, class IsLive>
void dropDead(Map& temps, IsLive live)
{
    if (temps.size() < 64)
        return;
    for (auto it = temps.begin(); it != temps.end();) {
        if (!live(it->first)) {
            detachWrapper(*it->second);
            it = temps.erase(it);
        } else {
            ++it;
        }
    }
}

template <class T>
T* objectFromHandle(HGDIOBJ handle)
{
    if (!handle)
        return nullptr;
    auto perm = permanentObjects().find(handle);
    if (perm != permanentObjects().end())
        if (T* owner = dynamic_cast<T*>(perm->second))
            return owner;
    auto& temps = tempObjects();
    const auto same = temps.equal_range(handle);
    for (auto it = same.first; it != same.second; ++it)
        if (T* temp = dynamic_cast<T*>(it->second.get()))
            return temp;
    dropDead(temps, [](HGDIOBJ h) { return GetObjectType(h) != 0; });
    auto wrapper = std::make_unique<T>();
    wrapper->m_hObject = handle;
    T* result = wrapper.get();
    temps.emplace(handle, std::move(wrapper));
    return result;
}

void forgetTemp(HGDIOBJ handle)
{
    const auto same = tempObjects().equal_range(handle);
    for (auto it = same.first; it != same.second; ++it)
        it->second->m_hObject = nullptr;
    tempObjects().erase(same.first, same.second);
}

}  // namespace

// CGdiObject

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ handle)
{
    if (!handle)
        return FALSE;
    m_hObject = handle;
    forgetTemp(handle);
    permanentObjects()[handle] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    if (h) {
        auto it = permanentObjects().find(h);
        if (it != permanentObjects().end() && it->second == this)
            permanentObjects().erase(it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

int CGdiObject::GetObject(int size, LPVOID out) const { return ::GetObject(m_hObject, size, out); }

UINT CGdiObject::GetObjectType() const { return ::GetObjectType(m_hObject); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle) { return objectFromHandle<CGdiObject>(handle); }

// CPen, CBrush, CFont, CBitmap, CPalette

CPen::CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
CPen::CPen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles)
{
    CreatePen(style, width, brush, styleCount, styles);
}
BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
BOOL CPen::CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles)
{
    return Attach(::ExtCreatePen(static_cast<DWORD>(style), static_cast<DWORD>(width), brush,
                                 static_cast<DWORD>(styleCount), styles));
}
BOOL CPen::CreatePenIndirect(LOGPEN* pen) { return Attach(::CreatePenIndirect(pen)); }
CPen* CPen::FromHandle(HPEN handle) { return objectFromHandle<CPen>(handle); }

CBrush::CBrush(COLORREF color) { CreateSolidBrush(color); }
BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush) { return Attach(::CreateBrushIndirect(brush)); }
CBrush* CBrush::FromHandle(HBRUSH handle) { return objectFromHandle<CBrush>(handle); }

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, LPCSTR face)
{
    return Attach(::CreateFont(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                               outPrecision, clipPrecision, quality, pitchAndFamily, face));
}
BOOL CFont::CreateFontIndirect(const LOGFONT* font) { return Attach(::CreateFontIndirect(font)); }
BOOL CFont::CreatePointFont(int pointSizeTenths, LPCSTR face, CDC*)
{
    LOGFONT lf{};
    lf.lfHeight = -((pointSizeTenths * 96 + 360) / 720);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face)
        std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}
CFont* CFont::FromHandle(HFONT handle) { return objectFromHandle<CFont>(handle); }

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}
DWORD CBitmap::SetBitmapBits(DWORD count, const void* bits)
{
    return static_cast<DWORD>(::SetBitmapBits(static_cast<HBITMAP>(m_hObject), count, bits));
}
DWORD CBitmap::GetBitmapBits(DWORD count, LPVOID bits) const
{
    return static_cast<DWORD>(::GetBitmapBits(static_cast<HBITMAP>(m_hObject), static_cast<LONG>(count), bits));
}
CBitmap* CBitmap::FromHandle(HBITMAP handle) { return objectFromHandle<CBitmap>(handle); }

BOOL CPalette::CreatePalette(const LOGPALETTE* palette) { return Attach(::CreatePalette(palette)); }
BOOL CPalette::CreateHalftonePalette(CDC* dc)
{
    return Attach(::CreateHalftonePalette(dc ? dc->m_hDC : nullptr));
}
int CPalette::GetEntryCount() const
{
    WORD count = 0;
    return ::GetObject(m_hObject, sizeof(count), &count) ? count : 0;
}
UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const
{
    return ::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), start, count, entries);
}
UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries)
{
    return ::SetPaletteEntries(static_cast<HPALETTE>(m_hObject), start, count, entries);
}
UINT CPalette::GetNearestPaletteIndex(COLORREF color) const
{
    return ::GetNearestPaletteIndex(static_cast<HPALETTE>(m_hObject), color);
}
CPalette* CPalette::FromHandle(HPALETTE handle) { return objectFromHandle<CPalette>(handle); }

// CRgn

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) { return Attach(::CreateRectRgnIndirect(rect)); }
BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) { return Attach(::CreateEllipticRgn(l, t, r, b)); }
BOOL CRgn::CreateEllipticRgnIndirect(LPCRECT rect) { return Attach(::CreateEllipticRgnIndirect(rect)); }
BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
    return Attach(::CreatePolygonRgn(points, count, fillMode));
}
int CRgn::CombineRgn(CRgn* a, CRgn* b, int mode)
{
    return ::CombineRgn(static_cast<HRGN>(m_hObject), a ? static_cast<HRGN>(a->m_hObject) : nullptr,
                        b ? static_cast<HRGN>(b->m_hObject) : nullptr, mode);
}
int CRgn::CopyRgn(CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }
BOOL CRgn::EqualRgn(CRgn* other) const
{
    return other && ::EqualRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(other->m_hObject));
}
int CRgn::OffsetRgn(int dx, int dy) { return ::OffsetRgn(static_cast<HRGN>(m_hObject), dx, dy); }
void CRgn::SetRectRgn(int l, int t, int r, int b) { ::SetRectRgn(static_cast<HRGN>(m_hObject), l, t, r, b); }
void CRgn::SetRectRgn(LPCRECT rect)
{
    if (rect)
        SetRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}
int CRgn::GetRgnBox(LPRECT box) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), box); }
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
BOOL CRgn::RectInRegion(LPCRECT rect) const { return ::RectInRegion(static_cast<HRGN>(m_hObject), rect); }
CRgn* CRgn::FromHandle(HRGN handle) { return objectFromHandle<CRgn>(handle); }

// CDC

CDC::~CDC()
{
    if (m_hDC)
        ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC dc)
{
    if (!dc)
        return FALSE;
    auto it = tempDcs().find(dc);
    if (it != tempDcs().end()) {
        detachWrapper(*it->second);
        tempDcs().erase(it);
    }
    m_hDC = m_hAttribDC = dc;
    permanentDcs()[dc] = this;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    if (dc) {
        auto it = permanentDcs().find(dc);
        if (it != permanentDcs().end() && it->second == this)
            permanentDcs().erase(it);
    }
    m_hDC = m_hAttribDC = nullptr;
    return dc;
}

CDC* CDC::FromHandle(HDC dc)
{
    if (!dc)
        return nullptr;
    auto perm = permanentDcs().find(dc);
    if (perm != permanentDcs().end())
        return perm->second;
    auto& temps = tempDcs();
    auto it = temps.find(dc);
    if (it != temps.end())
        return it->second.get();
    dropDead(temps, [](HDC h) { return ::GetObjectType(h) != 0; });
    auto wrapper = std::make_unique<CDC>();
    wrapper->m_hDC = wrapper->m_hAttribDC = dc;
    CDC* result = wrapper.get();
    temps[dc] = std::move(wrapper);
    return result;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }
BOOL CDC::CreateDC(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode)
{
    return Attach(::CreateDC(driver, device, port, devmode));
}
BOOL CDC::CreateIC(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode)
{
    return Attach(::CreateIC(driver, device, port, devmode));
}
BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}
int CDC::SaveDC() { return ::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

CGdiObject* CDC::SelectStockObject(int index)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}
CPen* CDC::SelectObject(CPen* pen)
{
    return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pen ? pen->m_hObject : nullptr)));
}
CBrush* CDC::SelectObject(CBrush* brush)
{
    return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush ? brush->m_hObject : nullptr)));
}
CFont* CDC::SelectObject(CFont* font)
{
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr)));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr)));
}
int CDC::SelectObject(CRgn* region)
{
    return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(region->m_hObject) : nullptr);
}
CGdiObject* CDC::SelectObject(CGdiObject* object)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, object ? object->m_hObject : nullptr));
}
HGDIOBJ CDC::SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground)
{
    return CPalette::FromHandle(
        ::SelectPalette(m_hDC, palette ? static_cast<HPALETTE>(palette->m_hObject) : nullptr, forceBackground));
}
UINT CDC::RealizePalette() { return ::RealizePalette(m_hDC); }
CPen* CDC::GetCurrentPen() const { return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN))); }
CBrush* CDC::GetCurrentBrush() const
{
    return CBrush::FromHandle(static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}
CFont* CDC::GetCurrentFont() const
{
    return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}
CBitmap* CDC::GetCurrentBitmap() const
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

COLORREF CDC::SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hDC); }
int CDC::SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
int CDC::GetBkMode() const { return ::GetBkMode(m_hDC); }
int CDC::SetROP2(int rop2) { return ::SetROP2(m_hDC, rop2); }
int CDC::GetROP2() const { return ::GetROP2(m_hDC); }
int CDC::SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
int CDC::GetStretchBltMode() const { return ::GetStretchBltMode(m_hDC); }
int CDC::SetPolyFillMode(int mode) { return ::SetPolyFillMode(m_hDC, mode); }
int CDC::GetPolyFillMode() const { return ::GetPolyFillMode(m_hDC); }
UINT CDC::SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }
UINT CDC::GetTextAlign() const { return ::GetTextAlign(m_hDC); }
int CDC::SetMapMode(int mode) { return ::SetMapMode(m_hDC, mode); }
int CDC::GetMapMode() const { return ::GetMapMode(m_hDC); }
CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT old{0, 0};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return old;
}
CPoint CDC::OffsetViewportOrg(int dx, int dy)
{
    POINT old{0, 0};
    ::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
    return old;
}
CPoint CDC::GetViewportOrg() const
{
    POINT p{0, 0};
    ::GetViewportOrgEx(m_hDC, &p);
    return p;
}
CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT old{0, 0};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return old;
}
CPoint CDC::GetWindowOrg() const
{
    POINT p{0, 0};
    ::GetWindowOrgEx(m_hDC, &p);
    return p;
}
CPoint CDC::SetBrushOrg(int x, int y)
{
    POINT old{0, 0};
    ::SetBrushOrgEx(m_hDC, x, y, &old);
    return old;
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old{0, 0};
    ::MoveToEx(m_hDC, x, y, &old);
    return old;
}
BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
CPoint CDC::GetCurrentPosition() const
{
    POINT p{0, 0};
    ::GetCurrentPositionEx(m_hDC, &p);
    return p;
}
BOOL CDC::Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
BOOL CDC::Rectangle(LPCRECT r) { return r && ::Rectangle(m_hDC, r->left, r->top, r->right, r->bottom); }
BOOL CDC::Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
BOOL CDC::Ellipse(LPCRECT r) { return r && ::Ellipse(m_hDC, r->left, r->top, r->right, r->bottom); }
BOOL CDC::Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count); }
BOOL CDC::Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
void CDC::FillRect(LPCRECT rect, CBrush* brush)
{
    ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}
void CDC::FrameRect(LPCRECT rect, CBrush* brush)
{
    ::FrameRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}
void CDC::InvertRect(LPCRECT rect) { ::InvertRect(m_hDC, rect); }
void CDC::DrawFocusRect(LPCRECT rect) { ::DrawFocusRect(m_hDC, rect); }
void CDC::FillSolidRect(LPCRECT rect, COLORREF color)
{
    // Drawn as an opaque empty ExtTextOut with the background colour, which
    // is why the framework leaves the colour set afterwards.
    ::SetBkColor(m_hDC, color);
    ::ExtTextOut(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, color);
}
BOOL CDC::FillRgn(CRgn* region, CBrush* brush)
{
    return region && brush && ::FillRgn(m_hDC, *region, *brush);
}
COLORREF CDC::SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
BOOL CDC::SetPixelV(int x, int y, COLORREF color) { return ::SetPixelV(m_hDC, x, y, color); }
COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

BOOL CDC::PatBlt(int x, int y, int cx, int cy, DWORD rop) { return ::PatBlt(m_hDC, x, y, cx, cy, rop); }
BOOL CDC::BitBlt(int x, int y, int cx, int cy, CDC* src, int xSrc, int ySrc, DWORD rop)
{
    return ::BitBlt(m_hDC, x, y, cx, cy, src ? src->m_hDC : nullptr, xSrc, ySrc, rop);
}
BOOL CDC::StretchBlt(int x, int y, int cx, int cy, CDC* src, int xSrc, int ySrc, int cxSrc, int cySrc, DWORD rop)
{
    return ::StretchBlt(m_hDC, x, y, cx, cy, src ? src->m_hDC : nullptr, xSrc, ySrc, cxSrc, cySrc, rop);
}

BOOL CDC::TextOut(int x, int y, LPCSTR text, int length) { return ::TextOut(m_hDC, x, y, text, length); }
BOOL CDC::TextOut(int x, int y, LPCSTR text)
{
    return text && ::TextOut(m_hDC, x, y, text, static_cast<int>(std::strlen(text)));
}
BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT length, INT* dx)
{
    return ::ExtTextOut(m_hDC, x, y, options, rect, text, length, dx);
}
int CDC::DrawText(LPCSTR text, int length, LPRECT rect, UINT format)
{
    return ::DrawText(m_hDC, text, length, rect, format);
}
CSize CDC::GetTextExtent(LPCSTR text, int length) const
{
    SIZE s{0, 0};
    ::GetTextExtentPoint32(m_hDC, text, length, &s);
    return s;
}
CSize CDC::GetTextExtent(LPCSTR text) const
{
    return GetTextExtent(text, text ? static_cast<int>(std::strlen(text)) : 0);
}
BOOL CDC::GetTextMetrics(LPTEXTMETRIC metrics) const { return ::GetTextMetrics(m_hDC, metrics); }
int CDC::GetTextFace(int count, LPSTR face) const { return ::GetTextFace(m_hDC, count, face); }
DWORD CDC::GetGlyphOutline(UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize, LPVOID buffer,
                           const MAT2* matrix) const
{
    return ::GetGlyphOutline(m_hDC, code, format, metrics, bufferSize, buffer, matrix);
}

int CDC::SelectClipRgn(CRgn* region)
{
    return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(region->m_hObject) : nullptr);
}
int CDC::SelectClipRgn(CRgn* region, int mode)
{
    return ::ExtSelectClipRgn(m_hDC, region ? static_cast<HRGN>(region->m_hObject) : nullptr, mode);
}
int CDC::IntersectClipRect(int l, int t, int r, int b) { return ::IntersectClipRect(m_hDC, l, t, r, b); }
int CDC::IntersectClipRect(LPCRECT r)
{
    return r ? IntersectClipRect(r->left, r->top, r->right, r->bottom) : RGN_ERROR;
}
int CDC::ExcludeClipRect(int l, int t, int r, int b) { return ::ExcludeClipRect(m_hDC, l, t, r, b); }
int CDC::ExcludeClipRect(LPCRECT r) { return r ? ExcludeClipRect(r->left, r->top, r->right, r->bottom) : RGN_ERROR; }
int CDC::GetClipBox(LPRECT box) const { return ::GetClipBox(m_hDC, box); }
BOOL CDC::RectVisible(LPCRECT rect) const { return ::RectVisible(m_hDC, rect); }
BOOL CDC::PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
