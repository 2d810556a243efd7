// Everything of the window layer: windows and messages, menus, dialogs,
// controls, the application and document/view framework, shell and
// processes.
//
// Windows are records behind HWND handles; their CWnd objects receive the
// messages. Unless PlatformStartGui (wnd/gui.h) installed the native host,
// which AfxWinMain does when a display is there, windows have no native
// peer: messages are dispatched directly, the posted queue is pumped by
// PlatformPumpMessages, timers fire when PlatformAdvanceTime moves the
// clock, and dialogs, choosers and popup menus ask the responder of
// wnd/modal_responder.h (message boxes: the base layer's queue).
//
// Every window has a backing surface, a 32-bit top-down DIB section of its
// client size; CPaintDC, CClientDC and CWnd::GetDC draw on it, and the
// native host shows it after each handled event.
#pragma once

#include "wnd/winuser.h"
#include "wnd/cmdtarget.h"
#include "wnd/cwnd.h"
#include "wnd/menu.h"
#include "wnd/resources.h"
#include "wnd/surface_dc.h"
#include "wnd/controls.h"
#include "wnd/dialog.h"
#include "wnd/app.h"
#include "wnd/document.h"
#include "wnd/view.h"
#include "wnd/frame.h"
#include "wnd/doctemplate.h"
#include "wnd/splitter.h"
#include "wnd/shell.h"
#include "wnd/modal_responder.h"
#include "wnd/simulation.h"
