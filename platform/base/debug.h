// Diagnostics in the framework's manner: ASSERT and TRACE speak only in
// debug builds and never stop the program; VERIFY always evaluates.
// Misuse of base classes (an index out of range, a null position) is
// reported through PlatformReportFault in every build and then refused, so
// that it cannot touch memory it does not own.
#pragma once

#include "wintypes.h"

void PlatformReportFault(const char* what, const char* file, int line);
// Number of faults reported so far; lets tests see that misuse was caught.
int PlatformFaultCount();

void AfxTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define TRACE(...) ((void)0)
#else
#define ASSERT(f) ((f) ? (void)0 : PlatformReportFault("assertion failed: " #f, __FILE__, __LINE__))
#define VERIFY(f) ASSERT(f)
#define TRACE(...) AfxTrace(__VA_ARGS__)
#endif
#define ASSERT_VALID(p) ASSERT((p) != NULL)
#define TRACE0(s) TRACE("%s", s)
