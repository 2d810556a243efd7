// Framework layer the image model builds on.
#pragma once

#include "base/base.h"

// Interim stand-ins until the platform layer offers its own.
#include <mutex>

struct CRITICAL_SECTION {
    std::recursive_mutex* mutex;
};
inline void InitializeCriticalSection(CRITICAL_SECTION* section)
{
    section->mutex = new std::recursive_mutex;
}
inline void DeleteCriticalSection(CRITICAL_SECTION* section)
{
    delete section->mutex;
    section->mutex = nullptr;
}
inline void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex->lock(); }
inline void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex->unlock(); }

#define MB_OK 0x0L
#define MB_ICONSTOP 0x10L
inline int AfxMessageBox(const char*, UINT = MB_OK, UINT = 0) { return 1; }
