#include "wnd/shell.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "wnd/app.h"
#include "wnd/modal_responder.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(lpszDefExt ? lpszDefExt : ""),
      m_strFileName(lpszFileName ? lpszFileName : ""),
      m_strFilter(lpszFilter ? lpszFilter : "") {
    m_pParentWnd = pParentWnd;
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = dwFlags;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : (LPCTSTR)m_strDefExt;
    m_ofn.lpstrFilter = m_strFilter;
}

CString CFileDialog::WithDefaultExtension(const CString& path, const CString& defaultExt) {
    if (defaultExt.IsEmpty() || path.IsEmpty()) return path;
    int slash = path.ReverseFind('/');
    int dot = path.ReverseFind('.');
    if (dot > slash) return path;
    return path + "." + defaultExt;
}

int CFileDialog::DoModal() {
    wndsys::CancelModeForModal();
    ModalRequest request;
    request.kind = m_bOpenFileDialog ? ModalKind::OpenFile : ModalKind::SaveFile;
    request.filter = (LPCTSTR)m_strFilter;
    request.defaultExt = (LPCTSTR)m_strDefExt;
    request.fileName = (LPCTSTR)m_strFileName;
    request.flags = m_ofn.Flags;
    ModalAnswer answer = CurrentHost().Ask(request);
    if (answer.result != IDOK || answer.path.empty()) return IDCANCEL;
    m_strPath = WithDefaultExtension(CString(answer.path.c_str()), m_strDefExt);
    return IDOK;
}

CString CFileDialog::GetFileName() const {
    int slash = m_strPath.ReverseFind('/');
    return slash >= 0 ? m_strPath.Mid(slash + 1) : m_strPath;
}

CString CFileDialog::GetFileExt() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Mid(dot + 1) : CString();
}

CString CFileDialog::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

void IMalloc::Free(void* pv) { std::free(pv); }

LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO lpbi) {
    if (!lpbi) return nullptr;
    wndsys::CancelModeForModal();
    ModalRequest request;
    request.kind = ModalKind::Folder;
    request.text = lpbi->lpszTitle ? lpbi->lpszTitle : "";
    ModalAnswer answer = CurrentHost().Ask(request);
    if (answer.result != IDOK || answer.path.empty()) return nullptr;
    if (lpbi->pszDisplayName) {
        std::string name = answer.path.substr(answer.path.find_last_of('/') + 1);
        std::strncpy(lpbi->pszDisplayName, name.c_str(), MAX_PATH - 1);
        lpbi->pszDisplayName[MAX_PATH - 1] = '\0';
    }
    char* copy = static_cast<char*>(std::malloc(answer.path.size() + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, answer.path.c_str(), answer.path.size() + 1);
    return reinterpret_cast<LPITEMIDLIST>(copy);
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPTSTR pszPath) {
    if (!pidl || !pszPath) return FALSE;
    const char* path = reinterpret_cast<const char*>(pidl);
    if (std::strlen(path) >= MAX_PATH) {
        pszPath[0] = '\0';
        return FALSE;
    }
    std::strcpy(pszPath, path);
    return TRUE;
}

HRESULT SHGetMalloc(LPMALLOC* ppMalloc) {
    if (!ppMalloc) return E_INVALIDARG;
    static IMalloc allocator;
    *ppMalloc = &allocator;
    return S_OK;
}

namespace {

struct DropData {
    std::vector<std::string> paths;
    POINT point;
};

std::map<HDROP, std::unique_ptr<DropData>>& Drops() {
    static std::map<HDROP, std::unique_ptr<DropData>> drops;
    return drops;
}

}  // namespace

void DragAcceptFiles(HWND hWnd, BOOL accept) {
    if (CWnd* w = CWnd::FromHandle(hWnd)) w->DragAcceptFiles(accept);
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
    auto it = Drops().find(hDrop);
    if (it == Drops().end()) return 0;
    const DropData& data = *it->second;
    if (iFile == 0xFFFFFFFF) return (UINT)data.paths.size();
    if (iFile >= data.paths.size()) return 0;
    const std::string& path = data.paths[iFile];
    if (!lpszFile) return (UINT)path.size();
    if (cch == 0) return 0;
    size_t n = std::min(path.size(), (size_t)cch - 1);
    std::memcpy(lpszFile, path.data(), n);
    lpszFile[n] = '\0';
    return (UINT)n;
}

void DragFinish(HDROP hDrop) { Drops().erase(hDrop); }

bool PlatformDropFiles(HWND target, const std::vector<std::string>& paths, POINT clientPoint) {
    HWND h = target;
    POINT pt = clientPoint;
    while (h && !(::GetWindowLong(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) {
        ::ClientToScreen(h, &pt);
        h = ::GetParent(h);
        if (h) ::ScreenToClient(h, &pt);
    }
    if (!h || paths.empty()) return false;
    auto data = std::make_unique<DropData>();
    data->paths = paths;
    data->point = pt;
    HDROP drop = reinterpret_cast<HDROP>(data.get());
    Drops()[drop] = std::move(data);
    ::SendMessage(h, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    return true;
}
