#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/CString.h"
#include "base/debug.h"

TEST(CString, SubstringsClampOutOfRangeCounts)
{
    const CString s("abcdef");
    EXPECT_EQ(s.Left(3), "abc");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(-5), "");
    EXPECT_EQ(s.Right(99), "abcdef");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 3), "cde");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(4, 100), "ef");
    EXPECT_EQ(s.Mid(6), "");
    EXPECT_EQ(s.Mid(50, 2), "");
    EXPECT_EQ(s.Mid(1, -4), "");
    EXPECT_EQ(CString().Mid(0, 1), "");
}

TEST(CString, FormatMatchesPrintfWithoutLengthLimit)
{
    CString s;
    s.Format("%s-%s-%s", "2001", "02", "03");
    EXPECT_EQ(s, "2001-02-03");
    s.Format("%5.1f|%5.0f|%0.2f|%c|%0lX|%08lx", 3.14159, 2.5, 1.005, 'x', 255L, 255L);
    EXPECT_EQ(s, "  3.1|    2|1.00|x|FF|000000ff");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    s.Format("%#.2d", 5);
#pragma GCC diagnostic pop
    EXPECT_EQ(s, "05");

    const std::string longText(100000, 'z');
    s.Format("<%s>%d", longText.c_str(), 42);
    ASSERT_EQ(s.GetLength(), 100000 + 4);
    EXPECT_EQ(s.Right(4), "z>42");
    EXPECT_EQ(s.Left(2), "<z");
}

TEST(CString, TrimWhitespaceCharacterAndSet)
{
    CString s(" \t\r\n  value 1 \r\n");
    s.TrimLeft();
    s.TrimRight();
    EXPECT_EQ(s, "value 1");

    CString zeros("000120");
    zeros.TrimLeft('0');
    EXPECT_EQ(zeros, "120");
    CString allZeros("0000");
    allZeros.TrimLeft('0');
    EXPECT_TRUE(allZeros.IsEmpty());

    CString padded(" 0 012 0");
    padded.TrimLeft(" 0");
    EXPECT_EQ(padded, "12 0");
    padded.TrimRight(" 0");
    EXPECT_EQ(padded, "12");

    // Bytes of multi-byte characters are never whitespace.
    CString chinese("\xe6\x96\x87 ");
    chinese.TrimRight();
    chinese.TrimLeft();
    EXPECT_EQ(chinese, "\xe6\x96\x87");
}

TEST(CString, SearchReplaceRemoveAndCase)
{
    CString path("C:/dir/sub/file.dcm");
    EXPECT_EQ(path.Find('/'), 2);
    EXPECT_EQ(path.Find('/', 3), 6);
    EXPECT_EQ(path.Find('/', 100), -1);
    EXPECT_EQ(path.Find("sub"), 7);
    EXPECT_EQ(path.Find("sub", 8), -1);
    EXPECT_EQ(path.Find("none"), -1);
    EXPECT_EQ(path.ReverseFind('/'), 10);
    EXPECT_EQ(path.ReverseFind('\\'), -1);

    CString text("a.b.c");
    EXPECT_EQ(text.Replace(".", "::"), 2);
    EXPECT_EQ(text, "a::b::c");
    EXPECT_EQ(text.Replace("", "x"), 0);
    EXPECT_EQ(text.Replace(':', '-'), 4);
    EXPECT_EQ(text.Remove('-'), 4);
    EXPECT_EQ(text, "abc");

    // Patterns of several characters, found left to right without overlap,
    // replaced by longer, shorter and empty texts, at both ends too.
    CString runs("abXabab-ab");
    EXPECT_EQ(runs.Replace("ab", "<ab>"), 4);
    EXPECT_EQ(runs, "<ab>X<ab><ab>-<ab>");
    CString repeats("aaaaa");
    EXPECT_EQ(repeats.Replace("aa", "b"), 2);
    EXPECT_EQ(repeats, "bba");
    CString words("one, two, three");
    EXPECT_EQ(words.Replace(", ", ""), 2);
    EXPECT_EQ(words, "onetwothree");
    EXPECT_EQ(words.Replace("twx", "2"), 0);
    EXPECT_EQ(words, "onetwothree");

    CString mixed("Ab\xe4\xb8\xad" "cD");
    mixed.MakeUpper();
    EXPECT_EQ(mixed, "AB\xe4\xb8\xad" "CD");
    mixed.MakeLower();
    EXPECT_EQ(mixed, "ab\xe4\xb8\xad" "cd");

    EXPECT_EQ(CString("RGB").CompareNoCase("rgb"), 0);
    EXPECT_LT(CString("abc").Compare("abd"), 0);
    EXPECT_GT(CString("b").Compare("a"), 0);
    EXPECT_TRUE(CString("a") < CString("b"));
    EXPECT_TRUE(CString("a") != "b");
}

TEST(CString, ConcatenationAndConversion)
{
    CString s = CString("a") + "b" + 'c';
    s += CString("d");
    s += "e";
    s += 'f';
    EXPECT_EQ(s, "abcdef");
    EXPECT_EQ("x" + s, "xabcdef");
    EXPECT_STREQ(static_cast<LPCTSTR>(s), "abcdef");
    EXPECT_EQ(atoi(CString("42")), 42);
    EXPECT_EQ(CString('-', 3), "---");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
}

TEST(CString, ElementAccessOutOfRangeIsRefused)
{
    CString s("abc");
    EXPECT_EQ(s[1], 'b');
    s.SetAt(1, 'x');
    EXPECT_EQ(s, "axc");
    const int faults = PlatformFaultCount();
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s[-1], '\0');
    s.SetAt(10, 'q');
    EXPECT_EQ(s, "axc");
    EXPECT_EQ(PlatformFaultCount(), faults + 3);
}

TEST(CString, BufferAccess)
{
    CString s("hello");
    char* buffer = s.GetBuffer(64);
    std::snprintf(buffer, 64, "%s", "a longer text than before");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "a longer text than before");

    buffer = s.GetBuffer(3);
    buffer[1] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "a");

    buffer = s.GetBufferSetLength(4);
    std::memcpy(buffer, "wxyz", 4);
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, "wx");

    // A buffer filled to its end without a terminator still ends there.
    buffer = s.GetBuffer(8);
    std::memset(buffer, 'k', 8);
    s.ReleaseBuffer();
    EXPECT_EQ(s, "kkkkkkkk");
}
