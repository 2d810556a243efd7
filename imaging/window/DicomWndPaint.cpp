// Painting: the image, corner text and magnifier composed off screen, then
// overlays, probes and frames drawn on the window.
#include "DicomWnd.h"
#include "ImageInfoText.h"
#include "OverLay.h"

#include <algorithm>

#include "DSPlayer.h"

namespace {

const COLORREF kIdleBackground = 0xFF3232;
const COLORREF kGreen = 0x00FF00;
const COLORREF kActiveFrame = 0x138FED;
const COLORREF kSelectedFrame = 0xED8F13;
const COLORREF kFileNameColor = 0x00C800;
const COLORREF kPixelValueColor = 0x64FF00;

// Grey palette for palette-based devices.
struct GreyPalette {
    WORD version = 0x300;
    WORD count = 256;
    PALETTEENTRY entries[256];
};

// span x fraction truncated; positions a host set far outside stay drawable.
int ScaledOffset(int span, float fraction)
{
    const double value = static_cast<double>(span) * fraction;
    return static_cast<int>(std::max(-1e6, std::min(1e6, value)));
}

}  // namespace

void CDicomWnd::OnPaint()
{
    CPaintDC dc(this);
    const CRect client = CurrentClientRect();
    if (m_pDcmImage == nullptr) {
        if (m_bForEasyViewer) {
            dc.FillSolidRect(&client, kIdleBackground);
            if (!m_strEasyText.IsEmpty()) {
                CRect textRect = client;
                dc.DrawText(m_strEasyText, -1, &textRect, DT_CENTER);
            }
        }
        PaintFrames();
        return;
    }
    if (m_TotalRect.IsRectEmpty()) {
        m_ClientRect = client;
        ResetTotalRect();
        if (m_TotalRect.IsRectEmpty())
            SetClientRect(client);
    }

    CPalette palette;
    CPalette* previousPalette = nullptr;
    const bool paletteDevice = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0;
    if (paletteDevice) {
        GreyPalette grey;
        for (int i = 0; i < 256; ++i)
            grey.entries[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        palette.CreatePalette(reinterpret_cast<LOGPALETTE*>(&grey));
        previousPalette = dc.SelectPalette(&palette, FALSE);
        dc.RealizePalette();
    }

    PaintImage(&dc, client);
    PaintOnScreen(&dc, client);
    PaintFrames();
    if (paletteDevice && previousPalette != nullptr)
        dc.SelectPalette(previousPalette, FALSE);
}

void CDicomWnd::PaintImage(CDC* dc, const CRect& client)
{
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc, client.Width(), client.Height());
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    const int stretchMode = memory.GetStretchBltMode();

    memory.FillSolidRect(&client, m_BGColor);
    m_pDcmImage->ShowImage(&memory, m_bShowImgPos ? client : m_TotalRect);
    if (m_bShowImageInfo) {
        CRect area = client;
        CDcmImage::ShowImgInfo(&memory, m_pDcmImage, &area);
    }
    if (m_OpMode == OPMODE_MAGNIFIER && (m_bLButtonDown || m_bMagnifierShown))
        PaintMagnifier(&memory);

    dc->BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SetStretchBltMode(stretchMode);
    memory.SelectObject(oldBitmap);
    memory.DeleteDC();
}

void CDicomWnd::PaintMagnifier(CDC* memory)
{
    m_bMagnifierShown = 1;
    CRect source(m_ptMouse, m_ptMouse);
    source.InflateRect(m_nMagnifierSrc, m_nMagnifierSrc);
    CRect target(m_ptMouse, m_ptMouse);
    target.InflateRect(m_nMagnifierDst, m_nMagnifierDst);
    memory->StretchBlt(target.left, target.top, target.Width(), target.Height(), memory, source.left, source.top,
                       source.Width(), source.Height(), SRCCOPY);
    CBrush frame(kGreen);
    target.InflateRect(1, 1);
    memory->FrameRect(&target, &frame);
}

void CDicomWnd::PaintOnScreen(CDC* dc, const CRect& client)
{
    if (COverLayManager* manager = GetOverLayManager())
        manager->DrawAll(dc, 1.0f);
    if (m_bFavoriate) {
        dc->SetTextColor(kGreen);
        dc->SetBkMode(TRANSPARENT);
        dc->TextOut(180, 6, CString("★"));
    }
    PaintPositionDot(dc, client);
    PaintFileName(dc, client);
    PaintPixelValue(dc);
}

void CDicomWnd::PaintPositionDot(CDC* dc, const CRect& area)
{
    if (!m_bShowImgPos || !(m_pDcmImage->GetImgPosY() > 0))
        return;
    const int r = std::max(area.Width() / 25, 1);
    const int x = area.left + ScaledOffset(area.Width(), m_pDcmImage->GetImgPosX());
    const int y = area.top + ScaledOffset(area.Height(), m_pDcmImage->GetImgPosY());
    CBrush black(RGB(0, 0, 0));
    CBrush* oldBrush = dc->SelectObject(&black);
    dc->Ellipse(x - r, y - r, x + r, y + r);
    dc->SelectObject(oldBrush);
}

void CDicomWnd::PaintFileName(CDC* dc, const CRect& client)
{
    const int slash = m_strFileName.ReverseFind('/');
    if (!m_bShowFilePath || slash < 0)
        return;
    CRect area(client.left + 10, client.top + 5, client.right - 30, client.bottom - 2);
    area.top = area.bottom - 15;
    CString name = m_strFileName.Mid(slash + 1);
    dc->SetTextColor(kFileNameColor);
    dc->SetBkMode(TRANSPARENT);
    dc->DrawText(name, -1, &area, DT_SINGLELINE);
}

void CDicomWnd::PaintPixelValue(CDC* dc)
{
    if (m_OpMode != OPMODE_PIXEL_VALUE || !m_TotalRect.PtInRect(m_ptMouse))
        return;
    CFont font;
    font.CreateFont(14, 0, 0, 0, 400, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, FF_SWISS, "宋体");
    CPen pen(PS_SOLID, 1, kGreen);
    CFont* oldFont = dc->SelectObject(&font);
    CPen* oldPen = dc->SelectObject(&pen);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(kPixelValueColor);
    CString value;
    value.Format("值:%d", m_pDcmImage->DataValue(m_pDcmImage->GetClientPixelValue(m_TotalRect, m_ptMouse)));
    dc->TextOut(m_ptMouse.x + 20, m_ptMouse.y + 20, m_pDcmImage->GetDicomInfo()->GetModality() + value);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldPen);
    dc->SelectObject(oldFont);
}

void CDicomWnd::PaintFrames()
{
    if (m_bActive)
        DrawFrame(kActiveFrame, 1);
    if (m_bSelected)
        DrawFrame(kSelectedFrame, 1);
}

void CDicomWnd::DrawFrame(COLORREF color, int show)
{
    if (m_hWnd == nullptr)
        return;
    CClientDC dc(this);
    CRect frame = CurrentClientRect();
    frame.InflateRect(-1, -1);
    CBrush brush(show ? color : RGB(0, 0, 0));
    dc.FrameRect(&frame, &brush);
}

void CDicomWnd::ShowPlayCtrl(int show)
{
    if (m_pPlayer == nullptr || m_pPlayer->GetSafeHwnd() == nullptr)
        return;
    CRect area = CurrentClientRect();
    area.DeflateRect(2, 2);
    if (show) {
        area.bottom -= 15;
        m_pPlayer->SetWindowPos(nullptr, area.left, area.top, area.Width(), area.Height(), SWP_NOZORDER);
        m_pPlayer->CWnd::ShowWindow(SW_SHOW);
        m_BtnPlay.SetWindowPos(nullptr, area.left, area.bottom, 15, 15, SWP_NOZORDER);
        m_BtnPause.SetWindowPos(nullptr, area.left + 15, area.bottom, 15, 15, SWP_NOZORDER);
        m_PlaySlider.SetWindowPos(nullptr, area.left + 30, area.bottom, area.Width() - 30, 15, SWP_NOZORDER);
        m_BtnPlay.ShowWindow(SW_SHOW);
        m_BtnPause.ShowWindow(SW_SHOW);
        m_PlaySlider.ShowWindow(SW_SHOW);
        m_RptCheck.ShowWindow(SW_HIDE);
        return;
    }
    m_pPlayer->Pause();
    m_pPlayer->CWnd::ShowWindow(SW_HIDE);
    m_BtnPlay.ShowWindow(SW_HIDE);
    m_BtnPause.ShowWindow(SW_HIDE);
    m_PlaySlider.ShowWindow(SW_HIDE);
    m_RptCheck.ShowWindow(m_bRptCheckShown ? SW_SHOWNORMAL : SW_HIDE);
}

void CDicomWnd::ShowImageOverLayInfo(CDC* dc, CRect* area)
{
    COverLayManager* manager = GetOverLayManager();
    if (dc == nullptr || manager == nullptr || !manager->m_bShowMeasure || !manager->m_bShowNumber)
        return;
    CFont font;
    font.CreateFont(13, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, "Arial");
    dc->SelectObject(&font);
    dc->SetTextColor(0x00FFFF);
    dc->SetBkMode(TRANSPARENT);
    const CRect list = area != nullptr ? *area : CurrentClientRect();
    const int first = manager->m_nCurrentIndex;
    const int rows = (list.Height() - 240) / 20;
    const int last = std::min(manager->GetCount(), first + rows);
    for (int i = first; i < last; ++i) {
        const COverLay* overlay = manager->GetAt(i);
        if (overlay == nullptr)
            continue;
        dc->SetTextColor(overlay->m_bSelected ? 0x00F0F5 : 0x0A0000);
        CString text;
        text.Format("%2d:  ", overlay->m_nNumber);
        dc->TextOut(20, 120 + 20 * (i - first), text + overlay->GetInfoText());
    }
    dc->SelectStockObject(SYSTEM_FONT);
}

// The image's aspect fitted into the print rectangle, centred; 0 when
// either has no extent.
int CDicomWnd::FitForPrint(const CRect& rect, CRect& fitted)
{
    const int W = std::abs(rect.Width());
    const int H = std::abs(rect.Height());
    const int w = m_pDcmImage->GetWidth();
    const int h = m_pDcmImage->GetHeight();
    if (W == 0 || H == 0 || w == 0 || h == 0)
        return 0;
    fitted = rect;
    if (static_cast<float>(h) / w > static_cast<float>(H) / W) {
        const int width = static_cast<int>(static_cast<long long>(H) * w / h);
        fitted.left = rect.left + (W - width) / 2;
        fitted.right = fitted.left + width;
        return 1;
    }
    const int height = static_cast<int>(static_cast<long long>(W) * h / w);
    if (rect.top >= 0) {
        fitted.top = rect.top + (H - std::abs(height)) / 2;
        fitted.bottom = fitted.top + height;
    } else {
        fitted.top = rect.top - (H - std::abs(height)) / 2;
        fitted.bottom = fitted.top - height;
    }
    return 1;
}

void CDicomWnd::PrintDoc(CDC* dc, CRect rect, float scale)
{
    if (dc == nullptr || m_pDcmImage == nullptr)
        return;
    CRect fitted;
    if (!FitForPrint(rect, fitted))
        return;
    m_pDcmImage->ShowImage(dc, m_bShowImgPos ? rect : fitted);
    PaintPositionDot(dc, rect);
    const DWORD style = m_hWnd != nullptr ? GetStyle() : 0;
    int penWidth = 0;
    if (style & WS_BORDER)
        penWidth = 1;
    if (style & WS_THICKFRAME)
        penWidth = 3;
    if (penWidth > 0) {
        dc->SetBkMode(TRANSPARENT);
        dc->SelectStockObject(HOLLOW_BRUSH);
        CPen pen(PS_SOLID, penWidth, RGB(0, 0, 0));
        CPen* oldPen = dc->SelectObject(&pen);
        dc->Rectangle(&rect);
        dc->SelectObject(oldPen);
    }
    ShowImageOverLayInfo(dc, &rect);
    if (COverLayManager* manager = GetOverLayManager()) {
        manager->SetImageRect(fitted.left, fitted.top, fitted.right, fitted.bottom, 0);
        manager->UpdateScreenPoints();
        manager->DrawAll(dc, scale);
    }
    UpdateOverlayView();
}

void CDicomWnd::ShowImgInfo(CDC* dc, CDcmImage* image, CRect* rect)
{
    if (!m_bShowImageInfo)
        return;
    CRect area;
    if (rect != nullptr)
        area = *rect;
    else
        GetClientRect(&area);
    DrawImageInfoText(dc, image, area, m_TotalRect.bottom - m_TotalRect.top);
}
