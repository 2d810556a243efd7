// Start-up, the frame's panes, the idle text, the menu's update handlers
// and the keys of the frame.

#include <sys/stat.h>

#include <fstream>

#include "viewer_harness.h"

namespace {

const char kBanner[] =
    "\nDICOM影像浏览器(1.0.1.0)\n\n作者：Norvane 影像组\n联系：support@norvane.example\n欢迎您向我们提建议！\n\n";

UINT MenuState(CMenu* bar, UINT id)
{
    for (UINT i = 0; i < bar->GetMenuItemCount(); ++i) {
        CMenu* popup = bar->GetSubMenu((int)i);
        if (popup && popup->GetMenuState(id, MF_BYCOMMAND) != (UINT)-1)
            return popup->GetMenuState(id, MF_BYCOMMAND);
    }
    return (UINT)-1;
}

// Runs the update handlers of every popup as opening the menu would.
void UpdateMenus(CMainFrame* frame)
{
    CMenu* bar = frame->GetMenu();
    for (UINT i = 0; i < bar->GetMenuItemCount(); ++i)
        frame->UpdateMenuItems(bar->GetSubMenu((int)i));
}

bool Enabled(CMainFrame* frame, UINT id) { return (MenuState(frame->GetMenu(), id) & MF_GRAYED) == 0; }

// A fixed name in the shared temporary folder let another user plant a link
// there and two programs overwrite each other's files.
TEST_F(ViewerTest, TemporaryFilesGoToAPrivateFolderOfTheProcessRemovedAtExit)
{
    ASSERT_TRUE(Start());
    const std::filesystem::path first = (LPCTSTR)theApp.m_strTempFolder;
    EXPECT_EQ(first.parent_path(), std::filesystem::path(temp.path()));
    struct stat status = {};
    ASSERT_EQ(stat(first.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0700u);
    std::ofstream(first / "dicomdir.xml") << "listing";

    // Another start, as a second program would make, gets a folder of its own.
    ProcessTempFolder second;
    ASSERT_FALSE(second.Create().IsEmpty());
    EXPECT_NE(std::filesystem::path((LPCTSTR)second.Path()), first);

    theApp.ExitInstance();
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists((LPCTSTR)second.Path()));
}

TEST_F(ViewerTest, StartsWithTitleBothPanesAndNoTreeColumn)
{
    ASSERT_TRUE(Start());
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(view, nullptr);
    CString title;
    frame->GetWindowText(title);
    EXPECT_EQ(title, "DICOM浏览器");
    EXPECT_EQ(tree->m_pImageView, view);
    EXPECT_EQ(view->m_pTreeView, tree);
    EXPECT_EQ(TreeColumnWidth(), 0);
    EXPECT_TRUE(TreeItems().empty());

    // The image window fills the pane and has no image yet.
    ASSERT_NE(view->m_wndDicom.GetSafeHwnd(), nullptr);
    EXPECT_EQ(view->m_wndDicom.GetDlgCtrlID(), 9090);
    CString name;
    view->m_wndDicom.GetWindowText(name);
    EXPECT_EQ(name, "DicomWnd");
    CRect pane, window;
    view->GetClientRect(&pane);
    view->m_wndDicom.GetClientRect(&window);
    EXPECT_EQ(pane.Size(), window.Size());
    EXPECT_EQ(view->m_wndDicom.GetImage(), nullptr);
}

TEST_F(ViewerTest, IdleTextIsTheBannerAndTheReadmeLines)
{
    ASSERT_TRUE(Start());
    theApp.m_strProgramFolder = work.path().c_str();
    EXPECT_EQ(view->IdleText(), kBanner);
    work.Write("Readme.txt", "第一行\r\nsecond line\n\nlast without end");
    EXPECT_EQ(std::string(view->IdleText()), std::string(kBanner) + "第一行\nsecond line\n\nlast without end\n");
}

TEST_F(ViewerTest, CommandLinePathIsOpenedAndListed)
{
    std::string file = work.File("ct.dcm");
    CopyFile(TestData(testdata::kMono2S16), file);
    work.Write("notes.txt", "text");
    std::filesystem::create_directory(work.File("sub"));
    ASSERT_TRUE(Start({file}));
    EXPECT_EQ(TreeColumnWidth(), 250);
    std::vector<std::string> items = TreeItems();
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (std::vector<std::string>{"ct.dcm", "notes.txt"}));
    EXPECT_EQ(SelectedItem(), "ct.dcm");
    EXPECT_EQ(ShownPath(), file);
    EXPECT_EQ(tree->m_strFolder, work.path().c_str());
}

TEST_F(ViewerTest, CommandLineDicomdirListsItsImageRecordsAndShowsNoImage)
{
    ASSERT_TRUE(Start({TestData(testdata::kMediaDicomdir)}));
    EXPECT_EQ(TreeItems().size(), std::size(testdata::kMediaFiles));
    EXPECT_EQ(TreeColumnWidth(), 250);
    EXPECT_EQ(view->m_wndDicom.GetImage(), nullptr);
}

TEST_F(ViewerTest, NewDocumentEmptiesThePathAndLeavesThePanes)
{
    std::string file = work.File("ct.dcm");
    CopyFile(TestData(testdata::kMono2U8), file);
    ASSERT_TRUE(Start({file}));
    tree->SetFocus();
    frame->SetActiveView(tree);
    PlatformSendKey(tree->m_hWnd, 'N', true);
    ASSERT_NE(frame->GetActiveDocument(), nullptr);
    EXPECT_EQ(frame->GetActiveDocument()->GetPathName(), "");
    EXPECT_EQ(TreeItems(), std::vector<std::string>{"ct.dcm"});
    EXPECT_EQ(ShownPath(), file);
}

TEST_F(ViewerTest, UpdateHandlersFollowTheImageAndTheTree)
{
    ASSERT_TRUE(Start());
    frame->SetActiveView(view);
    UpdateMenus(frame);
    for (UINT id : std::vector<UINT>{ID_FILE_SAVE_AS, 32771u, 32772u, 32773u, 32774u, 32775u, 32776u, 32777u, 32779u})
        EXPECT_FALSE(Enabled(frame, id)) << id;
    EXPECT_TRUE(Enabled(frame, ID_FILE_OPEN));
    EXPECT_TRUE(Enabled(frame, 32778));
    EXPECT_TRUE(Enabled(frame, ID_APP_ABOUT));

    std::string file = work.File("a.dcm");
    CopyFile(TestData(testdata::kMono2U8), file);
    view->OpenPath(file.c_str());
    frame->SetActiveView(view);
    UpdateMenus(frame);
    for (UINT id : std::vector<UINT>{ID_FILE_SAVE_AS, 32771u, 32772u, 32773u, 32774u, 32775u, 32776u, 32777u, 32779u})
        EXPECT_TRUE(Enabled(frame, id)) << id;
    EXPECT_EQ(MenuState(frame->GetMenu(), 32771) & MF_CHECKED, 0u);

    // The tree pane answers for save as and save all itself.
    frame->SetActiveView(tree);
    UpdateMenus(frame);
    EXPECT_TRUE(Enabled(frame, ID_FILE_SAVE_AS));
    EXPECT_TRUE(Enabled(frame, 32779));
    tree->DeleteAllItems();
    UpdateMenus(frame);
    EXPECT_FALSE(Enabled(frame, 32779));
}

TEST_F(ViewerTest, HelpItemDoesNothingAndAboutShowsDialog100)
{
    ASSERT_TRUE(Start());
    frame->SendMessage(WM_COMMAND, 32778, 0);
    EXPECT_TRUE(ModalLog().empty());
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    ASSERT_EQ(ModalLog().size(), 1u);
    ASSERT_NE(ModalLog()[0].dialog, nullptr);
    EXPECT_EQ(ModalLog()[0].dialog->m_nIDTemplate, 100u);
}

TEST_F(ViewerTest, F6MovesTheFocusBetweenThePanesFromEitherSide)
{
    ASSERT_TRUE(Start());
    tree->SetFocus();
    frame->SetActiveView(tree);
    PlatformSendKey(tree->m_hWnd, VK_F6);
    EXPECT_EQ(frame->GetActiveView(), view);
    // From the image pane too, although it forwards keys to the image window.
    view->m_wndDicom.SetFocus();
    PlatformSendKey(view->m_wndDicom.m_hWnd, VK_F6);
    EXPECT_EQ(frame->GetActiveView(), tree);
    EXPECT_EQ(CWnd::GetFocus(), tree);
}

TEST_F(ViewerTest, KeysInTheImagePaneGoToTheImageWindowNotTheAccelerators)
{
    ASSERT_TRUE(Start());
    frame->SetActiveView(view);
    view->SetFocus();
    PlatformSendKey(view->m_hWnd, 'O', true);
    EXPECT_TRUE(ModalLog().empty());
    // From the tree, Ctrl+O reaches the frame's accelerator.
    tree->SetFocus();
    frame->SetActiveView(tree);
    PlatformSendKey(tree->m_hWnd, 'O', true);
    ASSERT_EQ(ModalLog().size(), 1u);
    EXPECT_EQ(ModalLog()[0].kind, ModalKind::OpenFile);
    EXPECT_EQ(ModalLog()[0].filter, "图片文件|*.*|");
}

TEST_F(ViewerTest, CtrlSNeverWritesTheOpenedFile)
{
    std::string file = work.File("keep.dcm");
    CopyFile(TestData(testdata::kMono2U8), file);
    std::string before = TempFolder::Read(file);
    ASSERT_TRUE(Start({file}));
    tree->SetFocus();
    frame->SetActiveView(tree);
    theApp.m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_SAVE, 0);
    PlatformSendKey(tree->m_hWnd, 'S', true);
    CDocument* document = frame->GetActiveDocument();
    ASSERT_NE(document, nullptr);
    document->SetModifiedFlag(TRUE);
    PlatformSendKey(tree->m_hWnd, 'S', true);
    EXPECT_EQ(TempFolder::Read(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + ".saving"));
}

}  // namespace
