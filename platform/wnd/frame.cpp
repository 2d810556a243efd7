#include "wnd/frame.h"

#include "wnd/app.h"
#include "wnd/icons.h"
#include "wnd/resources.h"
#include "wnd/window_system.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_SETFOCUS()
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
END_MESSAGE_MAP()

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

CFrameWnd::~CFrameWnd() = default;

void CFrameWnd::PostNcDestroy() { delete this; }

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass) cs.lpszClass = "AfxFrameOrView";
    cs.style &= ~FWS_ADDTOTITLE;
    return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
    HMENU menu = lpszMenuName ? ::LoadMenu(nullptr, lpszMenuName) : nullptr;
    if (menu) m_menu.Attach(menu);
    int x = rect.left;
    int y = rect.top;
    int width = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
    int height = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle & ~WS_CHILD, x, y, width, height,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr, menu, pContext);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    CString strings;
    AfxLoadString(nIDResource, strings);
    int end = strings.Find('\n');
    CString title = end >= 0 ? strings.Left(end) : strings;
    m_hAccelTable = ::LoadAccelerators(nullptr, MAKEINTRESOURCE(nIDResource));
    m_nIDHelp = nIDResource;
    HMENU probe = ::LoadMenu(nullptr, MAKEINTRESOURCE(nIDResource));
    bool hasMenu = probe != nullptr;
    if (probe) ::DestroyMenu(probe);
    if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd,
                hasMenu ? MAKEINTRESOURCE(nIDResource) : nullptr, 0, pContext))
        return FALSE;
    // The icon resource of the frame's id is its window's icon.
    if (HICON icon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource))) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
    CCreateContext* context = static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams);
    if (!OnCreateClient(lpCreateStruct, context)) return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass) return nullptr;
    CObject* object = pContext->m_pNewViewClass->CreateObject();
    CWnd* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return nullptr;
    }
    // A view that fails to create deletes itself.
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, RECT{0, 0, 0, 0}, this, nID, pContext)) return nullptr;
    return view;
}

void CFrameWnd::RecalcLayout(BOOL) {
    CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST);
    if (!pane) return;
    RECT client;
    GetClientRect(&client);
    pane->MoveWindow(&client, TRUE);
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    RecalcLayout();
}

void CFrameWnd::OnClose() {
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->SaveModified()) return;
    CWinApp* app = AfxGetApp();
    if (doc && app && app->m_pMainWnd == this) {
        doc->OnCloseDocument();
        return;
    }
    DestroyWindow();
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd) {
    if (m_pViewActive && ::IsWindow(m_pViewActive->m_hWnd))
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(pOldWnd);
}

CDocument* CFrameWnd::GetActiveDocument() { return m_pViewActive ? m_pViewActive->GetDocument() : nullptr; }

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* old = m_pViewActive;
    if (old == pViewNew) return;
    m_pViewActive = pViewNew;
    if (old && bNotify) old->OnActivateView(FALSE, pViewNew, old);
    if (pViewNew && bNotify) pViewNew->OnActivateView(TRUE, pViewNew, old);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    ShowWindow(nCmdShow == -1 ? SW_SHOW : nCmdShow);
    BringWindowToTop();
}

static CView* FirstPaneView(HWND hwnd) {
    for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        CWnd* w = CWnd::FromHandle(child);
        if (w && w->IsKindOf(RUNTIME_CLASS(CView)) && ::GetDlgCtrlID(child) == AFX_IDW_PANE_FIRST)
            return static_cast<CView*>(w);
    }
    for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::GetDlgCtrlID(child) == AFX_IDW_PANE_FIRST)
            if (CView* view = FirstPaneView(child)) return view;
    return nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL bMakeVisible) {
    if (!m_pViewActive)
        if (CView* view = FirstPaneView(m_hWnd)) SetActiveView(view, FALSE);
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    if (bMakeVisible) ActivateFrame();
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable)
        return ::TranslateAccelerator(m_hWnd, m_hAccelTable, pMsg) ? TRUE : FALSE;
    return FALSE;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

void CFrameWnd::UpdateMenuItems(CMenu* pMenu) {
    if (!pMenu) return;
    CCmdUI state;
    state.m_pMenu = pMenu;
    state.m_nIndexMax = pMenu->GetMenuItemCount();
    for (UINT i = 0; i < state.m_nIndexMax; ++i) {
        UINT id = pMenu->GetMenuItemID((int)i);
        if (id == 0 || id == (UINT)-1) continue;
        state.m_nIndex = i;
        state.m_nID = id;
        state.DoUpdate(this, m_bAutoMenuEnable);
    }
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM) {
    UpdateMenuItems(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)));
    return 0;
}
