// The kernels pick among closed-form candidates; this checks, independently
// of that construction, that what they return really minimises
// 0.5*(u - a)^2 + p(u) over u >= 0, with p written straight from the
// penalty definitions. A wrong candidate or a regime border taken the wrong
// way shows up as an objective above the searched minimum.
#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "penalty_definitions.h"
#include "dispatch.h"

namespace {

double objective(PenaltyType type, double u, double a, double lambda, double theta)
{
    return 0.5 * (u - a) * (u - a) + definedPenalty(type, u, lambda, theta);
}

// Every penalty here is non-decreasing in u, so the minimiser lies in [0, a].
// A uniform grid finds the best cell; a finer grid inside the neighbouring
// cells refines it, twice. Kinks and endpoints are added explicitly.
double searchedMinimum(PenaltyType type, double a, double lambda, double theta)
{
    double best = std::min(objective(type, 0, a, lambda, theta), objective(type, a, a, lambda, theta));
    for (double kink : {theta, lambda, lambda * theta})
        if (kink >= 0 && kink <= a)
            best = std::min(best, objective(type, kink, a, lambda, theta));
    double lo = 0, hi = a;
    for (int pass = 0; pass < 3; ++pass) {
        const int steps = 2000;
        const double h = (hi - lo) / steps;
        double bestU = lo;
        double bestHere = objective(type, lo, a, lambda, theta);
        for (int k = 1; k <= steps; ++k) {
            const double u = lo + k * h;
            const double f = objective(type, u, a, lambda, theta);
            if (f < bestHere) {
                bestHere = f;
                bestU = u;
            }
        }
        best = std::min(best, bestHere);
        lo = std::max(0.0, bestU - h);
        hi = std::min(a, bestU + h);
    }
    return best;
}

struct ParameterRange {
    PenaltyType type;
    double lambdaMin, lambdaMax, thetaMin, thetaMax;
};

TEST(ProxOptimality, ResultMinimisesTheObjective)
{
    const ParameterRange ranges[] = {
        {CappedL1, 0, 3, 0, 4},   {LogSum, 0, 3, 0.01, 5}, {Scad, 0.01, 3, 2.01, 8},
        {Mcp, 0, 3, 1.01, 6},     {Mcp, 0, 3, 1, 1},       {Mcp, 0, 3, 0.01, 0.99},
    };
    std::mt19937_64 rng(20261208);
    for (const ParameterRange& range : ranges) {
        std::uniform_real_distribution<double> lambdaDist(range.lambdaMin, range.lambdaMax);
        std::uniform_real_distribution<double> thetaDist(range.thetaMin, range.thetaMax);
        for (int trial = 0; trial < 400; ++trial) {
            const double lambda = lambdaDist(rng);
            const double theta = range.thetaMin == range.thetaMax ? range.thetaMin : thetaDist(rng);
            const double scale = 1.5 * std::max({lambda, theta, lambda * theta, 0.1});
            const double x = std::uniform_real_distribution<double>(-scale, scale)(rng);
            double u = 0;
            shrinkByPenalty(range.type, &u, &x, 1, lambda, theta);
            const double a = std::fabs(x);
            ASSERT_TRUE(u == 0 || std::signbit(u) == std::signbit(x)) << "sign lost at x " << x;
            const double got = objective(range.type, std::fabs(u), a, lambda, theta);
            const double best = searchedMinimum(range.type, a, lambda, theta);
            EXPECT_LE(got, best + 1e-12 * std::max(1.0, std::fabs(best)))
                << "type " << range.type << " lambda " << lambda << " theta " << theta
                << " x " << x << " result " << u;
        }
    }
}

} // namespace
