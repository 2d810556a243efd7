// Construction, creation, image binding, geometry and accessors.
#include "DicomWnd.h"

#include <cstdlib>
#include <new>

#include "DSPlayer.h"

namespace {

const COLORREF kOverlayColors[9] = {0x80FFFF, 0xFF8000, 0xFFFF80, 0x80FF00, 0x80FFFF,
                                    0x00FF80, 0x80FFFF, 0xFF0000, 0x0000FF};

bool IsClipPath(const CString& path)
{
    CString extension = path.Right(4);
    extension.MakeLower();
    const CString clips = "|.avi|.asf|.mpg|.wmv|.wma|.wav|.mid|";
    return clips.Find(extension) > 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDicomWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEHOVER()
    ON_WM_MOUSELEAVE()
    ON_WM_MOUSEWHEEL()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_SYSCOMMAND()
    ON_WM_TIMER()
    ON_COMMAND(IDC_BTN_PLAY, OnBtnPlay)
    ON_COMMAND(IDC_BTN_PAUSE, OnBtnPause)
    ON_MESSAGE(PlayerEventMessage, OnPlayerEnevt)
    ON_MESSAGE(SliderPosMessage, OnSliderPosChanging)
END_MESSAGE_MAP()

CDicomWnd::CDicomWnd()
    : m_nNotifyMessage(0),
      m_pNotifyWnd(nullptr),
      m_nImageOwnership(0),
      m_bShowImageInfo(1),
      m_OverLayMode(OVERLAY_MODE_IDLE),
      m_OverLayShape(OVERLAY_SELECT),
      m_bRptCheckShown(0),
      m_bShowFilePath(0),
      m_bShowMeasureInfo(1),
      m_bShowImgPos(0),
      m_bShowPopupMenu(0),
      m_bForEasyViewer(0),
      m_pHostMenu(nullptr),
      m_pHostMenuOwner(nullptr),
      m_BGColor(0),
      m_bVisible(1),
      m_bSelected(0),
      m_bFavoriate(0),
      m_bMagnifierShown(0),
      m_pShutterTracker(nullptr),
      m_bLButtonDown(0),
      m_bRButtonDown(0),
      m_bRButtonDragged(0),
      m_ptMouse(-100, -100),
      m_ptLButtonDown(0, 0),
      m_Cursors{},
      m_nMouseTracking(0),
      m_bActive(0),
      m_OpMode(OPMODE_NONE),
      m_WinLevelType(WINLEVEL_NONE),
      m_nExamIndex(0),
      m_nImageIndex(0),
      m_nMagnifierSrc(50),
      m_nMagnifierDst(100),
      m_nWindowStepX(0),
      m_nWindowStepY(0),
      m_pImgNoteWnd(nullptr),
      m_pImgPosWnd(nullptr),
      m_pPlayer(nullptr),
      m_pDcmImage(nullptr),
      m_DocType(DOC_TYPE_NONE),
      m_nPrintViewIndex(0),
      m_bImageOpened(0),
      m_bVideo(0),
      m_nPlayingSeconds(0),
      m_nClipSeconds(0)
{
    for (int i = 0; i < 9; ++i)
        m_Colors[i] = kOverlayColors[i];
    LineOverlayColor = m_Colors[0];
    ArrowOverlayColor = m_Colors[1];
    AngleOverlayColor = m_Colors[2];
    RectOverlayColor = m_Colors[3];
    EllipseOverlayColor = m_Colors[4];
    PolyOverlayColor = m_Colors[5];
    PointOverlayColor = m_Colors[6];
    TextOverlayColor = m_Colors[8];
    LoadCursors();
}

CDicomWnd::~CDicomWnd()
{
    DeleteOwnedImage();
    if (m_pPlayer != nullptr) {
        if (m_pPlayer->GetSafeHwnd() != nullptr)
            m_pPlayer->DestroyWindow();
        delete m_pPlayer;
        m_pPlayer = nullptr;
    }
    delete m_pShutterTracker;
    m_pShutterTracker = nullptr;
    if (m_hWnd != nullptr)
        DestroyWindow();
}

// Which cursor each mode shows is ours to choose: standard system cursors.
void CDicomWnd::LoadCursors()
{
    const LPCTSTR shapes[12] = {IDC_CROSS, IDC_ARROW, IDC_SIZENS, IDC_SIZEALL, IDC_ARROW, IDC_CROSS,
                                IDC_CROSS, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_CROSS, IDC_ARROW};
    for (int i = 0; i < 12; ++i)
        m_Cursors[i] = LoadCursor(nullptr, shapes[i]);
}

int CDicomWnd::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    CRect client;
    GetClientRect(&client);
    const CRect controls(client.left, client.bottom - 15, client.left + 15, client.bottom);
    m_RptCheck.Create("", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, controls, this, IDC_RPT_CHECK);
    ShowRPTCheck(m_bRptCheckShown);

    m_BtnPlay.Create("", WS_CHILD | BS_OWNERDRAW, controls, this, IDC_BTN_PLAY);
    m_BtnPause.Create("", WS_CHILD | BS_OWNERDRAW, controls, this, IDC_BTN_PAUSE);
    m_PlaySlider.Create(nullptr, "", WS_CHILD, controls, this, IDC_PLAY_SLIDER);

    m_BtnPlay.Enable(TRUE);
    m_BtnPlay.SetBitmaps(8003, 8004, 8004, 8003);
    m_BtnPlay.SetSize(15, 15);
    m_BtnPlay.SetToolTipText("播放");
    m_BtnPause.Enable(TRUE);
    m_BtnPause.SetBitmaps(8001, 8002, 8002, 8001);
    m_BtnPause.SetSize(15, 15);
    m_BtnPause.SetToolTipText("暂停");

    if (m_bForEasyViewer) {
        CMenu* systemMenu = GetSystemMenu(FALSE);
        if (systemMenu != nullptr) {
            systemMenu->AppendMenu(MF_SEPARATOR);
            systemMenu->AppendMenu(MF_STRING, ID_OPEN_FILE, "打开文件(&Open)");
        }
    }
    return 0;
}

CRect CDicomWnd::CurrentClientRect() const
{
    CRect client(0, 0, 0, 0);
    if (m_hWnd != nullptr)
        GetClientRect(&client);
    return client;
}

void CDicomWnd::DeleteOwnedImage()
{
    if (m_nImageOwnership == 1 && m_pDcmImage != nullptr) {
        delete m_pDcmImage;
        m_pDcmImage = nullptr;
    }
}

int CDicomWnd::SetImage(CString path, int n)
{
    if (path.IsEmpty())
        return 0;
    if (n > 0) {
        m_strFileName = path;
        return 1;
    }
    return IsClipPath(path) ? BindClip(path) : BindImageFile(path, n);
}

int CDicomWnd::BindClip(const CString& path)
{
    DeleteOwnedImage();
    m_pDcmImage = nullptr;
    KillTimer(CINE_TIMER);
    // Until the new clip plays, no clip is bound: the last one is closed.
    m_bVideo = 0;
    KillTimer(CLIP_TIMER);
    Repaint();
    if (m_pPlayer == nullptr) {
        CDSPlayer* player = new (std::nothrow) CDSPlayer;
        if (player == nullptr)
            return 0;
        const CRect client = CurrentClientRect();
        if (!player->Create(nullptr, "Player", WS_CHILD | WS_VISIBLE, client, this, IDC_PLAYER) ||
            !player->PlayMovie(path, 1)) {
            if (player->GetSafeHwnd() != nullptr)
                player->DestroyWindow();
            delete player;
            return 0;
        }
        m_pPlayer = player;
    } else if (!m_pPlayer->PlayMovie(path, 1)) {
        ShowPlayCtrl(0);
        return 0;
    }
    m_pPlayer->SetWindowText("Video");
    m_bVideo = 1;
    m_strFileName = path;
    const int seconds = static_cast<int>(m_pPlayer->GetDuration() / 1000);
    m_PlaySlider.m_bShowBand1 = 0;
    m_PlaySlider.m_bShowBand2 = 0;
    m_PlaySlider.m_nMin = 0;
    m_PlaySlider.m_nMax = seconds;
    m_PlaySlider.m_nPos = 0;
    m_nClipSeconds = seconds;
    m_nPlayingSeconds = 0;
    ShowPlayCtrl(1);
    m_pPlayer->Pause();
    KillTimer(CLIP_TIMER);
    return 1;
}

int CDicomWnd::BindImageFile(const CString& path, int n)
{
    ShowPlayCtrl(0);
    CDcmImage* image = new (std::nothrow) CDcmImage;
    if (image == nullptr)
        return 0;
    if (!image->OpenFile(path)) {
        delete image;
        return 0;
    }
    m_nImageIndex = std::atoi(image->GetDicomInfo()->GetInstanceNumber());
    DeleteOwnedImage();
    image->SetIsImgPos(n == -1 ? 1 : 0);
    m_pDcmImage = image;
    m_nImageOwnership = 1;
    m_strFileName = path;
    m_bVideo = 0;
    KillTimer(CINE_TIMER);
    KillTimer(CLIP_TIMER);
    m_ClientRect = CurrentClientRect();
    ResetTotalRect();
    Repaint();
    UpdateOverlayView();
    return 1;
}

int CDicomWnd::SetImage(CDcmImage* image)
{
    // Rebinding the image the window already owns must neither free it nor
    // hand its ownership away.
    if (image != m_pDcmImage)
        KillTimer(CINE_TIMER);
    if (image == nullptr || image != m_pDcmImage || m_nImageOwnership != 1) {
        if (m_nImageOwnership == 1 && m_pDcmImage != nullptr) {
            Repaint();
            DeleteOwnedImage();
        }
        m_nImageOwnership = 2;
    }
    m_pDcmImage = image;
    if (image != nullptr)
        image->SetIsImgPos(1);
    m_ClientRect = CurrentClientRect();
    ResetTotalRect();
    Repaint();
    UpdateOverlayView();
    return 1;
}

void CDicomWnd::ResetTotalRect()
{
    if (m_pDcmImage == nullptr || m_pDcmImage->GetWidth() == 0 || m_pDcmImage->GetHeight() == 0 ||
        m_ClientRect.IsRectEmpty())
        return;
    m_TotalRect = CDcmImage::GetFittedImageRect(m_ClientRect, m_pDcmImage->GetWidth(), m_pDcmImage->GetHeight(), 5, 5);
}

void CDicomWnd::SetClientRect(CRect rect)
{
    if (rect != m_ClientRect && m_pDcmImage != nullptr) {
        m_ClientRect = rect;
        ResetTotalRect();
    }
}

void CDicomWnd::UpdateOverlayView()
{
    COverLayManager* manager = GetOverLayManager();
    if (manager == nullptr)
        return;
    manager->m_pOwnerWnd = this;
    manager->SetImageRect(m_TotalRect.left, m_TotalRect.top, m_TotalRect.right, m_TotalRect.bottom, 0);
    manager->UpdateScreenPoints();
}

int CDicomWnd::GetImageDestRelativeRect(CRelativeRect& rect)
{
    if (m_pDcmImage == nullptr || m_pDcmImage->GetWidth() == 0 || m_pDcmImage->GetHeight() == 0)
        return 0;
    const CRect fitted =
        CDcmImage::GetFittedImageRect(CurrentClientRect(), m_pDcmImage->GetWidth(), m_pDcmImage->GetHeight(), 5, 5);
    // A window too small to fit anything has no relative position.
    if (fitted.Width() == 0 || fitted.Height() == 0)
        return 0;
    const float width = static_cast<float>(fitted.Width());
    const float height = static_cast<float>(fitted.Height());
    rect.left = (m_TotalRect.left - fitted.left) / width;
    rect.right = (m_TotalRect.right - fitted.left) / width;
    rect.top = (m_TotalRect.top - fitted.top) / height;
    rect.bottom = (m_TotalRect.bottom - fitted.top) / height;
    return 1;
}

COverLayManager* CDicomWnd::GetOverLayManager()
{
    return m_pDcmImage != nullptr ? m_pDcmImage->GetOverLayManager() : nullptr;
}

void CDicomWnd::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    if (m_bVideo) {
        ShowPlayCtrl(1);
        return;
    }
    if (m_pDcmImage == nullptr || m_pDcmImage->IsVideoFile())
        return;
    if (cx > 0 && cy > 0)
        SetClientRect(CRect(0, 0, cx, cy));
    SetWindowAjustStep();
    UpdateOverlayView();
    if (m_RptCheck.GetSafeHwnd() != nullptr)
        m_RptCheck.SetWindowPos(nullptr, 0, cy - 15, 15, 15, SWP_NOZORDER);
}

void CDicomWnd::SetNotifyShowWindow(UINT message, CWnd* window)
{
    m_nNotifyMessage = message;
    m_pNotifyWnd = window;
}

int CDicomWnd::ShowWindow(int nCmdShow)
{
    m_bVisible = nCmdShow >= 1 ? 1 : 0;
    if (m_nNotifyMessage != 0 && m_pNotifyWnd != nullptr)
        m_pNotifyWnd->SendMessage(m_nNotifyMessage, reinterpret_cast<WPARAM>(this),
                                  reinterpret_cast<LPARAM>(m_pNotifyWnd));
    return CWnd::ShowWindow(nCmdShow);
}

void CDicomWnd::ShowImageInfo(int on)
{
    m_bShowImageInfo = on;
    Repaint();
}

void CDicomWnd::SetIsActive(int on)
{
    if (on == m_bActive)
        return;
    m_bActive = on;
    Repaint();
}

void CDicomWnd::SetDictFile(CString path)
{
    m_strPhraseFile = path;
    if (COverLayManager* manager = GetOverLayManager())
        manager->m_strPhraseFile = path;
}

void CDicomWnd::ShowMeasureInfo(int on)
{
    m_bShowMeasureInfo = on;
    if (COverLayManager* manager = GetOverLayManager()) {
        manager->m_bShowMeasure = on;
        UpdateOverlayView();
    }
}

void CDicomWnd::ShowRPTCheck(int show)
{
    m_bRptCheckShown = show;
    if (m_RptCheck.GetSafeHwnd() != nullptr)
        m_RptCheck.ShowWindow(show ? SW_SHOW : SW_HIDE);
}

int CDicomWnd::GetRPTCheck()
{
    return m_RptCheck.GetSafeHwnd() != nullptr ? m_RptCheck.GetCheck() : 0;
}

void CDicomWnd::SetRPTCheck(int check)
{
    if (m_RptCheck.GetSafeHwnd() != nullptr)
        m_RptCheck.SetCheck(check);
}

void CDicomWnd::ShowFilePath(int on)
{
    if (on == m_bShowFilePath)
        return;
    m_bShowFilePath = on;
    Repaint();
}

void CDicomWnd::OnDrawVisible()
{
    if (COverLayManager* manager = GetOverLayManager()) {
        manager->m_bVisible = !manager->m_bVisible;
        Repaint();
    }
}

int CDicomWnd::GetIsOverlayVisible()
{
    COverLayManager* manager = GetOverLayManager();
    return manager != nullptr ? manager->m_bVisible : 0;
}

void CDicomWnd::OnOverlayEraseall()
{
    if (COverLayManager* manager = GetOverLayManager()) {
        manager->EraseAll();
        Repaint();
    }
}

void CDicomWnd::ShowNextFrame()
{
    if (m_pDcmImage == nullptr || m_pDcmImage->GetFramesCount() < 1)
        return;
    int next = m_pDcmImage->GetCurrentFrame() + 1;
    if (next >= m_pDcmImage->GetFramesCount())
        next = 0;
    ShowFrameText(next);
    m_pDcmImage->SetCurrentFrame(next);
    m_pDcmImage->BuildCurrentPixelBits();
    Repaint();
}

void CDicomWnd::ShowPreviousFrame()
{
    if (m_pDcmImage == nullptr || m_pDcmImage->GetFramesCount() < 1)
        return;
    int previous = m_pDcmImage->GetCurrentFrame() - 1;
    if (previous < 0)
        previous = m_pDcmImage->GetFramesCount() - 1;
    ShowFrameText(previous);
    m_pDcmImage->SetCurrentFrame(previous);
    m_pDcmImage->BuildCurrentPixelBits();
    Repaint();
}

void CDicomWnd::ShowFrameText(int index)
{
    if (m_hWnd == nullptr)
        return;
    CString text;
    text.Format("Frame:%d/%d", index, m_pDcmImage->GetFramesCount());
    SetWindowText(text);
}
