#include "CStdioFile.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "lasterror.h"

IMPLEMENT_DYNAMIC(CStdioFile, CFile)

namespace {

const char* StdioMode(UINT openFlags)
{
    switch (openFlags & 3) {
    case CFile::modeWrite: return "wb";
    case CFile::modeReadWrite: return "r+b";
    default: return "rb";
    }
}

} // namespace

CStdioFile::~CStdioFile()
{
    CStdioFile::Close();
}

BOOL CStdioFile::Open(LPCTSTR path, UINT openFlags)
{
    Close();
    // The descriptor is opened with the framework's create and truncate
    // rules, then handed to stdio.
    const int fd = OpenDescriptor(path, openFlags);
    if (fd < 0)
        return FALSE;
    m_pStream = ::fdopen(fd, StdioMode(openFlags));
    if (!m_pStream) {
        PlatformFailFromErrno();
        ::close(fd);
        return FALSE;
    }
    SetPath(path);
    return TRUE;
}

void CStdioFile::Close()
{
    if (m_pStream)
        std::fclose(m_pStream);
    m_pStream = nullptr;
    SetPath("");
}

UINT CStdioFile::Read(void* buffer, UINT count)
{
    if (!m_pStream || !buffer)
        return 0;
    return static_cast<UINT>(std::fread(buffer, 1, count, m_pStream));
}

BOOL CStdioFile::Write(const void* buffer, UINT count)
{
    if (!m_pStream || (!buffer && count > 0))
        return FALSE;
    return std::fwrite(buffer, 1, count, m_pStream) == count ? TRUE : PlatformFailFromErrno();
}

LONGLONG CStdioFile::Seek(LONGLONG offset, UINT from)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (!m_pStream || from > end || ::fseeko(m_pStream, static_cast<off_t>(offset), whence[from]) != 0)
        return -1;
    return static_cast<LONGLONG>(::ftello(m_pStream));
}

ULONGLONG CStdioFile::GetLength() const
{
    struct stat info;
    if (!m_pStream || std::fflush(m_pStream) != 0 || ::fstat(::fileno(m_pStream), &info) != 0)
        return 0;
    return static_cast<ULONGLONG>(info.st_size);
}

ULONGLONG CStdioFile::GetPosition() const
{
    const off_t position = m_pStream ? ::ftello(m_pStream) : -1;
    return position < 0 ? 0 : static_cast<ULONGLONG>(position);
}

void CStdioFile::Flush()
{
    if (m_pStream)
        std::fflush(m_pStream);
}

BOOL CStdioFile::ReadString(CString& line)
{
    line.Empty();
    if (!m_pStream)
        return FALSE;
    bool readAny = false;
    for (int ch; (ch = std::fgetc(m_pStream)) != EOF;) {
        readAny = true;
        if (ch == '\n')
            break;
        line += static_cast<char>(ch);
    }
    if (line.GetLength() > 0 && line[line.GetLength() - 1] == '\r')
        line = line.Left(line.GetLength() - 1);
    return readAny ? TRUE : FALSE;
}

LPTSTR CStdioFile::ReadString(LPTSTR buffer, UINT maxLength)
{
    if (!m_pStream || !buffer || maxLength == 0)
        return nullptr;
    const int limit = static_cast<int>(std::min<UINT>(maxLength, 0x7FFFFFFF));
    return std::fgets(buffer, limit, m_pStream);
}

BOOL CStdioFile::WriteString(LPCTSTR text)
{
    if (!text)
        return FALSE;
    return Write(text, static_cast<UINT>(std::strlen(text)));
}
