// The framework's folder search. FindFile takes "<folder>/<pattern>" where
// the pattern's '*' and '?' match as on Windows: letters without regard to
// case, and "*.*" matching every name, with or without a dot. Entries come
// in the order the file system returns them, "." and ".." included.
// Usage: FindFile, then FindNextFile before each entry; FindNextFile
// returns 0 when it moved to the last entry.
#pragma once

#include <vector>

#include "CObject.h"
#include "CString.h"

class CFileFind : public CObject {
    DECLARE_DYNAMIC(CFileFind)

public:
    CFileFind() = default;
    ~CFileFind() override = default;

    BOOL FindFile(LPCTSTR pattern = nullptr, DWORD unused = 0);
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const;
    CString GetFilePath() const;
    CString GetFileTitle() const;
    CString GetRoot() const { return m_root; }
    ULONGLONG GetLength() const;
    BOOL IsDots() const;
    BOOL IsDirectory() const;

    // The Windows wildcard match used by FindFile.
    static bool MatchesPattern(const char* name, const char* pattern);

private:
    struct Entry {
        CString name;
        ULONGLONG length;
        bool directory;
    };

    const Entry* Current() const;
    static void SortAsAWindowsVolumeLists(std::vector<Entry>& entries);

    CString m_root;
    std::vector<Entry> m_entries;
    int m_current = -1;
};
