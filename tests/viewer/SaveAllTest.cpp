// Save all: output names and their sanitising, the target folder, the
// parameters dialog and the loop.
#include "FolderRoutines.h"
#include "SaveAllNames.h"
#include "SaveParamDlg.h"
#include "viewer_harness.h"

namespace {

TEST(SaveAllNames, BothSchemesAndNothingLeadsOutOfTheTargetFolder)
{
    // The source name keeps its extension before the suffix.
    EXPECT_EQ(SaveAllOutputPath("/out", 0, "ct.dcm", "1.2", "3", "4", "JPG"), "/out/ct.dcm.JPG");
    EXPECT_EQ(SaveAllOutputPath("/out", 1, "ct.dcm", "1.2.840", "3", "14", "BMP"), "/out/1.2.840_3_14.BMP");
    // A file without the attributes: every such file has the same name.
    EXPECT_EQ(SaveAllOutputPath("/out", 1, "photo.png", "", "", "", "JPG"), "/out/__.JPG");
    // DICOMDIR file IDs carry folders; a hostile file's texts may carry anything.
    EXPECT_EQ(SaveAllOutputPath("/out", 0, "PAT1\\STUDY1\\IM1", "", "", "", "JPG"), "/out/PAT1_STUDY1_IM1.JPG");
    EXPECT_EQ(SaveAllOutputPath("/out", 0, "../../etc/passwd", "", "", "", "JPG"), "/out/.._.._etc_passwd.JPG");
    EXPECT_EQ(SaveAllOutputPath("/out", 1, "x", "../..", "/tmp", "a\nb\x01", "JPG"), "/out/.._..__tmp_a_b_.JPG");
    EXPECT_EQ(SaveAllOutputPath("/out", 0, "a", "", "", "", "J/../../P"), "/out/a.J_.._.._P");
    EXPECT_EQ(SaveAllOutputPath("/out", 0, "", "", "", "", "."), "/out/_..");
    EXPECT_EQ(SanitizeFileName(".."), "_..");
    EXPECT_EQ(SanitizeFileName(""), "_");
    EXPECT_EQ(SanitizeFileName("王.dcm"), "王.dcm");
    // Controls end below the space and start again at DEL; a space and a
    // tilde are ordinary characters of a name.
    EXPECT_EQ(SanitizeFileName("ct 01\x1f~\x7f.dcm"), "ct 01_~_.dcm");
    EXPECT_EQ(SaveAllOutputPath("/out", 1, "x", "1.2", "3 A", "4", "JPG"), "/out/1.2_3 A_4.JPG");
}

TEST(CreateDirectoryPath, CreatesEveryMissingLevelAndAcceptsExistingOnes)
{
    TempFolder work;
    std::string nested = work.File("one/two");
    EXPECT_EQ(CreateDirectoryPath(nested.c_str()), 1);
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_EQ(CreateDirectoryPath((nested + "/").c_str()), 1);
    EXPECT_EQ(CreateDirectoryPath(work.path().c_str()), 1);
    work.Write("file", "");
    EXPECT_EQ(CreateDirectoryPath(work.File("file/below").c_str()), 0);
    EXPECT_EQ(CreateDirectoryPath(""), 0);
}

void SetItemText(CDialog& dialog, int id, const char* text) { dialog.GetDlgItem(id)->SetWindowText(text); }

void Press(CDialog& dialog, int id)
{
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)dialog.GetDlgItem(id)->m_hWnd);
}

class SaveAllTest : public ViewerTest {
protected:
    void OpenFolderOfThree()
    {
        ASSERT_TRUE(Start());
        CopyFile(TestData(testdata::kMono2U8), work.File("a.dcm"));
        CopyFile(TestData(testdata::kMono2U16), work.File("b.dcm"));
        work.Write("c.txt", "not an image");
        view->OpenPath(work.File("a.dcm").c_str());
        ASSERT_EQ(TreeItems().size(), 3u);
    }
};

TEST_F(SaveAllTest, DialogRefusesAnEmptyFolderAnEmptySuffixAndAFolderItCannotMake)
{
    ASSERT_TRUE(Start());
    work.Write("file", "");
    std::string impossible = work.File("file/below");
    ScriptedResponder()
        .Dialog([](CDialog& dialog) { Press(dialog, IDOK); })
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, work.path().c_str());
            SetItemText(dialog, 1004, "");
            Press(dialog, IDOK);
        })
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, impossible.c_str());
            Press(dialog, IDOK);
        })
        .Install();
    for (int i = 0; i < 3; ++i) {
        CSaveParamDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    std::vector<std::string> texts;
    for (const PlatformMessageBoxRecord& box : PlatformMessageBoxLog())
        texts.push_back((LPCTSTR)box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"请输入将要保存图像的目录路径", "请输入将要保存的图像类型后缀",
                                               "创建保存目录失败，请确认输入的图像目录路径合法"}));
}

// Shown with its defaults and the suffixes sorted; what is chosen is kept
// and the folder made.
TEST_F(SaveAllTest, DialogStartsWithItsDefaultsAcceptsAndCreatesTheFolder)
{
    ASSERT_TRUE(Start());
    std::string target = work.File("x/y");
    CString folder, suffix;
    int check = -1, first = -1, second = -1, count = -1;
    char firstSuffix[16] = {};
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            dialog.GetDlgItem(1000)->GetWindowText(folder);
            dialog.GetDlgItem(1004)->GetWindowText(suffix);
            check = (int)dialog.GetDlgItem(1005)->SendMessage(BM_GETCHECK);
            first = (int)dialog.GetDlgItem(1002)->SendMessage(BM_GETCHECK);
            second = (int)dialog.GetDlgItem(1003)->SendMessage(BM_GETCHECK);
            count = (int)dialog.GetDlgItem(1004)->SendMessage(CB_GETCOUNT);
            dialog.GetDlgItem(1004)->SendMessage(CB_GETLBTEXT, 0, (LPARAM)firstSuffix);
            SetItemText(dialog, 1000, target.c_str());
            SetItemText(dialog, 1004, "BMP");
            dialog.GetDlgItem(1002)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
            dialog.GetDlgItem(1003)->SendMessage(BM_SETCHECK, BST_CHECKED);
            dialog.GetDlgItem(1005)->SendMessage(BM_SETCHECK, BST_CHECKED);
            Press(dialog, IDOK);
        })
        .Install();
    CSaveParamDlg dialog;
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(suffix, "JPG");
    EXPECT_EQ(check, BST_UNCHECKED);
    EXPECT_EQ(first, BST_CHECKED);
    EXPECT_EQ(second, BST_UNCHECKED);
    EXPECT_EQ(count, 3);
    EXPECT_STREQ(firstSuffix, "AVI");
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(dialog.m_strFolder, target.c_str());
    EXPECT_EQ(dialog.m_strSuffix, "BMP");
    EXPECT_EQ(dialog.m_nNaming, 1);
    EXPECT_EQ(dialog.m_bSaveInfo, 1);
}

TEST_F(SaveAllTest, BrowseCancelledEmptiesTheFolderAndChosenFolderFillsIt)
{
    ASSERT_TRUE(Start());
    CString afterCancel, afterChoice;
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, "/typed");
            Press(dialog, 1001);
            dialog.GetDlgItem(1000)->GetWindowText(afterCancel);
            Press(dialog, 1001);
            dialog.GetDlgItem(1000)->GetWindowText(afterChoice);
        })
        .Answer(IDCANCEL)
        .Answer(IDOK, work.path())
        .Install();
    CSaveParamDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(afterCancel, "");
    EXPECT_EQ(afterChoice, work.path().c_str());
    bool asked = false;
    for (const ModalRequest& request : ModalLog())
        if (request.kind == ModalKind::Folder && request.text == "请选择保存目录")
            asked = true;
    EXPECT_TRUE(asked);
}

TEST_F(SaveAllTest, LoopExportsEveryListedFileAndLeavesTheFrameUsable)
{
    OpenFolderOfThree();
    std::string target = work.File("out");
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, (target + "//").c_str());
            Press(dialog, IDOK);
        })
        .Install();
    frame->SetActiveView(tree);
    frame->SendMessage(WM_COMMAND, 32779, 0);
    EXPECT_TRUE(frame->IsWindowEnabled());
    EXPECT_EQ(tree->m_bSavingAll, 0);
    EXPECT_EQ(frame->GetDlgItem(9088), nullptr);
    EXPECT_EQ(TreeItems().size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(target + "/a.dcm.JPG"));
    EXPECT_TRUE(std::filesystem::exists(target + "/b.dcm.JPG"));
    EXPECT_FALSE(std::filesystem::exists(target + "/c.txt.JPG"));
}

TEST_F(SaveAllTest, QuitDuringTheLoopEndsItAndIsPostedAgain)
{
    OpenFolderOfThree();
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, work.File("out").c_str());
            Press(dialog, IDOK);
            PostQuitMessage(7);
        })
        .Install();
    tree->OnFileSaveAll();
    EXPECT_TRUE(frame->IsWindowEnabled());
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ((int)msg.wParam, 7);
}

TEST_F(SaveAllTest, SecondSaveAllDuringTheLoopIsIgnored)
{
    OpenFolderOfThree();
    ScriptedResponder()
        .Dialog([&](CDialog& dialog) {
            SetItemText(dialog, 1000, work.File("out").c_str());
            Press(dialog, IDOK);
            // Reaches the frame while the loop pumps.
            frame->PostMessage(WM_COMMAND, 32779, 0);
            view->PostMessage(WM_COMMAND, 32779, 0);
        })
        .Install();
    frame->SetActiveView(tree);
    frame->SendMessage(WM_COMMAND, 32779, 0);
    PlatformPumpMessages();
    int dialogs = 0;
    for (const ModalRequest& request : ModalLog())
        if (request.kind == ModalKind::Dialog)
            ++dialogs;
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(frame->IsWindowEnabled());
}

}  // namespace
