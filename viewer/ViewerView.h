// The image pane: hosts the image window, forwards the image commands and
// keys to it, accepts dropped files and opens files and DICOMDIR media.
#pragma once

#include "wnd/wnd.h"

#include "DicomWnd.h"

class CLeftView;

class CViewerView : public CListView {
    DECLARE_DYNCREATE(CViewerView)
public:
    CViewerView();

    CDicomWnd m_wndDicom;
    CLeftView* m_pTreeView;

    CString OpenPath(CString path);
    void ShowImageFile(CString path);
    // The banner followed by the lines of the program folder's Readme.txt.
    CString IdleText() const;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnDropFiles(HDROP hDropInfo);
    void OnFileOpen();
    void OnFileSaveAs();
    void OnFileSaveAll();
    void OnOperationZoom();
    void OnOperationMove();
    void OnOperationRotateLeft();
    void OnOperationRotateRight();
    void OnOperationMirror();
    void OnOperationInvert();
    void OnOperationReset();
    void OnUpdateImageCommand(CCmdUI* pCmdUI);
    void OnUpdateFileSaveAll(CCmdUI* pCmdUI);

    void OpenFileInFolder(CString& path);
    void OpenDicomdir(const CString& path);
    void ListImageRecords(const CString& xmlPath);
    DECLARE_MESSAGE_MAP()
};
