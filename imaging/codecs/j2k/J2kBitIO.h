// Bit-level packet header I/O with the stuffing that keeps 0xFF from starting a marker.
#pragma once

#include <cstdint>

#include "J2kByteCursor.h"

class J2kBitWriter {
public:
    explicit J2kBitWriter(J2kByteCursor& out) : out(out) {}
    void Put(int bit);
    void PutBits(unsigned value, int count);
    // Pads to a byte; a header never ends on 0xFF.
    void Flush();

private:
    J2kByteCursor& out;
    unsigned buffer = 0;
    int free = 8;
    bool lastWasFF = false;
};

class J2kBitReader {
public:
    J2kBitReader(const uint8_t* data, int length) : data(data), length(length) {}
    int Get();
    unsigned GetBits(int count);
    // Skips the padding and returns the bytes used.
    int Align();

private:
    const uint8_t* data;
    int length;
    int position = 0;
    unsigned buffer = 0;
    int left = 0;
    bool lastWasFF = false;
};
