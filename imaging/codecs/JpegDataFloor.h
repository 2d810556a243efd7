// The least compressed data a complete JPEG image needs. Every block of a
// Huffman-coded sequential scan carries a DC code and an end-of-block code
// of at least one bit each, every block of a progressive image a DC code,
// every sample of a lossless one a difference code. Arithmetic coding has
// no floor (a constant picture of any size takes a few hundred bytes).
#pragma once

#include <cstdint>

namespace JpegDataFloor {

enum class Process { Sequential, Progressive, Lossless };

// Smaller pictures keep showing the rows their short data holds. Raster
// pictures count three bytes a pixel, as the program holds them.
constexpr uint64_t kLargePictureBytes = 128ULL << 20;

inline uint64_t LeastBits(Process process, uint64_t width, uint64_t height)
{
    const uint64_t blocks = ((width + 7) / 8) * ((height + 7) / 8);
    switch (process) {
    case Process::Sequential: return 2 * blocks;
    case Process::Progressive: return blocks;
    case Process::Lossless: return width * height;
    }
    return 0;
}

// A large picture whose data is below the floor is cut short, forged or
// next to blank; it is refused before its pixels are allocated.
inline bool CannotHold(uint64_t pictureBytes, uint64_t dataBytes, uint64_t leastBits)
{
    return pictureBytes >= kLargePictureBytes && dataBytes < leastBits / 8;
}

}  // namespace JpegDataFloor
