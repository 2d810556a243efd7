#include "wnd/dialog.h"

#include <cstdlib>
#include <string>

#include "gdi/gdi.h"
#include "wnd/app.h"
#include "wnd/window_host.h"
#include "wnd/window_system.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_MESSAGE(WM_INITDIALOG, OnInitDialogMessage)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

struct DataExchangeFailure {};

int MulDiv(int a, int b, int c) { return (int)(((long long)a * b + c / 2) / c); }

CWnd* NewWrapperFor(const std::string& className) {
    std::string name = className;
    for (char& c : name) c = (char)std::toupper((unsigned char)c);
    if (name == "BUTTON") return new CButton;
    if (name == "EDIT") return new CEdit;
    if (name == "STATIC") return new CStatic;
    if (name == "COMBOBOX") return new CComboBox;
    if (name == "LISTBOX") return new CListBox;
    if (name == "MSCTLS_PROGRESS32") return new CProgressCtrl;
    return new CWnd;
}

bool IsAutoRadio(HWND hwnd) {
    WindowRecord* r = wndsys::Find(hwnd);
    return r && (r->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND control = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (!control) {
        PlatformReportFault("dialog control missing", __FILE__, __LINE__);
        Fail();
    }
    m_hWndLastControl = control;
    return control;
}

void CDataExchange::Fail() { throw DataExchangeFailure(); }

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    CWnd* wnd = CWnd::FromHandle(control);
    if (pDX->m_bSaveAndValidate) {
        int length = ::GetWindowTextLength(control);
        ::GetWindowText(control, value.GetBuffer(length), length + 1);
        value.ReleaseBuffer();
    } else {
        ::SetWindowText(control, value);
    }
    (void)wnd;
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        CString text;
        text.Format("%d", value);
        ::SetWindowText(control, text);
        return;
    }
    char buffer[64];
    ::GetWindowText(control, buffer, (int)sizeof(buffer));
    char* end = nullptr;
    long parsed = std::strtol(buffer, &end, 10);
    while (end && *end == ' ') ++end;
    if (!end || end == buffer || *end != '\0') {
        AfxMessageBox("请输入一个整数。", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = (int)parsed;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = (int)::SendMessage(control, BM_GETCHECK, 0, 0);
    else
        ::SendMessage(control, BM_SETCHECK, (WPARAM)value, 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    for (HWND h = control; h && IsAutoRadio(h); h = ::GetWindow(h, GW_HWNDNEXT), ++index) {
        if (h != control && (::GetWindowLong(h, GWL_STYLE) & WS_GROUP)) break;
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessage(h, BM_GETCHECK, 0, 0)) value = index;
        } else {
            ::SendMessage(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        int length = ::GetWindowTextLength(control);
        ::GetWindowText(control, value.GetBuffer(length), length + 1);
        value.ReleaseBuffer();
        return;
    }
    // Selects the first item starting with the text; otherwise the text
    // goes into the edit field.
    if (::SendMessage(control, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)(LPCTSTR)value) == CB_ERR)
        ::SetWindowText(control, value);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = (int)::SendMessage(control, CB_GETCURSEL, 0, 0);
    else
        ::SendMessage(control, CB_SETCURSEL, (WPARAM)index, 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd) return;
    HWND control = pDX->PrepareCtrl(nIDC);
    rControl.SubclassWindow(control);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

SIZE CDialog::BaseUnits(const DialogTemplate& dialog) {
    SIZE units{6, 12};
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return units;
    int height = -MulDiv(dialog.pointSize, 96, 72);
    HFONT font = CreateFont(height, 0, 0, 0, 400, 0, 0, 0, 134, 0, 0, 0, 0, dialog.face.c_str());
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRIC tm{};
    SIZE extent{0, 0};
    const char* sample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (font && GetTextMetrics(dc, &tm) && GetTextExtentPoint32(dc, sample, 52, &extent) && extent.cx > 0 &&
        tm.tmHeight > 0) {
        units.cx = (extent.cx / 26 + 1) / 2;
        units.cy = tm.tmHeight;
    }
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    DeleteDC(dc);
    return units;
}

BOOL CDialog::CreateFromTemplate(HWND owner) {
    const DialogTemplate* t = FindDialogResource(m_nIDTemplate);
    if (!t) return FALSE;
    SIZE units = BaseUnits(*t);
    auto px = [&](int dlu) { return MulDiv(dlu, units.cx, 4); };
    auto py = [&](int dlu) { return MulDiv(dlu, units.cy, 8); };
    DWORD style = (t->style & ~(WS_CHILD | WS_VISIBLE)) | WS_POPUP;
    if (!CreateEx(0, "#32770", t->caption.c_str(), style, px(t->x), py(t->y), px(t->cx), py(t->cy), owner, nullptr))
        return FALSE;
    for (const DialogItemTemplate& item : t->items) {
        CWnd* control = NewWrapperFor(item.className);
        RECT rect{px(item.x), py(item.y), px(item.x + item.cx), py(item.y + item.cy)};
        if (!control->CreateEx(0, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD, rect.left,
                               rect.top, rect.right - rect.left, rect.bottom - rect.top, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(item.id)))) {
            delete control;
            continue;
        }
        if (WindowRecord* r = wndsys::Find(control->m_hWnd)) r->deleteWndWithWindow = true;
    }
    return TRUE;
}

int CDialog::DoModal() {
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND owner = parent ? parent->GetTopLevelParent()->m_hWnd : nullptr;
    wndsys::CancelModeForModal();
    bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner) ::EnableWindow(owner, FALSE);
    m_ended = false;
    m_nModalResult = -1;
    int result = -1;
    if (CreateFromTemplate(owner)) {
        SendMessage(WM_INITDIALOG, 0, 0);
        if (m_hWnd && !m_ended) {
            ShowWindow(SW_SHOW);
            RunModalLoop();
        }
        result = m_nModalResult == -1 ? IDCANCEL : m_nModalResult;
        if (m_hWnd) DestroyWindow();
    }
    if (disabledOwner && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
    if (owner && ::IsWindow(owner)) ::SetFocus(owner);
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND owner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    if (!CreateFromTemplate(owner)) return FALSE;
    SendMessage(WM_INITDIALOG, 0, 0);
    const DialogTemplate* t = FindDialogResource(nIDTemplate);
    if (m_hWnd && t && (t->style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return m_hWnd != nullptr;
}

LRESULT CDialog::OnInitDialogMessage(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnClose() { OnCancel(); }

void CDialog::EndDialog(int nResult) {
    m_ended = true;
    m_nModalResult = nResult;
    if (ContinueModal()) EndModalLoop(nResult);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message != WM_KEYDOWN) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    if (pMsg->wParam == VK_ESCAPE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)::GetDlgItem(m_hWnd, IDCANCEL));
        return TRUE;
    }
    if (pMsg->wParam == VK_RETURN) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)::GetDlgItem(m_hWnd, IDOK));
        return TRUE;
    }
    return FALSE;
}
