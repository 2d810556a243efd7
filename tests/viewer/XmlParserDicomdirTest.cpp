// The cursor over the converter's real output for a DICOMDIR, walked the way
// the viewer walks it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "xml/XmlParser.h"

extern char** environ;

namespace {

int RunTool(std::vector<std::string> arguments, const std::string& folder)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t child = 0;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ImageDump(int number, const std::string& series)
{
    const std::string n = std::to_string(number);
    return "(0008,0016) UI =SecondaryCaptureImageStorage\n"
           "(0008,0018) UI [1.2.826.0.1.3680043.9.7001." + n + "]\n"
           "(0008,0020) DA [20200101]\n(0008,0030) TM [120000]\n(0008,0050) SH [ACC1]\n"
           "(0008,0060) CS [OT]\n(0008,0090) PN [Ref^Doc]\n"
           "(0010,0010) PN [Test^Patient]\n(0010,0020) LO [PID1]\n"
           "(0010,0030) DA [19700101]\n(0010,0040) CS [O]\n"
           "(0020,000d) UI [1.2.826.0.1.3680043.9.7000.1]\n"
           "(0020,000e) UI [1.2.826.0.1.3680043.9.7000.1." + series + "]\n"
           "(0020,0010) SH [S1]\n(0020,0011) IS [" + series + "]\n(0020,0013) IS [" + n + "]\n"
           "(0028,0002) US 1\n(0028,0004) CS [MONOCHROME2]\n(0028,0010) US 2\n(0028,0011) US 2\n"
           "(0028,0100) US 8\n(0028,0101) US 8\n(0028,0102) US 7\n(0028,0103) US 0\n"
           "(7fe0,0010) OB 00\\40\\80\\ff\n";
}

// The viewer's walk: the image records' Referenced File IDs, in order.
std::vector<std::string> ImageFileIds(XML_PARSER& parser)
{
    std::vector<std::string> fileIds;
    if (!parser.Go_to_Child("data-set", 0) || !parser.Go_to_Child("sequence", 0) || !parser.Go_to_Child("item", 0))
        return fileIds;
    do {
        if (!parser.Go_to_Child("element", 0))
            continue;
        CString fileId;
        bool image = false;
        do {
            if (!parser.Is_Having_Attribute("tag", 0))
                continue;
            const CString tag = parser.Get_Attribute_Value();
            if (tag == "0004,1500") {
                fileId = parser.Get_TextValue();
                break;
            }
            if (tag == "0004,1430") {
                CString type = parser.Get_TextValue();
                type.MakeLower();
                image = type == "image";
            }
        } while (parser.Go_to_Forward("element", 0));
        if (image)
            fileIds.push_back(static_cast<LPCTSTR>(fileId));
        EXPECT_TRUE(parser.Go_to_Parent(nullptr, 0));
        EXPECT_TRUE(parser.Is_Tag("<item>"));
    } while (parser.Go_to_Forward("item", 0));
    return fileIds;
}

class DicomdirXml : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/xml_dicomdir_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        const char* files[] = {"IMAGES/IM0001", "IMAGES/IM0002", "IMAGES/S2/IM0003"};
        mkdir((folder + "/IMAGES").c_str(), 0755);
        mkdir((folder + "/IMAGES/S2").c_str(), 0755);
        std::vector<std::string> mkdirArguments = {"dcmmkdir", "+r"};
        for (int number = 1; number <= 3; number++) {
            const std::string dump = folder + "/image" + std::to_string(number) + ".dump";
            std::ofstream(dump) << ImageDump(number, number < 3 ? "1" : "2");
            ASSERT_EQ(RunTool({"dump2dcm", "-q", "+te", "-g", dump, files[number - 1]}, folder), 0);
            mkdirArguments.push_back(files[number - 1]);
        }
        ASSERT_EQ(RunTool(mkdirArguments, folder), 0);
        xmlPath = folder + "/dicomdir with space.xml";
        ASSERT_EQ(RunTool({"dcm2xml", "-q", "DICOMDIR", xmlPath}, folder), 0);
    }

    static void TearDownTestSuite() { RunTool({"rm", "-rf", folder}, "/"); }

    static std::string folder;
    static std::string xmlPath;
};

std::string DicomdirXml::folder;
std::string DicomdirXml::xmlPath;

TEST_F(DicomdirXml, ViewerWalkFindsEveryImageRecord)
{
    XML_PARSER parser;
    ASSERT_TRUE(parser.Load_XML_Document(xmlPath.c_str())) << parser.Get_LastError();
    EXPECT_STREQ(parser.Get_CurrentName(), "file-format");
    const std::vector<std::string> expected = {"IMAGES\\IM0001", "IMAGES\\IM0002", "IMAGES\\S2\\IM0003"};
    EXPECT_EQ(ImageFileIds(parser), expected);
}

TEST_F(DicomdirXml, RecordsOfEveryLevelAreItems)
{
    struct RecordCounter : XML_PARSER {
        void Parse_XML_Document() override
        {
            if (Is_Tag("<item>") && Is_Child_of("<file-format><data-set><sequence>"))
                records++;
        }
        int records = 0;
    } counter;
    ASSERT_TRUE(counter.Load_XML_Document(xmlPath.c_str()));
    // One patient, one study, two series, three images.
    EXPECT_EQ(counter.records, 7);
}

} // namespace
