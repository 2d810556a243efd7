#include "CString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "debug.h"

namespace {

bool IsSpace(char ch)
{
    // Only ASCII whitespace: bytes of multi-byte UTF-8 characters are never trimmed.
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

bool InSet(const char* set, char ch)
{
    return ch != '\0' && std::strchr(set, ch) != nullptr;
}

char ToUpperAscii(char ch)
{
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

char ToLowerAscii(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

} // namespace

CString::CString(const char* text) : m_text(OrEmpty(text)) {}

CString::CString(const unsigned char* text) : CString(reinterpret_cast<const char*>(text)) {}

CString::CString(const char* text, int length)
{
    if (text && length > 0)
        m_text.assign(text, strnlen(text, static_cast<size_t>(length)));
}

CString::CString(char ch, int repeat)
{
    if (ch != '\0' && repeat > 0)
        m_text.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(const char* text)
{
    m_text = OrEmpty(text);
    return *this;
}

CString& CString::operator=(char ch)
{
    m_text.assign(1, ch);
    return *this;
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength()) {
        PlatformReportFault("CString index out of range", __FILE__, __LINE__);
        return '\0';
    }
    return m_text[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch)
{
    if (index < 0 || index >= GetLength()) {
        PlatformReportFault("CString index out of range", __FILE__, __LINE__);
        return;
    }
    m_text[static_cast<size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other)
{
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    m_text += OrEmpty(text);
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_text += ch;
    return *this;
}

int CString::Compare(const char* text) const
{
    return std::strcmp(m_text.c_str(), OrEmpty(text));
}

int CString::CompareNoCase(const char* text) const
{
    return strcasecmp(m_text.c_str(), OrEmpty(text));
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    CString result;
    result.m_text = m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count));
    return result;
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    CString result;
    result.m_text = m_text.substr(m_text.size() - static_cast<size_t>(count));
    return result;
}

void CString::MakeUpper()
{
    std::transform(m_text.begin(), m_text.end(), m_text.begin(), ToUpperAscii);
}

void CString::MakeLower()
{
    std::transform(m_text.begin(), m_text.end(), m_text.begin(), ToLowerAscii);
}

void CString::TrimLeft()
{
    auto first = std::find_if_not(m_text.begin(), m_text.end(), IsSpace);
    m_text.erase(m_text.begin(), first);
}

void CString::TrimLeft(char target)
{
    auto first = std::find_if(m_text.begin(), m_text.end(), [target](char c) { return c != target; });
    m_text.erase(m_text.begin(), first);
}

void CString::TrimLeft(const char* targets)
{
    const char* set = OrEmpty(targets);
    auto first = std::find_if(m_text.begin(), m_text.end(), [set](char c) { return !InSet(set, c); });
    m_text.erase(m_text.begin(), first);
}

void CString::TrimRight()
{
    while (!m_text.empty() && IsSpace(m_text.back()))
        m_text.pop_back();
}

void CString::TrimRight(char target)
{
    while (!m_text.empty() && m_text.back() == target)
        m_text.pop_back();
}

void CString::TrimRight(const char* targets)
{
    const char* set = OrEmpty(targets);
    while (!m_text.empty() && InSet(set, m_text.back()))
        m_text.pop_back();
}

int CString::Replace(char oldChar, char newChar)
{
    if (oldChar == newChar)
        return 0;
    int count = 0;
    for (char& c : m_text) {
        if (c == oldChar) {
            c = newChar;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText)
{
    const std::string from = OrEmpty(oldText);
    const std::string to = OrEmpty(newText);
    if (from.empty())
        return 0;
    int count = 0;
    std::string result;
    size_t pos = 0;
    for (size_t hit; (hit = m_text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        result.append(m_text, pos, hit - pos).append(to);
        ++count;
    }
    if (count > 0) {
        result.append(m_text, pos, std::string::npos);
        m_text.swap(result);
    }
    return count;
}

int CString::Remove(char ch)
{
    const size_t before = m_text.size();
    m_text.erase(std::remove(m_text.begin(), m_text.end(), ch), m_text.end());
    return static_cast<int>(before - m_text.size());
}

int CString::Find(char ch) const
{
    return Find(ch, 0);
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    const size_t hit = m_text.find(ch, static_cast<size_t>(start));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CString::Find(const char* sub) const
{
    return Find(sub, 0);
}

int CString::Find(const char* sub, int start) const
{
    if (start < 0 || start > GetLength())
        return -1;
    const size_t hit = m_text.find(OrEmpty(sub), static_cast<size_t>(start));
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

int CString::ReverseFind(char ch) const
{
    const size_t hit = m_text.rfind(ch);
    return hit == std::string::npos ? -1 : static_cast<int>(hit);
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, OrEmpty(format), measure);
    va_end(measure);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    std::string result(static_cast<size_t>(needed), '\0');
    std::vsnprintf(&result[0], result.size() + 1, OrEmpty(format), args);
    m_text.swap(result);
}

LPTSTR CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<size_t>(minLength));
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength)
{
    // std::string keeps a terminator after its last character, so the
    // search below cannot run past the buffer.
    if (newLength < 0 || newLength > GetLength())
        newLength = static_cast<int>(std::strlen(m_text.c_str()));
    m_text.resize(static_cast<size_t>(newLength));
}

LPTSTR CString::GetBufferSetLength(int newLength)
{
    m_text.resize(static_cast<size_t>(std::max(newLength, 0)));
    return &m_text[0];
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(char a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
