// The proximal kernels against the golden table, the dispatch and the helpers.
#include <cstdint>

#include "bit_compare.h"
#include "choice_rules.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "reference_kernels.h"
#include "scalar_lanes.h"

namespace {

TEST(ProxGolden, EveryCaseThroughDispatch)
{
    for (const ProxCase& c : kProxCases) {
        double out = 12345.0;
        shrinkByPenalty(c.type, &out, &c.x, 1, c.lambda, c.theta);
        EXPECT_TRUE(sameBits(out, c.expected))
            << "type " << c.type << " lambda " << c.lambda << " theta " << c.theta << " x "
            << describe(c.x);
    }
}

// Codes that name no penalty must run capped-l1, and each named code its own
// kernel; the vector is chosen so that the four kernels all disagree.
TEST(ProxGolden, DispatchByCode)
{
    const double x[] = {-3, -1.5, 0.5, 2.2, 3.7, -0.0};
    const int n = 6;
    using Kernel = void (*)(double*, const double*, std::int32_t, double, double);
    const struct { std::int32_t code; Kernel kernel; } table[] = {
        {1, proxCappedL1}, {2, proxLogSum}, {3, proxScad}, {4, proxMcp},
        {0, proxCappedL1}, {-1, proxCappedL1}, {5, proxCappedL1}, {INT32_MIN, proxCappedL1},
        {INT32_MAX, proxCappedL1},
    };
    for (const auto& row : table) {
        double viaDispatch[n], direct[n];
        shrinkByPenalty(static_cast<PenaltyType>(row.code), viaDispatch, x, n, 1.0, 3.0);
        row.kernel(direct, x, n, 1.0, 3.0);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(sameBits(viaDispatch[i], direct[i])) << "code " << row.code;
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
