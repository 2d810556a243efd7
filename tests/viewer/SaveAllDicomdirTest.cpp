// Save all over DICOMDIR media: every listed image written under both
// naming schemes, each file readable by GraphicsMagick.
#include <set>

#include "RunProgram.h"
#include "viewer_harness.h"

namespace {

class SaveAllDicomdirTest : public ViewerTest {
protected:
    // Runs save all into folder with the naming scheme and the BMP suffix.
    std::set<std::string> SaveAll(const std::string& folder, int naming)
    {
        ScriptedResponder()
            .Dialog([&](CDialog& dialog) {
                dialog.GetDlgItem(1000)->SetWindowText(folder.c_str());
                dialog.GetDlgItem(1004)->SetWindowText("BMP");
                dialog.GetDlgItem(1002)->SendMessage(BM_SETCHECK, naming == 0);
                dialog.GetDlgItem(1003)->SendMessage(BM_SETCHECK, naming == 1);
                dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)dialog.GetDlgItem(IDOK)->m_hWnd);
            })
            .Install();
        tree->OnFileSaveAll();
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
};

}  // namespace

TEST_F(SaveAllDicomdirTest, EveryImageOfTheMediaIsWrittenUnderBothNamingSchemes)
{
    ASSERT_TRUE(Start());
    const std::string media = work.File("media");
    std::filesystem::copy(TestData(testdata::kMediaFolder), media, std::filesystem::copy_options::recursive);
    view->OpenPath((media + "/DICOMDIR").c_str());
    ASSERT_EQ(TreeItems().size(), 5u);

    const std::string bySource = work.File("by-source");
    const std::set<std::string> sourceNames = SaveAll(bySource, 0);
    EXPECT_EQ(sourceNames, (std::set<std::string>{"PAT1_STUDY1_SERIES1_IM1.BMP", "PAT1_STUDY1_SERIES1_IM2.BMP",
                                                  "PAT1_STUDY1_SERIES1_IM3.BMP", "PAT1_STUDY1_SERIES2_IM1.BMP",
                                                  "PAT2_STUDY1_SERIES1_IM1.BMP"}));
    const std::string byUid = work.File("by-uid");
    const std::set<std::string> uidNames = SaveAll(byUid, 1);
    EXPECT_EQ(uidNames.size(), 5u);
    // Four 64 x 64 images of the first patient and the 64 x 60 one of the second.
    for (const auto& [folder, names] : {std::make_pair(bySource, sourceNames), std::make_pair(byUid, uidNames)}) {
        std::multiset<std::string> sizes;
        for (const std::string& name : names) {
            const ProgramResult identified = RunProgram({"gm", "identify", "-format", "%m %wx%h", folder + "/" + name});
            sizes.insert(identified.output);
        }
        EXPECT_EQ(sizes, (std::multiset<std::string>{"BMP 64x60\n", "BMP 64x64\n", "BMP 64x64\n", "BMP 64x64\n",
                                                     "BMP 64x64\n"}));
    }
}
