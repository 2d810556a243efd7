// The about box.
#pragma once

#include "wnd/wnd.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
