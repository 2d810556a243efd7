#include "J2kSampleScale.h"

int J2kSampleScale::ToEightBits(int64_t value, int precision, bool isSigned)
{
    if (isSigned)
        value += int64_t(1) << (precision - 1);
    const int64_t maxValue = (int64_t(1) << precision) - 1;
    if (value < 0)
        value = 0;
    if (value > maxValue)
        value = maxValue;
    return int((value * 255 + maxValue / 2) / maxValue);
}
