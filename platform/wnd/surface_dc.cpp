#include "wnd/surface_dc.h"

#include "wnd/window_system.h"

HDC CreateWindowSurfaceDC(HWND hwnd) {
    WindowRecord* r = wndsys::Find(hwnd);
    if (!r || !r->surface.Bitmap()) return nullptr;
    HDC dc = PlatformCreateSurfaceDC(r->surface.Bitmap());
    if (dc) wndsys::MarkDrawn(*r);
    return dc;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT paint) {
    WindowRecord* r = wndsys::Find(hWnd);
    if (!r || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->rcPaint = r->needsPaint ? r->update : RECT{0, 0, 0, 0};
    bool erase = r->needsErase;
    r->needsPaint = false;
    r->needsErase = false;
    r->update = RECT{0, 0, 0, 0};
    HDC dc = CreateWindowSurfaceDC(hWnd);
    paint->hdc = dc;
    if (!dc) return nullptr;
    // Painting is limited to what was invalidated, as on screen.
    IntersectClipRect(dc, paint->rcPaint.left, paint->rcPaint.top, paint->rcPaint.right, paint->rcPaint.bottom);
    if (erase) paint->fErase = SendMessage(hWnd, WM_ERASEBKGND, (WPARAM)dc, 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) DeleteDC(paint->hdc);
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    HDC dc = ::BeginPaint(m_hWnd, &m_ps);
    m_ps.hdc = nullptr;
    if (dc) AttachSurfaceDC(dc);
}

CPaintDC::~CPaintDC() {
    HDC dc = DetachSurfaceDC();
    if (dc) ::DeleteDC(dc);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    if (HDC dc = CreateWindowSurfaceDC(m_hWnd)) AttachSurfaceDC(dc);
}

CClientDC::~CClientDC() {
    HDC dc = DetachSurfaceDC();
    if (dc) ::DeleteDC(dc);
}
