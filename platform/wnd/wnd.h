// Everything of the window layer: windows and messages, menus, dialogs,
// controls, the application and document/view framework, shell and
// processes.
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
