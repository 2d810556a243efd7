#include "ViewerView.h"

#include "LeftView.h"
#include "MainFrm.h"
#include "Resource.h"
#include "ViewerApp.h"
#include "ViewerPaths.h"
#include "ViewerTexts.h"
#include "XmlParser.h"

#include <vector>

IMPLEMENT_DYNCREATE(CViewerView, CListView)

BEGIN_MESSAGE_MAP(CViewerView, CListView)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_DROPFILES()
    ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
    ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
    ON_COMMAND(ID_FILE_SAVE_ALL, OnFileSaveAll)
    ON_COMMAND(ID_OPERATION_ZOOM, OnOperationZoom)
    ON_COMMAND(ID_OPERATION_MOVE, OnOperationMove)
    ON_COMMAND(ID_OPERATION_LEFT, OnOperationRotateLeft)
    ON_COMMAND(ID_OPERATION_RIGHT, OnOperationRotateRight)
    ON_COMMAND(ID_OPERATION_MIRROR, OnOperationMirror)
    ON_COMMAND(ID_OPERATION_INVERT, OnOperationInvert)
    ON_COMMAND(ID_OPERATION_RESET, OnOperationReset)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_AS, OnUpdateImageCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_OPERATION_ZOOM, ID_OPERATION_RESET, OnUpdateImageCommand)
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE_ALL, OnUpdateFileSaveAll)
END_MESSAGE_MAP()

namespace {

const char kConverterName[] = "dcm2xml";
const char kXmlFileName[] = "dicomdir.xml";
const char kFileIdTag[] = "0004,1500";
const char kRecordTypeTag[] = "0004,1430";
// Text without a declared character set is read as Latin-1, in which every
// byte is a character: the converter then writes every DICOMDIR, whatever
// its text, instead of refusing it.
const char kAssumedCharset[] = "ISO_IR 100";

}  // namespace

CViewerView::CViewerView() : m_pTreeView(nullptr) {}

BOOL CViewerView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CListView::PreCreateWindow(cs))
        return FALSE;
    cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    return TRUE;
}

int CViewerView::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CListView::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_wndDicom.SetForEasyViewer(TRUE);
    m_wndDicom.SetShowPopupMenu(TRUE);
    CRect client;
    GetClientRect(&client);
    if (!m_wndDicom.Create(nullptr, "DicomWnd", WS_CHILD | WS_VISIBLE, client, this, IDC_DICOM_WND))
        return -1;
    m_wndDicom.SetShowEasyText(IdleText());
    DragAcceptFiles(TRUE);
    return 0;
}

CString CViewerView::IdleText() const
{
    CString text;
    for (const char* line : {"", kTextBannerTitle, "", kTextBannerAuthor, kTextBannerContact, kTextBannerWelcome, ""}) {
        text += line;
        text += "\n";
    }
    CString readme;
    readme.Format("%s/Readme.txt", (LPCTSTR)theApp.m_strProgramFolder);
    CStdioFile file;
    if (file.Open(readme, CFile::modeRead | CFile::typeText)) {
        CString line;
        while (file.ReadString(line)) {
            text += line;
            text += "\n";
        }
        file.Close();
    }
    return text;
}

void CViewerView::OnSize(UINT nType, int cx, int cy)
{
    CListView::OnSize(nType, cx, cy);
    if (m_wndDicom.GetSafeHwnd()) {
        m_wndDicom.MoveWindow(0, 0, cx, cy, TRUE);
        m_wndDicom.UpdateOverlayView();
    }
}

BOOL CViewerView::PreTranslateMessage(MSG* pMsg)
{
    // F6 is left to the frame's accelerators, so that the focus can leave
    // the image pane too.
    if (pMsg->message == WM_KEYDOWN && m_wndDicom.GetSafeHwnd() && pMsg->wParam != VK_F6) {
        m_wndDicom.SendMessage(WM_KEYDOWN, pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CListView::PreTranslateMessage(pMsg);
}

void CViewerView::OnUpdate(CView*, LPARAM, CObject*)
{
    CDocument* document = GetDocument();
    if (document && !document->GetPathName().IsEmpty())
        OpenPath(document->GetPathName());
}

CString CViewerView::OpenPath(CString path)
{
    if (!m_wndDicom.GetSafeHwnd() || !AfxGetMainWnd() || !m_pTreeView || m_pTreeView->m_bSavingAll)
        return CString();
    if (path.IsEmpty()) {
        CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kTextOpenFilter);
        if (dialog.DoModal() != IDOK)
            return CString();
        path = dialog.GetPathName();
    }
    if (PathEndsWithNoCase(path, "dicomdir")) {
        OpenDicomdir(path);
        return CString();
    }
    if (auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd()))
        frame->ShowLeftPane(TRUE);
    OpenFileInFolder(path);
    if (m_wndDicom.SetImage(path, 0))
        SetFocus();
    else
        AfxMessageBox(kTextOpenFailed);
    return path;
}

void CViewerView::OpenFileInFolder(CString& path)
{
    CString folder = FolderOfPath(path);
    if (folder.IsEmpty())
        return;
    CLeftView* tree = m_pTreeView;
    tree->DeleteAllItems();
    tree->m_strFolder = folder;
    tree->m_bFilling = 1;
    CFileFind finder;
    BOOL more = finder.FindFile(folder + "/*.*");
    bool exactListed = false;
    CString sameButCase;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory())
            continue;
        HTREEITEM item = tree->AddItem(finder.GetFileName());
        // A name that differs only in case is the user's file too; the file
        // system decides which one exists, so the exact name wins.
        CString listed = finder.GetFilePath();
        if (!item || exactListed || listed.CompareNoCase(path) != 0)
            continue;
        tree->GetTreeCtrl().SelectItem(item);
        if (listed == path)
            exactListed = true;
        else if (sameButCase.IsEmpty())
            sameButCase = listed;
    }
    if (!exactListed && !sameButCase.IsEmpty())
        path = sameButCase;
    tree->m_bFilling = 0;
}

void CViewerView::ShowImageFile(CString path)
{
    if (!m_wndDicom.GetSafeHwnd())
        return;
    if (!m_wndDicom.SetImage(path, 0)) {
        m_wndDicom.SetImage(static_cast<CDcmImage*>(nullptr));
        // Said as File > Open says it: an empty pane alone tells nothing.
        AfxMessageBox(kTextOpenFailed);
        if (m_pTreeView)
            m_pTreeView->SetFocus();
    }
}

void CViewerView::OpenDicomdir(const CString& path)
{
    CLeftView* tree = m_pTreeView;
    tree->DeleteAllItems();
    tree->m_bFileIds = 1;
    tree->m_strFolder = FolderOfPath(path);

    if (theApp.m_strTempFolder.IsEmpty())
        return;
    CString xmlPath;
    xmlPath.Format("%s/%s", (LPCTSTR)theApp.m_strTempFolder, kXmlFileName);
    DeleteFile(xmlPath);

    CString converter = FindConverter(theApp.m_strProgramFolder, kConverterName);
    PROCESS_INFORMATION process = {};
    if (converter.IsEmpty() ||
        !PlatformCreateProcess({(LPCTSTR)converter, "-q", "+Ca", kAssumedCharset, (LPCTSTR)path, (LPCTSTR)xmlPath},
                               &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    ListImageRecords(xmlPath);
}

void CViewerView::ListImageRecords(const CString& xmlPath)
{
    XML_PARSER parser;
    if (!parser.Load_XML_Document(xmlPath))
        return;
    CLeftView* tree = m_pTreeView;
    tree->m_bFilling = 1;
    bool found = parser.Go_to_Child("data-set") && parser.Go_to_Child("sequence") && parser.Go_to_Child("item");
    for (bool item = found; item; item = parser.Go_to_Forward("item")) {
        if (!parser.Go_to_Child("element"))
            continue;
        CString fileId;
        bool image = false;
        for (bool element = true; element; element = parser.Go_to_Forward("element")) {
            if (!parser.Is_Having_Attribute("tag"))
                continue;
            CString tag = parser.Get_Attribute_Value();
            if (tag == kFileIdTag) {
                fileId = parser.Get_TextValue();
                break;
            }
            if (tag == kRecordTypeTag) {
                CString type = parser.Get_TextValue();
                type.MakeLower();
                image = type == "image";
            }
        }
        if (image)
            tree->AddItem(fileId);
        parser.Go_to_Parent();
    }
    tree->m_bFilling = 0;
    m_wndDicom.SetImage(static_cast<CDcmImage*>(nullptr));
    if (auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd()))
        frame->ShowLeftPane(TRUE);
}

void CViewerView::OnDropFiles(HDROP hDropInfo)
{
    DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    // Sized to the path: a cut-off path could name another file.
    std::vector<char> path(DragQueryFile(hDropInfo, 0, nullptr, 0) + 1, '\0');
    DragQueryFile(hDropInfo, 0, path.data(), (UINT)path.size());
    OpenPath(path.data());
    DragFinish(hDropInfo);
}

void CViewerView::OnFileOpen()
{
    if (m_wndDicom.GetSafeHwnd())
        OpenPath(CString());
}

void CViewerView::OnFileSaveAs()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.SendMessage(WM_COMMAND, ID_DICOMWND_SAVE_AS, 0);
}

void CViewerView::OnFileSaveAll()
{
    if (m_wndDicom.GetSafeHwnd() && m_pTreeView)
        m_pTreeView->OnFileSaveAll();
}

void CViewerView::OnOperationZoom()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.SetOpMode(OPMODE_ZOOM);
}

void CViewerView::OnOperationMove()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.SetOpMode(OPMODE_MOVE);
}

void CViewerView::OnOperationRotateLeft()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.RotateLeft();
}

void CViewerView::OnOperationRotateRight()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.RotateRight();
}

void CViewerView::OnOperationMirror()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.ReverseImage();
}

void CViewerView::OnOperationInvert()
{
    if (m_wndDicom.GetSafeHwnd())
        m_wndDicom.InverseImage();
}

void CViewerView::OnOperationReset()
{
    if (!m_wndDicom.GetSafeHwnd())
        return;
    m_wndDicom.ResetImageSize();
    CDcmImage* image = m_wndDicom.GetImage();
    if (image)
        image->ResetBoth();
    if (image && image->GetInverse())
        m_wndDicom.InverseImage();
    else
        m_wndDicom.Invalidate(TRUE);
}

void CViewerView::OnUpdateImageCommand(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_wndDicom.GetSafeHwnd() && m_wndDicom.GetImage() != nullptr);
    pCmdUI->SetCheck(0);
}

void CViewerView::OnUpdateFileSaveAll(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pTreeView && !m_pTreeView->m_bSavingAll && m_pTreeView->GetTreeCtrl().GetRootItem() != nullptr);
}
