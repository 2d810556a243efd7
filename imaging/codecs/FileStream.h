// Byte stream over a stdio FILE.
#pragma once

#include <cstdio>

#include "ByteStream.h"

class IMVEXA_API CFileStream : public CByteStream {
public:
    explicit CFileStream(FILE* stream = nullptr);
    // A copy borrows the stream: only the original closes it.
    CFileStream(const CFileStream& other);
    CFileStream& operator=(const CFileStream& other);
    ~CFileStream() override;

    bool Open(const char* path, const char* mode);

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
    FILE* m_fp;
    bool m_bCloseFile;
};
