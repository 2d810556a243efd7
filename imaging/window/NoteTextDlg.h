// Asks for one line of text, offering the phrases of a phrase file.
#pragma once

#include "ImvexaApi.h"
#include "wnd/wnd.h"

const UINT IDD_NOTE_TEXT = 2100;
const UINT IDC_PHRASE_BOX = 1000;

class IMVEXA_API CNoteTextDlg : public CDialog {
public:
    explicit CNoteTextDlg(CWnd* parent = nullptr);

    CString m_strCaption;
    CString m_strPhraseFile;
    CComboBox m_PhraseBox;
    CString m_strText;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void LoadPhrases();
};
