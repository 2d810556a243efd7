#include "J2kByteCursor.h"

void J2kByteCursor::Init(unsigned char* buffer, int length)
{
    start = current = buffer;
    end = buffer + (length > 0 ? length : 0);
}

void J2kByteCursor::Seek(int offset)
{
    if (offset < 0 || offset > int(end - start))
        throw J2kError();
    current = start + offset;
}

void J2kByteCursor::Skip(int count)
{
    if (count < 0 || count > BytesLeft())
        throw J2kError();
    current += count;
}

void J2kByteCursor::Write(unsigned value, int count)
{
    if (count > BytesLeft())
        throw J2kError();
    for (int i = count - 1; i >= 0; i--)
        *current++ = static_cast<unsigned char>(value >> (8 * i));
}

unsigned J2kByteCursor::Read(int count)
{
    if (count > BytesLeft())
        throw J2kError();
    unsigned value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 8) | *current++;
    return value;
}
