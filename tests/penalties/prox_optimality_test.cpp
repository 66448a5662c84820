// The maps pick among closed-form candidates; this checks, independently of
// that construction, that what they return really minimises
// 0.5*(u - a)^2 + gamma*p(u) over u >= 0, with p written straight from the
// penalty definitions: penaltyShrink (gamma = 1) and penaltyProx in every
// regime of every penalty, with steps from 1e-3 to 1e3, at random points
// and one double either side of each threshold where the map jumps or
// bends. A wrong candidate or a regime border taken the wrong way shows up
// as an objective above the searched minimum.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch.h"
#include "penalty_definitions.h"

namespace {

struct Problem {
    Defined penalty;
    double lambda, theta, gamma;
};

double objective(const Problem& p, double u, double a)
{
    return 0.5 * (u - a) * (u - a) + p.gamma * definedPenalty(p.penalty, u, p.lambda, p.theta);
}

// Every penalty here is non-decreasing in u, so the minimiser lies in [0, a].
// A uniform grid finds the best cell; a finer grid inside the neighbouring
// cells refines it, twice. Kinks and endpoints are added explicitly.
double searchedMinimum(const Problem& p, double a)
{
    double best = std::min(objective(p, 0, a), objective(p, a, a));
    for (double kink : {p.theta, p.lambda, p.lambda * p.theta})
        if (kink >= 0 && kink <= a)
            best = std::min(best, objective(p, kink, a));
    double lo = 0, hi = a;
    for (int pass = 0; pass < 3; ++pass) {
        const int steps = 2000;
        const double h = (hi - lo) / steps;
        double bestU = lo;
        double bestHere = objective(p, lo, a);
        for (int k = 1; k <= steps; ++k) {
            const double u = lo + k * h;
            const double f = objective(p, u, a);
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

void expectMinimiser(const Problem& p, double x, double u, const char* what)
{
    const double a = std::fabs(x);
    ASSERT_TRUE(u == 0 || std::signbit(u) == std::signbit(x)) << what << ": sign lost at x " << x;
    const double got = objective(p, std::fabs(u), a);
    const double best = searchedMinimum(p, a);
    EXPECT_LE(got, best + 1e-12 * std::max({1.0, std::fabs(best), 0.5 * a * a}))
        << what << " " << static_cast<int>(p.penalty) << " lambda " << p.lambda << " theta " << p.theta
        << " gamma " << p.gamma << " x " << x << " result " << u;
}

// Where each map changes its formula or jumps, as a magnitude of x.
std::vector<double> thresholds(const Problem& p)
{
    const double g = p.gamma * p.lambda, l = p.lambda, t = p.theta;
    switch (p.penalty) {
    case Defined::L1: return {g};
    case Defined::L0: return {std::sqrt(2 * g)};
    case Defined::CappedL1: return {g, t + g, t, std::sqrt(2 * g * t)};
    case Defined::LogSum: return {g / t, t, std::sqrt(g)};
    case Defined::Scad: return {g, l + g, l * t, l * (1 + std::sqrt(p.gamma * (t - 1))), (g * g / 2 + p.gamma * l * l * (t + 1) / 2) / g};
    case Defined::Mcp: return {g, l * t, l * std::sqrt(p.gamma * t)};
    case Defined::LHalf: return {1.5 * std::cbrt(g * g)};
    case Defined::LTwoThirds: return {2 * std::pow(2 * g / 3, 0.75)};
    case Defined::ElasticNet: return {g * t};
    }
    return {};
}

struct ParameterRange {
    const char* penalty;
    double lambdaMin, lambdaMax, thetaMin, thetaMax;
};

const ParameterRange kRanges[] = {
    {"l1", 0.01, 3, 0, 0},         {"l0", 0.01, 3, 0, 0},          {"capped-l1", 0.01, 3, 0, 4},
    {"log-sum", 0.01, 3, 0.01, 5}, {"scad", 0.01, 3, 2.01, 8},     {"mcp", 0.01, 3, 0.01, 6},
    {"l1/2", 0.01, 3, 0, 0},       {"l2/3", 0.01, 3, 0, 0},        {"elastic-net", 0.01, 3, 0, 1},
};

TEST(ProxOptimality, PenaltyShrinkMinimisesTheObjective)
{
    std::mt19937_64 rng(20261208);
    for (const ParameterRange& range : kRanges) {
        const int penalty = penaltyIndexOfName(range.penalty);
        if (!(kPenaltyInfo[penalty].operations & ShrinkOperation))
            continue;
        for (int trial = 0; trial < 400; ++trial) {
            const Problem p{definedOf(penalty), std::uniform_real_distribution<double>(range.lambdaMin, range.lambdaMax)(rng),
                            std::uniform_real_distribution<double>(range.thetaMin, range.thetaMax)(rng), 1.0};
            const double scale = 1.5 * std::max({p.lambda, p.theta, p.lambda * p.theta, 0.1});
            const double x = std::uniform_real_distribution<double>(-scale, scale)(rng);
            double u = 0;
            shrinkByPenalty(kPenaltyInfo[penalty].code, &u, &x, 1, p.lambda, p.theta);
            expectMinimiser(p, x, u, "penaltyShrink");
        }
    }
}

TEST(ProxOptimality, PenaltyProxMinimisesTheObjectiveInEveryRegime)
{
    std::mt19937_64 rng(1208);
    for (const ParameterRange& range : kRanges) {
        const int penalty = penaltyIndexOfName(range.penalty);
        for (int trial = 0; trial < 300; ++trial) {
            // Steps from 1e-3 to 1e3 reach every regime: capped-l1 with theta <
            // gamma*lambda/2, log-sum with gamma*lambda > theta^2, SCAD with
            // theta <= 1 + gamma, MCP with theta <= gamma.
            const double gamma = std::pow(10.0, std::uniform_real_distribution<double>(-3, 3)(rng));
            const Problem p{definedOf(penalty), std::uniform_real_distribution<double>(range.lambdaMin, range.lambdaMax)(rng),
                            std::uniform_real_distribution<double>(range.thetaMin, range.thetaMax)(rng), gamma};
            std::vector<double> xs;
            double scale = 1.5 * std::max({p.lambda, p.theta, p.lambda * p.theta, gamma * p.lambda,
                                           std::sqrt(2 * gamma * p.lambda), 0.1});
            for (double t : thresholds(p))
                scale = std::max(scale, 1.5 * t);
            xs.push_back(std::uniform_real_distribution<double>(-scale, scale)(rng));
            for (double t : thresholds(p))
                if (std::isfinite(t) && t > 0)
                    for (double v : {std::nextafter(t, 0.0), t, std::nextafter(t, 2 * t)})
                        xs.push_back((rng() & 1) ? v : -v);
            // One weight per element: each element's lambda is its own.
            std::vector<double> result(xs.size()), weights(xs.size(), p.lambda);
            proxByPenalty(penalty, result.data(), xs.data(), weights.data(), true,
                          static_cast<std::ptrdiff_t>(xs.size()), p.theta, gamma);
            for (std::size_t i = 0; i < xs.size(); ++i)
                expectMinimiser(p, xs[i], result[i], "penaltyProx");
        }
    }
}

} // namespace
