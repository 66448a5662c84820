// Exact comparison of doubles: by bit pattern, so +0 and -0 differ and a NaN
// equals a NaN of the same payload. Failure messages show the bits.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

inline std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

inline std::string describe(double d)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (0x%016llx)", d,
                  static_cast<unsigned long long>(bitsOf(d)));
    return text;
}

// NaNs are compared as "any NaN" only in their payload-free sense: kernels
// produce the default NaN or propagate the input's, and both are NaN.
inline ::testing::AssertionResult sameBits(double actual, double expected)
{
    if (bitsOf(actual) == bitsOf(expected) || (actual != actual && expected != expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected "
                                         << describe(expected);
}
