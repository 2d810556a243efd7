// The framework without a display: dialogs and data exchange answered by a
// scripted responder (also nested), documents, frames and views with
// command routing, the splitter's layout, tree notifications, menus,
// dropped files, controls and processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "wnd/control_model.h"
#include "wnd/wnd.h"

namespace {

const UINT kDialog = 7130;
const UINT kFrame = 7128;
const UINT ID_ZOOM = 32771;
const UINT ID_HELP_ITEM = 32778;

std::vector<std::string> g_log;

class SaveDialog : public CDialog {
public:
    SaveDialog() : CDialog(kDialog) {}
    int include = 0;
    CString suffix = "JPG";
    CString folder;
    int naming = 0;
    int browses = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Check(pDX, 1005, include);
        DDX_CBString(pDX, 1004, suffix);
        DDX_Text(pDX, 1000, folder);
        DDX_Radio(pDX, 1002, naming);
    }
    BOOL OnInitDialog() override {
        CComboBox* box = static_cast<CComboBox*>(GetDlgItem(1004));
        box->AddString("JPG");
        box->AddString("BMP");
        box->AddString("AVI");
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        UpdateData(TRUE);
        if (folder.IsEmpty()) {
            AfxMessageBox("请输入将要保存图像的目录路径");
            return;
        }
        EndDialog(IDOK);
    }
    void OnBrowse() {
        ++browses;
        BROWSEINFO info{};
        info.lpszTitle = "请选择保存目录";
        LPITEMIDLIST list = SHBrowseForFolder(&info);
        char path[MAX_PATH] = "";
        if (list) SHGetPathFromIDList(list, path);
        LPMALLOC allocator = nullptr;
        if (SHGetMalloc(&allocator) == S_OK && list) allocator->Free(list);
        folder = path;
        UpdateData(FALSE);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SaveDialog, CDialog)
    ON_BN_CLICKED(1001, OnBrowse)
END_MESSAGE_MAP()

void RegisterTestResources() {
    DialogTemplate t;
    t.caption = "图像保存参数";
    t.cx = 299;
    t.cy = 157;
    t.items = {
        {"EDIT", "", 1000, 7, 7, 200, 14, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | WS_BORDER},
        {"BUTTON", "浏览", 1001, 210, 7, 50, 14, WS_CHILD | WS_VISIBLE},
        {"COMBOBOX", "", 1004, 7, 30, 100, 60, WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT},
        {"BUTTON", "a", 1002, 7, 60, 100, 10, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP},
        {"BUTTON", "b", 1003, 7, 72, 100, 10, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON},
        {"BUTTON", "c", 1005, 7, 90, 100, 10, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_GROUP},
        {"BUTTON", "开始保存", IDOK, 100, 130, 50, 14, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON},
        {"BUTTON", "取消保存", IDCANCEL, 160, 130, 50, 14, WS_CHILD | WS_VISIBLE},
    };
    RegisterDialogResource(kDialog, t);
    RegisterStringResource(kFrame, "Viewer\n\nViewer\n\n\nViewer.Document\nViewer Document");
    RegisterMenuResource(kFrame, {{"操作(&O)", 0, MF_POPUP,
                                   {{"缩放(&Zoom)", ID_ZOOM, MF_STRING, {}},
                                    {"", 0, MF_SEPARATOR, {}},
                                    {"帮助", ID_HELP_ITEM, MF_STRING, {}},
                                    {"另存为", ID_FILE_SAVE_AS, MF_STRING, {}}}}});
    RegisterAcceleratorResource(kFrame, {{FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
                                         {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
                                         {FVIRTKEY, VK_F6, ID_NEXT_PANE},
                                         {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE}});
}

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformResetWindows();
        SetModalResponder(nullptr);
        ClearModalLog();
        PlatformClearMessageBoxLog();
        RegisterTestResources();
        g_log.clear();
    }
    void TearDown() override {
        SetModalResponder(nullptr);
        PlatformResetWindows();
    }
};

CEdit& EditOf(CDialog& d, int id) { return *static_cast<CEdit*>(d.GetDlgItem(id)); }

TEST_F(FrameworkTest, ModalDialogExchangesDataAndStaysOpenUntilValid) {
    SaveDialog dialog;
    dialog.naming = 1;
    ScriptedResponder script;
    script
        .Dialog([](CDialog& d) {
            // The list was filled and sorted, the members shown.
            CComboBox* box = static_cast<CComboBox*>(d.GetDlgItem(1004));
            CString first;
            box->GetLBText(0, first);
            EXPECT_EQ(first, "AVI");
            EXPECT_EQ(box->GetCount(), 3);
            CString text;
            box->GetWindowText(text);
            EXPECT_EQ(text, "JPG");
            EXPECT_EQ(d.GetDlgItem(1003)->SendMessage(BM_GETCHECK), BST_CHECKED);
            // OK with an empty folder: a message, the dialog stays.
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
            EXPECT_TRUE(d.ContinueModal());
            EditOf(d, 1000).SetWindowText("/tmp/out");
            d.GetDlgItem(1002)->SendMessage(BM_CLICK);
            d.GetDlgItem(1005)->SendMessage(BM_CLICK);
            box->SetWindowText("BMP");
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        })
        .Install();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.folder, "/tmp/out");
    EXPECT_EQ(dialog.suffix, "BMP");
    EXPECT_EQ(dialog.naming, 0);
    EXPECT_EQ(dialog.include, 1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    ASSERT_EQ(PlatformMessageBoxLog().size(), 1u);
    EXPECT_EQ(PlatformLastMessageBoxText(), "请输入将要保存图像的目录路径");
}

class CountDialog : public CDialog {
public:
    CountDialog() : CDialog(kDialog) {}
    CString suffix = "JPG";
    int count = 7;
    int naming = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_CBString(pDX, 1004, suffix);
        DDX_Text(pDX, 1000, count);
        DDX_Radio(pDX, 1002, naming);
    }
};

// The framework's own OK: a field that fails stops the exchange there, says
// why, and keeps the dialog open with the member unchanged.
TEST_F(FrameworkTest, OkWithAFailingFieldKeepsTheDialogOpen) {
    CountDialog dialog;
    ScriptedResponder script;
    script
        .Dialog([](CDialog& d) {
            CountDialog& counts = static_cast<CountDialog&>(d);
            d.GetDlgItem(1004)->SetWindowText("BMP");
            EditOf(d, 1000).SetWindowText("12a");
            d.GetDlgItem(1003)->SendMessage(BM_CLICK);
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
            EXPECT_TRUE(d.ContinueModal());
            EXPECT_EQ(counts.suffix, "BMP");
            EXPECT_EQ(counts.count, 7);
            EXPECT_EQ(counts.naming, 0);
            EditOf(d, 1000).SetWindowText("-42");
            d.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        })
        .Install();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.count, -42);
    EXPECT_EQ(dialog.naming, 1);
    ASSERT_EQ(PlatformMessageBoxLog().size(), 1u);
    EXPECT_EQ(PlatformLastMessageBoxText(), "请输入一个整数。");
}

TEST_F(FrameworkTest, NestedModalFolderBrowserAndCancellation) {
    SaveDialog dialog;
    ScriptedResponder script;
    script
        .Dialog([](CDialog& d) {
            EditOf(d, 1000).SetWindowText("typed");
            d.GetDlgItem(1001)->SendMessage(BM_CLICK);  // browse: answered below
            CString text;
            EditOf(d, 1000).GetWindowText(text);
            EXPECT_EQ(text, "/data/chosen");
            d.GetDlgItem(1001)->SendMessage(BM_CLICK);  // browse, cancelled
            EditOf(d, 1000).GetWindowText(text);
            EXPECT_EQ(text, "");
        })
        .Answer(IDOK, "/data/chosen")
        .Answer(IDCANCEL)
        .Install();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // left open by the script
    EXPECT_EQ(dialog.browses, 2);
    ASSERT_EQ(ModalLog().size(), 3u);
    EXPECT_EQ(ModalLog()[1].kind, ModalKind::Folder);
    EXPECT_EQ(ModalLog()[1].text, "请选择保存目录");
}

TEST_F(FrameworkTest, FileDialogPassesFilterAndAddsTheDefaultExtension) {
    ScriptedResponder script;
    script.Answer(IDOK, "/tmp/picture").Answer(IDOK, "/tmp/clip.avi").Install();
    CFileDialog save(FALSE, "JPG", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "JPEG图片(*.jpg)|*.jpg|视频文件(*.avi)|*.avi|");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/picture.JPG");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/clip.avi");
    EXPECT_EQ(save.GetFileTitle(), "clip");
    EXPECT_EQ(ModalLog()[0].kind, ModalKind::SaveFile);
    EXPECT_EQ(ModalLog()[0].filter, "JPEG图片(*.jpg)|*.jpg|视频文件(*.avi)|*.avi|");
    EXPECT_TRUE(ModalLog()[0].flags & OFN_OVERWRITEPROMPT);
    CFileDialog open(TRUE);
    EXPECT_EQ(open.DoModal(), IDCANCEL);
}

// Document/view

class TestDoc : public CDocument {
    DECLARE_DYNCREATE(TestDoc)
protected:
    void OnSaveAs() { g_log.push_back("doc save as"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestDoc, CDocument)
BEGIN_MESSAGE_MAP(TestDoc, CDocument)
    ON_COMMAND(ID_FILE_SAVE_AS, OnSaveAs)
END_MESSAGE_MAP()

class TreePane : public CTreeView {
    DECLARE_DYNCREATE(TreePane)
public:
    int filling = 0;
    std::vector<std::string> selected;
    int deleted = 0;

protected:
    void OnSelChanged(NMHDR* nm, LRESULT* result) {
        NMTREEVIEW* tv = reinterpret_cast<NMTREEVIEW*>(nm);
        if (!filling && tv->itemNew.hItem) selected.push_back((LPCTSTR)GetTreeCtrl().GetItemText(tv->itemNew.hItem));
        *result = 0;
    }
    void OnDeleted(NMHDR*, LRESULT* result) {
        ++deleted;
        *result = 0;
    }
    void OnOpen() { g_log.push_back("tree open"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TreePane, CTreeView)
BEGIN_MESSAGE_MAP(TreePane, CTreeView)
    ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
    ON_NOTIFY_REFLECT(TVN_DELETEITEM, OnDeleted)
    ON_COMMAND(ID_FILE_OPEN, OnOpen)
END_MESSAGE_MAP()

class ImagePane : public CListView {
    DECLARE_DYNCREATE(ImagePane)
public:
    BOOL hasImage = FALSE;
    std::vector<UINT> keys;
    CString openedPath;

protected:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) {
            keys.push_back((UINT)msg->wParam);
            return TRUE;
        }
        return CListView::PreTranslateMessage(msg);
    }
    void OnUpdate(CView*, LPARAM, CObject*) override {
        if (GetDocument() && !GetDocument()->GetPathName().IsEmpty()) openedPath = GetDocument()->GetPathName();
    }
    void OnZoom() { g_log.push_back("image zoom"); }
    void OnUpdateImage(CCmdUI* ui) { ui->Enable(hasImage); }
    void OnOpen() { g_log.push_back("image open"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(ImagePane, CListView)
BEGIN_MESSAGE_MAP(ImagePane, CListView)
    ON_COMMAND(ID_ZOOM, OnZoom)
    ON_UPDATE_COMMAND_UI(ID_ZOOM, OnUpdateImage)
    ON_COMMAND(ID_FILE_OPEN, OnOpen)
END_MESSAGE_MAP()

class MainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(MainFrame)
public:
    CSplitterWnd splitter;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* context) override {
        if (!splitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
        if (!splitter.CreateView(0, 0, RUNTIME_CLASS(TreePane), CSize(0, 100), context) ||
            !splitter.CreateView(0, 1, RUNTIME_CLASS(ImagePane), CSize(100, 100), context)) {
            splitter.DestroyWindow();
            return FALSE;
        }
        return TRUE;
    }
    void OnHelpItem() { g_log.push_back("frame help"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(MainFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(MainFrame, CFrameWnd)
    ON_COMMAND(ID_HELP_ITEM, OnHelpItem)
END_MESSAGE_MAP()

class TestApp : public CWinApp {
public:
    TestApp() {
        AddDocTemplate(new CSingleDocTemplate(kFrame, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(MainFrame),
                                              RUNTIME_CLASS(TreePane)));
    }
    void OnAbout() { g_log.push_back("app about"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAbout)
    ON_COMMAND(ID_FILE_NEW, OnFileNew)
END_MESSAGE_MAP()

struct Shell {
    TestApp app;
    MainFrame* frame = nullptr;
    TreePane* tree = nullptr;
    ImagePane* image = nullptr;
    explicit Shell(const char* path = nullptr) {
        CCommandLineInfo info;
        if (path) {
            info.m_nShellCommand = CCommandLineInfo::FileOpen;
            info.m_strFileName = path;
        }
        if (!app.ProcessShellCommand(info)) return;
        frame = dynamic_cast<MainFrame*>(app.m_pMainWnd);
        frame->MoveWindow(0, 0, 800, 600, TRUE);
        tree = dynamic_cast<TreePane*>(frame->splitter.GetPane(0, 0));
        image = dynamic_cast<ImagePane*>(frame->splitter.GetPane(0, 1));
    }
    ~Shell() {
        if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    }
};

TEST_F(FrameworkTest, NewDocumentBuildsFrameSplitterAndViews) {
    Shell shell;
    ASSERT_TRUE(shell.frame && shell.tree && shell.image);
    EXPECT_EQ(shell.tree->GetDocument(), shell.image->GetDocument());
    CRect treeRect, imageRect;
    shell.tree->GetClientRect(&treeRect);
    shell.image->GetWindowRect(&imageRect);
    CRect client;
    shell.frame->GetClientRect(&client);
    EXPECT_EQ(treeRect.Width(), 0);
    EXPECT_EQ(imageRect.Width(), client.Width() - CSplitterWnd::kBarSize);
    shell.frame->splitter.SetColumnInfo(0, 250, 50);
    shell.frame->splitter.RecalcLayout();
    shell.tree->GetClientRect(&treeRect);
    shell.image->GetClientRect(&imageRect);
    EXPECT_EQ(treeRect.Width(), 250);
    EXPECT_EQ(imageRect.Width(), 800 - 250 - CSplitterWnd::kBarSize);
    EXPECT_EQ(shell.frame->GetActiveView(), shell.tree);
}

TEST_F(FrameworkTest, ClosingTheMainFrameClosesTheDocumentAndQuits) {
    Shell shell;
    ASSERT_TRUE(shell.frame);
    shell.frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(shell.app.m_pMainWnd, nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(shell.app.Run(), 0);
}

TEST_F(FrameworkTest, SplitterLayoutArithmetic) {
    std::vector<CSplitterWnd::CRowColInfo> cols(2);
    cols[0].nIdealSize = 250;
    cols[0].nMinSize = 50;
    CSplitterWnd::Layout(cols, 1000);
    EXPECT_EQ(cols[0].nCurSize, 250);
    EXPECT_EQ(cols[1].nCurSize, 1000 - 250 - CSplitterWnd::kBarSize);
    cols[0].nIdealSize = 40;  // below its minimum: hidden
    CSplitterWnd::Layout(cols, 1000);
    EXPECT_EQ(cols[0].nCurSize, 0);
    EXPECT_EQ(cols[1].nCurSize, 1000 - CSplitterWnd::kBarSize);
    cols[0].nIdealSize = 250;
    CSplitterWnd::Layout(cols, 200);  // narrower than the ideal
    EXPECT_EQ(cols[0].nCurSize, 200);
    EXPECT_EQ(cols[1].nCurSize, 0);
    CSplitterWnd::Layout(cols, 254);  // no room for the bar
    EXPECT_EQ(cols[0].nCurSize, 254);
    EXPECT_EQ(cols[1].nCurSize, 0);
}

TEST_F(FrameworkTest, CommandsRouteViewDocumentFrameApplicationAndUnhandledAreDisabled) {
    Shell shell;
    ASSERT_TRUE(shell.frame);
    shell.frame->SetActiveView(shell.image);
    shell.frame->SendMessage(WM_COMMAND, ID_ZOOM);  // disabled: not run
    shell.image->hasImage = TRUE;
    shell.frame->SendMessage(WM_COMMAND, ID_ZOOM);
    shell.frame->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
    shell.frame->SendMessage(WM_COMMAND, ID_HELP_ITEM);
    shell.frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
    EXPECT_EQ(g_log, (std::vector<std::string>{"image zoom", "doc save as", "frame help", "app about"}));

    CMenu* popup = shell.frame->GetMenu()->GetSubMenu(0);
    shell.image->hasImage = FALSE;
    shell.frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)popup->m_hMenu);
    EXPECT_TRUE(popup->GetMenuState(ID_ZOOM, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(popup->GetMenuState(ID_HELP_ITEM, MF_BYCOMMAND) & MF_GRAYED);
    popup->AppendMenu(MF_STRING, 40000, "nobody");
    shell.frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)popup->m_hMenu);
    EXPECT_TRUE(popup->GetMenuState(40000, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(FrameworkTest, PaneFiltersKeysBeforeTheAcceleratorsAndF6SwitchesPanes) {
    Shell shell;
    ASSERT_TRUE(shell.frame);
    shell.tree->SetFocus();
    // Without their own modifier, or with another one, accelerator keys are plain keys.
    PlatformSendKey(shell.tree->m_hWnd, 'O');
    PlatformSendKey(shell.tree->m_hWnd, 'O', false, true);
    PlatformSendKey(shell.tree->m_hWnd, 'O', false, false, true);
    EXPECT_TRUE(g_log.empty());
    PlatformSendKey(shell.tree->m_hWnd, 'O', true);
    EXPECT_EQ(g_log, std::vector<std::string>{"tree open"});
    PlatformSendKey(shell.tree->m_hWnd, VK_F6);
    EXPECT_EQ(shell.frame->GetActiveView(), shell.image);
    EXPECT_EQ(CWnd::GetFocus(), shell.image);
    // In the image pane every key goes to the pane, never to the accelerators.
    PlatformSendKey(shell.image->m_hWnd, 'O', true);
    PlatformSendKey(shell.image->m_hWnd, VK_F6);
    EXPECT_EQ(g_log, std::vector<std::string>{"tree open"});
    EXPECT_EQ(shell.image->keys, (std::vector<UINT>{'O', VK_F6}));
    shell.tree->SetFocus();
    PlatformSendKey(shell.tree->m_hWnd, VK_F6, false, true);
    EXPECT_EQ(shell.frame->GetActiveView(), shell.image);
}

TEST_F(FrameworkTest, CommandLinePathOpensTheDocumentAndSaveNeverTouchesIt) {
    std::string path = std::string(BINARY_DIR) + "/wnd_document.dcm";
    {
        std::ofstream out(path, std::ios::binary);
        out << "DICM content";
    }
    {
        Shell shell(path.c_str());
        ASSERT_TRUE(shell.frame);
        EXPECT_EQ(shell.image->openedPath, path.c_str());
        PlatformSendKey(shell.tree->m_hWnd, 'S', true);
        shell.frame->SendMessage(WM_COMMAND, ID_FILE_SAVE);
    }
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "DICM content");
    std::remove(path.c_str());

    Shell missing((std::string(BINARY_DIR) + "/no-such-file.dcm").c_str());
    EXPECT_EQ(missing.frame, nullptr);
    EXPECT_EQ(missing.app.m_pMainWnd, nullptr);
    EXPECT_EQ(PlatformLastMessageBoxText(), "打开文档失败。");
}

TEST_F(FrameworkTest, TreeNotificationsAreReflectedToTheView) {
    Shell shell;
    ASSERT_TRUE(shell.tree);
    CTreeCtrl& tree = shell.tree->GetTreeCtrl();
    shell.tree->filling = 1;
    HTREEITEM a = tree.InsertItem("a.dcm", TVI_ROOT, TVI_LAST);
    HTREEITEM b = tree.InsertItem("b.dcm", TVI_ROOT, TVI_LAST);
    tree.InsertItem("c.txt", TVI_ROOT, TVI_LAST);
    tree.SelectItem(b);
    shell.tree->filling = 0;
    EXPECT_TRUE(shell.tree->selected.empty());
    EXPECT_EQ(tree.GetRootItem(), a);
    EXPECT_EQ(tree.GetNextSiblingItem(a), b);
    EXPECT_EQ(tree.GetItemText(tree.GetNextSiblingItem(b)), "c.txt");
    EXPECT_EQ(tree.GetNextSiblingItem(tree.GetNextSiblingItem(b)), nullptr);
    tree.SelectItem(a);
    tree.SelectItem(a);  // no change, no notification
    EXPECT_EQ(shell.tree->selected, std::vector<std::string>{"a.dcm"});
    EXPECT_EQ(tree.GetSelectedItem(), a);
    tree.DeleteItem(a);  // the selection moves on
    EXPECT_EQ(tree.GetSelectedItem(), b);
    EXPECT_EQ(shell.tree->deleted, 1);
    tree.DeleteAllItems();
    EXPECT_EQ(shell.tree->deleted, 3);
    EXPECT_EQ(tree.GetRootItem(), nullptr);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
}

class MenuOwner : public CWnd {
public:
    std::vector<UINT> commands;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(wParam));
        return CWnd::OnCommand(wParam, lParam);
    }
};

TEST_F(FrameworkTest, PopupMenuChoiceArrivesAsAPostedCommand) {
    MenuOwner owner;
    owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 2200, "直线(&Line)");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING | MF_GRAYED, 2205, "清除全部(Clear All)");
    EXPECT_EQ(menu.GetMenuItemCount(), 3u);
    EXPECT_EQ(menu.GetMenuItemID(1), 0u);
    ScriptedResponder script;
    script.Answer(2200).Answer(2205).Install();
    menu.TrackPopupMenu(TPM_RIGHTBUTTON, 10, 10, &owner);
    EXPECT_TRUE(owner.commands.empty());
    PlatformPumpMessages();
    EXPECT_EQ(owner.commands, std::vector<UINT>{2200});
    menu.TrackPopupMenu(TPM_RIGHTBUTTON, 10, 10, &owner);  // grayed: nothing
    PlatformPumpMessages();
    EXPECT_EQ(owner.commands, std::vector<UINT>{2200});
    EXPECT_EQ(ModalLog()[0].menu->m_hMenu, menu.m_hMenu);
    HMENU handle = menu.m_hMenu;
    menu.DestroyMenu();
    EXPECT_FALSE(IsMenu(handle));
}

class DropTarget : public CWnd {
public:
    std::vector<std::string> files;
    UINT count = 0;

protected:
    void OnDropFiles(HDROP drop) {
        count = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
        char buffer[512];
        for (UINT i = 0; i < count; ++i) {
            DragQueryFile(drop, i, buffer, sizeof(buffer));
            files.push_back(buffer);
        }
        DragFinish(drop);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DropTarget, CWnd)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

TEST_F(FrameworkTest, DroppedFilesReachTheWindowThatAcceptsThem) {
    DropTarget target;
    target.CreateEx(0, nullptr, "drop", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr);
    CWnd child;
    child.Create(nullptr, "child", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &target, 1);
    EXPECT_FALSE(PlatformDropFiles(child.m_hWnd, {"/a/one.dcm"}, POINT{1, 1}));
    target.DragAcceptFiles(TRUE);
    EXPECT_TRUE(PlatformDropFiles(child.m_hWnd, {"/a/one.dcm", "/a/two.dcm", "/a/three.dcm"}, POINT{1, 1}));
    EXPECT_EQ(target.count, 3u);
    EXPECT_EQ(target.files, (std::vector<std::string>{"/a/one.dcm", "/a/two.dcm", "/a/three.dcm"}));
}

class FaceButton : public CButton {
public:
    std::vector<UINT> states;
    void DrawItem(LPDRAWITEMSTRUCT item) override { states.push_back(item->itemState); }
};

class ButtonHost : public CWnd {
public:
    int clicks = 0;

protected:
    void OnPlay() { ++clicks; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ButtonHost, CWnd)
    ON_BN_CLICKED(8200, OnPlay)
END_MESSAGE_MAP()

TEST_F(FrameworkTest, OwnerDrawnButtonDrawsThroughItsParentAndClicks) {
    ButtonHost host;
    host.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr);
    FaceButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 15, 15), &host, 8200));
    PlatformPumpMessages();
    ASSERT_EQ(button.states.size(), 1u);
    EXPECT_FALSE(button.states[0] & ODS_SELECTED);
    PlatformSendMouse(button.m_hWnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    PlatformPumpMessages();
    EXPECT_TRUE(button.states.back() & ODS_SELECTED);
    PlatformSendMouse(button.m_hWnd, WM_LBUTTONUP, 5, 5);
    PlatformPumpMessages();
    EXPECT_FALSE(button.states.back() & ODS_SELECTED);
    EXPECT_EQ(host.clicks, 1);
}

TEST_F(FrameworkTest, ProgressComboAndTooltipControls) {
    CWnd parent;
    parent.CreateEx(0, nullptr, "p", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr);
    CProgressCtrl progress;
    ASSERT_TRUE(progress.Create(WS_CHILD | WS_VISIBLE | WS_CAPTION, CRect(0, 0, 300, 60), &parent, 9088));
    progress.SendMessage(PBM_SETRANGE32, 0, 12);
    progress.SendMessage(PBM_SETPOS, 5);
    EXPECT_EQ(progress.GetPos(), 5);
    progress.SetPos(40);
    EXPECT_EQ(progress.GetPos(), 12);
    int lower = -1, upper = -1;
    progress.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 12);

    CComboBox box;
    ASSERT_TRUE(box.Create(WS_CHILD | CBS_DROPDOWN | CBS_SORT, CRect(0, 0, 10, 10), &parent, 1000));
    box.AddString("zeta");
    box.AddString("Alpha");
    box.AddString("beta");
    CString text;
    box.GetLBText(1, text);
    EXPECT_EQ(text, "beta");
    box.SendMessage(CB_RESETCONTENT);
    EXPECT_EQ(box.GetCount(), 0);

    CButton play;
    play.Create("", WS_CHILD | BS_OWNERDRAW, CRect(0, 0, 15, 15), &parent, 8200);
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&play));
    EXPECT_TRUE(tip.AddTool(&play, "播放"));
    tip.Activate(TRUE);
    MSG msg{play.m_hWnd, WM_MOUSEMOVE, 0, 0, 0, POINT{0, 0}};
    tip.RelayEvent(&msg);
    EXPECT_EQ(tip.GetToolCount(), 1);
}

// A drop-down combo box's window is its closed control: the height it is
// given counts its list, which took the dialog's room below it.
TEST_F(FrameworkTest, DropDownComboKeepsItsClosedHeightAndASimpleOneTheGivenHeight) {
    CWnd parent;
    parent.CreateEx(0, nullptr, "p", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr);
    CComboBox dropDown, dropList, simple;
    ASSERT_TRUE(dropDown.Create(WS_CHILD | CBS_DROPDOWN, CRect(7, 11, 180, 200), &parent, 1000));
    ASSERT_TRUE(dropList.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(7, 40, 90, 140), &parent, 1001));
    ASSERT_TRUE(simple.Create(WS_CHILD | CBS_SIMPLE, CRect(7, 60, 90, 160), &parent, 1002));
    CRect rect;
    dropDown.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    EXPECT_EQ(rect, CRect(7, 11, 180, 11 + kClosedComboHeight));
    dropList.GetClientRect(&rect);
    EXPECT_EQ(rect, CRect(0, 0, 83, kClosedComboHeight));
    simple.GetClientRect(&rect);
    EXPECT_EQ(rect, CRect(0, 0, 83, 100));

    // Moved with a list height, it moves and takes the width only.
    dropDown.MoveWindow(20, 30, 150, 240);
    dropDown.GetWindowRect(&rect);
    parent.ScreenToClient(&rect);
    EXPECT_EQ(rect, CRect(20, 30, 170, 30 + kClosedComboHeight));
}

TEST_F(FrameworkTest, ProcessesStartFromArgumentVectorsAndReportExitCodes) {
    std::string path = std::string(BINARY_DIR) + "/wnd process \"quoted\".txt";
    { std::ofstream(path) << "x"; }
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(PlatformCreateProcess({"/usr/bin/test", "-f", path}, &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(CloseHandle(info.hThread));
    std::remove(path.c_str());
    ASSERT_TRUE(PlatformCreateProcess({"/usr/bin/test", "-f", path}, &info));
    WaitForSingleObject(info.hProcess, INFINITE);
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 1u);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);

    // A missing program fails to start; nothing is run through a shell.
    PROCESS_INFORMATION none{};
    EXPECT_FALSE(PlatformCreateProcess({"/no/such/dcm2xml", "a", "b"}, &none));
    EXPECT_EQ(none.hProcess, nullptr);
    char command[] = "/no/such/dcm2xml \"/x y/DICOMDIR\" \"/tmp/dicomdir.xml\"";
    STARTUPINFO startup{};
    startup.cb = 68;
    startup.wShowWindow = SW_HIDE;
    EXPECT_FALSE(CreateProcess(nullptr, command, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | HIGH_PRIORITY_CLASS,
                               nullptr, nullptr, &startup, &none));
    EXPECT_EQ(PlatformSplitCommandLine(command),
              (std::vector<std::string>{"/no/such/dcm2xml", "/x y/DICOMDIR", "/tmp/dicomdir.xml"}));
    EXPECT_EQ(WaitForSingleObject(nullptr, INFINITE), WAIT_FAILED);
}

}  // namespace

namespace {

std::vector<BYTE> GreyBitmapFile(int width, int height, size_t cut = 0) {
    int stride = (width + 3) / 4 * 4;
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, 14 + 40 + 256 * 4};
    BITMAPINFOHEADER h{40, width, height, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    std::vector<BYTE> file(fh.bfOffBits + (size_t)stride * (size_t)height);
    fh.bfSize = (DWORD)file.size();
    std::memcpy(file.data(), &fh, 14);
    std::memcpy(file.data() + 14, &h, 40);
    for (int i = 0; i < 256; ++i) {
        RGBQUAD q{(BYTE)i, (BYTE)i, (BYTE)i, 0};
        std::memcpy(file.data() + 54 + i * 4, &q, 4);
    }
    // Bottom-up rows: the first stored row is the bottom one, value 200.
    for (int x = 0; x < width; ++x) file[fh.bfOffBits + (size_t)x] = 200;
    file.resize(file.size() - cut);
    return file;
}

TEST_F(FrameworkTest, BitmapResourcesLoadAsDibSectionsAndTruncatedOnesFail) {
    RegisterBitmapResource(8003, GreyBitmapFile(15, 15));
    RegisterBitmapResource(8004, GreyBitmapFile(15, 15, 10));
    HBITMAP bitmap = LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(8003));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_TRUE(GetObject(bitmap, sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 15);
    EXPECT_EQ(info.bmHeight, 15);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 3, 14), RGB(200, 200, 200));
    EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    EXPECT_EQ(LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(8004)), nullptr);
    EXPECT_EQ(LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(8999)), nullptr);
}

TEST_F(FrameworkTest, ProfileOfTheRegistryKeyAndApplication) {
    std::string home = std::string(BINARY_DIR) + "/wnd_profile";
    std::string folder = home + "/Norvane";
    std::system(("mkdir -p '" + folder + "'").c_str());
    { std::ofstream(folder + "/Viewer.ini") << "[OverlayLine]\nPenWidth=3\nFace=Arial\n"; }
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    std::string previous = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    {
        CWinApp app("Viewer");
        app.SetRegistryKey("Norvane");
        EXPECT_EQ(app.GetProfileInt("overlayline", "penwidth", 1), 3u);
        EXPECT_EQ(app.GetProfileInt("OverLayRect", "PenWidth", 2), 2u);
        EXPECT_EQ(app.GetProfileString("OverlayLine", "Face", "x"), "Arial");
        EXPECT_EQ(AfxGetApp(), &app);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
    if (saved)
        setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    std::system(("rm -rf '" + home + "'").c_str());
}

}  // namespace
