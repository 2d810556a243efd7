#include "kernelobject.h"

#include <mutex>
#include <unordered_set>

#include "lasterror.h"

namespace {

std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<PlatformKernelObject*>& Registry()
{
    static std::unordered_set<PlatformKernelObject*> objects;
    return objects;
}

} // namespace

HANDLE PlatformRegisterHandle(PlatformKernelObject* object)
{
    if (!object)
        return nullptr;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry().insert(object);
    return object;
}

PlatformKernelObject* PlatformLookupHandle(HANDLE handle)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto* object = static_cast<PlatformKernelObject*>(handle);
    if (!handle || Registry().count(object) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

BOOL CloseHandle(HANDLE handle)
{
    PlatformKernelObject* object = nullptr;
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        auto found = Registry().find(static_cast<PlatformKernelObject*>(handle));
        if (!handle || found == Registry().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = *found;
        Registry().erase(found);
    }
    delete object;
    return TRUE;
}
