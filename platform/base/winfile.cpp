#include "winfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "kernelobject.h"

namespace {

class FileObject : public PlatformKernelObject {
public:
    explicit FileObject(int descriptor) : fd(descriptor) {}
    ~FileObject() override { ::close(fd); }
    const int fd;
};

int OpenFlags(DWORD access)
{
    const bool all = access & GENERIC_ALL;
    const bool read = all || (access & GENERIC_READ);
    const bool write = all || (access & GENERIC_WRITE);
    if (read && write)
        return O_RDWR;
    return write ? O_WRONLY : O_RDONLY;
}

int DispositionFlags(DWORD disposition)
{
    switch (disposition) {
    case CREATE_NEW: return O_CREAT | O_EXCL;
    case CREATE_ALWAYS: return O_CREAT | O_TRUNC;
    case OPEN_EXISTING: return 0;
    case OPEN_ALWAYS: return O_CREAT;
    case TRUNCATE_EXISTING: return O_TRUNC;
    default: return -1;
    }
}

bool Exists(const char* path)
{
    struct stat info;
    return ::stat(path, &info) == 0;
}

int FileDescriptor(HANDLE file)
{
    auto* object = PlatformHandleObject<FileObject>(file);
    return object ? object->fd : -1;
}

bool CopyContents(int from, int to)
{
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(from, block, sizeof block);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, block + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR)
                return false;
            if (put > 0)
                done += put;
        }
    }
}

DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD bufferLength)
{
    if (!buffer || text.size() + 1 > bufferLength)
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

HANDLE CreateFile(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                  HANDLE)
{
    const int dispositionFlags = DispositionFlags(disposition);
    if (!path || !*path || dispositionFlags < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool existed = Exists(path);
    int flags = OpenFlags(access) | dispositionFlags | O_CLOEXEC;
    if ((flags & O_TRUNC) && (flags & O_ACCMODE) == O_RDONLY)
        flags = (flags & ~O_ACCMODE) | O_RDWR; // truncation implies write access
    const int fd = ::open(path, flags, 0666);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : PlatformErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const bool reportsExisting = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return PlatformRegisterHandle(new FileObject(fd));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
    if (bytesRead)
        *bytesRead = 0;
    const int fd = FileDescriptor(file);
    if (fd < 0)
        return FALSE;
    if (!buffer && bytesToRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToRead) {
        const ssize_t got = ::read(fd, static_cast<char*>(buffer) + total, bytesToRead - total);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return PlatformFailFromErrno();
        }
        total += static_cast<DWORD>(got);
        if (bytesRead)
            *bytesRead = total;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED)
{
    if (bytesWritten)
        *bytesWritten = 0;
    const int fd = FileDescriptor(file);
    if (fd < 0)
        return FALSE;
    if (!buffer && bytesToWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD total = 0;
    while (total < bytesToWrite) {
        const ssize_t put = ::write(fd, static_cast<const char*>(buffer) + total, bytesToWrite - total);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return PlatformFailFromErrno();
        }
        total += static_cast<DWORD>(put);
        if (bytesWritten)
            *bytesWritten = total;
    }
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod)
{
    const int fd = FileDescriptor(file);
    if (fd < 0)
        return INVALID_SET_FILE_POINTER;
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (moveMethod > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value; with one,
    // the two form a signed 64-bit value.
    int64_t offset = distance;
    if (distanceHigh)
        offset = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                      static_cast<uint32_t>(distance));
    const off_t result = ::lseek(fd, static_cast<off_t>(offset), whence[moveMethod]);
    if (result < 0) {
        SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : PlatformErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(result) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(result) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh)
{
    const int fd = FileDescriptor(file);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0)
            PlatformFailFromErrno();
        return INVALID_FILE_SIZE;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (sizeHigh)
        *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE file)
{
    const int fd = FileDescriptor(file);
    if (fd < 0)
        return FALSE;
    return ::fsync(fd) == 0 ? TRUE : PlatformFailFromErrno();
}

BOOL CopyFile(LPCSTR existingPath, LPCSTR newPath, BOOL failIfExists)
{
    if (!existingPath || !newPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int from = ::open(existingPath, O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return PlatformFailFromErrno();
    struct stat source;
    struct stat target;
    if (::fstat(from, &source) != 0 || S_ISDIR(source.st_mode)) {
        ::close(from);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Copying a file onto itself would truncate the only copy.
    if (::stat(newPath, &target) == 0 && target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
        ::close(from);
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    const int to = ::open(newPath, flags, source.st_mode & 0777);
    if (to < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : PlatformErrorFromErrno(errno));
        ::close(from);
        return FALSE;
    }
    const bool copied = CopyContents(from, to);
    const int savedErrno = errno;
    ::close(from);
    if (::close(to) != 0 || !copied) {
        SetLastError(PlatformErrorFromErrno(copied ? errno : savedErrno));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteFile(LPCSTR path)
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    struct stat info;
    if (::lstat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::unlink(path) == 0 ? TRUE : PlatformFailFromErrno();
}

BOOL CreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES)
{
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (::mkdir(path, 0777) == 0) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : PlatformErrorFromErrno(errno));
    return FALSE;
}

DWORD GetTempPath(DWORD bufferLength, LPSTR buffer)
{
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder = (fromEnvironment && *fromEnvironment) ? fromEnvironment : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return CopyOut(folder, buffer, bufferLength);
}

UINT GetTempFileName(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR tempFileName)
{
    if (!folder || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    base.append(prefix ? prefix : "", 0, 3);
    const auto nameFor = [&base](UINT number) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X.TMP", number & 0xFFFFu);
        return base + hex;
    };
    if (base.size() + 8 >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (unique != 0) {
        std::strcpy(tempFileName, nameFor(unique).c_str());
        return unique & 0xFFFFu;
    }
    // Start at a number that differs between processes and calls, then try
    // each of the 65535 names once.
    static std::atomic<UINT> counter{static_cast<UINT>(::getpid()) * 7919u + static_cast<UINT>(::time(nullptr))};
    const UINT start = counter.fetch_add(1);
    for (UINT i = 0; i < 0xFFFFu; ++i) {
        const UINT number = ((start + i) % 0xFFFFu) + 1;
        const std::string name = nameFor(number);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            counter.fetch_add(i);
            std::strcpy(tempFileName, name.c_str());
            SetLastError(ERROR_SUCCESS);
            return number;
        }
        if (errno != EEXIST) {
            PlatformFailFromErrno();
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

DWORD GetModuleFileName(HMODULE, LPSTR fileName, DWORD size)
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) {
        PlatformFailFromErrno();
        return 0;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const DWORD copied = std::min<DWORD>(static_cast<DWORD>(length), size - 1);
    std::memcpy(fileName, path, copied);
    fileName[copied] = '\0';
    if (copied < static_cast<DWORD>(length)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    SetLastError(ERROR_SUCCESS);
    return copied;
}
