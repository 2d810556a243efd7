// Device contexts of windows: both draw on the window's backing surface,
// so whatever is drawn outside WM_PAINT shows at the next present too.
#pragma once

#include "gdi/gdi.h"
#include "wnd/cwnd.h"

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

protected:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// Windows have no drawn frame of their own, so the window DC is the client DC.
class CWindowDC : public CClientDC {
public:
    explicit CWindowDC(CWnd* pWnd) : CClientDC(pWnd) {}
};

// A DC on a window's surface (null for unknown windows); DeleteDC frees it.
HDC CreateWindowSurfaceDC(HWND hwnd);
