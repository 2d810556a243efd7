// The shell's file and folder choosers, dropped files, and processes.
#pragma once

#include <string>
#include <vector>

#include "wnd/dialog.h"

// File dialog flags
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000

struct OPENFILENAME {
    DWORD lStructSize;
    HWND hwndOwner;
    LPCTSTR lpstrFilter;
    DWORD nFilterIndex;
    LPTSTR lpstrFile;
    DWORD nMaxFile;
    LPCTSTR lpstrInitialDir;
    LPCTSTR lpstrTitle;
    DWORD Flags;
    LPCTSTR lpstrDefExt;
};

class CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter is "description|pattern|...|"; patterns may list several
    // globs separated by ';'.
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                 DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                 CWnd* pParentWnd = nullptr);
    int DoModal() override;
    CString GetPathName() const { return m_strPath; }
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;

    OPENFILENAME m_ofn{};
    BOOL m_bOpenFileDialog;

    // Adds the default extension to a chosen name that has none.
    static CString WithDefaultExtension(const CString& path, const CString& defaultExt);

protected:
    CString m_strDefExt;
    CString m_strFileName;
    CString m_strFilter;
    CString m_strPath;
};

// Folder browser
typedef struct _ITEMIDLIST* LPITEMIDLIST;
typedef const struct _ITEMIDLIST* LPCITEMIDLIST;
typedef int (*BFFCALLBACK)(HWND, UINT, LPARAM, LPARAM);
#define BIF_RETURNONLYFSDIRS 0x0001

struct BROWSEINFO {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPTSTR pszDisplayName;
    LPCTSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
typedef BROWSEINFO* LPBROWSEINFO;

struct IMalloc {
    virtual ~IMalloc() = default;
    virtual void Free(void* pv);
    virtual ULONG Release() { return 0; }
    virtual ULONG AddRef() { return 1; }
};
typedef IMalloc* LPMALLOC;

LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO lpbi);
BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPTSTR pszPath);
HRESULT SHGetMalloc(LPMALLOC* ppMalloc);

// Dropped files
void DragAcceptFiles(HWND hWnd, BOOL accept);
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch);
void DragFinish(HDROP hDrop);
// Delivers WM_DROPFILES with the paths to a window that accepts files (or
// its nearest ancestor that does); false when none does.
bool PlatformDropFiles(HWND target, const std::vector<std::string>& paths, POINT clientPoint);

// Processes
BOOL CreateProcess(LPCTSTR lpApplicationName, LPTSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                   LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                   LPVOID lpEnvironment, LPCTSTR lpCurrentDirectory, LPSTARTUPINFO lpStartupInfo,
                   LPPROCESS_INFORMATION lpProcessInformation);
// Starts a program from an argument vector, never through a shell, with no
// window; argv[0] is the program. The handles are as CreateProcess gives.
BOOL PlatformCreateProcess(const std::vector<std::string>& argv, LPPROCESS_INFORMATION info);
// Splits a command line the way the program's start-up would: blanks
// separate arguments, double quotes group them.
std::vector<std::string> PlatformSplitCommandLine(const char* commandLine);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
