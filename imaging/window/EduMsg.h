// Record sent by pointer to the image window's parent with every mouse
// action and view change.
#pragma once

#include "ImvexaApi.h"
#include "wnd/wnd.h"

class IMVEXA_API CEduMsg {
public:
    CEduMsg();
    CEduMsg(const CEduMsg& other);
    CEduMsg& operator=(const CEduMsg& other);
    virtual ~CEduMsg();

    HWND m_hSender;
    int m_nReserved;
    int m_nCode;
    int m_nParams[100];
    CString m_strParams[100];
};
