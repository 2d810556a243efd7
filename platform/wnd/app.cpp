#include "wnd/app.h"

#include <vector>

#include "wnd/doctemplate.h"
#include "wnd/shell.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

namespace {

CWinApp* g_app = nullptr;
std::vector<std::string> g_arguments;

BOOL AppPreTranslate(MSG* msg) { return g_app ? g_app->PreTranslateMessage(msg) : FALSE; }

}  // namespace

void AfxSetCommandLine(int argc, char** argv) {
    g_arguments.clear();
    for (int i = 0; i < argc; ++i) g_arguments.push_back(argv[i] ? argv[i] : "");
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
BOOL AfxEnableControlContainer() { return TRUE; }
BOOL AfxOleInit() { return TRUE; }

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL) {
    if (bFlag || !m_strFileName.IsEmpty()) return;
    m_strFileName = pszParam;
    m_nShellCommand = FileOpen;
}

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    if (lpszAppName) {
        m_appName = lpszAppName;
        m_pszAppName = m_appName;
    }
    m_hInstance = AfxGetInstanceHandle();
    g_app = this;
    wndsys::SetPreTranslateHook(&AppPreTranslate);
}

CWinApp::~CWinApp() {
    for (CDocTemplate* t : m_templates) delete t;
    if (g_app == this) {
        g_app = nullptr;
        wndsys::SetPreTranslateHook(nullptr);
    }
}

BOOL CWinApp::InitInstance() { return TRUE; }

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return CWnd::WalkPreTranslateTree(stop, pMsg);
}

BOOL CWinApp::OnIdle(LONG) { return FALSE; }

BOOL CWinApp::PumpMessage() {
    MSG msg;
    if (!::GetMessage(&msg, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
    return TRUE;
}

int CWinApp::Run() {
    if (!CurrentHost().IsHeadless()) {
        CurrentHost().RunMainLoop();
        return ExitInstance();
    }
    // Without a display the loop ends when nothing is left to do.
    MSG msg;
    while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::LoadStdProfileSettings(UINT) {}

LPCTSTR CWinApp::AppName() {
    if (m_pszAppName) return m_pszAppName;
    if (!AfxLoadString(AFX_IDS_APP_TITLE, m_appName) || m_appName.IsEmpty()) {
        char path[1024] = "";
        GetModuleFileName(nullptr, path, sizeof(path));
        m_appName = path;
        int slash = m_appName.ReverseFind('/');
        if (slash >= 0) m_appName = m_appName.Mid(slash + 1);
    }
    m_pszAppName = m_appName;
    return m_pszAppName;
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
    m_registryKey = lpszRegistryKey ? lpszRegistryKey : "";
    m_pszRegistryKey = m_registryKey;
    m_pszProfileName = AppName();
    m_profile.SetLocation(m_registryKey, m_pszProfileName);
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
    return m_profile.GetProfileInt(lpszSection, lpszEntry, nDefault);
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
    return m_profile.GetProfileString(lpszSection, lpszEntry, lpszDefault);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate) m_templates.push_back(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
    CDocTemplate* t = GetFirstDocTemplate();
    return t ? t->OpenDocumentFile(lpszFileName) : nullptr;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    for (size_t i = 1; i < g_arguments.size(); ++i) {
        const char* arg = g_arguments[i].c_str();
        BOOL flag = arg[0] == '-' || arg[0] == '/';
        // An absolute path starts with '/', which is never a flag here.
        if (arg[0] == '/') flag = FALSE;
        rCmdInfo.ParseParam(flag ? arg + 1 : arg, flag, i + 1 == g_arguments.size());
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr)) OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    default:
        return TRUE;
    }
}

void CWinApp::OnFileNew() {
    if (CDocTemplate* t = GetFirstDocTemplate()) t->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, nullptr, m_pMainWnd);
    if (dialog.DoModal() != IDOK) return;
    OpenDocumentFile(dialog.GetPathName());
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}
