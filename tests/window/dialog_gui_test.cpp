// The one-line text dialog on a real display (annotation text, calibration
// length and movie frame range all use it): the combo box's edit field with
// its preset text shows above the buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "NoteTextDlg.h"
#include "gui_wait.h"
#include "screenshot.h"
#include "wnd/gui.h"

namespace {

// The combo box was given its list's height: a blank box over the buttons
// and past the dialog, its text out of sight.
TEST(DialogGui, TextDialogShowsItsPresetTextAboveTheButtons)
{
    static char name[] = "dialog_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv))
        GTEST_SKIP() << "no display";
    {
        CNoteTextDlg dialog;
        dialog.m_strCaption = "输入帧范围";
        dialog.m_strText = "22";
        ASSERT_TRUE(dialog.Create(IDD_NOTE_TEXT, nullptr));
        dialog.ShowWindow(SW_SHOW);
        CRect combo, ok, cancel, whole;
        dialog.GetDlgItem(IDC_PHRASE_BOX)->GetWindowRect(&combo);
        dialog.GetDlgItem(IDOK)->GetWindowRect(&ok);
        dialog.GetDlgItem(IDCANCEL)->GetWindowRect(&cancel);
        dialog.GetWindowRect(&whole);
        EXPECT_LE(combo.bottom, std::min(ok.top, cancel.top));
        EXPECT_LE(combo.bottom, whole.bottom);

        // Where the text goes: the field left of the drop-down button, above
        // the buttons.
        const CRect field(combo.left, combo.top, combo.left + combo.Width() / 2, std::min(combo.bottom, ok.top));
        // Shown: the field is light with the text dark on it.
        auto shown = [&](const Screenshot& shot) {
            return shot.CountLight(field) > field.Width() * field.Height() / 2 && shot.CountDark(field) > 10;
        };
        Screenshot shot;
        RunGuiUntil([&] { return shot.Take(std::string(BINARY_DIR) + "/dialog_gui_shot.ppm") && shown(shot); });
        EXPECT_TRUE(shown(shot)) << shot.CountLight(field) << " light, " << shot.CountDark(field) << " dark";
        CString text;
        dialog.GetDlgItem(IDC_PHRASE_BOX)->GetWindowText(text);
        EXPECT_EQ(text, "22");
        dialog.DestroyWindow();
    }
    PlatformStopGui();
}

}  // namespace
