// The file tree: the files of the opened file's folder or the image
// records of the opened DICOMDIR; it also runs save all.
#pragma once

#include "wnd/wnd.h"

class CViewerView;

class CLeftView : public CTreeView {
    DECLARE_DYNCREATE(CLeftView)
public:
    CLeftView();

    CViewerView* m_pImageView;
    CString m_strFolder;
    int m_bFilling;
    int m_nItemCount;
    // The items are DICOMDIR file IDs, whose components are separated by
    // backslashes; otherwise they are plain file names.
    int m_bFileIds;
    // Raised while save all runs: the tree must not change under the loop.
    int m_bSavingAll;

    void DeleteAllItems();
    // Adds a root item as the last one and counts it.
    HTREEITEM AddItem(LPCTSTR text);
    // The folder joined with an item's text; a file ID is found on the disk.
    CString ItemPath(HTREEITEM item);

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnFileSaveAll();

protected:
    void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult);
    void OnFileOpen();
    void OnFileSaveAs();
    void OnUpdateFileSaveAs(CCmdUI* pCmdUI);
    void OnUpdateFileSaveAll(CCmdUI* pCmdUI);
    // Exports every listed file; returns TRUE when WM_QUIT arrived meanwhile.
    BOOL SaveAllItems(const CString& folder, const CString& suffix, int naming, int showInfo, int* quitCode);
    DECLARE_MESSAGE_MAP()
};
