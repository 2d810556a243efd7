#include "SaveParamDlg.h"

#include "FolderRoutines.h"
#include "Resource.h"
#include "ViewerTexts.h"

BEGIN_MESSAGE_MAP(CSaveParamDlg, CDialog)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CSaveParamDlg::CSaveParamDlg(CWnd* pParent)
    : CDialog(IDD_SAVE_PARAM, pParent), m_bSaveInfo(0), m_strSuffix("JPG"), m_strFolder(""), m_nNaming(0)
{
}

void CSaveParamDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_SAVE_INFO, m_bSaveInfo);
    DDX_CBString(pDX, IDC_SUFFIX, m_strSuffix);
    DDX_Text(pDX, IDC_SAVE_FOLDER, m_strFolder);
    DDX_Radio(pDX, IDC_NAME_BY_SOURCE, m_nNaming);
}

BOOL CSaveParamDlg::OnInitDialog()
{
    if (CWnd* suffixes = GetDlgItem(IDC_SUFFIX)) {
        for (const char* suffix : {"JPG", "BMP", "AVI"})
            suffixes->SendMessage(CB_ADDSTRING, 0, (LPARAM)suffix);
    }
    return CDialog::OnInitDialog();
}

void CSaveParamDlg::OnBrowse()
{
    m_strFolder = BrowseForFolder(m_hWnd, kTextChooseFolder);
    UpdateData(FALSE);
}

void CSaveParamDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_strFolder.IsEmpty()) {
        AfxMessageBox(kTextNeedFolder);
        return;
    }
    if (m_strSuffix.IsEmpty()) {
        AfxMessageBox(kTextNeedSuffix);
        return;
    }
    if (!CreateDirectoryPath(m_strFolder)) {
        AfxMessageBox(kTextFolderFailed);
        return;
    }
    EndDialog(IDOK);
}
