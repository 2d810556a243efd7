// Bounded reader of the plain-text headers of PNM and PGX files.
#pragma once

#include <cstddef>
#include <cstdint>

class JasHeaderCursor {
public:
    JasHeaderCursor(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_pos(0) {}

    size_t Position() const { return m_pos; }
    size_t Left() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos >= m_size; }
    uint8_t Peek() const { return m_data[m_pos]; }
    void Skip(size_t n) { m_pos = n > Left() ? m_size : m_pos + n; }

    static bool IsSpace(uint8_t c)
    {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    }

    // Whitespace, and with comments '#' up to the end of the line.
    void SkipSpace(bool comments)
    {
        while (!AtEnd()) {
            uint8_t c = Peek();
            if (comments && c == '#') {
                while (!AtEnd() && Peek() != '\n' && Peek() != '\r')
                    m_pos++;
            } else if (IsSpace(c)) {
                m_pos++;
            } else {
                return;
            }
        }
    }

    // A decimal number of at most limit; false on no digits or overflow.
    bool ReadUnsigned(uint32_t limit, uint32_t& value, bool comments)
    {
        SkipSpace(comments);
        uint64_t v = 0;
        size_t start = m_pos;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            v = v * 10 + uint64_t(Peek() - '0');
            if (v > limit)
                return false;
            m_pos++;
        }
        value = uint32_t(v);
        return m_pos > start;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
};
