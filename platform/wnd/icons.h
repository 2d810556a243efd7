// Icons: pictures with alpha registered as resources, loaded by id, drawn
// into device contexts and shown as the icon of a top-level window.
#pragma once

#include <cstdint>
#include <vector>

#include "wnd/winuser.h"

#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define ICON_SMALL 0
#define ICON_BIG 1
#define STM_GETICON 0x0171
#define SS_TYPEMASK 0x0000001FL

// An icon resource is the content of a 32-bit .bmp file whose fourth byte
// of a pixel is its alpha.
void RegisterIconResource(UINT id, std::vector<BYTE> bmpFile);
// By id (MAKEINTRESOURCE) or by the name "#id"; null when none is registered.
HICON LoadIcon(HINSTANCE instance, LPCTSTR name);
// Blends the icon over what the device context holds at (x, y).
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};
typedef ICONINFO* PICONINFO;
// Two new bitmaps of the icon's size, which the caller deletes: hbmColor of
// 32 bits holding the pixels with their alpha in the fourth byte, and the
// monochrome hbmMask whose bit is 1 where the icon is fully transparent
// (alpha 0). An icon's hot spot is its centre. FALSE for no icon.
BOOL GetIconInfo(HICON icon, PICONINFO info);
// The icon's pixels, top row first, as 0xAARRGGBB; false for no icon.
bool PlatformIconPixels(HICON icon, int& width, int& height, std::vector<uint32_t>& argb);
