#include "MemoryStream.h"

#include <climits>
#include <cstdlib>
#include <cstring>

static int32_t ClampToInt32(uint32_t value)
{
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

CMemoryStream::CMemoryStream(unsigned char* buffer, uint32_t size)
    : m_pBuffer(buffer), m_Size(ClampToInt32(size)), m_bFreeOnClose(buffer == nullptr),
      m_Position(0), m_Edge(ClampToInt32(size))
{
}

CMemoryStream::CMemoryStream(const CMemoryStream& other)
    : CByteStream(other), m_pBuffer(other.m_pBuffer), m_Size(other.m_Size), m_bFreeOnClose(false),
      m_Position(other.m_Position), m_Edge(other.m_Edge)
{
}

CMemoryStream& CMemoryStream::operator=(const CMemoryStream& other)
{
    if (this != &other) {
        Close();
        m_pBuffer = other.m_pBuffer;
        m_Size = other.m_Size;
        m_bFreeOnClose = false;
        m_Position = other.m_Position;
        m_Edge = other.m_Edge;
    }
    return *this;
}

CMemoryStream::~CMemoryStream()
{
    Close();
}

bool CMemoryStream::Open()
{
    if (m_pBuffer)
        return false;
    m_Size = m_Position = m_Edge = 0;
    m_pBuffer = static_cast<unsigned char*>(malloc(1));
    m_bFreeOnClose = true;
    return m_pBuffer != nullptr;
}

unsigned char* CMemoryStream::GetBuffer(bool detach)
{
    m_bFreeOnClose = !detach;
    return m_pBuffer;
}

bool CMemoryStream::Alloc(uint32_t length)
{
    return EnsureCapacity(length);
}

// Grows in whole 4096-byte steps. A borrowed block is never resized in
// place: its bytes move into a block of our own, which the caller's
// pointer cannot reach.
bool CMemoryStream::EnsureCapacity(int64_t length)
{
    if (length <= m_Edge)
        return true;
    int64_t newEdge = (length & ~int64_t(0xFFF)) + 4096;
    if (newEdge > INT32_MAX)
        return false;
    unsigned char* block;
    if (!m_pBuffer) {
        block = static_cast<unsigned char*>(malloc(size_t(newEdge)));
    } else if (m_bFreeOnClose) {
        block = static_cast<unsigned char*>(realloc(m_pBuffer, size_t(newEdge)));
    } else {
        block = static_cast<unsigned char*>(malloc(size_t(newEdge)));
        if (block && m_Size > 0)
            memcpy(block, m_pBuffer, size_t(m_Size < m_Edge ? m_Size : m_Edge));
    }
    if (!block)
        return false;
    m_pBuffer = block;
    m_Edge = int32_t(newEdge);
    m_bFreeOnClose = true;
    return true;
}

// Bytes skipped by a seek beyond the end read back as zeros.
void CMemoryStream::FillGap()
{
    if (m_Position > m_Size)
        memset(m_pBuffer + m_Size, 0, size_t(m_Position - m_Size));
}

void CMemoryStream::Free()
{
    Close();
}

bool CMemoryStream::Close()
{
    if (!m_pBuffer)
        return true;
    if (m_bFreeOnClose) {
        free(m_pBuffer);
        m_pBuffer = nullptr;
        m_Size = 0;
    }
    return true;
}

size_t CMemoryStream::Read(void* buffer, size_t size, size_t count)
{
    if (!m_pBuffer || !buffer || m_Position >= m_Size || size == 0)
        return 0;
    if (count > SIZE_MAX / size)
        count = SIZE_MAX / size;
    size_t wanted = size * count;
    if (wanted == 0)
        return 0;
    size_t available = size_t(m_Size - m_Position);
    size_t n = wanted < available ? wanted : available;
    memcpy(buffer, m_pBuffer + m_Position, n);
    m_Position += int32_t(n);
    return n / size;
}

size_t CMemoryStream::Write(const void* buffer, size_t size, size_t count)
{
    if (!m_pBuffer || !buffer || size == 0 || count == 0)
        return 0;
    if (count > size_t(INT32_MAX) / size)
        return 0;
    int64_t n = int64_t(size * count);
    int64_t end = int64_t(m_Position) + n;
    if (end > INT32_MAX || !EnsureCapacity(end))
        return 0;
    FillGap();
    memcpy(m_pBuffer + m_Position, buffer, size_t(n));
    m_Position = int32_t(end);
    if (m_Position > m_Size)
        m_Size = m_Position;
    return count;
}

bool CMemoryStream::Seek(long offset, int origin)
{
    if (!m_pBuffer)
        return false;
    int64_t position;
    if (origin == 0)
        position = offset;
    else if (origin == 1)
        position = int64_t(m_Position) + offset;
    else if (origin == 2)
        position = int64_t(m_Size) + offset;
    else
        return false;
    if (position < 0)
        position = 0;
    if (position > INT32_MAX)
        position = INT32_MAX;
    m_Position = int32_t(position);
    return true;
}

long CMemoryStream::Tell()
{
    return m_pBuffer ? m_Position : -1;
}

long CMemoryStream::Size()
{
    return m_pBuffer ? m_Size : -1;
}

bool CMemoryStream::Flush()
{
    return m_pBuffer != nullptr;
}

bool CMemoryStream::Eof()
{
    return !m_pBuffer || m_Position >= m_Size;
}

long CMemoryStream::Error()
{
    if (!m_pBuffer)
        return -1;
    return m_Position > m_Size ? 1 : 0;
}

bool CMemoryStream::PutC(unsigned char c)
{
    if (!m_pBuffer)
        return false;
    int64_t end = int64_t(m_Position) + 1;
    if (end > INT32_MAX || !EnsureCapacity(end))
        return false;
    FillGap();
    m_pBuffer[m_Position++] = c;
    if (m_Position > m_Size)
        m_Size = m_Position;
    return true;
}

long CMemoryStream::GetC()
{
    if (Eof())
        return -1;
    return m_pBuffer[m_Position++];
}
