#include "ReadBackStream.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

size_t CReadBackStream::Read(void* buffer, size_t size, size_t count)
{
    if (size == 0 || size_t(m_position) >= m_copy.size())
        return 0;
    size_t items = std::min(count, (m_copy.size() - size_t(m_position)) / size);
    memcpy(buffer, &m_copy[size_t(m_position)], items * size);
    m_position += long(items * size);
    return items;
}

size_t CReadBackStream::Write(const void* buffer, size_t size, size_t count)
{
    if (size == 0 || count > (size_t(LONG_MAX) - size_t(m_position)) / size)
        return 0;
    if (m_out->Tell() != m_position && !m_out->Seek(m_position, SEEK_SET))
        return 0;
    size_t items = m_out->Write(buffer, size, count);
    size_t bytes = items * size;
    if (bytes == 0)
        return 0;
    if (m_copy.size() < size_t(m_position) + bytes)
        m_copy.resize(size_t(m_position) + bytes);
    memcpy(&m_copy[size_t(m_position)], buffer, bytes);
    m_position += long(bytes);
    return items;
}

bool CReadBackStream::Seek(long offset, int origin)
{
    long base = origin == SEEK_SET ? 0 : (origin == SEEK_CUR ? m_position : long(m_copy.size()));
    if ((offset < 0 && base < -offset) || (offset > 0 && base > LONG_MAX - offset))
        return false;
    m_position = base + offset;
    return true;
}

long CReadBackStream::GetC()
{
    unsigned char c;
    return Read(&c, 1, 1) == 1 ? c : -1;
}
