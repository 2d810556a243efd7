// The program entry: the GUI starts here, so this belongs to the native part.
#include "wnd/app.h"
#include "wnd/gui.h"

int AfxWinMain(int argc, char** argv) {
    AfxSetCommandLine(argc, argv);
    int code = -1;
    CWinApp* app = AfxGetApp();
    if (!app) return code;
    // Without a display the program still runs, with windows in memory.
    PlatformStartGui(argc, argv);
    PlatformEndOnSignals();
    if (app->InitInstance()) {
        code = app->Run();
    } else {
        if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
        code = app->ExitInstance();
    }
    PlatformStopGui();
    return code;
}
