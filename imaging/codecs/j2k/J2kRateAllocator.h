// Chooses, layer by layer, the coding passes of every code-block so that the
// tile's packets fit the layer's byte limit, by bisection on the rate-distortion slope.
#pragma once

#include <cstdint>

#include "J2kTier2.h"

class J2kRateAllocator {
public:
    // Throws J2kError when not even the steepest passes fit.
    static void AllocateLayer(J2kTile& tile, J2kTier2& tier2, int layer, uint8_t* scratch,
                              int limit);

private:
    static void ApplyThreshold(J2kTile& tile, int layer, double threshold);
    static bool Fits(J2kTier2& tier2, int layer, uint8_t* scratch, int limit);
};
