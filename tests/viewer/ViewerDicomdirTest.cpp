// The DICOMDIR road: the real converter over media made by dcmmkdir, and
// converters that fail or write nonsense.
#include <sys/stat.h>

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctk.h>

#include "ViewerPaths.h"
#include "viewer_harness.h"

namespace {

std::vector<std::string> MediaFileIds()
{
    std::vector<std::string> ids;
    for (const char* file : testdata::kMediaFiles) {
        std::string id = file;
        for (char& c : id)
            if (c == '/')
                c = '\\';
        ids.push_back(id);
    }
    return ids;
}

// Bytes of no format, the same on every run.
std::string ArbitraryBytes(size_t count)
{
    std::string bytes;
    uint32_t seed = 7;
    while (bytes.size() < count) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(char(seed >> 16));
    }
    return bytes;
}

class DicomdirTest : public ViewerTest {
protected:
    // A copy of the generated media under a folder with awkward characters.
    std::string CopyMedia(const std::string& folderName)
    {
        std::string media = work.File(folderName);
        std::filesystem::copy(TestData(testdata::kMediaFolder), media, std::filesystem::copy_options::recursive);
        return media;
    }

    void InstallConverter(const std::string& script)
    {
        std::string converter = work.Write("dcm2xml", "#!/bin/sh\n" + script + "\n");
        chmod(converter.c_str(), 0755);
        theApp.m_strProgramFolder = work.path().c_str();
    }
};

TEST_F(DicomdirTest, ListsExactlyTheImageRecordsAndOpensTheSelectedOne)
{
    ASSERT_TRUE(Start());
    std::string media = CopyMedia("media with space \"and quote\"");
    view->OpenPath((media + "/DICOMDIR").c_str());
    EXPECT_EQ(TreeItems(), MediaFileIds());
    EXPECT_EQ(tree->m_strFolder, media.c_str());
    EXPECT_EQ(TreeColumnWidth(), 250);
    EXPECT_EQ(view->m_wndDicom.GetImage(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(ListingPath()));

    tree->GetTreeCtrl().SelectItem(FindItem("PAT1\\STUDY1\\SERIES2\\IM1"));
    EXPECT_EQ(ShownPath(), media + "/PAT1/STUDY1/SERIES2/IM1");
}

// Latin-1 text in a record, with no Specific Character Set or under one
// that says UTF-8.
TEST_F(DicomdirTest, TextInAnotherCharacterSetIsListedToo)
{
    ASSERT_TRUE(Start());
    for (const char* declared : {"", "ISO_IR 192"}) {
        std::string media = CopyMedia(std::string("media") + (*declared ? "-utf8" : ""));
        DcmFileFormat file;
        ASSERT_TRUE(file.loadFile((media + "/DICOMDIR").c_str()).good());
        DcmItem* record = nullptr;
        ASSERT_TRUE(file.getDataset()->findAndGetSequenceItem(DCM_DirectoryRecordSequence, record, 0).good());
        ASSERT_TRUE(record->putAndInsertString(DCM_PatientName, "M\xDC""DIA^\xC9T\xC9").good());
        file.getDataset()->findAndDeleteElement(DCM_SpecificCharacterSet);
        if (*declared) {
            ASSERT_TRUE(file.getDataset()->putAndInsertString(DCM_SpecificCharacterSet, declared).good());
        }
        ASSERT_TRUE(file.saveFile((media + "/DICOMDIR").c_str()).good());
        view->OpenPath((media + "/DICOMDIR").c_str());
        EXPECT_EQ(TreeItems(), MediaFileIds()) << declared;
    }
}

TEST(ConverterLookup, RelativeSearchPathEntriesAreSkipped)
{
    TempFolder folder;
    const std::string script = folder.Write("dcm2xml", "#!/bin/sh\n");
    chmod(script.c_str(), 0755);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    setenv("PATH", (".:bin::" + folder.path()).c_str(), 1);
    const CString absolute = FindConverter("/nonexistent", "dcm2xml");
    setenv("PATH", ".:bin:", 1);
    const CString relative = FindConverter("/nonexistent", "dcm2xml");
    setenv("PATH", saved.c_str(), 1);
    std::filesystem::current_path(before);
    EXPECT_EQ(std::string((LPCTSTR)absolute), script);
    EXPECT_TRUE(relative.IsEmpty()) << (LPCTSTR)relative;
}

TEST_F(DicomdirTest, FileIdsResolveAgainstFilesInOtherLetterCase)
{
    ASSERT_TRUE(Start());
    std::string media = CopyMedia("media");
    std::filesystem::rename(media + "/PAT2", media + "/pat2");
    std::filesystem::rename(media + "/pat2/STUDY1/SERIES1/IM1", media + "/pat2/STUDY1/SERIES1/im1");
    view->OpenPath((media + "/DICOMDIR").c_str());
    tree->GetTreeCtrl().SelectItem(FindItem("PAT2\\STUDY1\\SERIES1\\IM1"));
    EXPECT_EQ(ShownPath(), media + "/pat2/STUDY1/SERIES1/im1");
}

TEST_F(DicomdirTest, AnyNameEndingInDicomdirTakesItsOwnFolder)
{
    ASSERT_TRUE(Start());
    std::string media = CopyMedia("media");
    std::filesystem::rename(media + "/DICOMDIR", media + "/OLD_dicomdir");
    view->OpenPath((media + "/OLD_dicomdir").c_str());
    EXPECT_EQ(tree->m_strFolder, media.c_str());
    EXPECT_EQ(TreeItems().size(), 5u);
}

TEST_F(DicomdirTest, ConverterBesideTheProgramIsPreferredAndGetsBothPaths)
{
    ASSERT_TRUE(Start());
    std::string media = CopyMedia("media");
    InstallConverter("printf '%s\\n' \"$@\" > \"" + work.File("arguments") + "\"\n"
                     "cat > \"$5\" <<'XML'\n"
                     "<file-format><data-set><sequence tag=\"0004,1220\">"
                     "<item><element tag=\"0004,1430\">Image</element>"
                     "<element tag=\"0004,1500\">A\\B</element></item>"
                     "<item><element tag=\"0004,1500\">LATE</element><element tag=\"0004,1430\">IMAGE</element></item>"
                     "<item><element tag=\"0004,1430\">SERIES</element><element tag=\"0004,1500\">S</element></item>"
                     "<item></item>"
                     "<item><element tag=\"0004,1430\">image</element><element tag=\"0004,1500\">C</element></item>"
                     "</sequence></data-set></file-format>\n"
                     "XML");
    std::string dicomdir = media + "/DICOMDIR";
    view->OpenPath(dicomdir.c_str());
    EXPECT_EQ(TempFolder::Read(work.File("arguments")),
              "-q\n+Ca\nISO_IR 100\n" + dicomdir + "\n" + ListingPath() + "\n");
    EXPECT_EQ(TreeItems(), (std::vector<std::string>{"A\\B", "C"}));
}

// No converter, or one that fails or writes nonsense: an empty tree and no message.
TEST_F(DicomdirTest, MissingFailingOrNonsenseConvertersGiveAnEmptyTree)
{
    ASSERT_TRUE(Start());
    std::string dicomdir = CopyMedia("media") + "/DICOMDIR";
    CopyFile(TestData(testdata::kMono2U8), work.File("shown.dcm"));
    view->OpenPath(work.File("shown.dcm").c_str());
    const char* path = std::getenv("PATH");
    std::string saved = path ? path : "";
    theApp.m_strProgramFolder = work.path().c_str();
    setenv("PATH", "", 1);
    view->OpenPath(dicomdir.c_str());
    setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(TreeItems().empty());
    const std::string binary = work.Write("binary", ArbitraryBytes(3000));
    const std::vector<std::string> scripts = {"exit 3", ": > \"$5\"", "echo '<data-set><sequence><item>' > \"$5\"",
                                              "echo '<other><data-set/></other>' > \"$5\"",
                                              "cat \"" + binary + "\" > \"$5\""};
    for (const std::string& script : scripts) {
        CopyFile(TestData(testdata::kMono2U8), work.File("shown.dcm"));
        view->OpenPath(work.File("shown.dcm").c_str());
        InstallConverter(script);
        view->OpenPath(dicomdir.c_str());
        EXPECT_TRUE(TreeItems().empty()) << script;
        EXPECT_EQ(tree->m_bFilling, 0);
    }
    EXPECT_TRUE(PlatformMessageBoxLog().empty());
}

}  // namespace
