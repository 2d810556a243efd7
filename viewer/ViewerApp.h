// The application object: program and temporary folders, the profile and
// the one document template.
#pragma once

#include "ProcessTempFolder.h"
#include "wnd/wnd.h"

class CViewerApp : public CWinApp {
public:
    CViewerApp();

    CString m_strProgramFolder;
    CString m_strTempFolder;
    CCommandLineInfo m_cmdInfo;
    ProcessTempFolder m_tempFolder;

    BOOL InitInstance() override;
    int ExitInstance() override;

protected:
    void OnAppAbout();
    void OnHelpUsage();
    DECLARE_MESSAGE_MAP()
};

extern CViewerApp theApp;
