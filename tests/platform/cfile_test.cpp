#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/CFileFind.h"
#include "base/CStdioFile.h"
#include "base/debug.h"
#include "temp_folder.h"

TEST(CFile, WritesReadsAndSeeks)
{
    TempFolder folder;
    const std::string path = folder.File("data.bin");
    CFile file;
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead));
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_TRUE(file.Write("0123456789", 10));
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(-4, CFile::end), 6);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.GetFilePath(), path.c_str());
    EXPECT_EQ(file.GetFileName(), "data.bin");
    EXPECT_EQ(file.GetFileTitle(), "data");
    file.Close();

    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
    EXPECT_EQ(file.GetLength(), 10u);
    file.Close();
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(file.GetLength(), 0u);
}

TEST(CStdioFile, ReadsLinesEndedByLfOrCrLf)
{
    TempFolder folder;
    const std::string longLine(10000, 'x');
    const std::string path = folder.Write("Readme.txt", "first\r\nsecond\n\r\n\xe6\x96\x87\xe4\xb8\xad\r\n" +
                                                            longLine + "\nlast without end");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeText));
    CString line;
    std::vector<std::string> lines;
    while (file.ReadString(line))
        lines.emplace_back(static_cast<LPCTSTR>(line));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1], "second");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "\xe6\x96\x87\xe4\xb8\xad");
    EXPECT_EQ(lines[4], longLine);
    EXPECT_EQ(lines[5], "last without end");
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_FALSE(file.ReadString(line));
}

TEST(CStdioFile, WritesTextThatReadsBack)
{
    TempFolder folder;
    const std::string path = folder.File("phrases.txt");
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText));
        EXPECT_TRUE(file.WriteString("one\n"));
        EXPECT_TRUE(file.WriteString("two\n"));
    }
    EXPECT_EQ(TempFolder::Read(path), "one\ntwo\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    char buffer[3];
    ASSERT_NE(file.ReadString(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "on");
}

namespace {
std::set<std::string> FindAll(const std::string& pattern, bool skipDirectories = true)
{
    std::set<std::string> found;
    CFileFind finder;
    for (BOOL more = finder.FindFile(pattern.c_str()); more;) {
        more = finder.FindNextFile();
        if (finder.IsDots() || (skipDirectories && finder.IsDirectory()))
            continue;
        found.insert(static_cast<LPCTSTR>(finder.GetFileName()));
    }
    return found;
}
} // namespace

TEST(CFileFind, MatchesWindowsWildcards)
{
    TempFolder folder;
    for (const char* name : {"IM0001.DCM", "im0002.dcm", "DICOMDIR", "a.b.c", "\xe5\x9b\xbe.jpg", "x1.jpg"})
        folder.Write(name, "data");
    std::filesystem::create_directory(folder.File("sub.dcm"));

    EXPECT_EQ(FindAll(folder.path() + "/*.*"),
              (std::set<std::string>{"IM0001.DCM", "im0002.dcm", "DICOMDIR", "a.b.c", "\xe5\x9b\xbe.jpg", "x1.jpg"}));
    EXPECT_EQ(FindAll(folder.path() + "/*.dcm"), (std::set<std::string>{"IM0001.DCM", "im0002.dcm"}));
    EXPECT_EQ(FindAll(folder.path() + "/im000?.DCM"), (std::set<std::string>{"IM0001.DCM", "im0002.dcm"}));
    EXPECT_EQ(FindAll(folder.path() + "/?.jpg"), (std::set<std::string>{"\xe5\x9b\xbe.jpg"}));
    EXPECT_EQ(FindAll(folder.path() + "/DICOMDIR.*"), (std::set<std::string>{"DICOMDIR"}));
    EXPECT_EQ(FindAll(folder.path() + "/*.c"), (std::set<std::string>{"a.b.c"}));
    EXPECT_EQ(FindAll(folder.path() + "/*.dcm", false),
              (std::set<std::string>{"IM0001.DCM", "im0002.dcm", "sub.dcm"}));
    EXPECT_TRUE(FindAll(folder.path() + "/*.png").empty());
    EXPECT_TRUE(FindAll(folder.path() + "/missing/*.*").empty());
}

TEST(CFileFind, ReportsEntriesAndEndsOnTheLast)
{
    TempFolder folder;
    folder.Write("only.dcm", "12345");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((folder.path() + "/*.*").c_str()));
    int entries = 0, dots = 0;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        ++entries;
        if (finder.IsDots()) {
            ++dots;
            EXPECT_TRUE(finder.IsDirectory());
            continue;
        }
        EXPECT_EQ(finder.GetFileName(), "only.dcm");
        EXPECT_EQ(finder.GetFilePath(), (folder.path() + "/only.dcm").c_str());
        EXPECT_EQ(finder.GetFileTitle(), "only");
        EXPECT_EQ(finder.GetLength(), 5u);
        EXPECT_FALSE(finder.IsDirectory());
    }
    EXPECT_EQ(entries, 3);
    EXPECT_EQ(dots, 2);
    const int faults = PlatformFaultCount();
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(PlatformFaultCount(), faults + 1);
    finder.Close();
    EXPECT_EQ(finder.GetFileName(), "");
}

TEST(CFileFind, ListsDotsFirstThenNamesWithoutRegardToCase)
{
    TempFolder folder;
    for (const char* name : {"b.dcm", "A.dcm", "_x", "c10.dcm", "C2.dcm", "a.DCM"})
        folder.Write(name, "data");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile((folder.path() + "/*.*").c_str()));
    std::vector<std::string> names;
    for (BOOL more = TRUE; more;) {
        more = finder.FindNextFile();
        names.push_back(static_cast<LPCTSTR>(finder.GetFileName()));
    }
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.dcm", "a.DCM", "b.dcm", "c10.dcm", "C2.dcm", "_x"}));
}

TEST(CFileFind, PatternMatcher)
{
    EXPECT_TRUE(CFileFind::MatchesPattern("abc", "*"));
    EXPECT_TRUE(CFileFind::MatchesPattern("", "*"));
    EXPECT_TRUE(CFileFind::MatchesPattern("abc", "A*C"));
    EXPECT_TRUE(CFileFind::MatchesPattern("abc", "a**c"));
    EXPECT_FALSE(CFileFind::MatchesPattern("abc", "a?"));
    EXPECT_TRUE(CFileFind::MatchesPattern("abc.", "abc.*"));
    EXPECT_FALSE(CFileFind::MatchesPattern("abd", "abc.*"));
    EXPECT_FALSE(CFileFind::MatchesPattern("abc", nullptr));
}
