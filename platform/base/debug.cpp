#include "debug.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<int> faultCount{0};
}

void PlatformReportFault(const char* what, const char* file, int line)
{
    ++faultCount;
    std::fprintf(stderr, "%s:%d: %s\n", file, line, what);
}

int PlatformFaultCount()
{
    return faultCount.load();
}

void AfxTrace(const char* format, ...)
{
#ifndef NDEBUG
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
#else
    (void)format;
#endif
}
