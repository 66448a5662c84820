// penaltyShrink and penaltySum (the unit-step kernels): the golden tables
// through the dispatch, by code; counts of zero or less; the helpers' tie
// and NaN rules; the sum's order, and its agreement with the penalty
// definitions.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "choice_rules.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "penalty_definitions.h"
#include "penalty_list.h"
#include "scalar_lanes.h"

namespace {

// Every code that names no penalty runs capped-l1: its cases under those
// codes too. Such a code must land on capped-l1's entry, not on another
// (the list's first, l1, has no code and no unit-step kernel to run).
TEST(UnitStepGolden, EveryCaseThroughDispatch)
{
    const std::int32_t unknownCodes[] = {0, -1, 5, INT32_MIN, INT32_MAX};
    for (std::int32_t code : unknownCodes)
        ASSERT_EQ(kPenaltyInfo[penaltyIndexOfCode(code)].code, CappedL1) << "code " << code;
    auto codesOf = [&](PenaltyType type) {
        std::vector<std::int32_t> codes = {type};
        if (type == CappedL1)
            codes.insert(codes.end(), std::begin(unknownCodes), std::end(unknownCodes));
        return codes;
    };
    for (const ProxCase& c : kProxCases)
        for (std::int32_t code : codesOf(c.type)) {
            double out = 12345.0;
            shrinkByPenalty(static_cast<PenaltyType>(code), &out, &c.x, 1, c.lambda, c.theta);
            EXPECT_TRUE(sameBits(out, c.expected))
                << "code " << code << " lambda " << c.lambda << " theta " << c.theta << " x " << describe(c.x);
        }
    for (const SumCase& c : kSumCases)
        for (std::int32_t code : codesOf(c.type)) {
            double out = 12345.0;
            sumByPenalty(static_cast<PenaltyType>(code), &out, c.x.data(), static_cast<std::int32_t>(c.x.size()),
                         c.lambda, c.theta);
            EXPECT_TRUE(sameBits(out, c.expected)) << "code " << code << " lambda " << c.lambda << " theta " << c.theta;
        }
}

// A count of zero or less must neither read the source nor write
// penaltyShrink's destination (a null source would fault on any read),
// and the empty sum is lambda*0 where lambda multiplies the finished sum,
// +0 where it only enters the terms.
TEST(UnitStepGolden, NonPositiveCountTouchesNothing)
{
    const struct { PenaltyType type; double lambda, expected; } rows[] = {
        {CappedL1, 2, 0.0},    {CappedL1, 0, 0.0},   {CappedL1, -2, -0.0},
        {CappedL1, kInf, kNaN}, {CappedL1, -kInf, kNaN}, {CappedL1, kNaN, kNaN},
        {LogSum, -1, -0.0},    {LogSum, kInf, kNaN}, {LogSum, 3, 0.0},
        {Scad, -1, 0.0},       {Scad, kNaN, 0.0},    {Scad, kInf, 0.0},
        {Mcp, -kInf, 0.0},     {Mcp, kNaN, 0.0},     {Mcp, -3, 0.0},
    };
    for (const auto& row : rows) {
        for (std::int32_t n : {0, -1, INT32_MIN}) {
            double sum = 12345.0, shrunk = 7.0;
            sumByPenalty(row.type, &sum, nullptr, n, row.lambda, 2.0);
            shrinkByPenalty(row.type, &shrunk, nullptr, n, row.lambda, 2.0);
            EXPECT_TRUE(sameBits(sum, row.expected) && sameBits(shrunk, 7.0)) << "type " << row.type << " n " << n;
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
