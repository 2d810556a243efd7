// Byte stream over a growable heap block.
#pragma once

#include <cstdint>

#include "ByteStream.h"

class IMVEXA_API CMemoryStream : public CByteStream {
public:
    explicit CMemoryStream(unsigned char* buffer = nullptr, uint32_t size = 0);
    // A copy borrows the block: only the original frees it.
    CMemoryStream(const CMemoryStream& other);
    CMemoryStream& operator=(const CMemoryStream& other);
    ~CMemoryStream() override;

    bool Open();
    unsigned char* GetBuffer(bool detach = true);
    bool Alloc(uint32_t length);
    void Free();

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(unsigned char c) override;
    long GetC() override;

protected:
    bool EnsureCapacity(int64_t length);
    void FillGap();

    unsigned char* m_pBuffer;
    int32_t m_Size;
    bool m_bFreeOnClose;
    int32_t m_Position;
    int32_t m_Edge;
};
