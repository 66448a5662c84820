// penaltyProx over the parameters the registry accepts: the calls reported
// wrong, as a table; the shape every map must have (odd, nondecreasing in
// x, 0 <= |y| <= |x|) for every penalty, over 24 decades and double by
// double at its thresholds; log-sum's convex threshold a*theta <=
// gamma*lambda decided exactly, to the bit; l1/2's and l2/3's maps at and
// around their thresholds (a tie there gives 0; one double above gives the
// root); and the elastic net's two ends (theta = 1 is l1 to the bit, theta
// = 0 ridge). Every path at the thresholds: simd_paths_test.cpp.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "dispatch.h"
#include "penalty_list.h"
#include "random_parameters.h"
#include "scalar_lanes.h"

namespace {

constexpr double kRealmax = 1.7976931348623157e308;

double proxOf(const char* penalty, double x, double lambda, double theta, double gamma)
{
    double y = 12345;
    proxByPenalty(penaltyIndexOfName(penalty), &y, &x, &lambda, false, 1, theta, gamma);
    return y;
}

double valueOf(const char* penalty, double x, double lambda, double theta)
{
    double v = 12345;
    valueByPenalty(penaltyIndexOfName(penalty), &v, &x, &lambda, false, 1, theta);
    return v;
}

double ulpsBetween(double got, double want)
{
    return std::fabs(got - want) / (std::nextafter(std::fabs(want), kRealmax) - std::fabs(want));
}

// The reported calls, with the true minimiser or value (MPFR, rounded) and
// how far the result may lie from it: 0 where the result is exact. SCAD's
// and MCP's calls at realmax are refused now; their rows take the largest
// accepted theta and gamma, 1e150.
TEST(ProxRanges, ReportedCalls)
{
    const struct { const char* penalty; char what; double x, lambda, theta, gamma, truth, ulps; } rows[] = {
        // log-sum just above its threshold gamma*lambda/theta = 1e-7 (was 1e-10, 0, 0)
        {"log-sum", 'p', 1.001e-7, 0.1, 1e6, 1, 0x1.b7cdfd9d7bffap-34, 3},
        {"log-sum", 'p', 1.01e-7, 0.1, 1e6, 1, 0x1.12e0be826d873p-30, 3},
        {"log-sum", 'p', 1.03e-7, 0.1, 1e6, 1, 0x1.9c511dc3a449dp-29, 3},
        // theta far above x: was 0.0070035628871778499, above x, for all three steps
        {"log-sum", 'p', 0.007003562887166909, 1e-12, 1000, 0.001, 0x1.cafc498e4ceb9p-8, 3},
        {"log-sum", 'p', 0.007003562887166909, 1e-12, 1000, 1, 0x1.cafc498e4ca39p-8, 3},
        {"log-sum", 'p', 0.007003562887166909, 1e-12, 1000, 10, 0x1.cafc498e4a1b1p-8, 3},
        // x far above its threshold: was one ulp above x
        {"log-sum", 'p', 276456492489.0435, 14.659228405582063, 90.961883329043957, 229.66469371977252,
         0x1.01785d37242c9p+38, 3},
        // the pair that decreased while x increased
        {"log-sum", 'p', 0.00013330965303903135, 0.020058672225804808, 30, 0.0066459859113474212,
         0x1.0e406a84a981p-13, 3},
        {"log-sum", 'p', 0.00013330965303917544, 0.020058672225804808, 30, 0.0066459859113474212,
         0x1.0e406a84aacd4p-13, 3},
        // SCAD at the largest theta (was 0 1 1 1 at realmax): 99 + 98/(theta - 2) rounds to 99
        {"scad", 'p', 0.5, 1, 1e150, 1, 0, 0}, {"scad", 'p', 2, 1, 1e150, 1, 1, 0},
        {"scad", 'p', 5, 1, 1e150, 1, 4, 0}, {"scad", 'p', 100, 1, 1e150, 1, 99, 1},
        // MCP at the largest step (was 3 3 0 at realmax)
        {"mcp", 'p', 0.5, 1, 3, 1e150, 0, 0}, {"mcp", 'p', 2, 1, 3, 1e150, 0, 0}, {"mcp", 'p', 5, 1, 3, 1e150, 0, 0},
        // capped-l1 whose threshold overflows: u = x beats 0 (was 0)
        {"capped-l1", 'p', 8.4e5, 1e10, 1e-300, 1e300, 8.4e5, 0},
        // values (were Inf): SCAD's middle piece, log-sum's log(a/theta) beyond realmax
        {"scad", 'v', 2, 1, 1e150, 0, 2, 0}, {"scad", 'v', 5, 1, 1e150, 0, 5, 0},
        {"log-sum", 'v', kRealmax, 1, 1e-10, 0, 732.80856382332445, 1},
    };
    for (const auto& row : rows) {
        const double got = row.what == 'p' ? proxOf(row.penalty, row.x, row.lambda, row.theta, row.gamma)
                                           : valueOf(row.penalty, row.x, row.lambda, row.theta);
        if (row.ulps == 0) {
            EXPECT_TRUE(sameBits(got, row.truth)) << row.penalty << " " << row.what << " at " << describe(row.x);
        } else {
            EXPECT_LE(ulpsBetween(got, row.truth), row.ulps) << row.penalty << " " << row.what << " at "
                                                             << describe(row.x) << ": " << describe(got);
        }
        if (row.what == 'p') {
            EXPECT_LE(std::fabs(got), std::fabs(row.x)) << row.penalty << " at " << describe(row.x);
        }
    }
}

// Sorted x from one of two kinds of sets: over 24 decades around one of the
// element's scales, with parameters anywhere in their ranges; or 1000
// consecutive doubles from near a place where the map bends or jumps, with
// moderate parameters. Not SCAD and MCP in the second kind: next to their
// knots they choose, by objectives that round alike, between candidates a
// few ulps apart (as penaltyShrink does, whose bits they keep at gamma =
// 1), and may step back by those ulps there.
std::vector<double> sortedElements(std::mt19937_64& rng, bool consecutive, double lambda, double theta, double gamma)
{
    std::vector<double> x(consecutive ? 1000 : 600);
    const double w = gamma * lambda;
    if (consecutive) {
        const double marks[] = {w, std::sqrt(2 * w), w / theta, 2 * std::sqrt(w) - theta, theta, lambda * theta,
                                lambda + w, 1.5 * std::cbrt(w * w), 2 * std::pow(2 * w / 3, 0.75)};
        x[0] = marks[rng() % 9] * (1 - 0x1p-52 * static_cast<double>(rng() % 500));
        if (!(x[0] > 0 && x[0] < 1e300))
            x[0] = 1;
        for (std::size_t i = 1; i < x.size(); ++i)
            x[i] = std::nextafter(x[i - 1], kRealmax);
        return x;
    }
    const double scales[] = {w, std::sqrt(w), theta, lambda * theta, w / theta, lambda};
    double centre = scales[rng() % 6];
    if (!(centre > 1e-280 && centre < 1e280))
        centre = std::exp2(std::uniform_real_distribution<double>(-900, 900)(rng));
    for (double& v : x)
        v = centre * std::pow(10.0, std::uniform_real_distribution<double>(-12, 12)(rng));
    std::sort(x.begin(), x.end());
    return x;
}

TEST(ProxRanges, OddNondecreasingAndShrinking)
{
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const PenaltyInfo& info = kPenaltyInfo[penalty];
        for (int set = 0; set < 250; ++set) {
            const bool consecutive = set % 5 >= 3 && info.code != Scad && info.code != Mcp;
            double theta = randomTheta(rng, info.theta), gamma = randomGamma(rng, info.gamma);
            double lambda = std::exp2(std::uniform_real_distribution<double>(-1000, 1000)(rng));
            if (consecutive) {
                if (info.theta.taken)
                    theta = info.theta.upper <= 1 ? unit(rng) : info.theta.lower + std::exp2(-20 + 40 * unit(rng));
                lambda = std::exp2(-30 + 60 * unit(rng));
                gamma = std::exp2(-10 + 20 * unit(rng));
            }
            const std::vector<double> x = sortedElements(rng, consecutive, lambda, theta, gamma);
            std::vector<double> minus(x.size()), y(x.size()), yMinus(x.size());
            for (std::size_t i = 0; i < x.size(); ++i)
                minus[i] = -x[i];
            const auto n = static_cast<std::ptrdiff_t>(x.size());
            proxByPenalty(penalty, y.data(), x.data(), &lambda, false, n, theta, gamma);
            proxByPenalty(penalty, yMinus.data(), minus.data(), &lambda, false, n, theta, gamma);
            for (std::size_t i = 0; i < x.size(); ++i) {
                ASSERT_TRUE(y[i] >= 0 && y[i] <= x[i] && sameBits(std::fabs(yMinus[i]), y[i]))
                    << info.name << " lambda " << lambda << " theta " << theta << " gamma " << gamma << " x "
                    << describe(x[i]) << ": " << describe(y[i]) << ", at -x " << describe(yMinus[i]);
                ASSERT_TRUE(i == 0 || y[i] >= y[i - 1])
                    << info.name << " lambda " << lambda << " theta " << theta << " gamma " << gamma << " decreases from "
                    << describe(x[i - 1]) << " -> " << describe(y[i - 1]) << " to " << describe(x[i]) << " -> "
                    << describe(y[i]);
            }
        }
    }
}

// In the convex regime the threshold is a = gamma*lambda/theta; with theta
// and gamma powers of two it is a double T, and the map must give 0 at T
// and below and a positive root from the next double on, bit-exactly
// decided, across the exponent range and for tiny curvature ratios.
TEST(ProxRanges, LogSumConvexThresholdDecidedExactly)
{
    std::mt19937_64 rng(77);
    for (int trial = 0; trial < 4000; ++trial) {
        const int k = static_cast<int>(rng() % 1600) - 800, j = static_cast<int>(rng() % 1200) - 600;
        const double theta = std::ldexp(1.0, k), gamma = std::ldexp(1.0, j);
        // w/theta^2 = lambda*2^(j - 2k) in 2^-1000 .. 1: lambda = m*2^e.
        const int e = 2 * k - j - static_cast<int>(rng() % 1000) - 1;
        if (e < -1000 || e > 1000 || e + j - k < -1000 || e + j - k > 1000)
            continue;
        const double lambda = std::ldexp(1.0 + static_cast<double>(rng() >> 12) * 0x1p-52, e);
        const double threshold = std::ldexp(lambda, j - k); // exactly gamma*lambda/theta
        const double below = std::nextafter(threshold, 0.0), above = std::nextafter(threshold, kRealmax);
        EXPECT_TRUE(sameBits(proxOf("log-sum", threshold, lambda, theta, gamma), 0.0)) << describe(threshold);
        EXPECT_TRUE(sameBits(proxOf("log-sum", -below, lambda, theta, gamma), -0.0)) << describe(below);
        EXPECT_GT(proxOf("log-sum", above, lambda, theta, gamma), 0.0)
            << describe(above) << " theta " << theta << " gamma " << gamma << " lambda " << lambda;
    }
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
        const double at = proxOf(row.penalty, row.x, row.lambda, 0, row.gamma);
        EXPECT_TRUE(sameBits(at, std::copysign(0.0, row.x))) << row.penalty << " at " << row.x << ": " << at;
        const double above = proxOf(row.penalty, std::nextafter(row.x, 2 * row.x), row.lambda, 0, row.gamma);
        EXPECT_LE(ulpsBetween(std::fabs(above), row.jump), 4) << row.penalty << " above " << row.x << ": " << above;
        EXPECT_EQ(std::signbit(above), std::signbit(row.x));
        const double below = proxOf(row.penalty, std::nextafter(row.x, 0.0), row.lambda, 0, row.gamma);
        EXPECT_TRUE(sameBits(below, std::copysign(0.0, row.x))) << row.penalty << " below " << row.x;
    }
}

// gamma*lambda beyond the double range: ridge's x/(1 + 1e318) = 1e-10,
// formed in scaled units rather than lost to the overflow. (The other
// conventions are rows of the golden tables, golden_cases.h.)
TEST(PowerPenalties, RidgeBeyondTheDoubleRange)
{
    EXPECT_LE(ulpsBetween(proxOf("elastic-net", 1e308, 1e308, 0, 1e10), 1e-10), 4);
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
