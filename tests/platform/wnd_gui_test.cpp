// Real windows on the X display: a frame with a splitter, a tree and a
// drawing pane, driven with synthetic input; a screenshot of the screen
// must show the pane's drawing where and in the colours it was drawn.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/treectrl.h>
#include <wx/wx.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "wnd/gui.h"
#include "wnd/window_system.h"
#include "wnd/wnd.h"

namespace {

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

struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool Load(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return false;
        int maxval = 0;
        bool ok = std::fscanf(f, "P6 %d %d %d", &width, &height, &maxval) == 3 && maxval == 255 && width > 0 &&
                  height > 0 && width < 10000 && height < 10000;
        if (ok) {
            std::fgetc(f);
            rgb.resize((size_t)width * (size_t)height * 3);
            ok = std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
        }
        std::fclose(f);
        return ok;
    }
    COLORREF At(POINT p) const {
        if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return 0xFFFFFFFF;
        size_t i = ((size_t)p.y * (size_t)width + (size_t)p.x) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
};

bool Near(COLORREF a, COLORREF b) {
    return std::abs((int)GetRValue(a) - (int)GetRValue(b)) < 40 && std::abs((int)GetGValue(a) - (int)GetGValue(b)) < 40 &&
           std::abs((int)GetBValue(a) - (int)GetBValue(b)) < 40;
}

POINT ScreenPoint(CWnd* wnd, int x, int y) {
    POINT p{x, y};
    wnd->ClientToScreen(&p);
    return p;
}

TEST(WndGui, FrameSplitterTreeAndDrawingPaneUnderRealInput) {
    static char name[] = "wnd_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv)) GTEST_SKIP() << "no display";

    RegisterStringResource(kFrameResource, "GuiTest\n\nGuiTest");
    RegisterMenuResource(kFrameResource, {{"文件(&F)", 0, MF_POPUP, {{"退出(&X)", ID_APP_EXIT, MF_STRING, {}}}}});
    RegisterAcceleratorResource(kFrameResource, {{FVIRTKEY, VK_F6, ID_NEXT_PANE}});
    auto* app = new GuiApp;
    app->AddDocTemplate(new CSingleDocTemplate(kFrameResource, RUNTIME_CLASS(GuiDoc), RUNTIME_CLASS(GuiFrame),
                                               RUNTIME_CLASS(GuiTree)));
    app->OnFileNew();
    auto* frame = dynamic_cast<GuiFrame*>(app->m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    frame->MoveWindow(0, 0, 560, 420, TRUE);
    frame->ShowWindow(SW_SHOW);
    PlatformRunGuiFor(600);

    auto* tree = dynamic_cast<GuiTree*>(frame->splitter.GetPane(0, 0));
    auto* canvas = dynamic_cast<GuiCanvas*>(frame->splitter.GetPane(0, 1));
    ASSERT_TRUE(tree && canvas);
    CRect treeRect, canvasRect;
    tree->GetClientRect(&treeRect);
    canvas->GetWindowRect(&canvasRect);
    EXPECT_EQ(treeRect.Width(), 150);
    HTREEITEM first = tree->GetTreeCtrl().InsertItem("first.dcm");
    tree->GetTreeCtrl().InsertItem("second.dcm");
    ASSERT_NE(first, nullptr);
    PlatformRunGuiFor(300);

    // The drawing lands where the pane is, in its colours.
    std::string shot = std::string(BINARY_DIR) + "/wnd_gui_shot.ppm";
    std::remove(shot.c_str());
    ASSERT_EQ(std::system(("gm import -window root ppm:" + shot).c_str()), 0);
    Screenshot before;
    ASSERT_TRUE(before.Load(shot));
    EXPECT_TRUE(Near(before.At(ScreenPoint(canvas, 10, 10)), kFill)) << std::hex << before.At(ScreenPoint(canvas, 10, 10));
    EXPECT_TRUE(Near(before.At(ScreenPoint(canvas, 50, 40)), kMark));
    EXPECT_TRUE(Near(before.At(ScreenPoint(canvas, 105, 40)), kFill));

    // A real click reaches the pane in client coordinates.
    wxUIActionSimulator sim;
    POINT target = ScreenPoint(canvas, 120, 90);
    sim.MouseMove(target.x, target.y);
    PlatformRunGuiFor(150);
    sim.MouseClick();
    PlatformRunGuiFor(300);
    EXPECT_EQ(canvas->clicked, CPoint(120, 90));
    ASSERT_EQ(std::system(("gm import -window root ppm:" + shot).c_str()), 0);
    Screenshot after;
    ASSERT_TRUE(after.Load(shot));
    EXPECT_TRUE(Near(after.At(ScreenPoint(canvas, 10, 10)), kClicked));
    EXPECT_TRUE(Near(after.At(ScreenPoint(canvas, 50, 40)), kMark));

    // Keys reach the focused pane; F6 goes through the frame's accelerators
    // to the other pane.
    sim.Char(WXK_LEFT);
    PlatformRunGuiFor(200);
    EXPECT_EQ(canvas->keys, std::vector<UINT>{VK_LEFT});
    sim.Char(WXK_F6);
    PlatformRunGuiFor(200);
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
    PlatformRunGuiFor(300);
    ASSERT_FALSE(tree->selections.empty());
    EXPECT_EQ(tree->selections.back(), "second.dcm");
    EXPECT_EQ(tree->GetTreeCtrl().GetItemText(tree->GetTreeCtrl().GetSelectedItem()), "second.dcm");

    frame->DestroyWindow();
    delete app;
    PlatformStopGui();
    std::remove(shot.c_str());
}

}  // namespace
