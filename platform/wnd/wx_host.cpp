// The native host: every window record gets a wxWidgets peer. Generic
// windows are canvases that show the record's surface and turn native
// mouse and key events into window messages; controls are native widgets
// kept in step with the control state of their record.
#include <wx/log.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/treectrl.h>
#include <wx/wx.h>

#include <glib.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>

#include "wnd/app.h"
#include "wnd/control_model.h"
#include "wnd/dialog.h"
#include "wnd/gui.h"
#include "wnd/icons.h"
#include "wnd/menu.h"
#include "wnd/modal_responder.h"
#include "wnd/shell.h"
#include "wnd/simulation.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

namespace {

class WxHost;
WxHost* g_wxHost = nullptr;
bool g_inPump = false;
bool g_endRequested = false;

// Where the user could choose Exit: in the main loop itself, not in a modal
// loop, yield, menu or drag nested in it (GLib dispatches at depth 1 only
// outside all of them), and the main window takes input.
bool AtTheTopOfTheMainLoop() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop || !wxTheApp || loop != wxTheApp->GetMainLoop() || loop->IsYielding()) return false;
    if (g_main_depth() != 1) return false;
    CWnd* main = AfxGetMainWnd();
    return main && ::IsWindowEnabled(main->m_hWnd);
}

// SIGTERM or SIGINT came; wxWidgets calls this from its loop, not from the
// signal handler. A program asked to end leaves the way its user's Exit
// does, so that its ordinary clean-up runs. Where Exit cannot be chosen (a
// dialog, a menu or a drag holds the loop) the program's own clean-up runs
// and the signal then ends it at once, as it would have without us.
void RequestEnd(int number) {
    if (AtTheTopOfTheMainLoop()) {
        g_endRequested = true;
        wxWakeUpIdle();
        return;
    }
    if (CWinApp* app = AfxGetApp()) app->ExitInstance();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

void EndIfRequested() {
    if (!g_endRequested || !AtTheTopOfTheMainLoop()) return;
    g_endRequested = false;
    ::SendMessage(AfxGetMainWnd()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
}

UINT VirtualKeyOf(int code) {
    if (code >= 'A' && code <= 'Z') return (UINT)code;
    if (code >= 'a' && code <= 'z') return (UINT)(code - 'a' + 'A');
    if (code >= '0' && code <= '9') return (UINT)code;
    if (code >= WXK_F1 && code <= WXK_F12) return (UINT)(VK_F1 + (code - WXK_F1));
    if (code >= WXK_NUMPAD0 && code <= WXK_NUMPAD9) return (UINT)(VK_NUMPAD0 + (code - WXK_NUMPAD0));
    switch (code) {
    case WXK_LEFT: case WXK_NUMPAD_LEFT: return VK_LEFT;
    case WXK_RIGHT: case WXK_NUMPAD_RIGHT: return VK_RIGHT;
    case WXK_UP: case WXK_NUMPAD_UP: return VK_UP;
    case WXK_DOWN: case WXK_NUMPAD_DOWN: return VK_DOWN;
    case WXK_RETURN: case WXK_NUMPAD_ENTER: return VK_RETURN;
    case WXK_ESCAPE: return VK_ESCAPE;
    case WXK_SPACE: return VK_SPACE;
    case WXK_BACK: return VK_BACK;
    case WXK_TAB: return VK_TAB;
    case WXK_DELETE: return VK_DELETE;
    case WXK_INSERT: return VK_INSERT;
    case WXK_HOME: return VK_HOME;
    case WXK_END: return VK_END;
    case WXK_PAGEUP: return VK_PRIOR;
    case WXK_PAGEDOWN: return VK_NEXT;
    case WXK_SHIFT: return VK_SHIFT;
    case WXK_CONTROL: return VK_CONTROL;
    case WXK_ALT: return VK_MENU;
    case WXK_NUMPAD_SUBTRACT: case WXK_SUBTRACT: return VK_SUBTRACT;
    case WXK_NUMPAD_ADD: case WXK_ADD: return VK_ADD;
    case WXK_NUMPAD_MULTIPLY: case WXK_MULTIPLY: return VK_MULTIPLY;
    case WXK_NUMPAD_DIVIDE: case WXK_DIVIDE: return VK_DIVIDE;
    case '-': return 0xBD;
    default: return 0;
    }
}

WPARAM MouseFlags(const wxMouseState& state) {
    WPARAM flags = 0;
    if (state.LeftIsDown()) flags |= MK_LBUTTON;
    if (state.RightIsDown()) flags |= MK_RBUTTON;
    if (state.MiddleIsDown()) flags |= MK_MBUTTON;
    if (state.ShiftDown()) flags |= MK_SHIFT;
    if (state.ControlDown()) flags |= MK_CONTROL;
    return flags;
}

wxStockCursor StockCursorOf(HCURSOR cursor) {
    switch ((uintptr_t)cursor) {
    case 32513: return wxCURSOR_IBEAM;
    case 32514: return wxCURSOR_WAIT;
    case 32515: return wxCURSOR_CROSS;
    case 32642: return wxCURSOR_SIZENWSE;
    case 32643: return wxCURSOR_SIZENESW;
    case 32644: return wxCURSOR_SIZEWE;
    case 32645: return wxCURSOR_SIZENS;
    case 32646: return wxCURSOR_SIZING;
    case 32648: return wxCURSOR_NO_ENTRY;
    case 32649: return wxCURSOR_HAND;
    default: return wxCURSOR_ARROW;
    }
}

std::string MenuLabel(const std::string& text) {
    // Accelerator hints stay visible, but the toolkit must not bind them:
    // keys go through the window's own accelerator table.
    std::string label = text;
    size_t tab = label.find('\t');
    if (tab != std::string::npos) label.replace(tab, 1, "    ");
    return label;
}

// The toolkit takes menu ids below 0x7FFF only; commands are mapped.
std::map<UINT, int>& CommandToWx() {
    static std::map<UINT, int> map;
    return map;
}
std::map<int, UINT>& WxToCommand() {
    static std::map<int, UINT> map;
    return map;
}
int WxIdFor(UINT command) {
    auto it = CommandToWx().find(command);
    if (it != CommandToWx().end()) return it->second;
    int id = 6000 + (int)CommandToWx().size();
    CommandToWx()[command] = id;
    WxToCommand()[id] = command;
    return id;
}
UINT CommandFor(int wxId) {
    auto it = WxToCommand().find(wxId);
    return it == WxToCommand().end() ? 0 : it->second;
}

// Input from a native event into the message loop of our windows.
void Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!wndsys::Find(hwnd)) return;
    wndsys::DeliverInput(MSG{hwnd, message, wParam, lParam, 0, POINT{0, 0}});
}

void DeliverMouse(HWND hwnd, UINT message, const wxMouseEvent& event) {
    Deliver(hwnd, message, MouseFlags(event), MAKELPARAM(event.GetX(), event.GetY()));
}

enum class KeyOutcome { Unknown, Dispatched, Taken };

KeyOutcome DeliverKey(HWND hwnd, UINT message, const wxKeyEvent& event) {
    UINT vk = VirtualKeyOf(event.GetKeyCode());
    if (!vk || !wndsys::Find(hwnd)) return KeyOutcome::Unknown;
    bool alt = event.AltDown();
    if (alt && message == WM_KEYDOWN) message = WM_SYSKEYDOWN;
    if (alt && message == WM_KEYUP) message = WM_SYSKEYUP;
    LPARAM lParam = message == WM_KEYDOWN || message == WM_SYSKEYDOWN ? 1 : (LPARAM)0xC0000001;
    bool taken = wndsys::DeliverInput(MSG{hwnd, message, vk, lParam, 0, POINT{0, 0}});
    return taken ? KeyOutcome::Taken : KeyOutcome::Dispatched;
}

// Keys in native controls reach the pretranslate walk (accelerators) but
// otherwise belong to the control.
bool PreTranslateKey(HWND hwnd, UINT message, const wxKeyEvent& event) {
    UINT vk = VirtualKeyOf(event.GetKeyCode());
    if (!vk || !wndsys::Find(hwnd)) return false;
    wndsys::SetKeyDown((int)vk, message == WM_KEYDOWN);
    MSG msg{hwnd, message, vk, 1, (DWORD)wndsys::Now(), wndsys::CursorPos()};
    bool taken = wndsys::PreTranslate(msg);
    wndsys::PresentDrawn();
    return taken;
}

class FileDropTarget : public wxFileDropTarget {
public:
    explicit FileDropTarget(HWND hwnd) : hwnd_(hwnd) {}
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override {
        std::vector<std::string> paths;
        for (const wxString& n : names) paths.push_back(n.utf8_string());
        bool taken = PlatformDropFiles(hwnd_, paths, POINT{x, y});
        wndsys::PresentDrawn();
        return taken;
    }

private:
    HWND hwnd_;
};

// A generic window: shows the surface, forwards mouse and keys.
class CanvasPeer : public wxWindow {
public:
    CanvasPeer(wxWindow* parent, HWND hwnd, const wxPoint& pos, const wxSize& size)
        : wxWindow(parent, wxID_ANY, pos, size, wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE),
          hwnd_(hwnd) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, &CanvasPeer::OnPaint, this);
        Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) { Press(WM_LBUTTONDOWN, e); });
        Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_LBUTTONUP, e); });
        Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_LBUTTONDBLCLK, e); });
        Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent& e) { Press(WM_RBUTTONDOWN, e); });
        Bind(wxEVT_RIGHT_UP, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_RBUTTONUP, e); });
        Bind(wxEVT_RIGHT_DCLICK, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_RBUTTONDBLCLK, e); });
        Bind(wxEVT_MIDDLE_DOWN, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_MBUTTONDOWN, e); });
        Bind(wxEVT_MIDDLE_UP, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_MBUTTONUP, e); });
        Bind(wxEVT_MOTION, [this](wxMouseEvent& e) { DeliverMouse(hwnd_, WM_MOUSEMOVE, e); });
        Bind(wxEVT_MOUSEWHEEL, &CanvasPeer::OnWheel, this);
        Bind(wxEVT_LEAVE_WINDOW, &CanvasPeer::OnLeave, this);
        Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
            // Unknown keys, and printable ones nobody took, go on to become
            // characters.
            KeyOutcome outcome = DeliverKey(hwnd_, WM_KEYDOWN, e);
            int code = e.GetKeyCode();
            if (outcome == KeyOutcome::Unknown || (outcome == KeyOutcome::Dispatched && code >= 32 && code < 127))
                e.Skip();
        });
        Bind(wxEVT_KEY_UP, [this](wxKeyEvent& e) {
            if (DeliverKey(hwnd_, WM_KEYUP, e) == KeyOutcome::Unknown) e.Skip();
        });
        Bind(wxEVT_CHAR, [this](wxKeyEvent& e) {
            // Printable characters, as TranslateMessage would make them.
            wxChar ch = e.GetUnicodeKey();
            if (ch >= 32 && ch < 127 && !e.ControlDown() && !e.AltDown() && wndsys::Find(hwnd_)) {
                ::SendMessage(hwnd_, WM_CHAR, (WPARAM)ch, 1);
                wndsys::PresentDrawn();
            }
        });
        Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
            if (wndsys::FocusWindow() != hwnd_ && wndsys::Find(hwnd_)) ::SetFocus(hwnd_);
            e.Skip();
        });
        Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
            if (wndsys::CaptureWindow() == hwnd_) ::ReleaseCapture();
        });
    }

private:
    void Press(UINT message, wxMouseEvent& e) {
        if (AcceptsFocus() && !HasFocus()) SetFocus();
        DeliverMouse(hwnd_, message, e);
    }
    void OnWheel(wxMouseEvent& e) {
        int delta = e.GetWheelDelta() ? e.GetWheelRotation() * WHEEL_DELTA / e.GetWheelDelta() : 0;
        wxPoint screen = ClientToScreen(e.GetPosition());
        Deliver(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(MouseFlags(e), (WORD)(short)delta), MAKELPARAM(screen.x, screen.y));
    }
    void OnLeave(wxMouseEvent& e) {
        WindowRecord* r = wndsys::Find(hwnd_);
        if (r && wndsys::HoverWindow() == hwnd_ && !HasCapture()) {
            wndsys::HoverWindow() = nullptr;
            if (r->trackFlags & TME_LEAVE) {
                r->trackFlags = 0;
                r->tracking = false;
                ::SendMessage(hwnd_, WM_MOUSELEAVE, 0, 0);
                wndsys::PresentDrawn();
            }
        }
        e.Skip();
    }
public:
    // The surface changed: the next paint converts it again.
    void Stale() {
        stale_ = true;
        Refresh(false);
    }

private:
    void OnPaint(wxPaintEvent&) {
        wxPaintDC dc(this);
        WindowRecord* r = wndsys::Find(hwnd_);
        if (!r || !r->surface.Pixels()) return;
        int w = r->surface.Width();
        int h = r->surface.Height();
        if (stale_ || !shown_.IsOk() || shown_.GetWidth() != w || shown_.GetHeight() != h) {
            wxImage image(w, h, false);
            unsigned char* out = image.GetData();
            const uint32_t* in = r->surface.Pixels();
            for (size_t i = 0, n = (size_t)w * (size_t)h; i < n; ++i) {
                uint32_t p = in[i];
                out[3 * i] = (unsigned char)(p >> 16);
                out[3 * i + 1] = (unsigned char)(p >> 8);
                out[3 * i + 2] = (unsigned char)p;
            }
            shown_ = wxBitmap(image);
            stale_ = false;
        }
        dc.DrawBitmap(shown_, 0, 0, false);
    }

    HWND hwnd_;
    wxBitmap shown_;
    bool stale_ = true;
};

class FramePeer : public wxFrame {
public:
    FramePeer(wxWindow* owner, HWND hwnd, const wxString& title, const wxPoint& pos, long style)
        : wxFrame(owner, wxID_ANY, title, pos, wxDefaultSize, style), hwnd_(hwnd) {
        Bind(wxEVT_SIZE, &FramePeer::OnSize, this);
        Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
            if (e.CanVeto()) e.Veto();
            if (wndsys::Find(hwnd_)) ::PostMessage(hwnd_, WM_CLOSE, 0, 0);
        });
        Bind(wxEVT_MENU, [this](wxCommandEvent& e) {
            UINT command = CommandFor(e.GetId());
            if (command && wndsys::Find(hwnd_)) ::SendMessage(hwnd_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            wndsys::PresentDrawn();
        });
        Bind(wxEVT_MENU_OPEN, &FramePeer::OnMenuOpen, this);
    }
    std::map<wxMenu*, HMENU> menus;
    std::map<int, wxMenuItem*> items;

private:
    void OnSize(wxSizeEvent& e) {
        wxSize client = GetClientSize();
        wndsys::ClientResized(hwnd_, client.x, client.y);
        wndsys::PresentDrawn();
        e.Skip();
    }
    void OnMenuOpen(wxMenuEvent& e) {
        auto it = menus.find(e.GetMenu());
        if (it == menus.end() || !wndsys::Find(hwnd_)) return;
        ::SendMessage(hwnd_, WM_INITMENUPOPUP, (WPARAM)it->second, 0);
        MenuData* data = FindMenuData(it->second);
        if (!data) return;
        for (const MenuItem& item : data->items) {
            auto found = items.find(WxIdFor(item.id));
            if ((item.flags & (MF_POPUP | MF_SEPARATOR)) || found == items.end()) continue;
            found->second->Enable(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            if (found->second->IsCheckable()) found->second->Check((item.flags & MF_CHECKED) != 0);
        }
    }
    HWND hwnd_;
};

class DialogPeer : public wxDialog {
public:
    DialogPeer(wxWindow* owner, HWND hwnd, const wxString& title, const wxPoint& pos)
        : wxDialog(owner, wxID_ANY, title, pos, wxDefaultSize, wxDEFAULT_DIALOG_STYLE), hwnd_(hwnd) {
        Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
            if (e.CanVeto()) e.Veto();
            if (wndsys::Find(hwnd_)) ::SendMessage(hwnd_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        });
        Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
            UINT vk = VirtualKeyOf(e.GetKeyCode());
            if ((vk == VK_ESCAPE || vk == VK_RETURN) && wndsys::Find(hwnd_)) {
                MSG msg{hwnd_, WM_KEYDOWN, vk, 1, 0, POINT{0, 0}};
                if (CWnd* w = CWnd::FromHandle(hwnd_))
                    if (w->PreTranslateMessage(&msg)) return;
            }
            e.Skip();
        });
        Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
            wxSize client = GetClientSize();
            wndsys::ClientResized(hwnd_, client.x, client.y);
            e.Skip();
        });
    }

private:
    HWND hwnd_;
};

// A progress bar with a caption bar of its own (WS_CAPTION).
class CaptionedGauge : public wxPanel {
public:
    CaptionedGauge(wxWindow* parent, const wxString& caption, const wxPoint& pos, const wxSize& size)
        : wxPanel(parent, wxID_ANY, pos, size, wxBORDER_RAISED) {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        label = new wxStaticText(this, wxID_ANY, caption);
        gauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL | wxGA_SMOOTH);
        sizer->Add(label, 0, wxEXPAND | wxALL, 2);
        sizer->Add(gauge, 1, wxEXPAND | wxALL, 2);
        SetSizer(sizer);
    }
    wxStaticText* label;
    wxGauge* gauge;
};

class TreeItemHandle : public wxTreeItemData {
public:
    explicit TreeItemHandle(HTREEITEM item) : item(item) {}
    HTREEITEM item;
};

wxWindow* PeerOf(WindowRecord* r) { return r ? static_cast<wxWindow*>(r->peer) : nullptr; }

bool HasOwnPeerKind(const WindowRecord& r) {
    std::string name = r.className;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    return name != "tooltips_class32";
}

class WxHost : public WindowHost {
public:
    WxHost() {
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Pump(); });
    }
    bool IsHeadless() const override { return false; }

    void CreatePeer(WindowRecord& r) override {
        if (!HasOwnPeerKind(r)) return;
        wxWindow* peer = nullptr;
        if (!r.IsChild()) {
            wxWindow* owner = PeerOf(wndsys::Find(r.owner));
            wxPoint pos(r.rect.left, r.rect.top);
            if (dynamic_cast<CDialog*>(r.wnd)) {
                peer = new DialogPeer(owner, r.hwnd, wxString::FromUTF8(r.text), pos);
            } else {
                FramePeer* frame = new FramePeer(owner, r.hwnd, wxString::FromUTF8(r.text), pos,
                                                 wxDEFAULT_FRAME_STYLE);
                peer = frame;
            }
            r.peer = peer;
            if (r.menu) MenuChanged(r);
            peer->SetClientSize(r.clientCx, r.clientCy);
            wxSize client = peer->GetClientSize();
            r.clientCx = client.x;
            r.clientCy = client.y;
            r.surface.Resize(client.x, client.y);
            return;
        }
        wxWindow* parent = PeerOf(wndsys::Find(r.parent));
        if (!parent) return;
        wxPoint pos(r.rect.left, r.rect.top);
        wxSize size(std::max(r.Width(), 0), std::max(r.Height(), 0));
        peer = MakeChildPeer(r, parent, pos, size);
        if (!peer) return;
        r.peer = peer;
        if (IsDropDownCombo(r)) {
            // The native closed control has a height of its own.
            size.y = peer->GetBestSize().y;
            r.rect.bottom = r.rect.top + size.y;
            r.clientCy = size.y;
            r.surface.Resize(size.x, size.y);
        }
        peer->SetSize(r.rect.left, r.rect.top, size.x, size.y);
        peer->Show((r.style & WS_VISIBLE) != 0);
        peer->Enable(!(r.style & WS_DISABLED));
        ControlChanged(r);
    }

    void DestroyPeer(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        r.peer = nullptr;
        if (!peer) return;
        dirty_.erase(r.hwnd);
        if (peer->HasCapture()) peer->ReleaseMouse();
        // Children of the record were destroyed first; native children that
        // remain belong to the widget itself.
        if (dynamic_cast<wxTopLevelWindow*>(peer)) {
            if (auto* frame = dynamic_cast<FramePeer*>(peer)) frame->SetMenuBar(nullptr);
            peer->Hide();
            peer->Destroy();
        } else {
            delete peer;
        }
    }

    void ReparentPeer(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        wxWindow* parent = PeerOf(wndsys::Find(r.parent));
        if (peer && parent) {
            peer->Reparent(parent);
            MovePeer(r);
        }
    }

    void MovePeer(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        if (!peer) return;
        if (r.IsChild())
            peer->SetSize(r.rect.left, r.rect.top, std::max(r.Width(), 0), std::max(r.Height(), 0));
        else
            peer->SetSize(r.rect.left, r.rect.top, r.Width(), r.Height());
    }

    void ShowPeer(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        if (!peer) return;
        auto* dialog = dynamic_cast<DialogPeer*>(peer);
        if (dialog && dialog->IsModal()) return;
        peer->Show((r.style & WS_VISIBLE) != 0);
    }

    void EnablePeer(WindowRecord& r) override {
        if (wxWindow* peer = PeerOf(&r)) peer->Enable(!(r.style & WS_DISABLED));
    }

    void TextChanged(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        if (!peer) return;
        wxString text = wxString::FromUTF8(r.text);
        if (auto* top = dynamic_cast<wxTopLevelWindow*>(peer)) top->SetTitle(text);
        else if (auto* captioned = dynamic_cast<CaptionedGauge*>(peer)) captioned->label->SetLabel(text);
        else if (auto* edit = dynamic_cast<wxTextCtrl*>(peer)) {
            if (edit->GetValue() != text) edit->ChangeValue(text);
        } else if (auto* combo = dynamic_cast<wxComboBox*>(peer)) {
            if (combo->GetValue() != text) combo->ChangeValue(text);
        } else if (dynamic_cast<wxControl*>(peer) && !dynamic_cast<wxGauge*>(peer) && !dynamic_cast<wxTreeCtrl*>(peer))
            peer->SetLabel(text);
    }

    void ControlChanged(WindowRecord& r) override {
        if (r.peer) {
            dirty_.insert(r.hwnd);
            WakeUp();
        }
        if (r.control) {
            if (auto* tips = dynamic_cast<ToolTipModel*>(r.control.get())) SyncToolTips(*tips);
        }
        if (auto* top = dynamic_cast<wxTopLevelWindow*>(PeerOf(&r))) ShowIcon(*top, r.hwnd);
        if (wxWindow* peer = PeerOf(&r)) {
            bool accepts = (r.exStyle & WS_EX_ACCEPTFILES) != 0;
            if (accepts && !peer->GetDropTarget()) peer->SetDropTarget(new FileDropTarget(r.hwnd));
            if (!accepts && peer->GetDropTarget()) peer->SetDropTarget(nullptr);
        }
    }

    static void ShowIcon(wxTopLevelWindow& top, HWND hwnd) {
        HICON icon = reinterpret_cast<HICON>(SendMessage(hwnd, WM_GETICON, ICON_BIG, 0));
        int width = 0, height = 0;
        std::vector<uint32_t> argb;
        if (!PlatformIconPixels(icon, width, height, argb)) return;
        wxImage image(width, height);
        image.InitAlpha();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t p = argb[(size_t)y * width + x];
                image.SetRGB(x, y, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
                image.SetAlpha(x, y, (unsigned char)(p >> 24));
            }
        wxIcon shown;
        shown.CopyFromBitmap(wxBitmap(image));
        top.SetIcon(shown);
    }

    void MenuChanged(WindowRecord& r) override {
        auto* frame = dynamic_cast<FramePeer*>(PeerOf(&r));
        if (!frame) return;
        frame->menus.clear();
        frame->items.clear();
        MenuData* data = FindMenuData(r.menu);
        if (!data) {
            frame->SetMenuBar(nullptr);
            return;
        }
        auto* bar = new wxMenuBar;
        for (const MenuItem& item : data->items) {
            if (!(item.flags & MF_POPUP)) continue;
            bar->Append(BuildMenu(item.popup, frame->menus, frame->items), wxString::FromUTF8(MenuLabel(item.text)));
        }
        frame->SetMenuBar(bar);
    }

    void RaisePeer(WindowRecord& r) override {
        if (wxWindow* peer = PeerOf(&r)) peer->Raise();
    }

    void Present(WindowRecord& r) override {
        if (auto* canvas = dynamic_cast<CanvasPeer*>(PeerOf(&r))) canvas->Stale();
    }

    void CaptureMouse(WindowRecord* r) override {
        if (captured_ && captured_->HasCapture()) captured_->ReleaseMouse();
        captured_ = nullptr;
        wxWindow* peer = PeerOf(r);
        if (peer && !peer->HasCapture()) {
            peer->CaptureMouse();
            captured_ = peer;
        }
    }

    void FocusPeer(WindowRecord& r) override {
        wxWindow* peer = PeerOf(&r);
        if (peer && !peer->HasFocus() && peer->IsShownOnScreen()) peer->SetFocus();
    }

    void ApplyCursor(WindowRecord* r, HCURSOR cursor) override {
        if (wxWindow* peer = PeerOf(r)) peer->SetCursor(wxCursor(StockCursorOf(cursor)));
    }

    bool ClientOrigin(WindowRecord& r, POINT& origin) override {
        wxWindow* peer = PeerOf(&r);
        if (!peer) return false;
        wxPoint p = peer->ClientToScreen(wxPoint(0, 0));
        origin = POINT{p.x, p.y};
        return true;
    }

    bool CursorPosition(POINT& pos) override {
        wxPoint p = wxGetMousePosition();
        pos = POINT{p.x, p.y};
        return true;
    }

    bool ModifierDown(int vk, bool& down) override {
        switch (vk) {
        case VK_SHIFT: down = wxGetKeyState(WXK_SHIFT); return true;
        case VK_CONTROL: down = wxGetKeyState(WXK_CONTROL); return true;
        case VK_MENU: down = wxGetKeyState(WXK_ALT); return true;
        case VK_LBUTTON: down = wxGetMouseState().LeftIsDown(); return true;
        case VK_RBUTTON: down = wxGetMouseState().RightIsDown(); return true;
        default: return false;
        }
    }

    void WakeUp() override {
        if (!g_inPump) wxWakeUpIdle();
    }

    int RunMainLoop() override {
        wxTheApp->OnRun();
        return 0;
    }

    void ProcessNative() override {
        if (g_inPump) return;
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
    }

    int RunModal(WindowRecord& dialog) override {
        auto* peer = dynamic_cast<DialogPeer*>(PeerOf(&dialog));
        if (!peer) return IDCANCEL;
        peer->SetClientSize(dialog.clientCx, dialog.clientCy);
        peer->CentreOnParent();
        return peer->ShowModal();
    }

    void EndModal(WindowRecord& dialog, int result) override {
        auto* peer = dynamic_cast<DialogPeer*>(PeerOf(&dialog));
        if (peer && peer->IsModal()) peer->EndModal(result);
    }

    ModalAnswer Ask(const ModalRequest& request) override {
        ModalAnswer answer;
        wxWindow* parent = MainPeer();
        if (request.kind == ModalKind::OpenFile || request.kind == ModalKind::SaveFile) {
            std::string wildcard = request.filter;
            while (!wildcard.empty() && wildcard.back() == '|') wildcard.pop_back();
            if (wildcard.empty()) wildcard = "*|*";
            long style = request.kind == ModalKind::OpenFile ? wxFD_OPEN : wxFD_SAVE;
            if (request.kind == ModalKind::OpenFile && (request.flags & OFN_FILEMUSTEXIST)) style |= wxFD_FILE_MUST_EXIST;
            if (request.kind == ModalKind::SaveFile && (request.flags & OFN_OVERWRITEPROMPT)) style |= wxFD_OVERWRITE_PROMPT;
            wxFileDialog dialog(parent, wxFileSelectorPromptStr, wxEmptyString, wxString::FromUTF8(request.fileName),
                                wxString::FromUTF8(wildcard), style);
            if (dialog.ShowModal() == wxID_OK) {
                answer.result = IDOK;
                answer.path = dialog.GetPath().utf8_string();
            }
        } else if (request.kind == ModalKind::Folder) {
            wxDirDialog dialog(parent, wxString::FromUTF8(request.text));
            if (dialog.ShowModal() == wxID_OK) {
                answer.result = IDOK;
                answer.path = dialog.GetPath().utf8_string();
            }
        }
        return answer;
    }

    UINT TrackPopup(CMenu& menu, int x, int y, WindowRecord& owner) override {
        wxWindow* peer = PeerOf(&owner);
        while (!peer) {
            WindowRecord* parent = wndsys::Find(owner.parent);
            if (!parent) return 0;
            peer = PeerOf(parent);
        }
        std::map<wxMenu*, HMENU> menus;
        std::map<int, wxMenuItem*> items;
        wxMenu* popup = BuildMenu(menu.m_hMenu, menus, items);
        int chosen = peer->GetPopupMenuSelectionFromUser(*popup, peer->ScreenToClient(wxPoint(x, y)));
        delete popup;
        return chosen == wxID_NONE ? 0 : CommandFor(chosen);
    }

    // Our own queue: posted messages, paints, due timers; then controls
    // that changed are brought up to date and drawn surfaces presented.
    void Pump() {
        if (g_inPump) return;
        g_inPump = true;
        int count = 0;
        MSG msg;
        while (count < 200 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                break;
            }
            ++count;
            if (!wndsys::PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
        EndIfRequested();
        SyncDirtyControls();
        wndsys::PresentDrawn();
        g_inPump = false;
        if (quit_ || wndsys::QuitPosted(nullptr)) {
            if (wxTheApp) wxTheApp->ExitMainLoop();
            return;
        }
        if (count >= 200) wxWakeUpIdle();
        int64_t next = wndsys::MillisecondsToNextTimer();
        int64_t hover = wndsys::MillisecondsToHover();
        if (hover >= 0 && (next < 0 || hover < next)) next = hover;
        if (next >= 0) timer_.StartOnce((int)std::max<int64_t>(next, 1));
    }

    bool quit_ = false;

private:
    wxWindow* MainPeer() {
        CWnd* main = AfxGetMainWnd();
        return main ? PeerOf(wndsys::Find(main->m_hWnd)) : nullptr;
    }

    wxWindow* MakeChildPeer(WindowRecord& r, wxWindow* parent, const wxPoint& pos, const wxSize& size) {
        wxString text = wxString::FromUTF8(r.text);
        HWND hwnd = r.hwnd;
        if (auto* button = dynamic_cast<ButtonModel*>(r.control.get())) {
            switch (button->Kind()) {
            case ButtonKind::OwnerDraw: return new CanvasPeer(parent, hwnd, pos, size);
            case ButtonKind::CheckBox:
            case ButtonKind::AutoCheckBox: {
                auto* box = new wxCheckBox(parent, wxID_ANY, text, pos, size);
                box->Bind(wxEVT_CHECKBOX, [hwnd](wxCommandEvent&) { ClickButton(hwnd); });
                return box;
            }
            case ButtonKind::Radio:
            case ButtonKind::AutoRadio: {
                auto* radio = new wxRadioButton(parent, wxID_ANY, text, pos, size,
                                                (r.style & WS_GROUP) ? wxRB_GROUP : 0);
                radio->Bind(wxEVT_RADIOBUTTON, [hwnd](wxCommandEvent&) { ClickButton(hwnd); });
                return radio;
            }
            case ButtonKind::GroupBox: return new wxStaticBox(parent, wxID_ANY, text, pos, size);
            default: {
                auto* push = new wxButton(parent, wxID_ANY, text, pos, size);
                push->Bind(wxEVT_BUTTON, [hwnd](wxCommandEvent&) { ClickButton(hwnd); });
                return push;
            }
            }
        }
        if (dynamic_cast<EditModel*>(r.control.get())) {
            long style = (r.style & ES_MULTILINE) ? wxTE_MULTILINE : 0;
            if (r.style & ES_READONLY) style |= wxTE_READONLY;
            auto* edit = new wxTextCtrl(parent, wxID_ANY, text, pos, size, style);
            edit->Bind(wxEVT_TEXT, [hwnd, edit](wxCommandEvent&) {
                WindowRecord* rec = wndsys::Find(hwnd);
                if (auto* model = rec ? dynamic_cast<EditModel*>(rec->control.get()) : nullptr)
                    model->UserEdit(*rec, edit->GetValue().utf8_string());
                wndsys::PresentDrawn();
            });
            BindKeys(edit, hwnd);
            return edit;
        }
        if (auto* label = dynamic_cast<StaticModel*>(r.control.get())) {
            if (label->ShowsIcon()) return new CanvasPeer(parent, hwnd, pos, size);
            return new wxStaticText(parent, wxID_ANY, text, pos, size);
        }
        if (auto* list = dynamic_cast<ListModel*>(r.control.get())) {
            if (list->IsCombo()) {
                long style = list->HasEdit() ? wxCB_DROPDOWN : wxCB_READONLY;
                auto* combo = new wxComboBox(parent, wxID_ANY, text, pos, wxSize(size.x, -1), 0, nullptr, style);
                combo->Bind(wxEVT_COMBOBOX, [hwnd, combo](wxCommandEvent&) {
                    WindowRecord* rec = wndsys::Find(hwnd);
                    if (auto* model = rec ? dynamic_cast<ListModel*>(rec->control.get()) : nullptr)
                        model->UserSelect(*rec, combo->GetSelection());
                    wndsys::PresentDrawn();
                });
                combo->Bind(wxEVT_TEXT, [hwnd, combo](wxCommandEvent&) {
                    WindowRecord* rec = wndsys::Find(hwnd);
                    if (auto* model = rec ? dynamic_cast<ListModel*>(rec->control.get()) : nullptr)
                        model->UserEdit(*rec, combo->GetValue().utf8_string());
                });
                return combo;
            }
            auto* box = new wxListBox(parent, wxID_ANY, pos, size);
            box->Bind(wxEVT_LISTBOX, [hwnd, box](wxCommandEvent&) {
                WindowRecord* rec = wndsys::Find(hwnd);
                if (auto* model = rec ? dynamic_cast<ListModel*>(rec->control.get()) : nullptr)
                    model->UserSelect(*rec, box->GetSelection());
            });
            return box;
        }
        if (dynamic_cast<ProgressModel*>(r.control.get())) {
            if (r.style & WS_CAPTION) return new CaptionedGauge(parent, text, pos, size);
            return new wxGauge(parent, wxID_ANY, 100, pos, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
        }
        if (dynamic_cast<TreeModel*>(r.control.get())) {
            long style = wxTR_HIDE_ROOT | wxTR_SINGLE | wxTR_NO_LINES;
            if (r.style & TVS_HASBUTTONS) style |= wxTR_HAS_BUTTONS;
            else style |= wxTR_NO_BUTTONS;
            auto* tree = new wxTreeCtrl(parent, wxID_ANY, pos, size, style | wxBORDER_SIMPLE);
            tree->AddRoot("");
            tree->Bind(wxEVT_TREE_SEL_CHANGED, [this, hwnd, tree](wxTreeEvent& e) {
                if (syncing_) return;
                WindowRecord* rec = wndsys::Find(hwnd);
                auto* model = rec ? dynamic_cast<TreeModel*>(rec->control.get()) : nullptr;
                auto* data = e.GetItem().IsOk() ? dynamic_cast<TreeItemHandle*>(tree->GetItemData(e.GetItem())) : nullptr;
                if (model && data) model->UserSelect(*rec, data->item);
                wndsys::PresentDrawn();
            });
            tree->Bind(wxEVT_SET_FOCUS, [hwnd](wxFocusEvent& e) {
                if (wndsys::FocusWindow() != hwnd && wndsys::Find(hwnd)) ::SetFocus(hwnd);
                e.Skip();
            });
            tree->Bind(wxEVT_LEFT_DOWN, [hwnd](wxMouseEvent& e) {
                if (wndsys::Find(hwnd))
                    ::SendMessage(hwnd, WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
                e.Skip();
            });
            BindKeys(tree, hwnd);
            return tree;
        }
        return new CanvasPeer(parent, hwnd, pos, size);
    }

    static void ClickButton(HWND hwnd) {
        WindowRecord* rec = wndsys::Find(hwnd);
        if (auto* model = rec ? dynamic_cast<ButtonModel*>(rec->control.get()) : nullptr) model->Click(*rec);
        wndsys::PresentDrawn();
    }

    static void BindKeys(wxWindow* w, HWND hwnd) {
        w->Bind(wxEVT_KEY_DOWN, [hwnd](wxKeyEvent& e) {
            if (!PreTranslateKey(hwnd, WM_KEYDOWN, e)) e.Skip();
        });
        w->Bind(wxEVT_KEY_UP, [](wxKeyEvent& e) {
            UINT vk = VirtualKeyOf(e.GetKeyCode());
            if (vk) wndsys::SetKeyDown((int)vk, false);
            e.Skip();
        });
    }

    wxMenu* BuildMenu(HMENU handle, std::map<wxMenu*, HMENU>& menus, std::map<int, wxMenuItem*>& items) {
        auto* menu = new wxMenu;
        menus[menu] = handle;
        MenuData* data = FindMenuData(handle);
        if (!data) return menu;
        for (const MenuItem& item : data->items) {
            if (item.flags & MF_SEPARATOR) {
                menu->AppendSeparator();
            } else if (item.flags & MF_POPUP) {
                menu->AppendSubMenu(BuildMenu(item.popup, menus, items), wxString::FromUTF8(MenuLabel(item.text)));
            } else {
                wxItemKind kind = (item.flags & MF_CHECKED) ? wxITEM_CHECK : wxITEM_NORMAL;
                int id = WxIdFor(item.id);
                wxMenuItem* added = menu->Append(id, wxString::FromUTF8(MenuLabel(item.text)), wxEmptyString, kind);
                if (kind == wxITEM_CHECK) added->Check(true);
                added->Enable(!(item.flags & (MF_GRAYED | MF_DISABLED)));
                items[id] = added;
            }
        }
        return menu;
    }

    void SyncToolTips(const ToolTipModel& tips) {
        for (const ToolTipModel::Tool& tool : tips.Tools()) {
            wxWindow* peer = PeerOf(wndsys::Find(tool.window));
            if (!peer) continue;
            if (tips.Active())
                peer->SetToolTip(wxString::FromUTF8(tool.text));
            else
                peer->UnsetToolTip();
        }
    }

    void SyncDirtyControls() {
        std::set<HWND> dirty;
        dirty.swap(dirty_);
        for (HWND h : dirty) {
            WindowRecord* r = wndsys::Find(h);
            if (r && r->peer) SyncControl(*r);
        }
    }

    void SyncControl(WindowRecord& r) {
        wxWindow* peer = PeerOf(&r);
        ControlModel* model = r.control.get();
        if (auto* button = dynamic_cast<ButtonModel*>(model)) {
            if (auto* box = dynamic_cast<wxCheckBox*>(peer)) box->SetValue(button->Check() == BST_CHECKED);
            if (auto* radio = dynamic_cast<wxRadioButton*>(peer)) radio->SetValue(button->Check() == BST_CHECKED);
        } else if (auto* list = dynamic_cast<ListModel*>(model)) {
            if (auto* combo = dynamic_cast<wxComboBox*>(peer)) {
                wxArrayString strings;
                for (const std::string& s : list->Items()) strings.Add(wxString::FromUTF8(s));
                if (combo->GetStrings() != strings) combo->Set(strings);
                if (list->Selection() >= 0) combo->SetSelection(list->Selection());
                wxString text = wxString::FromUTF8(r.text);
                if (combo->GetValue() != text) combo->ChangeValue(text);
            } else if (auto* box = dynamic_cast<wxListBox*>(peer)) {
                wxArrayString strings;
                for (const std::string& s : list->Items()) strings.Add(wxString::FromUTF8(s));
                if (box->GetStrings() != strings) box->Set(strings);
                if (list->Selection() >= 0) box->SetSelection(list->Selection());
            }
        } else if (auto* progress = dynamic_cast<ProgressModel*>(model)) {
            wxGauge* gauge = dynamic_cast<wxGauge*>(peer);
            if (auto* captioned = dynamic_cast<CaptionedGauge*>(peer)) gauge = captioned->gauge;
            if (gauge) {
                int range = std::max(progress->High() - progress->Low(), 1);
                gauge->SetRange(range);
                gauge->SetValue(std::min(std::max(progress->Pos() - progress->Low(), 0), range));
            }
        } else if (auto* tree = dynamic_cast<TreeModel*>(model)) {
            if (auto* native = dynamic_cast<wxTreeCtrl*>(peer)) SyncTree(*tree, *native);
        }
    }

    void AddTreeItems(const TreeModel& model, wxTreeCtrl& native, const wxTreeItemId& parent,
                      const std::vector<HTREEITEM>& items, wxTreeItemId& selection) {
        for (HTREEITEM h : items) {
            const TreeModel::Item* item = model.Get(h);
            if (!item) continue;
            wxTreeItemId id = native.AppendItem(parent, wxString::FromUTF8(item->text), -1, -1, new TreeItemHandle(h));
            if (h == model.Selection()) selection = id;
            AddTreeItems(model, native, id, item->children, selection);
        }
    }

    // Whether the native items below parent are the model's items, in order
    // and with their texts; finds the native item of the model's selection.
    static bool SameTreeItems(const TreeModel& model, wxTreeCtrl& native, const wxTreeItemId& parent,
                              const std::vector<HTREEITEM>& items, wxTreeItemId& selection) {
        if (native.GetChildrenCount(parent, false) != items.size()) return false;
        wxTreeItemIdValue cookie;
        wxTreeItemId id = native.GetFirstChild(parent, cookie);
        for (HTREEITEM h : items) {
            const TreeModel::Item* item = model.Get(h);
            auto* data = id.IsOk() ? dynamic_cast<TreeItemHandle*>(native.GetItemData(id)) : nullptr;
            if (!item || !data || data->item != h || native.GetItemText(id) != wxString::FromUTF8(item->text) ||
                !SameTreeItems(model, native, id, item->children, selection))
                return false;
            if (h == model.Selection()) selection = id;
            id = native.GetNextChild(parent, cookie);
        }
        return true;
    }

    // The native tree is rebuilt only when its items changed: a rebuild
    // loses the scroll position, and moving the selection is not a change.
    void SyncTree(const TreeModel& model, wxTreeCtrl& native) {
        syncing_ = true;
        wxTreeItemId selection;
        if (!SameTreeItems(model, native, native.GetRootItem(), model.Roots(), selection)) {
            native.Freeze();
            native.DeleteChildren(native.GetRootItem());
            selection = wxTreeItemId();
            AddTreeItems(model, native, native.GetRootItem(), model.Roots(), selection);
            native.Thaw();
        }
        if (selection.IsOk()) {
            if (native.GetSelection() != selection) native.SelectItem(selection);
            // Scrolling waits for the thawed layout.
            native.EnsureVisible(selection);
        } else if (native.GetSelection().IsOk()) {
            native.UnselectAll();
        }
        syncing_ = false;
    }

    wxTimer timer_;
    wxWindow* captured_ = nullptr;
    std::set<HWND> dirty_;
    bool syncing_ = false;
};

class PlatformWxApp : public wxApp {
public:
    bool OnInit() override {
        // The toolkit's debug chatter (e.g. on windows not shown yet) is no
        // concern of the program's users.
        wxLog::SetLogLevel(wxLOG_Warning);
        Bind(wxEVT_IDLE, [](wxIdleEvent& e) {
            if (g_wxHost) g_wxHost->Pump();
            e.Skip();
        });
        return true;
    }
    int OnExit() override { return 0; }
};

int WxMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type) {
    wndsys::CancelModeForModal();
    long style = 0;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: style = wxOK | wxCANCEL; break;
    case MB_YESNO: style = wxYES_NO; break;
    case MB_YESNOCANCEL: style = wxYES_NO | wxCANCEL; break;
    default: style = wxOK; break;
    }
    switch (type & 0xF0) {
    case MB_ICONHAND: style |= wxICON_ERROR; break;
    case MB_ICONQUESTION: style |= wxICON_QUESTION; break;
    case MB_ICONEXCLAMATION: style |= wxICON_WARNING; break;
    case MB_ICONASTERISK: style |= wxICON_INFORMATION; break;
    default: break;
    }
    CWinApp* app = AfxGetApp();
    wxString title = wxString::FromUTF8(caption ? caption : (app && app->m_pszAppName ? app->m_pszAppName : ""));
    wxWindow* parent = PeerOf(wndsys::Find(owner));
    if (!parent && AfxGetMainWnd()) parent = PeerOf(wndsys::Find(AfxGetMainWnd()->m_hWnd));
    wxMessageDialog dialog(parent, wxString::FromUTF8(text ? text : ""), title, style);
    switch (dialog.ShowModal()) {
    case wxID_OK: return IDOK;
    case wxID_YES: return IDYES;
    case wxID_NO: return IDNO;
    default: return IDCANCEL;
    }
}

bool g_started = false;
bool g_endOnSignals = false;
PlatformMessageBoxHook g_previousHook = nullptr;

const int kEndSignals[] = {SIGTERM, SIGINT};

}  // namespace

bool PlatformStartGui(int argc, char** argv) {
    if (g_started) return true;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) return false;
    wxApp::SetInstance(new PlatformWxApp);
    if (!wxEntryStart(argc, argv)) return false;
    if (!wxTheApp || !wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return false;
    }
    wxTheApp->SetExitOnFrameDelete(false);
    g_wxHost = new WxHost;
    InstallHost(g_wxHost);
    g_previousHook = PlatformSetMessageBoxHook(&WxMessageBox);
    g_started = true;
    return true;
}

void PlatformEndOnSignals() {
    if (!g_started || g_endOnSignals) return;
    for (int number : kEndSignals) wxTheApp->SetSignalHandler(number, &RequestEnd);
    g_endOnSignals = true;
}

void PlatformStopGui() {
    if (!g_started) return;
    if (g_endOnSignals) {
        for (int number : kEndSignals) {
            wxTheApp->SetSignalHandler(number, SIG_DFL);
            // wxWidgets keeps its own handler installed, which must not
            // outlive the application object.
            std::signal(number, SIG_DFL);
        }
        g_endOnSignals = false;
        g_endRequested = false;
    }
    PlatformResetWindows();
    PlatformSetMessageBoxHook(g_previousHook);
    InstallHost(nullptr);
    // Windows destroyed above are deleted by the toolkit's idle processing.
    if (wxTheApp) wxTheApp->ProcessIdle();
    delete g_wxHost;
    g_wxHost = nullptr;
    wxEntryCleanup();
    g_started = false;
}

bool PlatformGuiRunning() { return g_started; }

void PlatformRunGuiFor(int ms) {
    if (!g_started) return;
    wxStopWatch watch;
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(active ? active : &loop);
    wxEventLoopBase* current = wxEventLoopBase::GetActive();
    while (watch.Time() < ms) {
        while (current->Pending()) current->Dispatch();
        wxTheApp->ProcessPendingEvents();
        if (g_wxHost) g_wxHost->Pump();
        wxMilliSleep(5);
    }
}

void* PlatformNativeWidget(HWND hwnd) {
    wxWindow* peer = PeerOf(wndsys::Find(hwnd));
    return peer ? static_cast<void*>(peer->GetHandle()) : nullptr;
}
