// Failure raised inside one codec call and caught before the call returns.
#pragma once

struct CRasterFailure {
    const char* text;
};

[[noreturn]] inline void RaiseRasterFailure(const char* text)
{
    throw CRasterFailure{text};
}
