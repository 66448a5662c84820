// Worked cases of the four proximal maps, one element at a time, compared by
// bit pattern. Each row is (penalty, lambda, theta, x, expected).
#include <cstdint>
#include <vector>

#include "bit_compare.h"
#include "prox_helpers.h"
#include "prox_kernels.h"
#include "shrink_dispatch.h"

namespace {

struct ProxCase {
    PenaltyType type;
    double lambda, theta, x, expected;
};

const ProxCase kCases[] = {
    // capped-l1, lambda = 1, theta = 2: both candidates, the tie, signs of zero.
    {CappedL1, 1, 2, 0.5, 0.0}, {CappedL1, 1, 2, -0.5, -0.0}, {CappedL1, 1, 2, 1, 0.0},
    {CappedL1, 1, 2, 1.5, 0.5}, {CappedL1, 1, 2, 2, 1}, {CappedL1, 1, 2, 2.5, 1.5},
    {CappedL1, 1, 2, -2.5, -1.5}, {CappedL1, 1, 2, 3, 3}, {CappedL1, 1, 2, -3, -3},
    {CappedL1, 1, 2, -0.0, 0.0}, {CappedL1, 1, 2, 0.0, 0.0}, {CappedL1, 1, 2, kNaN, kNaN},
    // one ulp either side of the tie at a = 2.5 (D < 0 only above it)
    {CappedL1, 1, 2, 2.5000000000000004, 2.5000000000000004},
    {CappedL1, 1, 2, 2.4999999999999996, 1.4999999999999996},
    // +inf: the difference is NaN, so the inner candidate theta stays.
    {CappedL1, 1, 2, kInf, 2}, {CappedL1, 1, 2, -kInf, -2},
    {CappedL1, 0, 2, 1.5, 1.5}, {CappedL1, 0, 2, -3, -3}, {CappedL1, 1, 0, -4, -4},
    // theta = inf is plain soft thresholding
    {CappedL1, 1, kInf, 3, 2}, {CappedL1, 1, kInf, -0.25, -0.0},

    // log-sum, lambda = 1, theta = 1
    {LogSum, 1, 1, 3, 2.732050807568877}, {LogSum, 1, 1, -3, -2.732050807568877},
    {LogSum, 1, 1, 2, 1.618033988749895}, {LogSum, 1, 1, 1, 0.0}, {LogSum, 1, 1, -1, -0.0},
    // negative discriminant: +0 with no sign step, for negative x too
    {LogSum, 1, 1, 0.5, 0.0}, {LogSum, 1, 1, -0.5, 0.0}, {LogSum, 1, 1, 0.0, 0.0},
    {LogSum, 1, 1, -0.0, 0.0},
    // NaN element: every objective NaN, candidate 0 kept and negated by the
    // sign step. NaN lambda or theta: q is NaN, 0 wins on its finite objective.
    {LogSum, 1, 1, kNaN, -0.0}, {LogSum, kNaN, 1, 2, 0.0}, {LogSum, 1, kNaN, -2, -0.0},
    // lambda = 0: the larger root is a itself
    {LogSum, 0, 1, -1.25, -1.25},

    // SCAD, lambda = 1, theta = 4
    {Scad, 1, 4, 0.0, 0.0}, {Scad, 1, 4, -0.0, 0.0}, {Scad, 1, 4, -0.5, -0.0},
    {Scad, 1, 4, 1, 0.0}, {Scad, 1, 4, 1.5, 0.5}, {Scad, 1, 4, -1.5, -0.5},
    {Scad, 1, 4, 2, 1}, {Scad, 1, 4, 3, 2.5}, {Scad, 1, 4, 4, 4},
    {Scad, 1, 4, 4.00000001, 4}, {Scad, 1, 4, -4.00000001, -4},
    {Scad, 1, 4, 4.0000001, 4.0000001}, {Scad, 1, 4, 6, 6}, {Scad, 1, 4, -6, -6},
    {Scad, 1, 4, 1e300, 1e300}, {Scad, 1, 4, kInf, 1}, {Scad, 1, 4, -kInf, -1},
    {Scad, 1, 4, kNaN, kNaN},
    // theta = 2 divides by zero in the middle candidate: m is +-inf or NaN
    {Scad, 1, 2, 1.5, 0.5},

    // MCP convex, lambda = 1, theta = 3
    {Mcp, 1, 3, 0.5, 0.0}, {Mcp, 1, 3, -0.5, -0.0}, {Mcp, 1, 3, 1, 0.0},
    {Mcp, 1, 3, 2, 1.5}, {Mcp, 1, 3, -2, -1.5}, {Mcp, 1, 3, 3, 3}, {Mcp, 1, 3, 4, 4},
    {Mcp, 1, 3, 2.9999999, 2.99999985}, {Mcp, 1, 3, 2.99999999, 3},
    {Mcp, 1, 3, 0.0, 0.0}, {Mcp, 1, 3, -0.0, 0.0},
    {Mcp, 2, 2, 2.5, 1}, {Mcp, 2, 2, 4, 4}, {Mcp, 2, 2, -4, -4},
    // linear, lambda = 1, theta = 1
    {Mcp, 1, 1, 0.9, 0.0}, {Mcp, 1, 1, 0.9999999999999999, 0.0}, {Mcp, 1, 1, 1, 1},
    {Mcp, 1, 1, 1.5, 1.5}, {Mcp, 1, 1, -1, -1}, {Mcp, 1, 1, -0.0, 0.0},
    // concave, lambda = 1, theta = 0.5: threshold lambda*sqrt(theta)
    {Mcp, 1, 0.5, 0.3, 0.0}, {Mcp, 1, 0.5, 0.7, 0.0}, {Mcp, 1, 0.5, 0.75, 0.75},
    {Mcp, 1, 0.5, 0.8, 0.8}, {Mcp, 1, 0.5, -0.8, -0.8},
    {Mcp, 1, 0.5, 0.7071067811865475, 0.0},
    {Mcp, 1, 0.5, 0.7071067811865476, 0.7071067811865476},
    {Mcp, 2, 0.25, 1, 1}, {Mcp, 2, 0.25, 0.9999999999999999, 0.0}, {Mcp, 2, 0.25, -1, -1},
    // degenerate parameters: everything comes back as x, -0 as +0
    {Mcp, 0, 3, -2.5, -2.5}, {Mcp, 0, 0.5, -0.0, 0.0}, {Mcp, 0, 1, 0.25, 0.25},
    {Mcp, 1, 0, -3, -3}, {Mcp, 1, kNaN, 0.5, 0.5}, {Mcp, kNaN, 3, -0.0, 0.0},
    {Mcp, 1, 3, kInf, kInf}, {Mcp, 1, 3, -kInf, -kInf}, {Mcp, 1, 0.5, kNaN, kNaN},
};

TEST(ProxGolden, EveryCaseThroughDispatch)
{
    for (const ProxCase& c : kCases) {
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
    EXPECT_TRUE(sameBits(minOf(0.0, -0.0), 0.0));
    EXPECT_TRUE(sameBits(minOf(-0.0, 0.0), -0.0));
    EXPECT_TRUE(sameBits(maxOf(0.0, -0.0), 0.0));
    EXPECT_TRUE(sameBits(maxOf(-0.0, 0.0), -0.0));
    EXPECT_TRUE(sameBits(minOf(kNaN, 1.0), 1.0));
    EXPECT_TRUE(sameBits(minOf(1.0, kNaN), kNaN));
    EXPECT_TRUE(sameBits(maxOf(kNaN, 1.0), 1.0));
    EXPECT_TRUE(sameBits(maxOf(1.0, kNaN), kNaN));

    const struct { std::vector<double> v; std::int32_t expected; } rows[] = {
        {{5}, 0}, {{2, 1, 1}, 1}, {{1, 1, 1}, 0}, {{kNaN, 0, -1}, 0},
        {{3, kNaN, 2}, 2}, {{0.0, -0.0, 0}, 0}, {{kInf, 1e308, kInf}, 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(argMinFirst(row.v.data(), static_cast<std::int32_t>(row.v.size())), row.expected);
    EXPECT_EQ(argMinFirst(nullptr, 0), 0);
}

} // namespace
