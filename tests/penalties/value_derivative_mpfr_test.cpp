// penaltyValue and penaltyDerivative against the penalties' definitions
// evaluated in MPFR, within the bounds their help states: in units in the
// last place of the exact value, or absolutely where the formula cancels
// (log-sum's value where |x| is far below theta, SCAD's and MCP's
// derivatives next to the knot lambda*theta).
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "dispatch.h"
#include "penalty_reference.h"

namespace {

double absoluteError(double computed, const Real& exact) { return std::fabs((Real(computed) - exact).d()); }

TEST(ValueDerivativeAccuracy, WithinTheStatedBounds)
{
    // Per penalty: the values' and the derivatives' bound in ulps (or, where
    // the formula cancels, the absolute bound as a multiple of lambda).
    const struct { Defined penalty; double valueUlps, derivativeUlps, derivativeAbsolute; } bounds[] = {
        {Defined::L1, 0.5, 0, 0}, {Defined::L0, 0, 0, 0}, {Defined::CappedL1, 0.5, 0, 0},
        {Defined::LogSum, -1, 2, 0}, {Defined::Scad, 5, -1, 1e-15}, {Defined::Mcp, 3, -1, 5e-16},
        {Defined::LHalf, 2, 2, 0}, {Defined::LTwoThirds, 2, 2.5, 0}, {Defined::ElasticNet, 3, 3, 0},
    };
    mpfr_set_default_prec(256);
    std::mt19937_64 rng(17);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const Defined p = definedOf(penalty);
        const auto& bound = bounds[static_cast<int>(p)];
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        for (int trial = 0; trial < 20000; ++trial) {
            // One case in eight takes lambda anywhere in 2^+-1000 and theta
            // anywhere in its accepted range, log-uniformly.
            const bool wide = trial % 8 == 7;
            const double lambda = wide ? std::exp2(std::uniform_real_distribution<double>(-1000, 1000)(rng))
                                       : std::exp(std::uniform_real_distribution<double>(-20, 20)(rng));
            double theta = range.taken ? range.lower + std::exp(std::uniform_real_distribution<double>(-10, 10)(rng)) : 0;
            if (range.taken && range.upper <= 1)
                theta = std::uniform_real_distribution<double>(range.lower, range.upper)(rng);
            else if (range.taken && wide)
                theta = std::max(range.lower, 0x1p-1000) * std::exp2(std::uniform_real_distribution<double>(0, 1)(rng)
                                                                    * (std::log2(std::min(range.upper, 0x1p1000))
                                                                       - std::log2(std::max(range.lower, 0x1p-1000))));
            theta = std::min(theta, range.upper);
            const double scale = std::min(lambda * std::max(theta, 1.0) * 3, 1e300);
            double x = std::uniform_real_distribution<double>(-scale, scale)(rng);
            if (trial % 4 == 0) // the knots, exactly and one double either side
                x = std::nextafter(trial % 8 && theta > 0 ? lambda * theta : lambda, trial % 3 ? 0.0 : 1e300);
            double v = 0, d = 0;
            valueByPenalty(penalty, &v, &x, &lambda, false, 1, theta);
            derivativeByPenalty(penalty, &d, &x, &lambda, false, 1, theta);
            const Real a(std::fabs(x)), l(lambda), t(theta);
            const Real ev = penaltyValueOf(p, a, l, t), ed = penaltyDerivativeOf(p, a, l, t);
            if (bound.valueUlps >= 0)
                ASSERT_LE(ulpsOff(v, ev), bound.valueUlps) << kPenaltyInfo[penalty].name << " value at " << x;
            else // log-sum: lambda*2^-52 for the rounded argument, and 2 ulp
                ASSERT_LE(absoluteError(v, ev), lambda * 0x1p-52 + 2 * std::max(std::ldexp(1.0, std::ilogb(v) - 52), 0x1p-1074))
                    << "log-sum value at " << x << ", lambda " << lambda << ", theta " << theta;
            if ((p == Defined::L0 || p == Defined::LHalf || p == Defined::LTwoThirds) && x == 0)
                ASSERT_EQ(d, __builtin_inf());
            else if (bound.derivativeUlps >= 0)
                ASSERT_LE(ulpsOff(d, ed), bound.derivativeUlps) << kPenaltyInfo[penalty].name << " derivative at " << x;
            else
                ASSERT_LE(absoluteError(d, ed), bound.derivativeAbsolute * lambda)
                    << kPenaltyInfo[penalty].name << " derivative at " << x << ", lambda " << lambda << ", theta " << theta;
            ASSERT_GE(d, 0) << kPenaltyInfo[penalty].name << " derivative at " << x;
        }
    }
}

} // namespace
