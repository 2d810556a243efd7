// Uninitialised buffers of a film's size, handed to callers who free them
// with delete[]. Fresh memory of tens of megabytes costs more in page
// faults than in anything written to it, so such buffers ask the kernel
// for large pages.
#pragma once

#include <cstddef>
#include <new>

class FilmBuffer {
public:
    // Null when out of memory.
    template <class T>
    static T* New(size_t count)
    {
        T* buffer = new (std::nothrow) T[count];
        if (buffer != nullptr)
            AdviseLargePages(buffer, count * sizeof(T));
        return buffer;
    }

private:
    static void AdviseLargePages(void* buffer, size_t bytes);
};
