// Real windows on the X display: a frame with a splitter, a tree and a
// drawing pane, driven with synthetic input; a screenshot of the screen
// must show the pane's drawing where and in the colours it was drawn.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/treectrl.h>
#include <wx/wx.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

#include "gui_wait.h"
#include "screenshot.h"
#include "wnd/gui.h"
#include "wnd/window_system.h"
#include "wnd/wnd.h"

namespace {

// GUI tests of other areas may run at the same time on the shared display;
// input and the screenshot need a screen of their own. A private X server
// serves every GUI test of this process; without one the shared display is
// used.
pid_t g_server = 0;

void StopPrivateServer() {
    if (g_server > 0) {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
        g_server = 0;
    }
}

void UsePrivateDisplay() {
    static bool tried = false;
    if (tried) return;
    tried = true;
    if (!std::getenv("DISPLAY") || access("/usr/bin/Xvfb", X_OK) != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"/usr/bin/Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                          "tcp", nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    close(fds[1]);
    char number[16] = {};
    ssize_t got = read(fds[0], number, sizeof(number) - 1);
    close(fds[0]);
    if (got <= 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return;
    }
    g_server = pid;
    std::atexit(StopPrivateServer);
    std::string display = ":" + std::string(number, number + std::strcspn(number, "\n"));
    setenv("DISPLAY", display.c_str(), 1);
}

bool StartGui() {
    UsePrivateDisplay();
    static char name[] = "wnd_gui_test";
    static char* argv[] = {name, nullptr};
    return PlatformStartGui(1, argv);
}

const UINT kFrameResource = 7100;
const COLORREF kFill = RGB(255, 0, 0);
const COLORREF kMark = RGB(0, 0, 255);
const COLORREF kClicked = RGB(0, 255, 0);

class GuiDoc : public CDocument {
    DECLARE_DYNCREATE(GuiDoc)
};
IMPLEMENT_DYNCREATE(GuiDoc, CDocument)

class GuiTree : public CTreeView {
    DECLARE_DYNCREATE(GuiTree)
public:
    std::vector<CString> selections;

protected:
    void OnSelChanged(NMHDR*, LRESULT* result) {
        HTREEITEM item = GetTreeCtrl().GetSelectedItem();
        if (item) selections.push_back(GetTreeCtrl().GetItemText(item));
        *result = 0;
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(GuiTree, CTreeView)
BEGIN_MESSAGE_MAP(GuiTree, CTreeView)
    ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnSelChanged)
END_MESSAGE_MAP()

class GuiCanvas : public CView {
    DECLARE_DYNCREATE(GuiCanvas)
public:
    CPoint clicked{-1, -1};
    std::vector<UINT> keys;
    void OnDraw(CDC* dc) override {
        CRect client;
        GetClientRect(&client);
        dc->FillSolidRect(&client, clicked.x >= 0 ? kClicked : kFill);
        dc->FillSolidRect(40, 30, 60, 50, kMark);
    }

protected:
    void OnLButtonDown(UINT, CPoint point) {
        clicked = point;
        // Drawn at once on the surface, outside WM_PAINT.
        CClientDC dc(this);
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, kClicked);
        dc.FillSolidRect(40, 30, 60, 50, kMark);
    }
    void OnKeyDown(UINT key, UINT, UINT) { keys.push_back(key); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(GuiCanvas, CView)
BEGIN_MESSAGE_MAP(GuiCanvas, CView)
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class GuiFrame : public CFrameWnd {
    DECLARE_DYNCREATE(GuiFrame)
public:
    CSplitterWnd splitter;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* context) override {
        if (!splitter.CreateStatic(this, 1, 2)) return FALSE;
        if (!splitter.CreateView(0, 0, RUNTIME_CLASS(GuiTree), CSize(150, 100), context) ||
            !splitter.CreateView(0, 1, RUNTIME_CLASS(GuiCanvas), CSize(100, 100), context))
            return FALSE;
        return TRUE;
    }
};
IMPLEMENT_DYNCREATE(GuiFrame, CFrameWnd)

class GuiApp : public CWinApp {};


POINT ScreenPoint(CWnd* wnd, int x, int y) {
    POINT p{x, y};
    wnd->ClientToScreen(&p);
    return p;
}

// The application's frame, shown at the screen's corner.
GuiFrame* ShowFrame(GuiApp* app, int height) {
    RegisterStringResource(kFrameResource, "GuiTest\n\nGuiTest");
    RegisterMenuResource(kFrameResource, {{"文件(&F)", 0, MF_POPUP, {{"退出(&X)", ID_APP_EXIT, MF_STRING, {}}}}});
    RegisterAcceleratorResource(kFrameResource, {{FVIRTKEY, VK_F6, ID_NEXT_PANE}});
    app->AddDocTemplate(new CSingleDocTemplate(kFrameResource, RUNTIME_CLASS(GuiDoc), RUNTIME_CLASS(GuiFrame),
                                               RUNTIME_CLASS(GuiTree)));
    app->OnFileNew();
    auto* frame = dynamic_cast<GuiFrame*>(app->m_pMainWnd);
    if (frame) {
        frame->MoveWindow(0, 0, 560, height, TRUE);
        frame->ShowWindow(SW_SHOW);
    }
    return frame;
}

TEST(WndGui, FrameSplitterTreeAndDrawingPaneUnderRealInput) {
    if (!StartGui()) GTEST_SKIP() << "no display";

    auto* app = new GuiApp;
    auto* frame = ShowFrame(app, 420);
    ASSERT_NE(frame, nullptr);

    auto* tree = dynamic_cast<GuiTree*>(frame->splitter.GetPane(0, 0));
    auto* canvas = dynamic_cast<GuiCanvas*>(frame->splitter.GetPane(0, 1));
    ASSERT_TRUE(tree && canvas);
    CRect treeRect, canvasRect;
    RunGuiUntil([&] {
        tree->GetClientRect(&treeRect);
        return treeRect.Width() == 150;
    });
    canvas->GetWindowRect(&canvasRect);
    EXPECT_EQ(treeRect.Width(), 150);
    HTREEITEM first = tree->GetTreeCtrl().InsertItem("first.dcm");
    tree->GetTreeCtrl().InsertItem("second.dcm");
    ASSERT_NE(first, nullptr);

    // The drawing lands where the pane is, in its colours.
    std::string shot = std::string(BINARY_DIR) + "/wnd_gui_shot.ppm";
    Screenshot before;
    RunGuiUntil([&] {
        return before.Take(shot) && Screenshot::Near(before.Colour(ScreenPoint(canvas, 10, 10)), kFill) &&
               Screenshot::Near(before.Colour(ScreenPoint(canvas, 50, 40)), kMark);
    });
    EXPECT_TRUE(Screenshot::Near(before.Colour(ScreenPoint(canvas, 10, 10)), kFill)) << std::hex << before.Colour(ScreenPoint(canvas, 10, 10));
    EXPECT_TRUE(Screenshot::Near(before.Colour(ScreenPoint(canvas, 50, 40)), kMark));
    EXPECT_TRUE(Screenshot::Near(before.Colour(ScreenPoint(canvas, 105, 40)), kFill));

    // A real click reaches the pane in client coordinates.
    wxUIActionSimulator sim;
    POINT target = ScreenPoint(canvas, 120, 90);
    sim.MouseMove(target.x, target.y);
    PlatformRunGuiFor(150);
    sim.MouseClick();
    RunGuiUntil([&] { return canvas->clicked.x >= 0; });
    EXPECT_EQ(canvas->clicked, CPoint(120, 90));
    Screenshot after;
    RunGuiUntil([&] {
        return after.Take(shot) && Screenshot::Near(after.Colour(ScreenPoint(canvas, 10, 10)), kClicked);
    });
    EXPECT_TRUE(Screenshot::Near(after.Colour(ScreenPoint(canvas, 10, 10)), kClicked));
    EXPECT_TRUE(Screenshot::Near(after.Colour(ScreenPoint(canvas, 50, 40)), kMark));

    // Keys reach the focused pane; F6 goes through the frame's accelerators
    // to the other pane.
    sim.Char(WXK_LEFT);
    RunGuiUntil([&] { return !canvas->keys.empty(); });
    EXPECT_EQ(canvas->keys, std::vector<UINT>{VK_LEFT});
    sim.Char(WXK_F6);
    RunGuiUntil([&] { return frame->GetActiveView() == tree; });
    EXPECT_EQ(frame->GetActiveView(), tree);
    EXPECT_EQ(CWnd::GetFocus(), tree);

    // Clicking an item of the native tree selects it in the tree control.
    WindowRecord* record = wndsys::Find(tree->m_hWnd);
    auto* native = record ? static_cast<wxTreeCtrl*>(record->peer) : nullptr;
    ASSERT_NE(native, nullptr);
    wxTreeItemIdValue cookie;
    native->GetFirstChild(native->GetRootItem(), cookie);
    wxTreeItemId second = native->GetNextChild(native->GetRootItem(), cookie);
    ASSERT_TRUE(second.IsOk());
    wxRect bounds;
    ASSERT_TRUE(native->GetBoundingRect(second, bounds, true));
    wxPoint itemPoint = native->ClientToScreen(bounds.GetPosition() + wxPoint(5, bounds.height / 2));
    sim.MouseMove(itemPoint);
    PlatformRunGuiFor(150);
    sim.MouseClick();
    RunGuiUntil([&] { return !tree->selections.empty(); });
    ASSERT_FALSE(tree->selections.empty());
    EXPECT_EQ(tree->selections.back(), "second.dcm");
    EXPECT_EQ(tree->GetTreeCtrl().GetItemText(tree->GetTreeCtrl().GetSelectedItem()), "second.dcm");

    frame->DestroyWindow();
    delete app;
    PlatformStopGui();
    std::remove(shot.c_str());
}

wxTreeItemId NativeItem(wxTreeCtrl* native, const wxString& text) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId id = native->GetFirstChild(native->GetRootItem(), cookie); id.IsOk();
         id = native->GetNextChild(native->GetRootItem(), cookie))
        if (native->GetItemText(id) == text) return id;
    return wxTreeItemId();
}

// The tree was rebuilt on every selection, which lost its scroll position,
// and scrolled inside a freeze: a file far down the list was never shown.
TEST(WndGui, SelectedTreeItemIsScrolledIntoViewAndTheTreeKeptAsItIs) {
    if (!StartGui()) GTEST_SKIP() << "no display";
    auto* app = new GuiApp;
    auto* frame = ShowFrame(app, 300);
    ASSERT_NE(frame, nullptr);
    auto* tree = dynamic_cast<GuiTree*>(frame->splitter.GetPane(0, 0));
    ASSERT_NE(tree, nullptr);
    CTreeCtrl& control = tree->GetTreeCtrl();
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 75; ++i) {
        CString name;
        name.Format("file%02d.dcm", i);
        items.push_back(control.InsertItem(name));
    }
    control.SelectItem(items[70]);
    WindowRecord* record = wndsys::Find(tree->m_hWnd);
    auto* native = record ? static_cast<wxTreeCtrl*>(record->peer) : nullptr;
    ASSERT_NE(native, nullptr);
    auto shownSelected = [&](const wxString& text) {
        wxTreeItemId id = NativeItem(native, text);
        return id.IsOk() && native->GetSelection() == id && native->IsVisible(id);
    };
    RunGuiUntil([&] { return shownSelected("file70.dcm"); });
    EXPECT_TRUE(shownSelected("file70.dcm"));
    EXPECT_FALSE(native->IsVisible(NativeItem(native, "file00.dcm")));

    // Moving the selection keeps the native items: a mark on one stays.
    native->SetItemBold(NativeItem(native, "file40.dcm"), true);
    control.SelectItem(items[3]);
    RunGuiUntil([&] { return shownSelected("file03.dcm"); });
    EXPECT_TRUE(shownSelected("file03.dcm"));
    EXPECT_TRUE(native->IsBold(NativeItem(native, "file40.dcm")));
    control.SelectItem(items[74]);
    RunGuiUntil([&] { return shownSelected("file74.dcm"); });
    EXPECT_TRUE(shownSelected("file74.dcm"));
    EXPECT_TRUE(native->IsBold(NativeItem(native, "file40.dcm")));
    EXPECT_EQ(native->GetCount(), 75u);

    frame->DestroyWindow();
    delete app;
    PlatformStopGui();
}

const UINT kGuiDialog = 7200;

class GuiDialog : public CDialog {
public:
    GuiDialog() : CDialog(kGuiDialog) {}
    CString text;
    int pumpedWhileModal = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 1000, text); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        PostMessage(WM_USER + 1);
        return TRUE;
    }
    LRESULT OnPosted(WPARAM, LPARAM) {
        // Runs inside the modal loop: our queue is pumped while it waits.
        ++pumpedWhileModal;
        GetDlgItem(1000)->SetWindowText("typed in");
        GetDlgItem(IDOK)->SendMessage(BM_CLICK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(GuiDialog, CDialog)
    ON_MESSAGE(WM_USER + 1, OnPosted)
END_MESSAGE_MAP()

TEST(WndGui, ModalDialogRunsANativeNestedLoop) {
    if (!StartGui()) GTEST_SKIP() << "no display";
    DialogTemplate t;
    t.caption = "标注文字";
    t.cx = 187;
    t.cy = 47;
    t.items = {{"EDIT", "", 1000, 7, 7, 173, 14, WS_CHILD | WS_VISIBLE | WS_BORDER},
               {"BUTTON", "OK", IDOK, 40, 26, 50, 14, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON},
               {"BUTTON", "Cancel", IDCANCEL, 99, 26, 50, 14, WS_CHILD | WS_VISIBLE}};
    RegisterDialogResource(kGuiDialog, t);
    GuiDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.pumpedWhileModal, 1);
    EXPECT_EQ(dialog.text, "typed in");
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    PlatformStopGui();
}

}  // namespace
