#include "wnd/resources.h"

#include <cstring>
#include <map>

#include "wnd/menu.h"

namespace {

struct Registry {
    std::map<UINT, std::string> strings;
    std::map<UINT, std::vector<MenuTemplateItem>> menus;
    std::map<UINT, std::vector<ACCEL>> accelerators;
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, std::vector<BYTE>> bitmaps;
};

Registry& R() {
    static Registry registry;
    return registry;
}

bool IdOf(LPCTSTR name, UINT& id) {
    if (!IS_INTRESOURCE(name)) return false;
    id = (UINT)reinterpret_cast<uintptr_t>(name);
    return true;
}

void AppendItems(HMENU menu, const std::vector<MenuTemplateItem>& items) {
    for (const MenuTemplateItem& item : items) {
        if (item.flags & MF_POPUP) {
            HMENU sub = CreatePopupMenu();
            AppendItems(sub, item.popup);
            AppendMenu(menu, item.flags, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
        } else {
            AppendMenu(menu, item.flags, item.id, item.text.c_str());
        }
    }
}

}  // namespace

void RegisterStringResource(UINT id, const char* text) { R().strings[id] = text ? text : ""; }
void RegisterMenuResource(UINT id, std::vector<MenuTemplateItem> items) { R().menus[id] = std::move(items); }
void RegisterAcceleratorResource(UINT id, std::vector<ACCEL> entries) { R().accelerators[id] = std::move(entries); }
void RegisterDialogResource(UINT id, DialogTemplate dialog) { R().dialogs[id] = std::move(dialog); }
void RegisterBitmapResource(UINT id, std::vector<BYTE> bmpFile) { R().bitmaps[id] = std::move(bmpFile); }

const DialogTemplate* FindDialogResource(UINT id) {
    auto it = R().dialogs.find(id);
    return it == R().dialogs.end() ? nullptr : &it->second;
}

const std::vector<BYTE>* FindBitmapResource(UINT id) {
    auto it = R().bitmaps.find(id);
    return it == R().bitmaps.end() ? nullptr : &it->second;
}

HINSTANCE AfxGetResourceHandle() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)); }
HINSTANCE AfxGetInstanceHandle() { return AfxGetResourceHandle(); }

int LoadString(HINSTANCE, UINT id, LPTSTR buffer, int maxCount) {
    auto it = R().strings.find(id);
    if (it == R().strings.end() || !buffer || maxCount <= 0) return 0;
    size_t n = std::min(it->second.size(), (size_t)maxCount - 1);
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return (int)n;
}

BOOL AfxLoadString(UINT id, CString& text) {
    auto it = R().strings.find(id);
    if (it == R().strings.end()) {
        text.Empty();
        return FALSE;
    }
    text = it->second.c_str();
    return TRUE;
}

HMENU LoadMenu(HINSTANCE, LPCTSTR name) {
    UINT id = 0;
    if (!IdOf(name, id)) return nullptr;
    auto it = R().menus.find(id);
    if (it == R().menus.end()) return nullptr;
    HMENU menu = CreateMenu();
    AppendItems(menu, it->second);
    return menu;
}

HACCEL LoadAccelerators(HINSTANCE, LPCTSTR name) {
    UINT id = 0;
    if (!IdOf(name, id)) return nullptr;
    auto it = R().accelerators.find(id);
    if (it == R().accelerators.end()) return nullptr;
    // One table per resource, as Win32 shares loaded tables.
    static std::map<UINT, HACCEL> loaded;
    HACCEL& table = loaded[id];
    if (!table) table = CreateAcceleratorTable(it->second.data(), (int)it->second.size());
    return table;
}
