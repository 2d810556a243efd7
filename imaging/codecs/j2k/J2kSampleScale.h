// Samples of any depth brought to the 8 bits a picture shows.
#pragma once

#include <cstdint>

class J2kSampleScale {
public:
    // Signed samples are moved up by half their range first; out-of-range
    // values are clamped, and the full range maps onto 0 .. 255 with rounding.
    static int ToEightBits(int64_t value, int precision, bool isSigned);
};
