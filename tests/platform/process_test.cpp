// A started program sees only the standard descriptors, and those lead
// nowhere of ours.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/temp_folder.h"
#include "wnd/wnd.h"

namespace {

TEST(ProcessStart, ChildGetsNoDescriptorsOfOursAndNoOutput)
{
    TempFolder folder;
    const std::string marker = folder.Write("open-in-parent", "x");
    const int inherited = ::open(marker.c_str(), O_RDONLY);  // no close-on-exec
    ASSERT_GE(inherited, 3);
    const std::string listing = folder.File("descriptors");
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(PlatformCreateProcess(
        {"/bin/sh", "-c", "for f in /proc/$$/fd/*; do echo \"${f##*/} $(readlink $f)\"; done > \"$1\"; echo out; echo err >&2",
         "sh", listing},
        &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    ::close(inherited);

    std::istringstream lines(TempFolder::Read(listing));
    std::string line;
    std::vector<std::string> seen;
    while (std::getline(lines, line))
        seen.push_back(line);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "0 /dev/null"), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), "2 /dev/null"), seen.end());
    for (const std::string& entry : seen)
        EXPECT_EQ(entry.find(marker), std::string::npos) << entry;
}

TEST(ProcessStart, ChildOutputIsDiscarded)
{
    TempFolder folder;
    const std::string result = folder.File("targets");
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(PlatformCreateProcess(
        {"/bin/sh", "-c", "o=$(readlink /proc/$$/fd/1); e=$(readlink /proc/$$/fd/2); echo \"$o $e\" > \"$1\"", "sh",
         result},
        &info));
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    EXPECT_EQ(TempFolder::Read(result), "/dev/null /dev/null\n");
}

}  // namespace
