// The save-all parameters: target folder, suffix, naming scheme and
// whether the image information is burned in.
#pragma once

#include "wnd/wnd.h"

class CSaveParamDlg : public CDialog {
public:
    explicit CSaveParamDlg(CWnd* pParent = nullptr);

    int m_bSaveInfo;
    CString m_strSuffix;
    CString m_strFolder;
    int m_nNaming;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    DECLARE_MESSAGE_MAP()
};
