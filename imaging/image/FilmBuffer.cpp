#include "FilmBuffer.h"

#include <cstdint>

#include <sys/mman.h>

void FilmBuffer::AdviseLargePages(void* buffer, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // Only whole large pages inside the buffer can be advised; the advice is
    // a hint, so a refusal changes nothing.
    const uintptr_t largePage = uintptr_t(2) << 20;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(buffer) + largePage - 1) & ~(largePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(buffer) + bytes) & ~(largePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)bytes;
#endif
}
