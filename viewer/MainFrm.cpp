#include "MainFrm.h"

#include "LeftView.h"
#include "ViewerView.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

namespace {

const int kTreeWidth = 250;
const int kTreeMinimum = 50;

}  // namespace

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) { return CFrameWnd::PreCreateWindow(cs); }

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    return 0;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST))
        return FALSE;
    if (!m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CLeftView), CSize(0, 100), pContext) ||
        !m_wndSplitter.CreateView(0, 1, RUNTIME_CLASS(CViewerView), CSize(100, 100), pContext)) {
        m_wndSplitter.DestroyWindow();
        return FALSE;
    }
    auto* tree = dynamic_cast<CLeftView*>(m_wndSplitter.GetPane(0, 0));
    CViewerView* image = GetRightPane();
    if (tree)
        tree->m_pImageView = image;
    if (image)
        image->m_pTreeView = tree;
    return TRUE;
}

CViewerView* CMainFrame::GetRightPane()
{
    return dynamic_cast<CViewerView*>(m_wndSplitter.GetPane(0, 1));
}

void CMainFrame::ShowLeftPane(BOOL show)
{
    if (show)
        m_wndSplitter.SetColumnInfo(0, kTreeWidth, kTreeMinimum);
    else
        m_wndSplitter.SetColumnInfo(0, 0, 0);
    m_wndSplitter.RecalcLayout();
}
