// The main frame: a static splitter with the file tree on the left and the
// image pane on the right.
#pragma once

#include "wnd/wnd.h"

class CViewerView;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame() = default;

    CSplitterWnd m_wndSplitter;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    CViewerView* GetRightPane();
    void ShowLeftPane(BOOL show);

protected:
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    DECLARE_MESSAGE_MAP()
};
