#include "wnd/document.h"

#include <cstdio>

#include "wnd/doctemplate.h"
#include "wnd/view.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

CDocument::~CDocument() {
    POSITION pos = m_viewList.GetHeadPosition();
    while (pos) static_cast<CView*>(m_viewList.GetNext(pos))->m_pDocument = nullptr;
    if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle ? lpszTitle : ""; }

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL) {
    m_strPathName = lpszPathName ? lpszPathName : "";
    CString title = m_strPathName;
    int slash = title.ReverseFind('/');
    if (slash >= 0) title = title.Mid(slash + 1);
    SetTitle(title);
}

void CDocument::AddView(CView* pView) {
    if (!pView || m_viewList.Find(pView)) return;
    m_viewList.AddTail(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
    POSITION pos = m_viewList.Find(pView);
    if (!pos) return;
    m_viewList.RemoveAt(pos);
    pView->m_pDocument = nullptr;
    OnChangedViewList();
}

void CDocument::OnChangedViewList() {
    // A document nobody shows any more is closed.
    if (m_viewList.IsEmpty() && m_bAutoDelete) OnCloseDocument();
}

CView* CDocument::GetNextView(POSITION& rPosition) const {
    return static_cast<CView*>(m_viewList.GetNext(rPosition));
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
    POSITION pos = m_viewList.GetHeadPosition();
    while (pos) {
        CView* view = GetNextView(pos);
        if (view != pSender) view->OnUpdate(pSender, lHint, pHint);
    }
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.Empty();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR lpszPathName) {
    FILE* file = lpszPathName ? std::fopen(lpszPathName, "rb") : nullptr;
    if (!file) {
        AfxMessageBox("打开文档失败。", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    DeleteContents();
    CArchive archive(nullptr, CArchive::load);
    Serialize(archive);
    std::fclose(file);
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR lpszPathName) {
    if (!lpszPathName || !*lpszPathName) return FALSE;
    // Written beside the target and moved over it only once complete, so a
    // failed save never leaves the old file truncated.
    CString temporary = CString(lpszPathName) + ".saving";
    FILE* file = std::fopen(temporary, "wb");
    if (!file) return FALSE;
    CArchive archive(nullptr, CArchive::store);
    Serialize(archive);
    bool ok = std::fclose(file) == 0 && std::rename(temporary, lpszPathName) == 0;
    if (!ok) std::remove(temporary);
    if (ok) SetModifiedFlag(FALSE);
    return ok ? TRUE : FALSE;
}

void CDocument::OnCloseDocument() {
    BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    // Closing the frames destroys the views, which leave the list.
    while (!m_viewList.IsEmpty()) {
        CView* view = static_cast<CView*>(m_viewList.GetHead());
        CFrameWnd* frame = view->GetParentFrame();
        if (frame)
            frame->DestroyWindow();
        else
            view->DestroyWindow();
        if (!m_viewList.IsEmpty() && m_viewList.GetHead() == view) m_viewList.RemoveHead();
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete) delete this;
}

BOOL CDocument::DoFileSave() {
    // Nothing to save: the file on disk is left exactly as it is.
    if (!IsModified()) return TRUE;
    return OnSaveDocument(m_strPathName);
}

void CDocument::OnFileSave() { DoFileSave(); }

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocTemplate ? m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}
