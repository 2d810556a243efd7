// Kernel objects behind HANDLEs. Every handle the platform hands out is
// registered, so CloseHandle and the calls that take a handle recognise
// stale and foreign values instead of dereferencing them. Other platform
// areas (processes) derive their own objects from PlatformKernelObject.
#pragma once

#include "wintypes.h"

class PlatformKernelObject {
public:
    virtual ~PlatformKernelObject() = default;
};

// Takes ownership and returns the object's handle.
HANDLE PlatformRegisterHandle(PlatformKernelObject* object);
// The live object behind a handle, or null (the last error becomes
// ERROR_INVALID_HANDLE).
PlatformKernelObject* PlatformLookupHandle(HANDLE handle);

template <class T>
T* PlatformHandleObject(HANDLE handle)
{
    return dynamic_cast<T*>(PlatformLookupHandle(handle));
}

BOOL CloseHandle(HANDLE handle);
