// Scalar quantisation of the sub-bands: step sizes and magnitude bit-planes.
#pragma once

#include "J2kCodec.h"

class J2kQuantisation {
public:
    // Step-size pair of a band: 0 the lowest LL, else 3 x (resolution - 1) + orientation;
    // the derived style scales the LL pair by the decomposition level.
    static J2kStepSize BandStepSize(const J2kTileComponentParameters& tccp, int resolution,
                                    int orientation);
    // Gain in bits of the band's nominal dynamic range. The 9/7 synthesis scales
    // high-pass samples by 2 / K rather than 1 / K, which stands in for its gain.
    static int BandGain(bool reversible, int orientation)
    {
        return !reversible || orientation == 0 ? 0 : (orientation == 3 ? 2 : 1);
    }
    // Step in 13-bit fixed point.
    static int StepFixed(int precision, int gain, J2kStepSize step);
    static int MagnitudeBits(int guardBits, J2kStepSize step) { return guardBits + step.exponent - 1; }
    // How many step-size pairs a component needs.
    static int StepSizeCount(const J2kTileComponentParameters& tccp);
};
