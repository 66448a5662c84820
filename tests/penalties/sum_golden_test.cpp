// penaltySum's summation order, and its agreement with the penalty
// definitions (its worked sums: prox_golden_test.cpp).
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "golden_cases.h"
#include "penalty_definitions.h"
#include "dispatch.h"
#include "penalty_list.h"

namespace {

// A large first term followed by many tiny ones: added one at a time, each
// tiny term is lost to rounding, while any pairwise, blocked or reordered sum
// collects them first and lands on another double. Each term is taken from
// the kernel itself on one element (lambda = 1, so it comes back unchanged).
TEST(SumOrder, OneChainInIndexOrder)
{
    const struct { PenaltyType type; double lambda, theta, big, tiny; } rows[] = {
        {CappedL1, 1, kInf, 1, 3e-17}, {LogSum, 1, 1, 1e300, 4e-14},
        {Scad, 1, 3, 1, 3e-17},         {Mcp, 1, 1e20, 1, 3e-17},
    };
    const int n = 4096;
    for (const auto& row : rows) {
        std::vector<double> x(n, row.tiny);
        x[0] = row.big;
        std::vector<double> terms(n);
        for (int i = 0; i < n; ++i)
            sumByPenalty(row.type, &terms[i], &x[i], 1, row.lambda, row.theta);
        double sequential = 0, smallFirst = 0;
        for (int i = 0; i < n; ++i)
            sequential = sequential + terms[i];
        for (int i = n - 1; i >= 0; --i)
            smallFirst = smallFirst + terms[i];
        ASSERT_NE(bitsOf(sequential), bitsOf(smallFirst)) << "data not order-sensitive";
        double out = 0;
        sumByPenalty(row.type, &out, x.data(), n, row.lambda, row.theta);
        EXPECT_TRUE(sameBits(out, row.lambda * sequential)) << "type " << row.type;
    }
}

// Against the definitions, summed independently, within a few roundings.
TEST(SumDefinition, MatchesPenaltyDefinitions)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int p = 0; p < kPenaltyCount; ++p) {
        if (!(kPenaltyInfo[p].operations & SumOperation))
            continue;
        const PenaltyType type = kPenaltyInfo[p].code;
        for (int trial = 0; trial < 200; ++trial) {
            const double lambda = 0.01 + 3 * unit(rng);
            const double theta = (type == Scad ? 2.01 : 0.01) + 5 * unit(rng);
            std::vector<double> x(1 + trial % 64);
            double reference = 0, magnitudes = 0;
            for (double& xi : x) {
                xi = (unit(rng) - 0.5) * 4 * lambda * std::max(theta, 1.0);
                reference += definedPenalty(type, std::fabs(xi), lambda, theta);
                magnitudes += std::fabs(xi) * lambda + lambda * lambda * theta;
            }
            double out = 0;
            sumByPenalty(type, &out, x.data(), static_cast<std::int32_t>(x.size()), lambda, theta);
            EXPECT_NEAR(out, reference, 1e-13 * magnitudes) << "type " << type;
        }
    }
}

} // namespace
