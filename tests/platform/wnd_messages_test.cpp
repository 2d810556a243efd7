// Windows without a display: message maps, default processing, command
// routing and enabling, the pretranslate walk, timers, capture, cursors.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "wnd/wnd.h"

namespace {

std::vector<std::string> g_trace;

class Probe : public CWnd {
public:
    int createResult = 0;
    int sizeCx = -1, sizeCy = -1;
    std::vector<UINT> timers;
    CPoint lastDown{-1, -1};
    int cancelModes = 0;
    BOOL swallowKeys = FALSE;
    LRESULT custom = 0;
    int customCount = 0;

protected:
    int OnCreate(LPCREATESTRUCT cs) {
        g_trace.push_back("create");
        if (CWnd::OnCreate(cs) == -1) return -1;
        return createResult;
    }
    void OnSize(UINT type, int cx, int cy) {
        CWnd::OnSize(type, cx, cy);
        sizeCx = cx;
        sizeCy = cy;
    }
    void OnTimer(UINT id) { timers.push_back(id); }
    void OnLButtonDown(UINT, CPoint pt) {
        lastDown = pt;
        SetCapture();
    }
    void OnCancelMode() {
        ++cancelModes;
        CWnd::OnCancelMode();
    }
    void OnDestroy() { g_trace.push_back("destroy"); }
    LRESULT OnCustom(WPARAM w, LPARAM l) {
        ++customCount;
        return custom = (LRESULT)(w + l);
    }
    void OnCommandA() { g_trace.push_back("probe A"); }
    void OnUpdateB(CCmdUI* ui) { ui->SetCheck(1); }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) g_trace.push_back("pre probe");
        return swallowKeys;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Probe, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_WM_LBUTTONDOWN()
    ON_WM_CANCELMODE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_USER + 150, OnCustom)
    ON_COMMAND(100, OnCommandA)
    ON_UPDATE_COMMAND_UI(101, OnUpdateB)
END_MESSAGE_MAP()

class Outer : public CWnd {
public:
    BOOL swallowKeys = FALSE;
    std::vector<UINT> commands;

protected:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) g_trace.push_back("pre outer");
        return swallowKeys;
    }
    void OnRange(UINT id) { commands.push_back(id); }
    void OnKeyDown(UINT, UINT, UINT) { g_trace.push_back("key outer"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Outer, CWnd)
    ON_COMMAND_RANGE(200, 210, OnRange)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class WndTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformResetWindows();
        g_trace.clear();
        outer.CreateEx(0, nullptr, "outer", WS_OVERLAPPED | WS_VISIBLE, 10, 20, 400, 300, nullptr, nullptr);
        ASSERT_TRUE(probe.Create(nullptr, "probe", WS_CHILD | WS_VISIBLE, CRect(5, 6, 105, 56), &outer, 7));
        g_trace.clear();
    }
    void TearDown() override { PlatformResetWindows(); }
    Outer outer;
    Probe probe;
};

TEST_F(WndTest, CreationSendsCreateThenSizeAndFailsWhenOnCreateRefuses) {
    EXPECT_EQ(probe.sizeCx, 100);
    EXPECT_EQ(probe.sizeCy, 50);
    EXPECT_EQ(probe.GetDlgCtrlID(), 7);
    EXPECT_EQ(outer.GetDlgItem(7), &probe);
    EXPECT_EQ(probe.GetParent(), &outer);

    Probe refused;
    refused.createResult = -1;
    EXPECT_FALSE(refused.Create(nullptr, "x", WS_CHILD, CRect(0, 0, 10, 10), &outer, 8));
    EXPECT_EQ(refused.m_hWnd, nullptr);
    EXPECT_EQ(outer.GetDlgItem(8), nullptr);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"create", "destroy"}));
}

TEST_F(WndTest, SendMessageReturnsTheHandlersResultAndPostWaitsForThePump) {
    EXPECT_EQ(probe.SendMessage(WM_USER + 150, 3, 4), 7);
    probe.PostMessage(WM_USER + 150, 10, 1);
    EXPECT_EQ(probe.custom, 7);
    EXPECT_GE(PlatformPumpMessages(), 1);
    EXPECT_EQ(probe.custom, 11);
    EXPECT_EQ(probe.SendMessage(WM_USER + 999), 0);
}

TEST_F(WndTest, OtherThreadsMayPostToTheWindowsThread) {
    HWND target = probe.m_hWnd;
    std::thread worker([target] {
        for (int i = 0; i < 500; ++i) PostMessage(target, WM_USER + 150, 1, 0);
    });
    for (int spins = 0; probe.customCount < 500 && spins < 1000000; ++spins) PlatformPumpMessages();
    worker.join();
    PlatformPumpMessages();
    EXPECT_EQ(probe.customCount, 500);
}

TEST_F(WndTest, GeometryAndCoordinates) {
    CRect client;
    probe.GetClientRect(&client);
    EXPECT_EQ(client, CRect(0, 0, 100, 50));
    CRect window;
    probe.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(15, 26, 115, 76));
    CPoint pt(1, 2);
    probe.ClientToScreen(&pt);
    EXPECT_EQ(pt, CPoint(16, 28));
    probe.ScreenToClient(&pt);
    EXPECT_EQ(pt, CPoint(1, 2));
    probe.MoveWindow(0, 0, 30, 40, TRUE);
    EXPECT_EQ(probe.sizeCx, 30);
    EXPECT_EQ(probe.sizeCy, 40);
    probe.MoveWindow(0, 0, 30, 40, TRUE);
    probe.SetWindowPos(nullptr, 9, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    probe.GetWindowRect(&window);
    EXPECT_EQ(window, CRect(19, 29, 49, 69));
}

TEST_F(WndTest, StyleTextVisibilityAndEnabling) {
    EXPECT_TRUE(probe.IsWindowVisible());
    EXPECT_TRUE(probe.ShowWindow(SW_HIDE));
    EXPECT_FALSE(probe.IsWindowVisible());
    EXPECT_FALSE(probe.GetStyle() & WS_VISIBLE);
    probe.ShowWindow(SW_SHOW);
    probe.ModifyStyle(0, WS_DISABLED | WS_CLIPCHILDREN, SWP_FRAMECHANGED);
    EXPECT_FALSE(probe.IsWindowEnabled());
    EXPECT_TRUE(probe.GetStyle() & WS_CLIPCHILDREN);
    probe.EnableWindow(TRUE);
    EXPECT_TRUE(probe.IsWindowEnabled());
    probe.SetWindowText("Frame:0/5");
    CString text;
    probe.GetWindowText(text);
    EXPECT_EQ(text, "Frame:0/5");
    EXPECT_EQ(probe.GetWindowTextLength(), 9);
}

TEST_F(WndTest, DestroyingAParentDestroysChildrenParentFirst) {
    Probe second;
    second.Create(nullptr, "second", WS_CHILD, CRect(0, 0, 5, 5), &probe, 9);
    g_trace.clear();
    outer.DestroyWindow();
    EXPECT_EQ(g_trace, (std::vector<std::string>{"destroy", "destroy"}));
    EXPECT_EQ(probe.m_hWnd, nullptr);
    EXPECT_EQ(second.m_hWnd, nullptr);
}

TEST_F(WndTest, InvalidateProducesOnePaintWithTheUnionOfUpdates) {
    PlatformPumpMessages();
    probe.InvalidateRect(CRect(1, 1, 5, 5), FALSE);
    probe.InvalidateRect(CRect(10, 2, 20, 8), FALSE);
    CRect update;
    EXPECT_TRUE(GetUpdateRect(probe.m_hWnd, &update, FALSE));
    EXPECT_EQ(update, CRect(1, 1, 20, 8));
    EXPECT_EQ(PlatformPumpMessages(), 1);
    EXPECT_FALSE(GetUpdateRect(probe.m_hWnd, &update, FALSE));
    probe.Invalidate();
    probe.UpdateWindow();
    EXPECT_FALSE(GetUpdateRect(probe.m_hWnd, &update, FALSE));
}

TEST_F(WndTest, TimersFireByIdWhenTheClockAdvances) {
    probe.SetTimer(5, 66, nullptr);
    probe.SetTimer(1, 1000, nullptr);
    PlatformAdvanceTime(65);
    EXPECT_TRUE(probe.timers.empty());
    PlatformAdvanceTime(1);
    EXPECT_EQ(probe.timers, std::vector<UINT>{5});
    PlatformAdvanceTime(1000 - 66);
    EXPECT_EQ(probe.timers.size(), 16u);
    EXPECT_EQ(probe.timers.back(), 1u);
    EXPECT_TRUE(probe.KillTimer(5));
    EXPECT_FALSE(probe.KillTimer(5));
    probe.timers.clear();
    PlatformAdvanceTime(1000);
    EXPECT_EQ(probe.timers, std::vector<UINT>{1});
    // Setting an id that is already set restarts it with the new period
    // instead of adding a second timer.
    probe.SetTimer(1, 300, nullptr);
    PlatformAdvanceTime(200);
    probe.SetTimer(1, 250, nullptr);
    PlatformAdvanceTime(249);
    EXPECT_EQ(probe.timers, std::vector<UINT>{1});
    PlatformAdvanceTime(1);
    EXPECT_EQ(probe.timers, (std::vector<UINT>{1, 1}));
    PlatformAdvanceTime(500);
    EXPECT_EQ(probe.timers.size(), 4u);
    probe.DestroyWindow();
    PlatformAdvanceTime(5000);
}

TEST_F(WndTest, CaptureRedirectsMouseAndIsCancelledByAModalDialog) {
    PlatformSendMouse(probe.m_hWnd, WM_LBUTTONDOWN, 3, 4, MK_LBUTTON);
    EXPECT_EQ(probe.lastDown, CPoint(3, 4));
    EXPECT_EQ(CWnd::GetCapture(), &probe);
    // A press on the parent goes to the capturing child, in its coordinates.
    PlatformSendMouse(outer.m_hWnd, WM_LBUTTONDOWN, 50, 60, MK_LBUTTON);
    EXPECT_EQ(probe.lastDown, CPoint(45, 54));
    CFileDialog dialog(TRUE);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(probe.cancelModes, 1);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(WndTest, KeyStateFollowsDeliveredInput) {
    EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
    PlatformSendMouse(probe.m_hWnd, WM_MOUSEMOVE, 1, 1, MK_CONTROL);
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0);
    EXPECT_EQ((GetKeyState(VK_CONTROL) >> 8) & 0xFF, 0xFF);
    PlatformSendMouse(probe.m_hWnd, WM_MOUSEMOVE, 1, 1, 0);
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
    POINT pos;
    GetCursorPos(&pos);
    EXPECT_EQ(CPoint(pos), CPoint(16, 27));
}

TEST_F(WndTest, PreTranslateRunsFromTheTargetUpBeforeDispatch) {
    PlatformSendKey(probe.m_hWnd, VK_F6);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"pre probe", "pre outer"}));
    g_trace.clear();
    probe.swallowKeys = TRUE;
    PlatformSendKey(probe.m_hWnd, 'M');
    EXPECT_EQ(g_trace, (std::vector<std::string>{"pre probe"}));
    g_trace.clear();
    probe.swallowKeys = FALSE;
    PlatformSendKey(outer.m_hWnd, VK_LEFT);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"pre outer", "key outer"}));
}

TEST_F(WndTest, CommandsAndUpdateHandlers) {
    probe.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0);
    EXPECT_EQ(g_trace, std::vector<std::string>{"probe A"});
    outer.SendMessage(WM_COMMAND, MAKEWPARAM(205, 0), 0);
    outer.SendMessage(WM_COMMAND, MAKEWPARAM(211, 0), 0);
    EXPECT_EQ(outer.commands, std::vector<UINT>{205});

    CTestCmdUI handled;
    handled.m_nID = 101;
    EXPECT_TRUE(handled.DoUpdate(&probe, TRUE));
    EXPECT_EQ(handled.m_nCheck, 1);
    EXPECT_FALSE(handled.m_bEnabled);  // an update handler but no command handler
    CTestCmdUI command;
    command.m_nID = 100;
    command.DoUpdate(&probe, TRUE);
    EXPECT_TRUE(command.m_bEnabled);
    CTestCmdUI nothing;
    nothing.m_nID = 999;
    EXPECT_FALSE(nothing.DoUpdate(&probe, TRUE));
    EXPECT_FALSE(nothing.m_bEnabled);
}

class CursorWnd : public CWnd {};

TEST_F(WndTest, ClassCursorIsSharedByEveryWindowOfTheClass) {
    CursorWnd a, b;
    a.Create(nullptr, "a", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &outer, 20);
    b.Create(nullptr, "b", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &outer, 21);
    HCURSOR sizeNS = LoadCursor(nullptr, IDC_SIZENS);
    SetClassLong(a.m_hWnd, GCL_HCURSOR, (LONG_PTR)sizeNS);
    EXPECT_EQ((HCURSOR)GetClassLong(b.m_hWnd, GCL_HCURSOR), sizeNS);
    PlatformSendMouse(b.m_hWnd, WM_MOUSEMOVE, 2, 2);
    EXPECT_EQ(GetCursor(), sizeNS);
}

class Tracker : public CWnd {
public:
    std::vector<UINT> seen;

protected:
    void OnMouseMove(UINT, CPoint) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 1};
        _TrackMouseEvent(&tme);
    }
    LRESULT OnHover(WPARAM, LPARAM) {
        seen.push_back(WM_MOUSEHOVER);
        return 0;
    }
    LRESULT OnLeave(WPARAM, LPARAM) {
        seen.push_back(WM_MOUSELEAVE);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Tracker, CWnd)
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_MOUSEHOVER, OnHover)
    ON_MESSAGE(WM_MOUSELEAVE, OnLeave)
END_MESSAGE_MAP()

TEST_F(WndTest, HoverAndLeaveFollowTrackMouseEvent) {
    Tracker tracker;
    tracker.Create(nullptr, "t", WS_CHILD | WS_VISIBLE, CRect(200, 200, 220, 220), &outer, 30);
    PlatformSendMouse(tracker.m_hWnd, WM_MOUSEMOVE, 5, 5);
    PlatformAdvanceTime(1);
    EXPECT_EQ(tracker.seen, std::vector<UINT>{WM_MOUSEHOVER});
    PlatformSendMouse(probe.m_hWnd, WM_MOUSEMOVE, 5, 5);
    EXPECT_EQ(tracker.seen, (std::vector<UINT>{WM_MOUSEHOVER, WM_MOUSELEAVE}));
}

}  // namespace

namespace {

TEST(WndHandles, StaleAndForeignHandlesAreRefused) {
    PlatformResetWindows();
    CWnd wnd;
    wnd.CreateEx(0, nullptr, "w", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr);
    HWND stale = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_FALSE(wnd.DestroyWindow());
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(SendMessage(stale, WM_USER, 1, 2), 0);
    EXPECT_FALSE(PostMessage(stale, WM_USER, 1, 2));
    EXPECT_EQ(SetTimer(stale, 1, 10, nullptr), 0u);
    EXPECT_FALSE(KillTimer(stale, 1));
    RECT rect{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(stale, &rect));
    EXPECT_EQ(GetDlgItem(stale, 1), nullptr);
    EXPECT_EQ(SetCapture(stale), nullptr);
    EXPECT_FALSE(TrackMouseEvent(nullptr));
    char text[8] = "x";
    EXPECT_EQ(GetWindowText(stale, text, sizeof(text)), 0);
    HWND foreign = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12345));
    EXPECT_FALSE(ShowWindow(foreign, SW_SHOW));
    EXPECT_EQ(CWnd::FromHandle(foreign), nullptr);
    HDROP drop = reinterpret_cast<HDROP>(static_cast<uintptr_t>(0x999));
    EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    DragFinish(drop);
    EXPECT_EQ(TrackPopupMenu(reinterpret_cast<HMENU>(static_cast<uintptr_t>(0x77)), 0, 0, 0, 0, stale, nullptr),
              FALSE);
    EXPECT_EQ(LoadString(nullptr, 0xFFFF, text, sizeof(text)), 0);
    PlatformAdvanceTime(100);
}

}  // namespace
