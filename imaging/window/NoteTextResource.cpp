#include "NoteTextResource.h"

#include "NoteTextDlg.h"

void RegisterNoteTextDialog()
{
    if (FindDialogResource(IDD_NOTE_TEXT) != nullptr)
        return;
    DialogTemplate dialog;
    dialog.caption = "标注文字";
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    dialog.cx = 187;
    dialog.cy = 47;
    dialog.pointSize = 9;
    dialog.face = "宋体";
    dialog.items.push_back({"COMBOBOX", "", int(IDC_PHRASE_BOX), 7, 7, 173, 190,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL});
    dialog.items.push_back({"BUTTON", "OK", IDOK, 40, 26, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON});
    dialog.items.push_back({"BUTTON", "Cancel", IDCANCEL, 99, 26, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP});
    RegisterDialogResource(IDD_NOTE_TEXT, dialog);
}
