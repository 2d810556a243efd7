#include "LeftView.h"

#include "DcmImage.h"
#include "FolderRoutines.h"
#include "Resource.h"
#include "SaveAllNames.h"
#include "SaveParamDlg.h"
#include "ViewerPaths.h"
#include "ViewerTexts.h"
#include "ViewerView.h"

IMPLEMENT_DYNCREATE(CLeftView, CTreeView)

BEGIN_MESSAGE_MAP(CLeftView, CTreeView)
    ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
    ON_NOTIFY_REFLECT(TVN_DELETEITEM, OnDeleteItem)
    ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
    ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_AS, OnUpdateFileSaveAs)
    ON_COMMAND(ID_FILE_SAVE_ALL, OnFileSaveAll)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_ALL, OnUpdateFileSaveAll)
END_MESSAGE_MAP()

CLeftView::CLeftView() : m_pImageView(nullptr), m_bFilling(0), m_nItemCount(0), m_bFileIds(0), m_bSavingAll(0) {}

BOOL CLeftView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CTreeView::PreCreateWindow(cs))
        return FALSE;
    cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    return TRUE;
}

void CLeftView::DeleteAllItems()
{
    m_bFilling = 1;
    GetTreeCtrl().DeleteItem(TVI_ROOT);
    m_nItemCount = 0;
    m_bFileIds = 0;
    m_bFilling = 0;
}

HTREEITEM CLeftView::AddItem(LPCTSTR text)
{
    HTREEITEM item = GetTreeCtrl().InsertItem(text, TVI_ROOT, TVI_LAST);
    if (item)
        ++m_nItemCount;
    return item;
}

CString CLeftView::ItemPath(HTREEITEM item)
{
    const CString text = GetTreeCtrl().GetItemText(item);
    return m_bFileIds ? ResolveRelativePath(m_strFolder, text) : m_strFolder + "/" + text;
}

void CLeftView::OnSelChanged(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    if (m_bFilling || m_bSavingAll)
        return;
    HTREEITEM item = GetTreeCtrl().GetSelectedItem();
    if (item && m_pImageView)
        m_pImageView->ShowImageFile(ItemPath(item));
}

void CLeftView::OnDeleteItem(NMHDR*, LRESULT* pResult) { *pResult = 0; }

void CLeftView::OnFileOpen()
{
    if (m_pImageView)
        m_pImageView->OpenPath(CString());
}

void CLeftView::OnFileSaveAs()
{
    if (m_pImageView && m_pImageView->m_wndDicom.GetSafeHwnd())
        m_pImageView->m_wndDicom.SendMessage(WM_COMMAND, ID_DICOMWND_SAVE_AS, 0);
}

void CLeftView::OnUpdateFileSaveAs(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pImageView && m_pImageView->m_wndDicom.GetSafeHwnd() &&
                   m_pImageView->m_wndDicom.GetImage() != nullptr);
}

void CLeftView::OnUpdateFileSaveAll(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(!m_bSavingAll && GetTreeCtrl().GetRootItem() != nullptr);
}

void CLeftView::OnFileSaveAll()
{
    if (m_bSavingAll)
        return;
    CSaveParamDlg dialog(nullptr);
    if (dialog.DoModal() != IDOK)
        return;
    CString folder = dialog.m_strFolder;
    while (folder.GetLength() > 1 && folder[folder.GetLength() - 1] == '/')
        folder = folder.Left(folder.GetLength() - 1);

    // The loop pumps messages: the frame takes no input meanwhile, so
    // nobody can close it, reopen the tree or start a second run.
    CWnd* frame = AfxGetMainWnd();
    BOOL frameWasEnabled = frame && frame->IsWindowEnabled();
    if (frame)
        frame->EnableWindow(FALSE);
    m_bSavingAll = 1;
    int quitCode = 0;
    BOOL quit = SaveAllItems(folder, dialog.m_strSuffix, dialog.m_nNaming, dialog.m_bSaveInfo, &quitCode);
    m_bSavingAll = 0;
    if (frame && frameWasEnabled)
        frame->EnableWindow(TRUE);
    if (quit)
        PostQuitMessage(quitCode);
}

BOOL CLeftView::SaveAllItems(const CString& folder, const CString& suffix, int naming, int showInfo, int* quitCode)
{
    CProgressCtrl progress;
    progress.Create(WS_CHILD | WS_VISIBLE | WS_CAPTION, CRect(0, 0, 300, 60), this, IDC_SAVE_PROGRESS);
    if (CWnd* main = AfxGetMainWnd()) {
        progress.SetParent(main);
        progress.CenterWindow(main);
    }

    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM item = tree.GetRootItem();
    const int total = m_nItemCount;
    int done = 0;
    int failed = 0;
    CString caption;
    caption.Format(kTextProgress, done, total, failed);
    progress.SetWindowText(caption);
    progress.SetRange32(0, total);
    progress.SetPos(0);
    BOOL quit = PumpMessages(quitCode);

    while (item && !quit) {
        CString source = ItemPath(item);
        CString itemText = tree.GetItemText(item);
        {
            CDcmImage image;
            if (!image.OpenFile(source)) {
                ++failed;
            } else {
                CDicomInfo* info = image.GetDicomInfo();
                CString target = SaveAllOutputPath(folder, naming, itemText, info->m_strStudyInstanceUID,
                                                   info->GetSeriesNumber(), info->GetInstanceNumber(), suffix);
                if (!image.SaveAs(target, 0, 0, showInfo, 0, nullptr))
                    ++failed;
            }
            ++done;
            progress.SetPos(done);
            item = tree.GetNextSiblingItem(item);
            caption.Format(kTextProgress, done, total, failed);
            progress.SetWindowText(caption);
            quit = PumpMessages(quitCode);
        }
    }
    progress.DestroyWindow();
    return quit;
}
