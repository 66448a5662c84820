// The proximal kernels against the golden table (through the dispatch, by
// code) and the helpers.
#include <cstdint>

#include "bit_compare.h"
#include "choice_rules.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "penalty_list.h"
#include "scalar_lanes.h"

namespace {

// Every code that names no penalty runs capped-l1: its cases under those
// codes too. Such a code must land on capped-l1's entry, not on another
// (the list's first, l1, has no code and no unit-step kernel to run).
TEST(ProxGolden, EveryCaseThroughDispatch)
{
    const std::int32_t unknownCodes[] = {0, -1, 5, INT32_MIN, INT32_MAX};
    for (std::int32_t code : unknownCodes)
        ASSERT_EQ(kPenaltyInfo[penaltyIndexOfCode(code)].code, CappedL1) << "code " << code;
    for (const ProxCase& c : kProxCases)
        for (std::int32_t code : {static_cast<std::int32_t>(c.type), 0, -1, 5, INT32_MIN, INT32_MAX}) {
            if (code != c.type && c.type != CappedL1)
                continue;
            double out = 12345.0;
            shrinkByPenalty(static_cast<PenaltyType>(code), &out, &c.x, 1, c.lambda, c.theta);
            EXPECT_TRUE(sameBits(out, c.expected))
                << "code " << code << " lambda " << c.lambda << " theta " << c.theta << " x " << describe(c.x);
        }
}

// A count of zero or less must neither read the source nor write the
// destination: a null source would fault on any read.
TEST(ProxGolden, NonPositiveCountTouchesNothing)
{
    for (std::int32_t n : {0, -1, INT32_MIN}) {
        for (int code = 1; code <= 4; ++code) {
            double out = 7.0;
            shrinkByPenalty(static_cast<PenaltyType>(code), &out, nullptr, n, 1.0, 3.0);
            EXPECT_TRUE(sameBits(out, 7.0));
        }
    }
}

TEST(ProxHelpers, TieAndNaNRules)
{
    using L = ScalarLanes;
    EXPECT_TRUE(sameBits(minOf<L>(0.0, -0.0), 0.0));
    EXPECT_TRUE(sameBits(minOf<L>(-0.0, 0.0), -0.0));
    EXPECT_TRUE(sameBits(maxOf<L>(0.0, -0.0), 0.0));
    EXPECT_TRUE(sameBits(maxOf<L>(-0.0, 0.0), -0.0));
    EXPECT_TRUE(sameBits(minOf<L>(kNaN, 1.0), 1.0));
    EXPECT_TRUE(sameBits(minOf<L>(1.0, kNaN), kNaN));
    EXPECT_TRUE(sameBits(maxOf<L>(kNaN, 1.0), 1.0));
    EXPECT_TRUE(sameBits(maxOf<L>(1.0, kNaN), kNaN));

    // argMinFirst on three objectives whose candidates are their indices.
    const double index[3] = {0, 1, 2};
    const struct { double v[3]; double expected; } rows[] = {
        {{2, 1, 1}, 1}, {{1, 1, 1}, 0}, {{kNaN, 0, -1}, 0},
        {{3, kNaN, 2}, 2}, {{0.0, -0.0, 0}, 0}, {{kInf, 1e308, kInf}, 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(argMinFirst<L>(row.v, index), row.expected);
    const double single[1] = {kNaN}, zero[1] = {0};
    EXPECT_EQ(argMinFirst<L>(single, zero), 0);
}

} // namespace
