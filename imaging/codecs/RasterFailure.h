// Failure raised inside one codec call and caught before the call returns.
#pragma once

#include "ByteStream.h"

struct CRasterFailure {
    const char* text;
};

[[noreturn]] inline void RaiseRasterFailure(const char* text)
{
    throw CRasterFailure{text};
}

// Reads exactly `bytes` bytes or raises `text`.
inline void ReadOrRaise(CByteStream* stream, void* dest, size_t bytes, const char* text)
{
    if (bytes && stream->Read(dest, 1, bytes) != bytes)
        RaiseRasterFailure(text);
}
