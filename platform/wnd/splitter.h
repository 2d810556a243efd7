// A static splitter: a grid of panes with bars between them; columns and
// rows have an ideal and a minimum size, the last one takes the rest.
#pragma once

#include <vector>

#include "wnd/frame.h"

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    struct CRowColInfo {
        int nMinSize = 0;
        int nIdealSize = 0;
        int nCurSize = 0;
    };
    // Width of the bar between two panes, in pixels.
    static const int kBarSize = 7;

    CSplitterWnd() = default;
    ~CSplitterWnd() override = default;

    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = AFX_IDW_PANE_FIRST);
    virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit, CCreateContext* pContext);
    CWnd* GetPane(int row, int col) const;
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    int GetRowCount() const { return (int)m_rows.size(); }
    int GetColumnCount() const { return (int)m_cols.size(); }
    void SetColumnInfo(int col, int cxIdeal, int cxMin);
    void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
    void SetRowInfo(int row, int cyIdeal, int cyMin);
    void GetRowInfo(int row, int& cyCur, int& cyMin) const;
    virtual void RecalcLayout();
    virtual void ActivateNext(BOOL bPrev = FALSE);
    virtual CWnd* GetActivePane(int* pRow = nullptr, int* pCol = nullptr);
    virtual void SetActivePane(int row, int col, CWnd* pWnd = nullptr);

    // Sizes of a row or column set of the given total extent.
    static void Layout(std::vector<CRowColInfo>& infos, int extent);

protected:
    void OnSize(UINT nType, int cx, int cy);
    void OnPaint();
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnCancelMode();
    // Column whose right bar holds x, or -1.
    int BarColumnAt(int x) const;

    std::vector<CRowColInfo> m_rows;
    std::vector<CRowColInfo> m_cols;
    int m_draggingColumn = -1;
    DECLARE_MESSAGE_MAP()
};
