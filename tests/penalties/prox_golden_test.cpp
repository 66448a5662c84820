// penaltyShrink and penaltySum against the golden tables (through the
// dispatch, by code), counts of zero or less, and the helpers.
#include <cstdint>
#include <iterator>
#include <vector>

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

} // namespace
