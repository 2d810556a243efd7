// The framework's 8-bit string; text is UTF-8. Index and count arguments
// are clamped the way the framework clamps them, and out-of-range element
// access is reported and refused instead of touching foreign memory.
#pragma once

#include <cstdarg>
#include <string>

#include "wintypes.h"

class CString {
public:
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(const char* text);
    CString(const unsigned char* text);
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    operator LPCTSTR() const { return m_text.c_str(); }

    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    void MakeUpper();
    void MakeLower();

    void TrimLeft();
    void TrimLeft(char target);
    void TrimLeft(const char* targets);
    void TrimRight();
    void TrimRight(char target);
    void TrimRight(const char* targets);

    int Replace(char oldChar, char newChar);
    int Replace(const char* oldText, const char* newText);
    int Remove(char ch);

    int Find(char ch) const;
    int Find(char ch, int start) const;
    int Find(const char* sub) const;
    int Find(const char* sub, int start) const;
    int ReverseFind(char ch) const;

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

    // Returns a writable buffer of at least minLength characters plus the
    // terminator; ReleaseBuffer(-1) takes the length up to the first NUL.
    LPTSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    LPTSTR GetBufferSetLength(int newLength);
    void FreeExtra() { m_text.shrink_to_fit(); }

private:
    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);
