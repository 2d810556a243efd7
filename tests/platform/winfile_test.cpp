#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

#include "base/winfile.h"
#include "temp_folder.h"

TEST(Win32File, CreateWriteSeekReadRoundTrip)
{
    TempFolder folder;
    const std::string path = folder.File("out.bin");
    HANDLE file = CreateFile(path.c_str(), GENERIC_ALL, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "BMheader-and-pixels", 19, &written, nullptr));
    EXPECT_EQ(written, 19u);
    EXPECT_EQ(GetFileSize(file, nullptr), 19u);
    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    char buffer[32] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, 6, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "header");
    EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_END), 13u);
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr)); // short read at the end
    EXPECT_EQ(std::string(buffer, read), "pixels");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(SetFilePointer(file, -100, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file)); // a closed handle is recognised, not reused
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    file = CreateFile(path.c_str(), GENERIC_ALL, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u); // always-create truncates
    CloseHandle(file);
}

TEST(Win32File, DispositionsAndFailures)
{
    TempFolder folder;
    const std::string missing = folder.File("missing.dcm");
    EXPECT_EQ(CreateFile(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE created = CreateFile(missing.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(created);
    EXPECT_EQ(CreateFile(missing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(CreateFile(folder.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);

    DWORD count = 7;
    int notAHandle = 0;
    EXPECT_FALSE(ReadFile(&notAHandle, &count, 1, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Win32File, CopyDeleteAndCreateDirectory)
{
    TempFolder folder;
    const std::string source = folder.Write("a.dcm", "original");
    const std::string target = folder.Write("b.dcm", "old");
    EXPECT_FALSE(CopyFile(source.c_str(), target.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(TempFolder::Read(target), "old");
    EXPECT_TRUE(CopyFile(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ(TempFolder::Read(target), "original");

    // Onto itself, also through another spelling of the path, the copy is refused.
    const std::string sameFile = folder.path() + "/./a.dcm";
    EXPECT_FALSE(CopyFile(source.c_str(), sameFile.c_str(), FALSE));
    EXPECT_EQ(TempFolder::Read(source), "original");

    EXPECT_TRUE(DeleteFile(target.c_str()));
    EXPECT_FALSE(DeleteFile(target.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    const std::string sub = folder.File("sub");
    EXPECT_TRUE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectory((sub + "/x/y").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFile(sub.c_str()));
}

TEST(Win32File, TempPathAndUniqueTempFiles)
{
    TempFolder folder;
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    setenv("TMPDIR", folder.path().c_str(), 1);
    char path[MAX_PATH];
    const DWORD length = GetTempPath(MAX_PATH, path);
    EXPECT_EQ(std::string(path), folder.path() + "/");
    EXPECT_EQ(length, folder.path().size() + 1);
    EXPECT_EQ(GetTempPath(3, path), length + 1);
    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");

    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        char name[MAX_PATH];
        ASSERT_NE(GetTempFileName(folder.path().c_str(), "jpeg", 0, name), 0u);
        EXPECT_TRUE(std::filesystem::exists(name));
        EXPECT_EQ(std::filesystem::path(name).filename().string().rfind("jpe", 0), 0u);
        EXPECT_EQ(std::filesystem::path(name).extension().string(), ".TMP");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);

    char named[MAX_PATH];
    EXPECT_EQ(GetTempFileName(folder.path().c_str(), "x", 0x1A2B, named), 0x1A2Bu);
    EXPECT_EQ(std::string(named), folder.path() + "/x1A2B.TMP");
    EXPECT_FALSE(std::filesystem::exists(named));
    EXPECT_EQ(GetTempFileName((folder.path() + "/none").c_str(), "x", 0, named), 0u);
}

TEST(Win32File, ModuleFileNameIsTheRunningProgram)
{
    char path[1024];
    const DWORD length = GetModuleFileName(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::filesystem::path(path).filename(), "test_platform");
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));

    char small[5];
    EXPECT_EQ(GetModuleFileName(nullptr, small, sizeof small), 5u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), std::string(path, 4));
}
