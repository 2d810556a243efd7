// The seam between the window manager and what shows windows: a headless
// host that keeps everything in memory, or the wxWidgets host.
#pragma once

#include <string>
#include <vector>

#include "wnd/winuser.h"

class CMenu;
struct WindowRecord;
struct ModalRequest;
struct ModalAnswer;

class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual bool IsHeadless() const = 0;

    // Peers mirror the window tree; every call may be a no-op.
    virtual void CreatePeer(WindowRecord& record) = 0;
    virtual void DestroyPeer(WindowRecord& record) = 0;
    virtual void ReparentPeer(WindowRecord& record) = 0;
    virtual void MovePeer(WindowRecord& record) = 0;
    virtual void ShowPeer(WindowRecord& record) = 0;
    virtual void EnablePeer(WindowRecord& record) = 0;
    virtual void TextChanged(WindowRecord& record) = 0;
    virtual void ControlChanged(WindowRecord& record) = 0;
    virtual void MenuChanged(WindowRecord& record) = 0;
    virtual void RaisePeer(WindowRecord& record) = 0;
    virtual void Present(WindowRecord& record) = 0;

    virtual void CaptureMouse(WindowRecord* record) = 0;
    virtual void FocusPeer(WindowRecord& record) = 0;
    virtual void ApplyCursor(WindowRecord* record, HCURSOR cursor) = 0;
    virtual bool ClientOrigin(WindowRecord& record, POINT& origin) = 0;
    virtual bool CursorPosition(POINT& pos) = 0;
    virtual bool ModifierDown(int virtualKey, bool& down) = 0;
    virtual void WakeUp() = 0;

    // The application's message loop: native events and our queue until
    // WM_QUIT; ProcessNative handles what is waiting without blocking.
    virtual int RunMainLoop() = 0;
    virtual void ProcessNative() = 0;

    // Modal interaction: dialogs run a nested loop until EndModal.
    virtual int RunModal(WindowRecord& dialog) = 0;
    virtual void EndModal(WindowRecord& dialog, int result) = 0;
    virtual ModalAnswer Ask(const ModalRequest& request) = 0;
    virtual UINT TrackPopup(CMenu& menu, int x, int y, WindowRecord& owner) = 0;
};

WindowHost& CurrentHost();
void InstallHost(WindowHost* host);
