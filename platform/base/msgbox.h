// The message-box entry point. The window layer installs a hook that
// shows a real dialog; without one (tests, headless runs) the box is
// recorded and answered at once, never blocking: with a scripted answer
// when one is queued, else with the box's default button.
#pragma once

#include <vector>

#include "CString.h"
#include "wintypes.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);
// The caption is left to the hook (the application's title).
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);

typedef int (*PlatformMessageBoxHook)(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);
// Returns the previous hook; null removes it.
PlatformMessageBoxHook PlatformSetMessageBoxHook(PlatformMessageBoxHook hook);

struct PlatformMessageBoxRecord {
    CString text;
    CString caption;
    UINT type;
};
const std::vector<PlatformMessageBoxRecord>& PlatformMessageBoxLog();
CString PlatformLastMessageBoxText();
void PlatformClearMessageBoxLog();
// The next unhooked box answers this instead of its default button.
void PlatformQueueMessageBoxAnswer(int answer);
