#include "ViewerApp.h"

#include "AboutDlg.h"
#include "LeftView.h"
#include "MainFrm.h"
#include "Resource.h"
#include "ViewerDoc.h"
#include "ViewerTexts.h"

BEGIN_MESSAGE_MAP(CViewerApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
    ON_COMMAND(ID_HELP_USAGE, OnHelpUsage)
    ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
    ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
END_MESSAGE_MAP()

CViewerApp theApp;

namespace {

const int kPathBufferSize = 1024;

CString FolderOfProgram()
{
    char path[kPathBufferSize] = {};
    GetModuleFileName(nullptr, path, kPathBufferSize);
    CString folder = path;
    int slash = folder.ReverseFind('/');
    return slash > 0 ? folder.Left(slash) : folder;
}

}  // namespace

CViewerApp::CViewerApp() {}

BOOL CViewerApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    m_strProgramFolder = FolderOfProgram();
    m_strTempFolder = m_tempFolder.Create();

    SetRegistryKey("Norvane");
    LoadStdProfileSettings(0);

    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CViewerDoc), RUNTIME_CLASS(CMainFrame),
                                          RUNTIME_CLASS(CLeftView)));

    m_cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    m_cmdInfo.m_strFileName.Empty();
    ParseCommandLine(m_cmdInfo);
    if (!ProcessShellCommand(m_cmdInfo))
        return FALSE;

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    m_pMainWnd->SetWindowText(kTextTitle);
    return TRUE;
}

int CViewerApp::ExitInstance()
{
    m_tempFolder.Remove();
    return CWinApp::ExitInstance();
}

void CViewerApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal();
}

void CViewerApp::OnHelpUsage() {}
