#include "J2kBitIO.h"

void J2kBitWriter::Put(int bit)
{
    buffer = (buffer << 1) | unsigned(bit & 1);
    if (--free > 0)
        return;
    out.Write(buffer, 1);
    lastWasFF = (buffer == 0xFF);
    free = lastWasFF ? 7 : 8;
    buffer = 0;
}

void J2kBitWriter::PutBits(unsigned value, int count)
{
    for (int i = count - 1; i >= 0; i--)
        Put(int(value >> i) & 1);
}

void J2kBitWriter::Flush()
{
    if (free != (lastWasFF ? 7 : 8)) {
        out.Write(buffer << free, 1);
        lastWasFF = false;
    } else if (lastWasFF) {
        out.Write(0, 1);
        lastWasFF = false;
    }
    free = 8;
    buffer = 0;
}

int J2kBitReader::Get()
{
    if (left == 0) {
        if (position >= length)
            throw J2kError();
        buffer = data[position++];
        left = lastWasFF ? 7 : 8;
        lastWasFF = (buffer == 0xFF);
    }
    return int(buffer >> --left) & 1;
}

unsigned J2kBitReader::GetBits(int count)
{
    unsigned value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 1) | unsigned(Get());
    return value;
}

int J2kBitReader::Align()
{
    left = 0;
    if (lastWasFF && position < length)
        position++;
    lastWasFF = false;
    return position;
}
