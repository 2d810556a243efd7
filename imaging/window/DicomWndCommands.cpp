// The command side of the image window: popup menu, commands, cine playback
// of multi-frame images, the clock of a playing clip and the view commands.
#include "DicomWnd.h"

#include <algorithm>
#include <cstdlib>

#include "DSPlayer.h"

namespace {

const UINT ID_OVERLAY_LINE = 2200;
const UINT ID_OVERLAY_ARROW = 2201;
const UINT ID_OVERLAY_ANGLE = 2202;
const UINT ID_OVERLAY_TEXT = 2203;
const UINT ID_OVERLAY_ERASE = 2204;
const UINT ID_OVERLAY_ERASE_ALL = 2205;
const UINT ID_OVERLAY_RECT = 2206;
const UINT ID_CINE_PLAY = 2230;
const UINT ID_CINE_STOP = 2231;
const UINT ID_NEXT_FRAME = 2232;
const UINT ID_PREVIOUS_FRAME = 2233;

const UINT kCineInterval = 66;
const int kShortestFrameTime = 5;
const UINT kClockInterval = 1000;

struct MenuEntry {
    UINT id;
    const char* text;
};

const MenuEntry kOverlayItems[] = {
    {ID_OVERLAY_LINE, "直线(&Line)"},     {ID_OVERLAY_ARROW, "箭头(A&rrow)"},
    {ID_OVERLAY_RECT, "区域(&Rect)"},     {ID_OVERLAY_ANGLE, "角度(&Protractor)"},
    {ID_OVERLAY_TEXT, "文本(&Text)"},     {ID_OVERLAY_ERASE, "擦除(Clear)"},
    {ID_OVERLAY_ERASE_ALL, "清除全部(Clear All)"},
};

const MenuEntry kCineItems[] = {
    {ID_CINE_PLAY, "播放(Play)"},
    {ID_CINE_STOP, "停止(Stop)"},
    {ID_NEXT_FRAME, "下一帧(Next)"},
    {ID_PREVIOUS_FRAME, "上一帧(Previous)"},
};

bool IsKnownCommand(UINT id)
{
    return id == IDC_RPT_CHECK || (id >= ID_OVERLAY_LINE && id <= ID_OVERLAY_RECT) ||
           (id >= ID_CINE_PLAY && id <= ID_PREVIOUS_FRAME) || id == ID_OPEN_FILE || id == ID_SAVE_IMAGE;
}

CString ClockText(int seconds)
{
    CString text;
    text.Format("%.2d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

} // namespace

// ---------------------------------------------------------------- popup menu

void CDicomWnd::ShowPopupMenu()
{
    if (!m_bShowPopupMenu || m_bRButtonDragged)
        return;
    CPoint cursor;
    GetCursorPos(&cursor);
    if (m_pHostMenu != nullptr && m_pHostMenuOwner != nullptr) {
        m_pHostMenu->TrackPopupMenu(TPM_RIGHTBUTTON, cursor.x, cursor.y, m_pHostMenuOwner);
        return;
    }
    CMenu menu;
    menu.CreatePopupMenu();
    AppendBuiltInItems(menu);
    menu.TrackPopupMenu(TPM_RIGHTBUTTON, cursor.x, cursor.y, this);
    menu.DestroyMenu();
}

void CDicomWnd::AppendBuiltInItems(CMenu& menu)
{
    if (m_pDcmImage != nullptr) {
        for (const MenuEntry& item : kOverlayItems)
            menu.AppendMenu(MF_STRING, item.id, item.text);
        if (m_pDcmImage->GetFramesCount() > 1) {
            menu.AppendMenu(MF_SEPARATOR);
            for (const MenuEntry& item : kCineItems)
                menu.AppendMenu(MF_STRING, item.id, item.text);
        }
    }
    if (m_bForEasyViewer) {
        if (m_pDcmImage != nullptr)
            menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, ID_OPEN_FILE, "打开文件(&Open)");
        if (m_pDcmImage != nullptr)
            menu.AppendMenu(MF_STRING, ID_SAVE_IMAGE, "保存图片(&Save)");
    }
}

// ---------------------------------------------------------------- commands

BOOL CDicomWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == 0 && IsKnownCommand(id)) {
        switch (id) {
        case IDC_RPT_CHECK: Notify(RptCheckCode, m_nImageIndex); break;
        case ID_OVERLAY_LINE:
            SetOverLayMode(OVERLAY_MODE_CREATE);
            SetOverLayShape(OVERLAY_LINE);
            break;
        case ID_OVERLAY_ARROW:
            SetOverLayMode(OVERLAY_MODE_CREATE);
            SetOverLayShape(OVERLAY_ARROW);
            break;
        case ID_OVERLAY_RECT:
            SetOverLayMode(OVERLAY_MODE_CREATE);
            SetOverLayShape(OVERLAY_RECT);
            ShowMeasureInfo(0);
            break;
        case ID_OVERLAY_ANGLE:
            SetOverLayMode(OVERLAY_MODE_CREATE);
            SetOverLayShape(OVERLAY_ANGLE);
            break;
        case ID_OVERLAY_TEXT:
            SetOverLayMode(OVERLAY_MODE_CREATE);
            SetOverLayShape(OVERLAY_TEXT);
            break;
        case ID_OVERLAY_ERASE: SetOverLayMode(OVERLAY_MODE_ERASE); break;
        case ID_OVERLAY_ERASE_ALL: OnOverlayEraseall(); break;
        case ID_CINE_PLAY: SetTimer(CINE_TIMER, kCineInterval, nullptr); break;
        case ID_CINE_STOP: KillTimer(CINE_TIMER); break;
        case ID_NEXT_FRAME:
            KillTimer(CINE_TIMER);
            ShowNextFrame();
            break;
        case ID_PREVIOUS_FRAME:
            KillTimer(CINE_TIMER);
            ShowPreviousFrame();
            break;
        case ID_OPEN_FILE: OpenFileCommand(); break;
        case ID_SAVE_IMAGE: SaveImageCommand(); break;
        default: break;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

void CDicomWnd::OpenFileCommand()
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "图片文件|*.*|", this);
    if (dialog.DoModal() != IDOK)
        return;
    if (!SetImage(dialog.GetPathName(), 0))
        AfxMessageBox("打开文件失败");
}

void CDicomWnd::SaveImageCommand()
{
    if (m_pDcmImage == nullptr)
        return;
    CFileDialog dialog(FALSE, "JPG", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "JPEG图片(*.jpg)|*.jpg|视频文件(*.avi)|*.avi|", this);
    if (dialog.DoModal() != IDOK)
        return;
    m_pDcmImage->SaveAs(dialog.GetPathName(), 0, 0, 0, 1, nullptr);
}

// ---------------------------------------------------------------- timers

void CDicomWnd::OnTimer(UINT id)
{
    if (id == CINE_TIMER)
        OnCineTimer();
    else if (id == CLIP_TIMER)
        OnClockTimer();
    CWnd::OnTimer(id);
}

void CDicomWnd::OnCineTimer()
{
    KillTimer(CINE_TIMER);
    if (m_pDcmImage == nullptr)
        return;
    ShowNextFrame();
    const int frameTime = atoi(m_pDcmImage->GetCurrentFrameTime());
    SetTimer(CINE_TIMER, frameTime > kShortestFrameTime ? static_cast<UINT>(frameTime) : kCineInterval, nullptr);
}

void CDicomWnd::OnClockTimer()
{
    ++m_nPlayingSeconds;
    m_PlaySlider.m_nPos = m_nPlayingSeconds;
    CString text;
    text.Format("%s/%s", static_cast<const char*>(ClockText(m_nPlayingSeconds)),
                static_cast<const char*>(ClockText(m_nClipSeconds)));
    if (m_PlaySlider.GetSafeHwnd() != nullptr)
        m_PlaySlider.SetWindowText(text);
    RefreshSlider();
}

void CDicomWnd::RefreshSlider()
{
    if (m_PlaySlider.GetSafeHwnd() != nullptr)
        m_PlaySlider.Redraw();
}

// ---------------------------------------------------------------- clip

void CDicomWnd::OnBtnPlay()
{
    if (m_pPlayer == nullptr)
        return;
    if (m_pPlayer->Play(0))
        SetTimer(CLIP_TIMER, kClockInterval, nullptr);
}

void CDicomWnd::OnBtnPause()
{
    if (m_pPlayer == nullptr)
        return;
    m_pPlayer->Pause();
    KillTimer(CLIP_TIMER);
}

LRESULT CDicomWnd::OnPlayerEnevt(WPARAM code, LPARAM)
{
    if (code == EC_COMPLETE) {
        OnBtnPause();
        m_nPlayingSeconds = 0;
        m_PlaySlider.m_nPos = 0;
        RefreshSlider();
    }
    return 0;
}

LRESULT CDicomWnd::OnSliderPosChanging(WPARAM position, LPARAM)
{
    if (m_pPlayer == nullptr)
        return 0;
    m_nPlayingSeconds = static_cast<int>(position);
    m_pPlayer->SetPositions(static_cast<long>(position) * 1000);
    return 0;
}

// ---------------------------------------------------------------- overlays

int CDicomWnd::SaveOverLay(CString)
{
    return m_pDcmImage != nullptr ? m_pDcmImage->WriteOverLayToFile() : 0;
}

int CDicomWnd::LoadOverLay(CString)
{
    return 0;
}

// ---------------------------------------------------------------- view

void CDicomWnd::ReverseImage()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetReverse(!m_pDcmImage->GetReversed(), 1);
    Repaint();
}

void CDicomWnd::FlipImage()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetFlip(!m_pDcmImage->GetFilped(), 1);
    Repaint();
}

void CDicomWnd::InverseImage()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetInverse(!m_pDcmImage->GetInverse(), 1);
    Repaint();
}

void CDicomWnd::RotateLeft()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetRotateAngle(m_pDcmImage->GetRotatedAngle() + 90, 1);
    RotateImageRect();
    Repaint();
}

void CDicomWnd::RotateRight()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetRotateAngle(m_pDcmImage->GetRotatedAngle() - 90, 1);
    RotateImageRect();
    Repaint();
}

void CDicomWnd::RotateImageRect()
{
    if (m_pDcmImage == nullptr || m_pDcmImage->GetWidth() == 0 || m_pDcmImage->GetHeight() == 0)
        return;
    const int half = std::max(m_TotalRect.Width(), m_TotalRect.Height()) / 2;
    const CPoint centre(m_TotalRect.left + m_TotalRect.Width() / 2, m_TotalRect.top + m_TotalRect.Height() / 2);
    const CRect square(centre.x - half, centre.y - half, centre.x + half, centre.y + half);
    m_TotalRect = CDcmImage::GetFittedImageRect(square, m_pDcmImage->GetWidth(), m_pDcmImage->GetHeight(), 0, 0);
    if (COverLayManager* manager = m_pDcmImage->GetOverLayManager()) {
        manager->SetImageRect(m_TotalRect.left, m_TotalRect.top, m_TotalRect.right, m_TotalRect.bottom, 0);
        manager->UpdateScreenPoints();
    }
}

void CDicomWnd::ResetImageSize()
{
    if (m_pDcmImage == nullptr)
        return;
    m_pDcmImage->SetReverse(0, 0);
    m_pDcmImage->SetFlip(0, 0);
    m_pDcmImage->SetRotateAngle(0, 0);
    m_pDcmImage->BuildCurrentPixelBits();
    ResetTotalRect();
    UpdateOverlayView();
    Repaint();
}
