#include <cstdint>

#include <gtest/gtest.h>

#include "bit_compare.h"
#include "count_conversion.h"
#include "golden_cases.h"

namespace {

// Truncation toward zero inside the int32 range; everything that cannot be
// represented (and would be undefined behaviour for a plain cast) is INT32_MIN.
TEST(CountConversion, TruncatesOrSaturatesToMin)
{
    const struct { double in; std::int32_t out; } rows[] = {
        {3.7, 3}, {2.9, 2}, {-0.7, 0}, {-0.5, 0}, {-2.5, -2}, {-0.0, 0}, {4.999, 4},
        {2147483647.0, INT32_MAX}, {2147483647.9, INT32_MAX},
        {2147483648.0, INT32_MIN}, {1e300, INT32_MIN},
        {-2147483648.0, INT32_MIN}, {-2147483648.9, INT32_MIN}, {-2147483649.0, INT32_MIN},
        {-1e300, INT32_MIN}, {kNaN, INT32_MIN}, {kInf, INT32_MIN}, {-kInf, INT32_MIN},
        {-2147483647.5, -2147483647}, {4.9e-324, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(int32FromDouble(row.in), row.out) << describe(row.in);
}

} // namespace
