#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace gdi {

// Pixel memory from calloc: a large block comes as untouched zero pages, so a
// big bitmap (the virtual screen above all) costs nothing until drawn on.
class PixelStore {
public:
    void assign(size_t size, uint8_t value)
    {
        reset(size);
        if (value)
            std::memset(bytes_.get(), value, size);
    }
    void assign(const uint8_t* first, const uint8_t* last)
    {
        reset(static_cast<size_t>(last - first));
        if (size_)
            std::memcpy(bytes_.get(), first, size_);
    }
    uint8_t* data() { return bytes_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    void reset(size_t size)
    {
        bytes_.reset(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1)));
        if (!bytes_)
            throw std::bad_alloc();
        size_ = size;
    }
    std::unique_ptr<uint8_t, Free> bytes_;
    size_t size_ = 0;
};

}  // namespace gdi
