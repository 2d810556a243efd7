// The framework's binary file over a POSIX descriptor. Open reports failure
// by its result (and the last error) rather than by throwing.
#pragma once

#include "CObject.h"
#include "CString.h"
#include "wintypes.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)

public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile() override;

    virtual BOOL Open(LPCTSTR path, UINT openFlags);
    virtual void Close();
    virtual UINT Read(void* buffer, UINT count);
    virtual BOOL Write(const void* buffer, UINT count);
    virtual LONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    LONGLONG SeekToBegin() { return Seek(0, begin); }
    ULONGLONG SeekToEnd() { return static_cast<ULONGLONG>(Seek(0, end)); }

    BOOL IsOpen() const { return m_fd >= 0; }
    CString GetFilePath() const { return m_path; }
    CString GetFileName() const;
    CString GetFileTitle() const;

protected:
    static int OpenDescriptor(LPCTSTR path, UINT openFlags);
    void SetPath(LPCTSTR path) { m_path = path; }

private:
    int m_fd = -1;
    CString m_path;
};
