#include "CFileFind.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "debug.h"
#include "lasterror.h"

IMPLEMENT_DYNAMIC(CFileFind, CObject)

namespace {

char FoldCase(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Length of the UTF-8 character starting at text, so that '?' matches one
// character rather than one byte.
int CharLength(const char* text)
{
    const auto lead = static_cast<unsigned char>(*text);
    int length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    for (int i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return i;
    }
    return length;
}

bool MatchFrom(const char* name, const char* pattern)
{
    for (; *pattern; ++pattern) {
        if (*pattern == '*') {
            while (pattern[1] == '*')
                ++pattern;
            for (const char* rest = name;; rest += CharLength(rest)) {
                if (MatchFrom(rest, pattern + 1))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*name)
            // A trailing ".*" also matches names without an extension.
            return pattern[0] == '.' && pattern[1] == '*' && pattern[2] == '\0';
        if (*pattern == '?') {
            name += CharLength(name);
            continue;
        }
        if (FoldCase(*pattern) != FoldCase(*name))
            return false;
        ++name;
    }
    return *name == '\0';
}

} // namespace

// Directory order on Linux is arbitrary; callers list what they find as they
// find it, so give them the order of a Windows volume: the dot entries
// first, then names compared with letters folded to upper case.
void CFileFind::SortAsAWindowsVolumeLists(std::vector<Entry>& entries)
{
    auto rank = [](const CString& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (rank(a.name) != rank(b.name))
            return rank(a.name) < rank(b.name);
        CString upperA = a.name, upperB = b.name;
        upperA.MakeUpper();
        upperB.MakeUpper();
        const int folded = std::strcmp(upperA, upperB);
        return folded != 0 ? folded < 0 : std::strcmp(a.name, b.name) < 0;
    });
}

bool CFileFind::MatchesPattern(const char* name, const char* pattern)
{
    return name && pattern && MatchFrom(name, pattern);
}

BOOL CFileFind::FindFile(LPCTSTR pattern, DWORD)
{
    Close();
    CString full = (pattern && *pattern) ? pattern : "*.*";
    const int slash = full.ReverseFind('/');
    m_root = slash < 0 ? CString(".") : (slash == 0 ? CString("/") : full.Left(slash));
    const CString namePattern = full.Mid(slash + 1);

    DIR* folder = ::opendir(m_root);
    if (!folder) {
        PlatformFailFromErrno();
        return FALSE;
    }
    while (const dirent* entry = ::readdir(folder)) {
        if (!MatchesPattern(entry->d_name, namePattern))
            continue;
        struct stat info;
        const CString path = (slash == 0 ? CString("") : m_root) + "/" + entry->d_name;
        const bool known = ::stat(path, &info) == 0;
        m_entries.push_back(Entry{entry->d_name, known ? static_cast<ULONGLONG>(info.st_size) : 0,
                                  known && S_ISDIR(info.st_mode)});
    }
    ::closedir(folder);
    SortAsAWindowsVolumeLists(m_entries);
    if (m_entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_current + 1 >= static_cast<int>(m_entries.size())) {
        PlatformReportFault("CFileFind::FindNextFile past the last entry", __FILE__, __LINE__);
        return FALSE;
    }
    ++m_current;
    return m_current + 1 < static_cast<int>(m_entries.size());
}

void CFileFind::Close()
{
    m_entries.clear();
    m_current = -1;
    m_root.Empty();
}

const CFileFind::Entry* CFileFind::Current() const
{
    if (m_current < 0 || m_current >= static_cast<int>(m_entries.size())) {
        PlatformReportFault("CFileFind queried without a current entry", __FILE__, __LINE__);
        return nullptr;
    }
    return &m_entries[static_cast<size_t>(m_current)];
}

CString CFileFind::GetFileName() const
{
    const Entry* entry = Current();
    return entry ? entry->name : CString();
}

CString CFileFind::GetFilePath() const
{
    const Entry* entry = Current();
    if (!entry)
        return CString();
    return (m_root == "/" ? CString("") : m_root) + "/" + entry->name;
}

CString CFileFind::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

ULONGLONG CFileFind::GetLength() const
{
    const Entry* entry = Current();
    return entry ? entry->length : 0;
}

BOOL CFileFind::IsDots() const
{
    const Entry* entry = Current();
    return entry && entry->directory && (entry->name == "." || entry->name == "..");
}

BOOL CFileFind::IsDirectory() const
{
    const Entry* entry = Current();
    return entry && entry->directory;
}
