#include "FolderRoutines.h"

int CreateDirectoryPath(CString path)
{
    if (path.IsEmpty())
        return 0;
    if (path[path.GetLength() - 1] != '/')
        path += '/';
    // The root needs no creating, so the search starts past the first character.
    int separator = path.Find('/', 1);
    while (separator != -1) {
        CString prefix = path.Left(separator);
        if (!CreateDirectory(prefix, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
        separator = path.Find('/', separator + 1);
    }
    return 1;
}

CString BrowseForFolder(HWND owner, LPCTSTR title)
{
    char displayName[MAX_PATH] = {};
    BROWSEINFO info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = 0;
    info.lpfn = nullptr;

    CString folder;
    LPITEMIDLIST chosen = SHBrowseForFolder(&info);
    if (chosen) {
        char path[MAX_PATH * 4] = {};
        if (SHGetPathFromIDList(chosen, path))
            folder = path;
    }
    LPMALLOC allocator = nullptr;
    if (SHGetMalloc(&allocator) != S_OK || !allocator)
        return CString();
    if (chosen)
        allocator->Free(chosen);
    allocator->Release();
    return folder;
}

BOOL PumpMessages(int* quitCode)
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (quitCode)
                *quitCode = (int)msg.wParam;
            return TRUE;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return FALSE;
}
