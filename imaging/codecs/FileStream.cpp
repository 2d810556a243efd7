#include "FileStream.h"

CFileStream::CFileStream(FILE* stream) : m_fp(stream), m_bCloseFile(stream == nullptr) {}

CFileStream::CFileStream(const CFileStream& other)
    : CByteStream(other), m_fp(other.m_fp), m_bCloseFile(false) {}

CFileStream& CFileStream::operator=(const CFileStream& other)
{
    if (this != &other) {
        Close();
        m_fp = other.m_fp;
        m_bCloseFile = false;
    }
    return *this;
}

CFileStream::~CFileStream()
{
    if (m_fp && m_bCloseFile)
        fclose(m_fp);
}

bool CFileStream::Open(const char* path, const char* mode)
{
    if (m_fp)
        return false;
    m_fp = fopen(path, mode);
    if (!m_fp)
        return false;
    m_bCloseFile = true;
    return true;
}

bool CFileStream::Close()
{
    if (!m_fp || !m_bCloseFile)
        return true;
    int rc = fclose(m_fp);
    m_fp = nullptr;
    return rc == 0;
}

size_t CFileStream::Read(void* buffer, size_t size, size_t count)
{
    if (!m_fp || !buffer)
        return 0;
    return fread(buffer, size, count, m_fp);
}

size_t CFileStream::Write(const void* buffer, size_t size, size_t count)
{
    if (!m_fp || !buffer)
        return 0;
    return fwrite(buffer, size, count, m_fp);
}

bool CFileStream::Seek(long offset, int origin)
{
    if (!m_fp)
        return false;
    return fseek(m_fp, offset, origin) == 0;
}

long CFileStream::Tell()
{
    if (!m_fp)
        return 0;
    return ftell(m_fp);
}

long CFileStream::Size()
{
    if (!m_fp)
        return -1;
    long pos = ftell(m_fp);
    fseek(m_fp, 0, SEEK_END);
    long size = ftell(m_fp);
    fseek(m_fp, pos, SEEK_SET);
    return size;
}

bool CFileStream::Flush()
{
    if (!m_fp)
        return false;
    return fflush(m_fp) == 0;
}

bool CFileStream::Eof()
{
    if (!m_fp)
        return true;
    return feof(m_fp) != 0;
}

long CFileStream::Error()
{
    if (!m_fp)
        return -1;
    return ferror(m_fp);
}

bool CFileStream::PutC(unsigned char c)
{
    if (!m_fp)
        return false;
    return fputc(c, m_fp) == c;
}

long CFileStream::GetC()
{
    if (!m_fp)
        return -1;
    return getc(m_fp);
}
