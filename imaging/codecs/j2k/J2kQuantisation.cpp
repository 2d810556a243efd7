#include "J2kQuantisation.h"

#include <cmath>

J2kStepSize J2kQuantisation::BandStepSize(const J2kTileComponentParameters& tccp,
                                          int resolution, int orientation)
{
    int index = resolution == 0 ? 0 : 3 * (resolution - 1) + orientation;
    if (tccp.quantisationStyle != 1)
        return tccp.stepSizes[index];
    // Derived: every band from the LL pair, one exponent less per level up.
    J2kStepSize base = tccp.stepSizes[0];
    int levels = tccp.resolutionCount - 1;
    int level = resolution == 0 ? levels : levels - resolution + 1;
    int exponent = base.exponent - levels + level;
    return {exponent < 0 ? 0 : exponent, base.mantissa};
}

int J2kQuantisation::StepFixed(int precision, int gain, J2kStepSize step)
{
    double value = std::ldexp(1.0 + step.mantissa / 2048.0,
                              precision + gain - step.exponent + 13);
    if (value >= 2147483647.0)
        return 2147483647;
    int fixed = int(std::floor(value));
    return fixed > 0 ? fixed : 1;
}

int J2kQuantisation::StepSizeCount(const J2kTileComponentParameters& tccp)
{
    return tccp.quantisationStyle == 1 ? 1 : 3 * tccp.resolutionCount - 2;
}
