#pragma once

#include <cstdint>

// Truncation toward zero of a double argument to a 32-bit count or code.
// NaN, +-inf and anything whose truncation falls outside the int32 range map
// to INT32_MIN: as a count that reads nothing, as a code it selects capped-l1.
// The range test comes first because converting such a value with a plain
// cast is undefined behaviour (and gives 0x80000000 or garbage by platform).
// The bounds are exact doubles: every d in (-2^31 - 1, 2^31) truncates into
// range, and NaN fails both comparisons.
inline std::int32_t int32FromDouble(double d)
{
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(d);
}
