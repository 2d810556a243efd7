// The host of runs without a display: windows live only in memory.
#include "wnd/dialog.h"
#include "wnd/menu.h"
#include "wnd/modal_responder.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

namespace {

class HeadlessHost : public WindowHost {
public:
    bool IsHeadless() const override { return true; }
    void CreatePeer(WindowRecord&) override {}
    void DestroyPeer(WindowRecord&) override {}
    void ReparentPeer(WindowRecord&) override {}
    void MovePeer(WindowRecord&) override {}
    void ShowPeer(WindowRecord&) override {}
    void EnablePeer(WindowRecord&) override {}
    void TextChanged(WindowRecord&) override {}
    void ControlChanged(WindowRecord&) override {}
    void MenuChanged(WindowRecord&) override {}
    void RaisePeer(WindowRecord&) override {}
    void Present(WindowRecord&) override {}
    void CaptureMouse(WindowRecord*) override {}
    void FocusPeer(WindowRecord&) override {}
    void ApplyCursor(WindowRecord*, HCURSOR) override {}
    bool ClientOrigin(WindowRecord&, POINT&) override { return false; }
    bool CursorPosition(POINT&) override { return false; }
    bool ModifierDown(int, bool&) override { return false; }
    void WakeUp() override {}
    int RunMainLoop() override { return 0; }
    void ProcessNative() override {}

    int RunModal(WindowRecord& dialog) override {
        CDialog* d = dynamic_cast<CDialog*>(dialog.wnd);
        HWND hwnd = dialog.hwnd;
        ModalRequest request;
        request.kind = ModalKind::Dialog;
        request.dialog = d;
        AnswerHeadless(request);
        // A dialog the responder left open is cancelled.
        CWnd* w = CWnd::FromHandle(hwnd);
        if (w && w->ContinueModal()) w->EndModalLoop(IDCANCEL);
        return IDCANCEL;
    }
    void EndModal(WindowRecord&, int) override {}
    ModalAnswer Ask(const ModalRequest& request) override { return AnswerHeadless(request); }

    UINT TrackPopup(CMenu& menu, int, int, WindowRecord&) override {
        ModalRequest request;
        request.kind = ModalKind::PopupMenu;
        request.menu = &menu;
        ModalAnswer answer = AnswerHeadless(request);
        if (answer.result <= 0) return 0;
        // Only an enabled command item of the menu can be chosen.
        UINT state = menu.GetMenuState((UINT)answer.result, MF_BYCOMMAND);
        if (state == (UINT)-1 || (state & (MF_GRAYED | MF_DISABLED))) return 0;
        return (UINT)answer.result;
    }
};

HeadlessHost& Headless() {
    static HeadlessHost host;
    return host;
}

WindowHost* g_host = nullptr;

}  // namespace

WindowHost& CurrentHost() { return g_host ? *g_host : Headless(); }

void InstallHost(WindowHost* host) { g_host = host; }
