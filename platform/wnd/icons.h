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
// The icon's pixels, top row first, as 0xAARRGGBB; false for no icon.
bool PlatformIconPixels(HICON icon, int& width, int& height, std::vector<uint32_t>& argb);
