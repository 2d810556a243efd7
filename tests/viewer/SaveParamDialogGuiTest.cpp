// The save-all dialog on a real display: the suffix combo box shows its
// text and leaves the naming label and the radio buttons below it visible.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Resource.h"
#include "SaveParamDlg.h"
#include "gui_wait.h"
#include "screenshot.h"
#include "wnd/gui.h"

namespace {

CWnd* ChildWithText(CWnd& parent, const char* text)
{
    for (HWND child = ::GetWindow(parent.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        CString shown;
        CWnd::FromHandle(child)->GetWindowText(shown);
        if (shown == text)
            return CWnd::FromHandle(child);
    }
    return nullptr;
}

// The combo box took its list's height and covered the label and the
// radio buttons under it.
TEST(SaveParamDialogGui, SuffixFieldShowsItsTextAndLeavesTheNamingChoiceVisible)
{
    static char name[] = "save_param_gui_test";
    char* argv[] = {name, nullptr};
    if (!PlatformStartGui(1, argv))
        GTEST_SKIP() << "no display";
    {
        CSaveParamDlg dialog;
        ASSERT_TRUE(dialog.Create(IDD_SAVE_PARAM, nullptr));
        dialog.ShowWindow(SW_SHOW);
        CWnd* label = ChildWithText(dialog, "文件名命名方式：");
        ASSERT_NE(label, nullptr);
        CRect combo, labelRect, radio;
        dialog.GetDlgItem(IDC_SUFFIX)->GetWindowRect(&combo);
        label->GetWindowRect(&labelRect);
        dialog.GetDlgItem(IDC_NAME_BY_SOURCE)->GetWindowRect(&radio);
        EXPECT_LE(combo.bottom, labelRect.top);

        const CRect field(combo.left, combo.top, combo.left + combo.Width() / 2, std::min(combo.bottom, labelRect.top));
        auto shown = [&](const Screenshot& shot) {
            return shot.CountLight(field) > field.Width() * field.Height() / 2 && shot.CountDark(field) > 10 &&
                   shot.CountDark(labelRect) > 10 && shot.CountDark(radio) > 10;
        };
        Screenshot shot;
        RunGuiUntil([&] { return shot.Take(std::string(BINARY_DIR) + "/save_param_gui_shot.ppm") && shown(shot); });
        EXPECT_TRUE(shown(shot)) << shot.CountLight(field) << " light and " << shot.CountDark(field)
                                 << " dark in the field, " << shot.CountDark(labelRect) << " dark in the label";
        CString suffix;
        dialog.GetDlgItem(IDC_SUFFIX)->GetWindowText(suffix);
        EXPECT_EQ(suffix, "JPG");
        dialog.DestroyWindow();
    }
    PlatformStopGui();
}

}  // namespace
