// Largest pixel block the image model allocates; sizes are worked out in
// 64 bits and anything past this fails cleanly.
#pragma once

#include <cstdint>

namespace ImageLimits {

const uint64_t kMaxPixelBytes = 1ULL << 30;

// width x height x bytesPerPixel, or 0 when a size is not positive or the
// block would be larger than the limit.
inline uint64_t BlockBytes(long long width, long long height, long long bytesPerPixel)
{
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
        return 0;
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * uint64_t(bytesPerPixel);
    return bytes > kMaxPixelBytes ? 0 : bytes;
}

}  // namespace ImageLimits
