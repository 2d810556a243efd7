#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace gdi {

// Pixel memory that comes as untouched zero pages, so that a big bitmap
// costs nothing until drawn on. A large one is mapped in huge pages where
// the system has them, unless it is drawn on sparsely (the virtual screen):
// a 4000 x 4000 picture then takes a few dozen page faults instead of
// sixteen thousand, and a line down it a TLB entry for every 2 MB instead
// of every row.
class PixelStore {
public:
    PixelStore() = default;
    PixelStore(const PixelStore&) = delete;
    PixelStore& operator=(const PixelStore&) = delete;
    ~PixelStore() { release(); }

    void assign(size_t size, uint8_t value, bool sparse = false)
    {
        reset(size, sparse);
        if (value)
            std::memset(bytes_, value, size);
    }
    void assign(const uint8_t* first, const uint8_t* last)
    {
        reset(static_cast<size_t>(last - first), false);
        if (size_)
            std::memcpy(bytes_, first, size_);
    }
    uint8_t* data() { return bytes_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    static constexpr size_t kHugePage = size_t(2) << 20;

    void reset(size_t size, bool sparse)
    {
        release();
        if (size >= 2 * kHugePage && !sparse) {
            mapHuge(size);
        } else {
            bytes_ = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
            if (!bytes_)
                throw std::bad_alloc();
        }
        size_ = size;
    }
    // Mapped a huge page more than needed and trimmed, so that the pixels
    // start on a huge-page boundary.
    void mapHuge(size_t size)
    {
        const size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            throw std::bad_alloc();
        const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
        const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
        if (aligned > start)
            munmap(raw, aligned - start);
        const uintptr_t end = start + length + kHugePage, alignedEnd = aligned + length;
        if (end > alignedEnd)
            munmap(reinterpret_cast<void*>(alignedEnd), end - alignedEnd);
        madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
        bytes_ = reinterpret_cast<uint8_t*>(aligned);
        mapped_ = length;
    }
    void release()
    {
        if (mapped_)
            munmap(bytes_, mapped_);
        else
            std::free(bytes_);
        bytes_ = nullptr;
        size_ = mapped_ = 0;
    }

    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;
};

}  // namespace gdi
