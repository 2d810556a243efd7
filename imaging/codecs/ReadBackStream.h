// Writes through to another stream and reads back from a copy of what it
// wrote, so that a writer which reads its own output works on a stream
// opened for writing alone. The other stream must start empty.
#pragma once

#include <vector>

#include "ByteStream.h"

class CReadBackStream : public CByteStream {
public:
    explicit CReadBackStream(CByteStream* out) : m_out(out), m_position(0) {}

    bool Close() override { return true; }
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override { return m_position; }
    long Size() override { return long(m_copy.size()); }
    bool Flush() override { return m_out->Flush(); }
    bool Eof() override { return size_t(m_position) >= m_copy.size(); }
    long Error() override { return m_out->Error(); }
    long GetC() override;

private:
    CByteStream* m_out;
    std::vector<unsigned char> m_copy;
    long m_position;
};
