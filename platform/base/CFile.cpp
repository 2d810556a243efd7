#include "CFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lasterror.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

CFile::~CFile()
{
    CFile::Close();
}

int CFile::OpenDescriptor(LPCTSTR path, UINT openFlags)
{
    if (!path || !*path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    int flags = O_CLOEXEC;
    switch (openFlags & 3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (openFlags & modeCreate)
        flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);
    const int fd = ::open(path, flags, 0666);
    if (fd < 0) {
        PlatformFailFromErrno();
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    return fd;
}

BOOL CFile::Open(LPCTSTR path, UINT openFlags)
{
    Close();
    m_fd = OpenDescriptor(path, openFlags);
    if (m_fd < 0)
        return FALSE;
    m_path = path;
    return TRUE;
}

void CFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.Empty();
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (m_fd < 0 || !buffer)
        return 0;
    UINT total = 0;
    while (total < count) {
        const ssize_t got = ::read(m_fd, static_cast<char*>(buffer) + total, count - total);
        if (got == 0 || (got < 0 && errno != EINTR))
            break;
        if (got > 0)
            total += static_cast<UINT>(got);
    }
    return total;
}

BOOL CFile::Write(const void* buffer, UINT count)
{
    if (m_fd < 0 || (!buffer && count > 0))
        return FALSE;
    UINT total = 0;
    while (total < count) {
        const ssize_t put = ::write(m_fd, static_cast<const char*>(buffer) + total, count - total);
        if (put < 0 && errno != EINTR)
            return PlatformFailFromErrno();
        if (put > 0)
            total += static_cast<UINT>(put);
    }
    return TRUE;
}

LONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (m_fd < 0 || from > end)
        return -1;
    const off_t result = ::lseek(m_fd, static_cast<off_t>(offset), whence[from]);
    return result < 0 ? -1 : static_cast<LONGLONG>(result);
}

ULONGLONG CFile::GetLength() const
{
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return 0;
    return static_cast<ULONGLONG>(info.st_size);
}

ULONGLONG CFile::GetPosition() const
{
    const off_t position = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
    return position < 0 ? 0 : static_cast<ULONGLONG>(position);
}

void CFile::Flush()
{
    if (m_fd >= 0)
        ::fsync(m_fd);
}

CString CFile::GetFileName() const
{
    return m_path.Mid(m_path.ReverseFind('/') + 1);
}

CString CFile::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}
