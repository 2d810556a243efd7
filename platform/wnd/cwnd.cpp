#include "wnd/cwnd.h"

#include <algorithm>
#include <vector>

#include "gdi/gdi.h"
#include "wnd/app.h"
#include "wnd/control_model.h"
#include "wnd/frame.h"
#include "wnd/menu.h"
#include "wnd/resources.h"
#include "wnd/surface_dc.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

namespace {

std::vector<MSG>& MessageStack() {
    static std::vector<MSG> stack;
    return stack;
}

const int kDefaultTopLevelWidth = 1024;
const int kDefaultTopLevelHeight = 768;

void DestroyTree(HWND hwnd) {
    WindowRecord* r = wndsys::Find(hwnd);
    if (!r || r->destroying) return;
    r->destroying = true;
    if (wndsys::CaptureWindow() == hwnd) ReleaseCapture();
    if (wndsys::FocusWindow() == hwnd) wndsys::FocusWindow() = nullptr;
    if (wndsys::HoverWindow() == hwnd) wndsys::HoverWindow() = nullptr;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    if (!(r = wndsys::Find(hwnd))) return;
    std::vector<HWND> children = r->children;
    for (HWND c : children) DestroyTree(c);
    // Top-level windows owned by this one go with it.
    for (HWND top : wndsys::TopLevelWindows()) {
        WindowRecord* owned = wndsys::Find(top);
        if (owned && owned->owner == hwnd) DestroyTree(top);
    }
    if (!(r = wndsys::Find(hwnd))) return;
    wndsys::RemoveTimersOf(hwnd);
    wndsys::DropMessagesFor(hwnd);
    if (WindowRecord* parent = wndsys::Find(r->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
    }
    CurrentHost().DestroyPeer(*r);
    // A wrapper the framework made for a template control goes too.
    CWnd* owned = r->deleteWndWithWindow ? r->wnd : nullptr;
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    if (!(r = wndsys::Find(hwnd))) return;
    if (r->wnd) r->wnd->m_hWnd = nullptr;
    wndsys::Unregister(hwnd);
    delete owned;
}

std::string ClassNameOf(LPCTSTR name) {
    if (!name || IS_INTRESOURCE(name) || !*name) return "AfxWnd";
    return name;
}

}  // namespace

BOOL DestroyWindow(HWND hWnd) {
    if (!wndsys::Find(hWnd)) return FALSE;
    DestroyTree(hWnd);
    return TRUE;
}

const MSG* AfxGetCurrentMessage() { return MessageStack().empty() ? nullptr : &MessageStack().back(); }

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    MessageStack().push_back(MSG{hWnd, nMsg, wParam, lParam, 0, POINT{0, 0}});
    LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
    MessageStack().pop_back();
    return result;
}

namespace afxthunk {
CDC* TemporaryDC(HDC hdc) { return CDC::FromHandle(hdc); }
}  // namespace afxthunk

CWnd::~CWnd() {
    if (WindowRecord* r = wndsys::Find(m_hWnd)) {
        // The derived parts are gone: the window dies with default processing.
        if (r->wnd == this) r->wnd = nullptr;
        r->deleteWndWithWindow = false;
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(h);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    WindowRecord* r = wndsys::Find(hWnd);
    return r ? r->wnd : nullptr;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<uintptr_t>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<uintptr_t>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd) return FALSE;
    CREATESTRUCT cs{lpParam, AfxGetInstanceHandle(), nIDorHMenu, hWndParent, nHeight, nWidth, y, x,
                    (LONG)dwStyle, lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    DWORD style = (DWORD)cs.style;
    bool child = (style & WS_CHILD) != 0;
    if (child && !wndsys::Find(cs.hwndParent)) return FALSE;
    if (!child) {
        if (cs.x == CW_USEDEFAULT) cs.x = cs.y = 100;
        if (cs.cx == CW_USEDEFAULT || cs.cx <= 0) {
            cs.cx = kDefaultTopLevelWidth;
            cs.cy = kDefaultTopLevelHeight;
        }
    }
    auto record = std::make_unique<WindowRecord>();
    record->className = ClassNameOf(cs.lpszClass);
    record->text = cs.lpszName ? cs.lpszName : "";
    record->style = style;
    record->exStyle = cs.dwExStyle;
    if (child) {
        record->parent = cs.hwndParent;
        record->id = (int)reinterpret_cast<intptr_t>(cs.hMenu);
    } else {
        record->owner = cs.hwndParent;
        record->menu = cs.hMenu;
    }
    record->control = MakeControlModel(record->className, style);
    int width = std::max(cs.cx, 0);
    int height = IsDropDownCombo(*record) ? kClosedComboHeight : std::max(cs.cy, 0);
    record->rect = RECT{cs.x, cs.y, cs.x + width, cs.y + height};
    record->clientCx = width;
    record->clientCy = height;
    record->wnd = this;
    WindowRecord& r = wndsys::Register(std::move(record));
    m_hWnd = r.hwnd;
    HWND hwnd = m_hWnd;
    if (WindowRecord* parent = wndsys::Find(r.parent)) parent->children.push_back(hwnd);
    r.surface.Resize(width, height);
    CurrentHost().CreatePeer(r);
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        ::DestroyWindow(hwnd);
        return FALSE;
    }
    WindowRecord* created = wndsys::Find(hwnd);
    if (!created) return FALSE;
    created->created = true;
    ::SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(created->clientCx, created->clientCy));
    if ((created = wndsys::Find(hwnd)) && (created->style & WS_VISIBLE)) {
        CurrentHost().ShowPeer(*created);
        wndsys::InvalidateTree(hwnd);
    }
    return wndsys::Find(hwnd) != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::Attach(HWND hWndNew) {
    WindowRecord* r = wndsys::Find(hWndNew);
    if (!r || m_hWnd) return FALSE;
    if (r->wnd && r->wnd != this) {
        CWnd* old = r->wnd;
        bool deleteOld = r->deleteWndWithWindow;
        old->m_hWnd = nullptr;
        if (deleteOld) delete old;
    }
    r->wnd = this;
    r->deleteWndWithWindow = false;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (WindowRecord* r = wndsys::Find(h))
        if (r->wnd == this) r->wnd = nullptr;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) { return Attach(hWnd); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent) return FALSE;
    HWND item = ::GetDlgItem(pParent->m_hWnd, (int)nID);
    return item ? SubclassWindow(item) : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        if (pResult) *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
        if (!nm || !OnNotify(wParam, lParam, &result)) return FALSE;
        if (pResult) *pResult = result;
        return TRUE;
    }
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nKind != AfxKind_end; ++e) {
            if (e->nKind != AfxKind_message || e->nMessage != message) continue;
            result = e->pfn(this, AfxCall{message, wParam, lParam, 0, nullptr});
            if (pResult) *pResult = result;
            return TRUE;
        }
    }
    if (message == WM_DRAWITEM && lParam) {
        // Owner-drawn controls draw themselves.
        HWND item = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->hwndItem;
        if (ReflectLastMsg(item, pResult)) return TRUE;
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return wndsys::DefaultWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG* msg = AfxGetCurrentMessage();
    if (!msg) return 0;
    return DefWindowProc(msg->message, msg->wParam, msg->lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!hWndCtrl) {
        if (nID == 0) return FALSE;
        // A command whose item is disabled is not run.
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, (int)CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled) return TRUE;
        nCode = CN_COMMAND;
    } else {
        if (ReflectLastMsg(hWndCtrl)) return TRUE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
    if (ReflectLastMsg(nm->hwndFrom, pResult)) return TRUE;
    AFX_NOTIFY notify{pResult, nm};
    return OnCmdMsg((UINT)nm->idFrom, (int)MAKELONG(LOWORD(nm->code), WM_NOTIFY), &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        const AFX_MSGMAP_ENTRY* e =
            AfxFindMessageEntry(GetMessageMap(), WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
        if (!e) return FALSE;
        e->pfn(this, AfxCall{message, wParam, lParam, 0, nullptr});
        if (pResult) *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
        const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), WM_REFLECT_BASE + WM_NOTIFY, nm->code, 0);
        if (!e) return FALSE;
        LRESULT local = 0;
        AFX_NOTIFY notify{pResult ? pResult : &local, nm};
        e->pfn(this, AfxCall{message, wParam, lParam, 0, &notify});
        return TRUE;
    }
    LRESULT result = 0;
    if (!OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, &result)) return FALSE;
    if (pResult) *pResult = result;
    return TRUE;
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* child = FromHandle(hWndChild);
    const MSG* msg = AfxGetCurrentMessage();
    if (!child || !msg) return FALSE;
    return child->OnChildNotify(msg->message, msg->wParam, msg->lParam, pResult);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
    WindowRecord* r = wndsys::Find(m_hWnd);
    if (!r) return;
    std::vector<HWND> children = r->children;
    for (HWND c : children) {
        if (!wndsys::Find(c)) continue;
        ::SendMessage(c, message, wParam, lParam);
        if (bDeep)
            if (CWnd* w = FromHandle(c)) w->SendMessageToDescendants(message, wParam, lParam, TRUE);
    }
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
        CWnd* w = FromHandle(h);
        if (w && w->PreTranslateMessage(pMsg)) return TRUE;
        if (h == hWndStop) break;
    }
    return FALSE;
}

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
int CWnd::SetDlgCtrlID(int nID) { return (int)::SetWindowLong(m_hWnd, GWL_ID, nID); }
CWnd* CWnd::GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }

CWnd* CWnd::GetTopLevelParent() const {
    HWND h = m_hWnd;
    while (HWND p = ::GetParent(h)) h = p;
    return FromHandle(h);
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
        CWnd* w = FromHandle(h);
        if (w && w->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(w);
    }
    return nullptr;
}

BOOL CWnd::IsChild(const CWnd* pWnd) const { return pWnd && ::IsChild(m_hWnd, pWnd->m_hWnd); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }

void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
                 bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    WindowRecord* r = wndsys::Find(m_hWnd);
    if (!r) return;
    RECT area{0, 0, 1920, 1080};
    HWND around = pAlternateOwner ? pAlternateOwner->m_hWnd : (r->parent ? r->parent : r->owner);
    if (r->parent) {
        ::GetClientRect(r->parent, &area);
    } else if (around) {
        ::GetWindowRect(around, &area);
    }
    int w = r->Width();
    int h = r->Height();
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CWnd::BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
DWORD CWnd::GetStyle() const { return (DWORD)::GetWindowLong(m_hWnd, GWL_STYLE); }
DWORD CWnd::GetExStyle() const { return (DWORD)::GetWindowLong(m_hWnd, GWL_EXSTYLE); }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = GetStyle();
    DWORD next = (style & ~dwRemove) | dwAdd;
    if (next == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_STYLE, (LONG)next);
    if (nFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = GetExStyle();
    DWORD next = (style & ~dwRemove) | dwAdd;
    if (next == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_EXSTYLE, (LONG)next);
    if (nFlags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | nFlags);
    return TRUE;
}

void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowText(m_hWnd, lpszString); }
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const {
    int length = ::GetWindowTextLength(m_hWnd);
    ::GetWindowText(m_hWnd, rString.GetBuffer(length), length + 1);
    rString.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }

CDC* CWnd::GetDC() {
    HDC dc = CreateWindowSurfaceDC(m_hWnd);
    if (!dc) return nullptr;
    CDC* wrapper = new CDC;
    wrapper->Attach(dc);
    return wrapper;
}

int CWnd::ReleaseDC(CDC* pDC) {
    if (!pDC) return 0;
    // The wrapper deletes the DC it holds.
    delete pDC;
    return 1;
}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void*, UINT) {
    ::InvalidateRect(m_hWnd, lpRectUpdate, TRUE);
    return ::UpdateWindow(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }
CMenu* CWnd::GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }
BOOL CWnd::SetMenu(CMenu* pMenu) { return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr); }
void CWnd::DrawMenuBar() { ::DrawMenuBar(m_hWnd); }

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (bAccept)
        ModifyStyleEx(0, WS_EX_ACCEPTFILES);
    else
        ModifyStyleEx(WS_EX_ACCEPTFILES, 0);
    if (WindowRecord* r = wndsys::Find(m_hWnd)) CurrentHost().ControlChanged(*r);
}

void CWnd::DoDataExchange(CDataExchange*) {}

int CWnd::RunModalLoop(DWORD) {
    WindowRecord* r = wndsys::Find(m_hWnd);
    if (!r) return -1;
    m_bModalRunning = TRUE;
    m_nModalResult = -1;
    int result = CurrentHost().RunModal(*r);
    m_bModalRunning = FALSE;
    return m_nModalResult != -1 ? m_nModalResult : result;
}

void CWnd::EndModalLoop(int nResult) {
    m_nModalResult = nResult;
    if (!m_bModalRunning) return;
    m_bModalRunning = FALSE;
    if (WindowRecord* r = wndsys::Find(m_hWnd)) CurrentHost().EndModal(*r, nResult);
}

void CWnd::PostNcDestroy() {}

int CWnd::OnCreate(LPCREATESTRUCT) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }

void CWnd::OnNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    Default();
    HWND h = m_hWnd;
    if (WindowRecord* r = wndsys::Find(h)) {
        if (r->wnd == this) r->wnd = nullptr;
    }
    m_hWnd = nullptr;
    PostNcDestroy();
}

void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
void CWnd::OnTimer(UINT) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct && ReflectLastMsg(lpDrawItemStruct->hwndItem)) return;
    Default();
}

void CWnd::OnDropFiles(HDROP) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return (int)Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
