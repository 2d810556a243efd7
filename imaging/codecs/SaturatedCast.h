// Floating-point values from files become integers without overflow: out of
// range values stop at the type's limits and NaN becomes 0.
#pragma once

#include <limits>

template <class Integer>
Integer SaturatedCast(double value)
{
    if (value != value)
        return 0;
    if (value <= static_cast<double>(std::numeric_limits<Integer>::min()))
        return std::numeric_limits<Integer>::min();
    if (value >= static_cast<double>(std::numeric_limits<Integer>::max()))
        return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value);
}
