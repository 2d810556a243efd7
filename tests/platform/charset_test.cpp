#include <gtest/gtest.h>

#include <cwchar>

#include "base/charset.h"
#include "base/wincodepage.h"

namespace {
const char* const kOpenFailed = "\xe6\x89\x93\xe5\xbc\x80\xe6\x96\x87\xe4\xbb\xb6\xe5\xa4\xb1\xe8\xb4\xa5"; // 打开文件失败
const char* const kOpenFailedCp936 = "\xb4\xf2\xbf\xaa\xce\xc4\xbc\xfe\xca\xa7\xb0\xdc";
} // namespace

TEST(Charset, Cp936RoundTripsChineseText)
{
    EXPECT_EQ(Utf8ToCp936(kOpenFailed), kOpenFailedCp936);
    EXPECT_EQ(Cp936ToUtf8(kOpenFailedCp936), kOpenFailed);
    const CString mixed = CString("CT ") + kOpenFailed + " 12:30";
    EXPECT_EQ(Cp936ToUtf8(Utf8ToCp936(mixed)), mixed);
    EXPECT_EQ(Utf8ToCp936(""), "");
    EXPECT_EQ(Cp936ToUtf8(nullptr), "");
}

TEST(Charset, UnconvertibleBytesAreReplacedNotDropped)
{
    // A lone lead byte at the end and an invalid UTF-8 byte in the middle.
    EXPECT_EQ(Cp936ToUtf8("ab\xb4"), "ab\xef\xbf\xbd");
    EXPECT_EQ(Utf8ToCp936("a\xff" "b"), "a?b");
    EXPECT_EQ(Utf8ToCp936("\xf0\x9f\x98\x80x"), "????x"); // outside code page 936: each byte replaced
}

TEST(Charset, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8(kOpenFailed));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_FALSE(IsValidUtf8(kOpenFailedCp936));
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xe6\x89"));         // truncated
}

TEST(CodePage, MultiByteToWideCharCountsTheTerminator)
{
    const int needed = MultiByteToWideChar(CP_ACP, 0, kOpenFailed, -1, nullptr, 0);
    EXPECT_EQ(needed, 7);
    WCHAR wide[7];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, kOpenFailed, -1, wide, needed), 7);
    EXPECT_EQ(wide[0], static_cast<WCHAR>(0x6253));
    EXPECT_EQ(wide[6], L'\0');
    WCHAR tooSmall[3];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kOpenFailed, -1, tooSmall, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xff", -1, wide, 7), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xff", 2, wide, 7), 2);
    EXPECT_EQ(wide[1], static_cast<WCHAR>(0xFFFD));

    ASSERT_EQ(MultiByteToWideChar(936, 0, kOpenFailedCp936, -1, wide, 7), 7);
    char back[32];
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 19);
    EXPECT_STREQ(back, kOpenFailed);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"ab", 2, nullptr, 0, nullptr, nullptr), 2);
}
