// penaltyProx (and penaltyShrink at a unit step) held to the true global
// minimiser of 0.5*(u - a)^2 + gamma*p(u), penaltyValue and
// penaltyDerivative to the exact values, all in MPFR (penalty_reference.h),
// independently of how the maps choose among their candidates. Two kinds
// of cases alternate:
// - wide: x anywhere from the least subnormal to realmax, lambda anywhere
//   in the doubles, theta and gamma anywhere the registry accepts (kTheta,
//   kGamma: what the gateways let through), log-uniformly, in 4600 bits;
// - near: lambda in [0.01, 3], theta around its typical value, steps from
//   1e-3 to 1e3 (every regime: capped-l1 with theta < gamma*lambda/2,
//   log-sum with gamma*lambda > theta^2, SCAD with theta <= 1 + gamma, MCP
//   with theta <= gamma), and x one double either side of each place where
//   the map jumps or bends, so a regime border taken the wrong way shows.
// A map passes within 1e-9 of the minimiser relatively, or with its
// objective within 1e-12 of the least. Values and derivatives are held to
// the bounds their help states (penalty_formulas.h), with the knots of the values
// (lambda, lambda*theta) among the near elements; an overflow passes only
// where the exact value overflows.
//   prox_extremes_test COUNT SEED
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "dispatch.h"
#include "penalty_reference.h"
#include "random_parameters.h"

namespace {

struct Problem {
    int penalty;
    double lambda, theta, gamma;
};

long gFailed = 0;

// Where each map changes its formula or jumps, as a magnitude of x.
std::vector<double> thresholdsOf(const Problem& q)
{
    const double g = q.gamma * q.lambda, l = q.lambda, t = q.theta;
    switch (definedOf(q.penalty)) {
    case Defined::L1: return {g};
    case Defined::L0: return {std::sqrt(2 * g)};
    case Defined::CappedL1: return {g, t + g, t, std::sqrt(2 * g * t)};
    case Defined::LogSum: return {g / t, t, std::sqrt(g), 2 * std::sqrt(g) - t};
    case Defined::Scad:
        return {g, l + g, l * t, l * (1 + std::sqrt(q.gamma * (t - 1))), (g * g / 2 + q.gamma * l * l * (t + 1) / 2) / g};
    case Defined::Mcp: return {g, l * t, l * std::sqrt(q.gamma * t)};
    case Defined::LHalf: return {1.5 * std::cbrt(g * g)};
    case Defined::LTwoThirds: return {2 * std::pow(2 * g / 3, 0.75)};
    case Defined::ElasticNet: return {g * t};
    }
    return {};
}

double absoluteError(double got, const Real& exact) { return std::fabs((Real(got) - exact).d()); }
double ulpOf(double v) { return std::max(std::ldexp(1.0, std::ilogb(v) - 52), 0x1p-1074); }

// y, the map of x, against the global minimiser for the step gamma. Only
// penaltyProx promises |y| <= |x|: penaltyShrink keeps the steps of its
// candidates, which may round one ulp past x next to SCAD's and MCP's knee.
void checkMap(bool shrink, const Problem& q, double gamma, double x, double y)
{
    const Defined p = definedOf(q.penalty);
    const Real a(std::fabs(x)), l(q.lambda), t(q.theta), g(gamma);
    const Minimum best = minimumOf(p, a, l, t, g);
    const double truth = best.argument.d();
    const double relative = std::fabs(std::fabs(y) - truth) / std::max(truth, 1e-320);
    const double excess = (objectiveOf(p, Real(std::fabs(y)), a, l, t, g) - best.objective).d()
                          / std::max(std::fabs(best.objective.d()), 1e-300);
    const bool ok = (relative < 1e-9 || excess < 1e-12) && (y == 0 || std::signbit(y) == std::signbit(x))
                    && (std::fabs(y) <= std::fabs(x) || shrink);
    if (!ok && ++gFailed <= 10)
        std::printf("FAIL %s %s x %.17g lambda %.17g theta %.17g gamma %.17g: %.17g, minimiser %.17g\n",
                    shrink ? "penaltyShrink" : "penaltyProx",
                    kPenaltyInfo[q.penalty].name, x, q.lambda, q.theta, gamma, y, truth);
}

void checkElement(const Problem& q, double x)
{
    const PenaltyInfo& info = kPenaltyInfo[q.penalty];
    double y = 0, v = 0, dv = 0;
    proxByPenalty(q.penalty, &y, &x, &q.lambda, false, 1, q.theta, q.gamma);
    checkMap(false, q, q.gamma, x, y);
    if ((info.operations & ShrinkOperation) && q.gamma == 1) {
        shrinkByPenalty(info.code, &y, &x, 1, q.lambda, q.theta);
        checkMap(true, q, 1, x, y);
    }
    valueByPenalty(q.penalty, &v, &x, &q.lambda, false, 1, q.theta);
    derivativeByPenalty(q.penalty, &dv, &x, &q.lambda, false, 1, q.theta);
    const Defined p = definedOf(q.penalty);
    const StatedAccuracy bound = definitionOf(q.penalty).accuracy;
    const Real a(std::fabs(x)), l(q.lambda), t(q.theta);
    const Real value = penaltyValueOf(p, a, l, t), slope = penaltyDerivativeOf(p, a, l, t);
    // A subnormal lambda has rounded in its product with a before the rest
    // of the value is formed (the elastic net's): there only 1e-300 holds.
    const bool valueOk = (bound.valueUlps >= 0 ? ulpsOff(v, value) <= bound.valueUlps
                                               : absoluteError(v, value) <= q.lambda * 0x1p-52 + 2 * ulpOf(v))
                         || (q.lambda < 0x1p-1022 && absoluteError(v, value) < 1e-300);
    const bool slopeOk = bound.derivativeUlps >= 0 ? ulpsOff(dv, slope) <= bound.derivativeUlps
                                                   : absoluteError(dv, slope) <= bound.derivativeAbsolute * q.lambda;
    if (!(valueOk && slopeOk && dv >= 0) && ++gFailed <= 10)
        std::printf("FAIL %s x %.17g lambda %.17g theta %.17g: value %.17g (%.17g), derivative %.17g (%.17g)\n",
                    info.name, x, q.lambda, q.theta, v, value.d(), dv, slope.d());
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 60000;
    std::mt19937_64 rng(argc > 2 ? std::atol(argv[2]) : 5);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto logUniform = [&](double lo, double hi) { return std::exp2(uniform(lo, hi)); };
    long elements = 0;
    for (long trial = 0; trial < count; ++trial) {
        const int penalty = static_cast<int>(trial % kPenaltyCount);
        const PenaltyInfo& info = kPenaltyInfo[penalty];
        const ThetaRange range = info.theta;
        const bool near = (trial / kPenaltyCount) % 4 == 3;
        Problem q{penalty, 0, 0, 0};
        if (near) {
            q.lambda = uniform(0.01, 3);
            q.gamma = std::pow(10.0, uniform(-3, 3));
            if (rng() % 3 == 0)
                q.gamma = 1; // penaltyShrink's step
            if (range.taken)
                q.theta = std::min(range.upper, uniform(range.lower, 2 * info.typicalTheta - range.lower));
        } else {
            q.lambda = logUniform(-1074, 1023.99);
            q.gamma = randomGamma(rng, info.gamma);
            q.theta = randomTheta(rng, range);
        }
        if (!thetaAccepted(range, q.theta))
            continue;
        std::vector<double> xs;
        if (near) {
            mpfr_set_default_prec(300);
            xs.push_back(uniform(-1, 1) * 1.5 * std::max({q.lambda * std::max(q.theta, 1.0), q.gamma * q.lambda, 0.1}));
            std::vector<double> marks = thresholdsOf(q);
            marks.insert(marks.end(), {q.lambda, q.lambda * q.theta});
            for (double t : marks)
                if (std::isfinite(t) && t > 0)
                    for (double v : {std::nextafter(t, 0.0), t, std::nextafter(t, 2 * t)})
                        xs.push_back((rng() & 1) ? v : -v);
        } else {
            mpfr_set_default_prec(4600); // sums and products of numbers 2^4400 apart
            xs.push_back(((rng() & 1) ? -1 : 1) * logUniform(-1074, 1023.99));
        }
        for (double x : xs)
            checkElement(q, x);
        elements += static_cast<long>(xs.size());
    }
    std::printf("prox extremes: %ld elements of %ld cases, %ld failed\n", elements, count, gFailed);
    return gFailed ? 1 : 0;
}
