// Helpers of save all: creating the target folder, the folder chooser and
// keeping the windows alive during the loop.
#pragma once

#include "wnd/wnd.h"

// 1 when every folder of the path exists or was created, else 0.
int CreateDirectoryPath(CString path);
// The chosen folder's full path, or "" when the user cancels.
CString BrowseForFolder(HWND owner, LPCTSTR title);
// Dispatches every waiting message. Stops at WM_QUIT, which it has taken
// from the queue: returns TRUE then, with its exit code.
BOOL PumpMessages(int* quitCode = nullptr);
