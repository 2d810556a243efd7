// Resources declared in code: strings, menus, accelerator tables, dialog
// templates and bitmaps, registered by id at start-up and loaded with the
// Win32 calls. There is one resource space per process.
#pragma once

#include <string>
#include <vector>

#include "wnd/framework_base.h"
#include "wnd/winuser.h"

struct MenuTemplateItem {
    std::string text;             // empty with MF_SEPARATOR
    UINT id = 0;
    UINT flags = MF_STRING;
    std::vector<MenuTemplateItem> popup;  // items of an MF_POPUP entry
};

struct DialogItemTemplate {
    std::string className;        // "BUTTON", "EDIT", "STATIC", "COMBOBOX", "LISTBOX", ...
    std::string text;
    int id = IDC_STATIC;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    DWORD style = WS_CHILD | WS_VISIBLE;
};

struct DialogTemplate {
    std::string caption;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    int pointSize = 9;
    std::string face = "宋体";
    std::vector<DialogItemTemplate> items;
};

void RegisterStringResource(UINT id, const char* text);
void RegisterMenuResource(UINT id, std::vector<MenuTemplateItem> items);
void RegisterAcceleratorResource(UINT id, std::vector<ACCEL> entries);
void RegisterDialogResource(UINT id, DialogTemplate dialog);
// A bitmap resource is the content of a .bmp file.
void RegisterBitmapResource(UINT id, std::vector<BYTE> bmpFile);

const DialogTemplate* FindDialogResource(UINT id);
const std::vector<BYTE>* FindBitmapResource(UINT id);

// Registers resources from a static initialiser.
struct ResourceRegistration {
    template <typename F> explicit ResourceRegistration(F registerAll) { registerAll(); }
};

HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();
int LoadString(HINSTANCE instance, UINT id, LPTSTR buffer, int maxCount);
BOOL AfxLoadString(UINT id, CString& text);
HMENU LoadMenu(HINSTANCE instance, LPCTSTR name);
HACCEL LoadAccelerators(HINSTANCE instance, LPCTSTR name);
// A device-independent bitmap (DIB section) made from a bitmap resource.
HBITMAP LoadBitmap(HINSTANCE instance, LPCTSTR name);
