#include "wnd/menu.h"

#include <algorithm>
#include <map>
#include <memory>

#include "wnd/cwnd.h"
#include "wnd/resources.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

namespace {

struct MenuTables {
    std::map<uintptr_t, std::unique_ptr<MenuData>> menus;
    std::map<uintptr_t, std::vector<ACCEL>> accelerators;
    std::map<uintptr_t, std::unique_ptr<CMenu>> wrappers;
    uintptr_t next = 0x20000;
};

MenuTables& T() {
    static MenuTables tables;
    return tables;
}

HMENU NewMenu(bool popup) {
    uintptr_t key = T().next;
    T().next += 4;
    auto data = std::make_unique<MenuData>();
    data->popup = popup;
    T().menus[key] = std::move(data);
    return reinterpret_cast<HMENU>(key);
}

// Finds an item by command (searching submenus) or by position.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags, HMENU* owner = nullptr) {
    MenuData* data = FindMenuData(menu);
    if (!data) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= data->items.size()) return nullptr;
        if (owner) *owner = menu;
        return &data->items[item];
    }
    for (MenuItem& i : data->items) {
        if (!(i.flags & MF_POPUP) && !(i.flags & MF_SEPARATOR) && i.id == item) {
            if (owner) *owner = menu;
            return &i;
        }
        if (i.flags & MF_POPUP)
            if (MenuItem* found = FindItem(i.popup, item, flags, owner)) return found;
    }
    return nullptr;
}

MenuItem MakeItem(UINT flags, UINT_PTR id, LPCTSTR text) {
    MenuItem item;
    item.flags = flags & ~MF_BYPOSITION;
    if (flags & MF_POPUP)
        item.popup = reinterpret_cast<HMENU>(id);
    else
        item.id = (UINT)id;
    if (!(flags & MF_SEPARATOR) && text) item.text = text;
    return item;
}

void NotifyOwners(HMENU menu) {
    for (HWND h : wndsys::TopLevelWindows()) {
        WindowRecord* r = wndsys::Find(h);
        if (r && r->menu) CurrentHost().MenuChanged(*r);
    }
    (void)menu;
}

}  // namespace

MenuData* FindMenuData(HMENU menu) {
    auto it = T().menus.find(reinterpret_cast<uintptr_t>(menu));
    return it == T().menus.end() ? nullptr : it->second.get();
}

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
    MenuData* data = FindMenuData(menu);
    if (!data) return FALSE;
    std::vector<HMENU> subs;
    for (MenuItem& i : data->items)
        if (i.flags & MF_POPUP) subs.push_back(i.popup);
    T().menus.erase(reinterpret_cast<uintptr_t>(menu));
    auto wrapper = T().wrappers.find(reinterpret_cast<uintptr_t>(menu));
    if (wrapper != T().wrappers.end()) {
        wrapper->second->m_hMenu = nullptr;
        T().wrappers.erase(wrapper);
    }
    for (HMENU s : subs) DestroyMenu(s);
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return FindMenuData(menu) != nullptr; }

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCTSTR newItem) {
    MenuData* data = FindMenuData(menu);
    if (!data) return FALSE;
    data->items.push_back(MakeItem(flags, idNewItem, newItem));
    NotifyOwners(menu);
    return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCTSTR newItem) {
    MenuData* data = FindMenuData(menu);
    if (!data) return FALSE;
    size_t at = data->items.size();
    if (flags & MF_BYPOSITION) {
        at = std::min<size_t>(position, data->items.size());
    } else {
        for (size_t i = 0; i < data->items.size(); ++i)
            if (data->items[i].id == position) at = i;
    }
    data->items.insert(data->items.begin() + (long)at, MakeItem(flags, idNewItem, newItem));
    NotifyOwners(menu);
    return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCTSTR newItem) {
    MenuItem* item = FindItem(menu, position, flags);
    if (!item) return FALSE;
    *item = MakeItem(flags, idNewItem, newItem);
    NotifyOwners(menu);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    HMENU owner = nullptr;
    MenuItem* item = FindItem(menu, position, flags, &owner);
    if (!item) return FALSE;
    MenuData* data = FindMenuData(owner);
    data->items.erase(data->items.begin() + (item - data->items.data()));
    NotifyOwners(menu);
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    MenuItem* item = FindItem(menu, position, flags);
    if (!item) return FALSE;
    HMENU sub = (item->flags & MF_POPUP) ? item->popup : nullptr;
    RemoveMenu(menu, position, flags);
    if (sub) DestroyMenu(sub);
    return TRUE;
}

UINT EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable) {
    MenuItem* item = FindItem(menu, idEnableItem, enable);
    if (!item) return (UINT)-1;
    UINT old = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

DWORD CheckMenuItem(HMENU menu, UINT idCheckItem, UINT check) {
    MenuItem* item = FindItem(menu, idCheckItem, check);
    if (!item) return (DWORD)-1;
    DWORD old = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

int GetMenuItemCount(HMENU menu) {
    MenuData* data = FindMenuData(menu);
    return data ? (int)data->items.size() : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    MenuData* data = FindMenuData(menu);
    if (!data || position < 0 || (size_t)position >= data->items.size()) return (UINT)-1;
    const MenuItem& i = data->items[(size_t)position];
    if (i.flags & MF_POPUP) return (UINT)-1;
    return (i.flags & MF_SEPARATOR) ? 0 : i.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    MenuData* data = FindMenuData(menu);
    if (!data || position < 0 || (size_t)position >= data->items.size()) return nullptr;
    const MenuItem& i = data->items[(size_t)position];
    return (i.flags & MF_POPUP) ? i.popup : nullptr;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
    MenuItem* item = FindItem(menu, id, flags);
    return item ? item->flags : (UINT)-1;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, LPCRECT) {
    WindowRecord* r = wndsys::Find(owner);
    CMenu* wrapper = CMenu::FromHandle(menu);
    if (!r || !wrapper) return FALSE;
    wndsys::CancelModeForModal();
    // Let the owner enable and check the items first.
    SendMessage(owner, WM_INITMENUPOPUP, (WPARAM)menu, 0);
    UINT command = CurrentHost().TrackPopup(*wrapper, x, y, *r);
    if (flags & TPM_RETURNCMD) return (BOOL)command;
    if (command) PostMessage(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return TRUE;
}

HMENU GetSystemMenu(HWND hWnd, BOOL revert) {
    WindowRecord* r = wndsys::Find(hWnd);
    if (!r || !(r->style & WS_SYSMENU)) return nullptr;
    static std::map<HWND, HMENU> systemMenus;
    auto it = systemMenus.find(hWnd);
    if (it != systemMenus.end() && IsMenu(it->second)) {
        if (!revert) return it->second;
        DestroyMenu(it->second);
    }
    HMENU menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, SC_CLOSE, "关闭(&C)");
    systemMenus[hWnd] = menu;
    return revert ? nullptr : menu;
}

HMENU GetMenu(HWND hWnd) {
    WindowRecord* r = wndsys::Find(hWnd);
    return r ? r->menu : nullptr;
}

BOOL SetMenu(HWND hWnd, HMENU menu) {
    WindowRecord* r = wndsys::Find(hWnd);
    if (!r || r->IsChild()) return FALSE;
    r->menu = menu;
    CurrentHost().MenuChanged(*r);
    return TRUE;
}

BOOL DrawMenuBar(HWND hWnd) {
    WindowRecord* r = wndsys::Find(hWnd);
    if (!r) return FALSE;
    CurrentHost().MenuChanged(*r);
    return TRUE;
}

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count) {
    if (!entries || count <= 0) return nullptr;
    uintptr_t key = T().next;
    T().next += 4;
    T().accelerators[key].assign(entries, entries + count);
    return reinterpret_cast<HACCEL>(key);
}

BOOL DestroyAcceleratorTable(HACCEL accel) {
    return T().accelerators.erase(reinterpret_cast<uintptr_t>(accel)) ? TRUE : FALSE;
}

int TranslateAccelerator(HWND hWnd, HACCEL accel, LPMSG msg) {
    if (!msg || !wndsys::Find(hWnd)) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    auto it = T().accelerators.find(reinterpret_cast<uintptr_t>(accel));
    if (it == T().accelerators.end()) return 0;
    BYTE mods = (wndsys::KeyDown(VK_SHIFT) ? FSHIFT : 0) | (wndsys::KeyDown(VK_CONTROL) ? FCONTROL : 0) |
                (wndsys::KeyDown(VK_MENU) ? FALT : 0);
    for (const ACCEL& a : it->second) {
        if (!(a.fVirt & FVIRTKEY) || a.key != (WORD)msg->wParam) continue;
        if ((a.fVirt & (FSHIFT | FCONTROL | FALT)) != mods) continue;
        SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu() {
    // A wrapper made by FromHandle never owns the menu.
    auto it = T().wrappers.find(reinterpret_cast<uintptr_t>(m_hMenu));
    if (it != T().wrappers.end() && it->second.get() == this) {
        it->second.release();
        T().wrappers.erase(it);
        return;
    }
    if (m_hMenu) DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (!IsMenu(hMenu)) return nullptr;
    auto& slot = T().wrappers[reinterpret_cast<uintptr_t>(hMenu)];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->m_hMenu = hMenu;
    }
    return slot.get();
}

BOOL CMenu::Attach(HMENU hMenu) {
    if (m_hMenu || !hMenu) return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    return h;
}

BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }
BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
BOOL CMenu::LoadMenu(UINT nIDResource) { return Attach(::LoadMenu(nullptr, MAKEINTRESOURCE(nIDResource))); }
BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName) { return Attach(::LoadMenu(nullptr, lpszResourceName)); }

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    HMENU h = Detach();
    // A wrapper that FromHandle handed out stays valid as an empty shell.
    auto it = T().wrappers.find(reinterpret_cast<uintptr_t>(h));
    if (it != T().wrappers.end()) {
        if (it->second.get() != this) it->second->m_hMenu = nullptr;
        else it->second.release();
        T().wrappers.erase(it);
    }
    return ::DestroyMenu(h);
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}
BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::InsertMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}
BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::ModifyMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}
BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) { return ::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return (UINT)::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
UINT CMenu::GetMenuItemCount() const { return (UINT)::GetMenuItemCount(m_hMenu); }
UINT CMenu::GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    MenuItem* item = FindItem(m_hMenu, nIDItem, nFlags);
    rString = item ? item->text.c_str() : "";
    return rString.GetLength();
}

CMenu* CMenu::GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}
