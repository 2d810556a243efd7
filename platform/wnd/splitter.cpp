#include "wnd/splitter.h"

#include <algorithm>

#include "wnd/surface_dc.h"

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_SETCURSOR()
    ON_WM_CANCELMODE()
END_MESSAGE_MAP()

namespace {
const COLORREF kBarColor = 0xD8D8D8;
}

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (!pParentWnd || nRows < 1 || nCols < 1 || nRows > 16 || nCols > 16) return FALSE;
    m_rows.assign((size_t)nRows, CRowColInfo());
    m_cols.assign((size_t)nCols, CRowColInfo());
    RECT client;
    pParentWnd->GetClientRect(&client);
    return Create("AfxWnd", nullptr, dwStyle | WS_CHILD, client, pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext) {
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount() || !pViewClass) return FALSE;
    m_cols[(size_t)col].nIdealSize = sizeInit.cx;
    m_rows[(size_t)row].nIdealSize = sizeInit.cy;
    CObject* object = pViewClass->CreateObject();
    CWnd* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return FALSE;
    }
    RECT initial{0, 0, sizeInit.cx, sizeInit.cy};
    // A view that fails to create deletes itself.
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, initial, this, (UINT)IdFromRowCol(row, col), pContext))
        return FALSE;
    RecalcLayout();
    return TRUE;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount()) return nullptr;
    return GetDlgItem(IdFromRowCol(row, col));
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
    if (col < 0 || col >= GetColumnCount()) return;
    m_cols[(size_t)col].nIdealSize = cxIdeal;
    m_cols[(size_t)col].nMinSize = cxMin;
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
    if (col < 0 || col >= GetColumnCount()) return;
    cxCur = m_cols[(size_t)col].nCurSize;
    cxMin = m_cols[(size_t)col].nMinSize;
}

void CSplitterWnd::SetRowInfo(int row, int cyIdeal, int cyMin) {
    if (row < 0 || row >= GetRowCount()) return;
    m_rows[(size_t)row].nIdealSize = cyIdeal;
    m_rows[(size_t)row].nMinSize = cyMin;
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const {
    if (row < 0 || row >= GetRowCount()) return;
    cyCur = m_rows[(size_t)row].nCurSize;
    cyMin = m_rows[(size_t)row].nMinSize;
}

void CSplitterWnd::Layout(std::vector<CRowColInfo>& infos, int extent) {
    int left = std::max(extent, 0);
    for (size_t i = 0; i < infos.size(); ++i) {
        CRowColInfo& info = infos[i];
        if (i + 1 == infos.size()) {
            info.nCurSize = left;
            break;
        }
        // Narrower than its minimum a pane is not shown at all.
        int want = info.nIdealSize < info.nMinSize ? 0 : std::max(info.nIdealSize, 0);
        info.nCurSize = std::min(want, left);
        left -= info.nCurSize;
        if (left > kBarSize) {
            left -= kBarSize;
        } else {
            info.nCurSize += left;
            left = 0;
        }
    }
}

void CSplitterWnd::RecalcLayout() {
    RECT client;
    GetClientRect(&client);
    Layout(m_cols, client.right);
    Layout(m_rows, client.bottom);
    int y = 0;
    for (int row = 0; row < GetRowCount(); ++row) {
        int x = 0;
        int height = m_rows[(size_t)row].nCurSize;
        for (int col = 0; col < GetColumnCount(); ++col) {
            int width = m_cols[(size_t)col].nCurSize;
            if (CWnd* pane = GetPane(row, col)) {
                pane->MoveWindow(x, y, width, height, TRUE);
                pane->ShowWindow(width > 0 && height > 0 ? SW_SHOWNA : SW_HIDE);
            }
            x += width + kBarSize;
        }
        y += height + kBarSize;
    }
    Invalidate(TRUE);
}

void CSplitterWnd::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    RecalcLayout();
}

void CSplitterWnd::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    // The panes cover everything but the bars.
    dc.FillSolidRect(&client, kBarColor);
}

int CSplitterWnd::BarColumnAt(int x) const {
    int right = 0;
    for (int col = 0; col + 1 < GetColumnCount(); ++col) {
        right += m_cols[(size_t)col].nCurSize;
        if (x >= right && x < right + kBarSize) return col;
        right += kBarSize;
    }
    return -1;
}

void CSplitterWnd::OnLButtonDown(UINT, CPoint point) {
    m_draggingColumn = BarColumnAt(point.x);
    if (m_draggingColumn >= 0) SetCapture();
}

void CSplitterWnd::OnMouseMove(UINT, CPoint point) {
    if (m_draggingColumn < 0) return;
    int left = 0;
    for (int col = 0; col < m_draggingColumn; ++col) left += m_cols[(size_t)col].nCurSize + kBarSize;
    CRowColInfo& info = m_cols[(size_t)m_draggingColumn];
    info.nIdealSize = std::max(0, point.x - left);
    RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint) {
    if (m_draggingColumn < 0) return;
    m_draggingColumn = -1;
    ReleaseCapture();
}

void CSplitterWnd::OnCancelMode() {
    m_draggingColumn = -1;
    CWnd::OnCancelMode();
}

BOOL CSplitterWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (pWnd == this && nHitTest == HTCLIENT) {
        POINT pt;
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        if (BarColumnAt(pt.x) >= 0) {
            ::SetCursor(::LoadCursor(nullptr, IDC_SIZEWE));
            return TRUE;
        }
    }
    return CWnd::OnSetCursor(pWnd, nHitTest, message);
}

CWnd* CSplitterWnd::GetActivePane(int* pRow, int* pCol) {
    CFrameWnd* frame = GetParentFrame();
    CWnd* active = frame ? frame->GetActiveView() : nullptr;
    if (!active || active->GetParent() != this) active = GetFocus();
    for (int row = 0; row < GetRowCount(); ++row)
        for (int col = 0; col < GetColumnCount(); ++col)
            if (active && GetPane(row, col) == active) {
                if (pRow) *pRow = row;
                if (pCol) *pCol = col;
                return active;
            }
    return nullptr;
}

void CSplitterWnd::SetActivePane(int row, int col, CWnd* pWnd) {
    CWnd* pane = pWnd ? pWnd : GetPane(row, col);
    if (!pane) return;
    CFrameWnd* frame = GetParentFrame();
    if (frame && pane->IsKindOf(RUNTIME_CLASS(CView))) frame->SetActiveView(static_cast<CView*>(pane));
    pane->SetFocus();
}

void CSplitterWnd::ActivateNext(BOOL bPrev) {
    int row = 0;
    int col = 0;
    if (!GetActivePane(&row, &col)) {
        SetActivePane(0, 0);
        return;
    }
    int count = GetRowCount() * GetColumnCount();
    int index = row * GetColumnCount() + col;
    index = (index + (bPrev ? count - 1 : 1)) % count;
    SetActivePane(index / GetColumnCount(), index % GetColumnCount());
}
