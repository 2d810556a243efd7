#include "PlaySlider.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CPlaySlider, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

int CPlaySlider::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    CClientDC screen(nullptr);
    m_MemDC.CreateCompatibleDC(&screen);
    RecreateMemoryBitmap();
    return 0;
}

void CPlaySlider::RecreateMemoryBitmap()
{
    if (m_MemDC.GetSafeHdc() == nullptr)
        return;
    CRect client;
    GetClientRect(&client);
    if (m_pOldBitmap != nullptr)
        m_MemDC.SelectObject(m_pOldBitmap);
    m_MemBitmap.DeleteObject();
    CClientDC dc(this);
    m_MemBitmap.CreateCompatibleBitmap(&dc, std::max(client.Width(), 1), std::max(client.Height(), 1));
    m_pOldBitmap = m_MemDC.SelectObject(&m_MemBitmap);
}

void CPlaySlider::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    CRect client;
    GetClientRect(&client);
    if (client.Height() != m_nHeight && GetParent() != nullptr) {
        CRect frame;
        GetWindowRect(&frame);
        GetParent()->ScreenToClient(&frame);
        MoveWindow(frame.left, frame.top, frame.Width(), m_nHeight);
        // MoveWindow sent the size of the new height already.
        return;
    }
    RecreateMemoryBitmap();
    Redraw();
}

void CPlaySlider::Redraw()
{
    if (m_MemDC.GetSafeHdc() == nullptr)
        return;
    DrawBackground(&m_MemDC);
    DrawThumb(&m_MemDC);
}

void CPlaySlider::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    CBrush back(m_BackColor);
    CPen black(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc->SelectObject(&black);
    CBrush* oldBrush = dc->SelectObject(&back);
    dc->Rectangle(&client);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    CString text;
    GetWindowText(text);
    if (!text.IsEmpty()) {
        dc->SetTextColor(0xFF0000);
        const int mode = dc->SetBkMode(TRANSPARENT);
        dc->DrawText(text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc->SetBkMode(mode);
    }
    Invalidate(FALSE);
}

int CPlaySlider::BandX(int value, int span, int count) const
{
    return count < 1 ? 0 : static_cast<int>(static_cast<long long>(span) * value / count);
}

void CPlaySlider::DrawThumb(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    const int span = client.right - m_nThumbWidth;
    const int count = m_nMax - m_nMin + 1;
    const int left = BandX(m_nPos, span, count);
    m_ThumbRect.SetRect(left, client.top, left + m_nThumbWidth, client.bottom);
    const int height = client.Height();
    if (m_bShowBand1) {
        const int x1 = BandX(m_nBand1Start, span, count);
        const int x2 = BandX(m_nBand1End, span, count);
        if (x1 < x2)
            dc->FillSolidRect(x1, client.top, x2 - x1, client.bottom - height / 2 - client.top, m_Band1Color);
    }
    if (m_bShowBand2) {
        const int x1 = BandX(m_nBand2Start, span, count);
        const int x2 = BandX(m_nBand2End, span, count);
        if (x1 < x2)
            dc->FillSolidRect(x1, client.top + height / 2, x2 - x1, client.bottom - client.top - height / 2,
                              m_Band2Color);
    }
    CBrush thumb(m_ThumbColor);
    CPen black(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc->SelectObject(&black);
    CBrush* oldBrush = dc->SelectObject(&thumb);
    dc->Rectangle(&m_ThumbRect);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    Invalidate(FALSE);
}

void CPlaySlider::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    if (m_MemDC.GetSafeHdc() != nullptr)
        dc.BitBlt(0, 0, client.Width(), client.Height(), &m_MemDC, 0, 0, SRCCOPY);
}

void CPlaySlider::SetPosFromX(int x)
{
    CRect client;
    GetClientRect(&client);
    const int track = client.right - m_nThumbWidth;
    const int count = m_nMax - m_nMin + 1;
    // A track no wider than the thumb has only the minimum to offer.
    int position = track > 0 ? static_cast<int>(static_cast<long long>(count) *
                                                std::max(0, x - m_nThumbWidth / 2) / track)
                             : m_nMin;
    position = std::min(position, m_nMax);
    position = std::max(position, m_nMin);
    m_nPos = position;
    Redraw();
    if (CWnd* parent = GetParent())
        parent->SendMessage(3024, static_cast<WPARAM>(m_nPos), 0);
}

void CPlaySlider::OnLButtonDown(UINT flags, CPoint point)
{
    if (m_ThumbRect.PtInRect(point))
        m_bDragging = 1;
    else
        SetPosFromX(point.x);
    CWnd::OnLButtonDown(flags, point);
}

void CPlaySlider::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bDragging)
        SetPosFromX(point.x);
    CWnd::OnMouseMove(flags, point);
}

void CPlaySlider::OnLButtonUp(UINT flags, CPoint point)
{
    m_bDragging = 0;
    CWnd::OnLButtonUp(flags, point);
}
