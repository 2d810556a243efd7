#include "NoteTextDlg.h"

#include "NoteTextResource.h"

CNoteTextDlg::CNoteTextDlg(CWnd* parent) : CDialog(IDD_NOTE_TEXT, parent), m_strCaption("标注文字")
{
    RegisterNoteTextDialog();
}

void CNoteTextDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PHRASE_BOX, m_PhraseBox);
    DDX_CBString(dx, IDC_PHRASE_BOX, m_strText);
}

BOOL CNoteTextDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_PhraseBox.ResetContent();
    LoadPhrases();
    m_PhraseBox.SetWindowText(m_strText);
    SetWindowText(m_strCaption);
    return TRUE;
}

void CNoteTextDlg::LoadPhrases()
{
    if (m_strPhraseFile.IsEmpty())
        return;
    CStdioFile file;
    if (!file.Open(m_strPhraseFile, CFile::modeRead | CFile::typeText))
        return;
    CString line;
    while (file.ReadString(line)) {
        line.TrimRight("\r\n");
        if (!line.IsEmpty())
            m_PhraseBox.AddString(line);
    }
    file.Close();
}

void CNoteTextDlg::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}
