// The reversible 5/3 and irreversible 9/7 wavelets, lifted in place with
// symmetric borders; the 9/7 works on 13-bit fixed point.
#pragma once

#include <cstdint>

#include "J2kTileStructures.h"

class J2kWavelet {
public:
    // One dimension over absolute positions i0 .. i0 + n - 1 (even positions low-pass);
    // the forward transform leaves low-pass samples first, then high-pass ones.
    static void Forward53(int32_t* samples, int n, int i0);
    static void Inverse53(int32_t* samples, int n, int i0);
    static void Forward97(int32_t* samples, int n, int i0);
    static void Inverse97(int32_t* samples, int n, int i0);

    // Two dimensions over a tile-component, one level per resolution above the lowest.
    static void Forward(J2kTileComponent& tc, bool reversible);
    static void Inverse(J2kTileComponent& tc, bool reversible, int levels);

    // L2 norm of a band's synthesis basis (orientation 0 LL .. 3 HH, level 0 = LL of
    // the lowest resolution counts as its own decomposition level).
    static double Norm(bool reversible, int level, int orientation);
};
