// Bounded big-endian cursor over a codestream buffer.
#pragma once

#include <cstddef>

// Thrown when coding runs past the end of a buffer or meets a value it cannot hold.
struct J2kError {};

class J2kByteCursor {
public:
    J2kByteCursor() = default;
    J2kByteCursor(unsigned char* buffer, int length) { Init(buffer, length); }
    void Init(unsigned char* buffer, int length);
    int Tell() const { return int(current - start); }
    void Seek(int offset);
    int BytesLeft() const { return int(end - current); }
    unsigned char* Pointer() const { return current; }
    void Skip(int count);
    void Write(unsigned value, int count);
    unsigned Read(int count);

private:
    unsigned char* start = nullptr;
    unsigned char* current = nullptr;
    unsigned char* end = nullptr;
};
