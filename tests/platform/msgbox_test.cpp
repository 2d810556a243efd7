#include <gtest/gtest.h>

#include "base/msgbox.h"

TEST(MessageBox, HeadlessBoxesAreRecordedAndAnsweredAtOnce)
{
    PlatformClearMessageBoxLog();
    EXPECT_EQ(AfxMessageBox("\xe6\x89\x93\xe5\xbc\x80\xe6\x96\x87\xe4\xbb\xb6\xe5\xa4\xb1\xe8\xb4\xa5"), IDOK);
    EXPECT_EQ(PlatformLastMessageBoxText(), "\xe6\x89\x93\xe5\xbc\x80\xe6\x96\x87\xe4\xbb\xb6\xe5\xa4\xb1\xe8\xb4\xa5");
    EXPECT_EQ(MessageBox(nullptr, "library text", "JPEG Fatal Error", MB_ICONSTOP), IDOK);
    ASSERT_EQ(PlatformMessageBoxLog().size(), 2u);
    EXPECT_EQ(PlatformMessageBoxLog()[1].caption, "JPEG Fatal Error");
    EXPECT_EQ(PlatformMessageBoxLog()[1].type, static_cast<UINT>(MB_ICONSTOP));

    EXPECT_EQ(AfxMessageBox("Continue?", MB_YESNO), IDYES);
    EXPECT_EQ(AfxMessageBox("Continue?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    PlatformQueueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Save?", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Save?", MB_OKCANCEL), IDOK);
    PlatformClearMessageBoxLog();
    EXPECT_EQ(PlatformLastMessageBoxText(), "");
}

namespace {
CString hookedText;
int Hook(HWND, LPCTSTR text, LPCTSTR, UINT)
{
    hookedText = text;
    return IDNO;
}
} // namespace

TEST(MessageBox, InstalledHookShowsTheBox)
{
    PlatformClearMessageBoxLog();
    PlatformMessageBoxHook previous = PlatformSetMessageBoxHook(Hook);
    EXPECT_EQ(AfxMessageBox("shown", MB_YESNO), IDNO);
    EXPECT_EQ(hookedText, "shown");
    EXPECT_TRUE(PlatformMessageBoxLog().empty());
    EXPECT_EQ(PlatformSetMessageBoxHook(previous), &Hook);
}
