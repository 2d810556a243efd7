// The framework's buffered text file. ReadString takes lines ended by LF or
// CR LF and drops the ending; WriteString writes text unchanged.
#pragma once

#include <cstdio>

#include "CFile.h"

class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)

public:
    CStdioFile() = default;
    ~CStdioFile() override;

    BOOL Open(LPCTSTR path, UINT openFlags) override;
    void Close() override;
    UINT Read(void* buffer, UINT count) override;
    BOOL Write(const void* buffer, UINT count) override;
    LONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetLength() const override;
    ULONGLONG GetPosition() const override;
    void Flush() override;

    // FALSE at the end of the file when no characters were left.
    BOOL ReadString(CString& line);
    // Up to maxLength - 1 characters, keeping the line end as read; null
    // at the end of the file.
    LPTSTR ReadString(LPTSTR buffer, UINT maxLength);
    BOOL WriteString(LPCTSTR text);

    FILE* m_pStream = nullptr;
};
