#pragma once

#include "wintypes.h"

#define INFINITE 0xFFFFFFFF

// Milliseconds of a monotonic clock, wrapping like the Win32 counter.
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
