// l1/2, l2/3 and the elastic net: the maps at and around their thresholds
// (a tie there gives 0; one double above gives the root), the elastic
// net's two ends (theta = 1 is l1 to the bit, theta = 0 ridge). Every path
// at the thresholds: simd_paths_test.cpp.
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "bit_compare.h"
#include "dispatch.h"
#include "penalty_list.h"
#include "scalar_lanes.h"

namespace {

double prox(const char* penalty, double x, double lambda, double theta, double gamma)
{
    double y;
    proxByPenalty(penaltyIndexOfName(penalty), &y, &x, &lambda, false, 1, theta, gamma);
    return y;
}

double ulpsBetween(double got, double want)
{
    return std::fabs(got - want) / (std::nextafter(std::fabs(want), 1e308) - std::fabs(want));
}

// The changes of units take floor(E/2) and floor(E/3) of an exponent E
// through the nearest integer, also of negative numbers, where adding 2^52
// alone would round to a multiple of 1/2.
TEST(PowerPenalties, NearestIntegerOfNegativeNumbers)
{
    const struct { double v, want; } rows[] = {
        {-1.0 / 3, 0}, {-0.5, 0}, {-0.75, -1}, {-1.5, -2}, {-2.5, -2}, {-543.75, -544}, {2.5, 2}, {-1087.0 / 3, -362},
    };
    for (const auto& row : rows)
        EXPECT_EQ(nearestInteger<ScalarLanes>(row.v), row.want) << row.v;
}

// Thresholds with round numbers: l1/2 at w = gamma*lambda = 1 jumps at
// 3/2 from 0 to 1, and at w = 8 at 6 from 0 to 4; l2/3 at w = 3/2 jumps at
// 2 from 0 to 1 (27*2^4 = 128*(3/2)^3). Exactly at the threshold 0 and the
// root tie and 0 is taken; one double above, the root lies within a few
// ulps of the jump's value (there du/da is 4/3 and 3/2).
TEST(PowerPenalties, TiesAtTheThresholdGoToZero)
{
    const struct { const char* penalty; double x, lambda, gamma, jump; } rows[] = {
        {"l1/2", 1.5, 1, 1, 1},     {"l1/2", 1.5, 0.25, 4, 1}, {"l1/2", 6, 8, 1, 4},
        {"l1/2", -6, 2, 4, 4},      {"l2/3", 2, 1.5, 1, 1},    {"l2/3", -2, 0.5, 3, 1},
        {"l2/3", 2.0 * 512, 1.5 * 4096, 1, 512}, // lengths times 8^3, w times 16^3
    };
    for (const auto& row : rows) {
        const double at = prox(row.penalty, row.x, row.lambda, 0, row.gamma);
        EXPECT_TRUE(sameBits(at, std::copysign(0.0, row.x))) << row.penalty << " at " << row.x << ": " << at;
        const double above = prox(row.penalty, std::nextafter(row.x, 2 * row.x), row.lambda, 0, row.gamma);
        EXPECT_LE(ulpsBetween(std::fabs(above), row.jump), 4) << row.penalty << " above " << row.x << ": " << above;
        EXPECT_EQ(std::signbit(above), std::signbit(row.x));
        const double below = prox(row.penalty, std::nextafter(row.x, 0.0), row.lambda, 0, row.gamma);
        EXPECT_TRUE(sameBits(below, std::copysign(0.0, row.x))) << row.penalty << " below " << row.x;
    }
}

// gamma*lambda beyond the double range: ridge's x/(1 + 1e318) = 1e-10,
// formed in scaled units rather than lost to the overflow. (The other
// conventions are rows of the golden tables, golden_cases.h.)
TEST(PowerPenalties, RidgeBeyondTheDoubleRange)
{
    EXPECT_LE(ulpsBetween(prox("elastic-net", 1e308, 1e308, 0, 1e10), 1e-10), 4);
}

// theta = 1: the divisor is exactly 1 and the threshold gamma*lambda*1, so
// every result is l1's, bits included; theta = 0 is ridge, x/(1 + gamma*lambda).
TEST(PowerPenalties, ElasticNetEnds)
{
    std::mt19937_64 rng(16);
    std::vector<double> x(500), weights(500), l1(500), net(500);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = std::ldexp(static_cast<double>(rng() % 2000) - 1000, static_cast<int>(rng() % 40) - 20);
        weights[i] = std::ldexp(1 + (rng() % 100) / 64.0, static_cast<int>(rng() % 30) - 15);
    }
    const double gamma = 0.37;
    proxByPenalty(penaltyIndexOfName("l1"), l1.data(), x.data(), weights.data(), true, 500, 0, gamma);
    proxByPenalty(penaltyIndexOfName("elastic-net"), net.data(), x.data(), weights.data(), true, 500, 1, gamma);
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_TRUE(sameBits(net[i], l1[i])) << "x " << x[i] << " lambda " << weights[i];
    proxByPenalty(penaltyIndexOfName("elastic-net"), net.data(), x.data(), weights.data(), true, 500, 0, gamma);
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_TRUE(sameBits(net[i], x[i] / (gamma * weights[i] + 1))) << "x " << x[i];
}

} // namespace
