// Component transforms over the first three components: reversible (RCT)
// and irreversible (ICT, 13-bit fixed point).
#pragma once

#include <cstdint>

class J2kComponentTransform {
public:
    static void ForwardRct(int32_t* c0, int32_t* c1, int32_t* c2, int n);
    static void InverseRct(int32_t* c0, int32_t* c1, int32_t* c2, int n);
    static void ForwardIct(int32_t* c0, int32_t* c1, int32_t* c2, int n);
    static void InverseIct(int32_t* c0, int32_t* c1, int32_t* c2, int n);
    // L2 norm of a component's synthesis vector.
    static double Norm(bool reversible, int component);
};
