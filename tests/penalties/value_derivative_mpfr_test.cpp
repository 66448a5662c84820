// penaltyValue and penaltyDerivative against the penalties' definitions
// evaluated in MPFR, within the bounds their help states: in units in the
// last place of the exact value, or absolutely where the formula cancels
// (log-sum's value where |x| is far below theta, SCAD's and MCP's
// derivatives next to the knot lambda*theta).
#include <cmath>
#include <random>

#include <gtest/gtest.h>
#include <mpfr.h>

#include "dispatch.h"
#include "penalty_definitions.h"

namespace {

struct Exact {
    mpfr_t v;
    Exact(double d = 0) { mpfr_init2(v, 256); mpfr_set_d(v, d, MPFR_RNDN); }
    Exact(const Exact& o) { mpfr_init2(v, 256); mpfr_set(v, o.v, MPFR_RNDN); }
    ~Exact() { mpfr_clear(v); }
    Exact& operator=(const Exact& o) { mpfr_set(v, o.v, MPFR_RNDN); return *this; }
};
Exact operator+(const Exact& a, const Exact& b) { Exact r; mpfr_add(r.v, a.v, b.v, MPFR_RNDN); return r; }
Exact operator-(const Exact& a, const Exact& b) { Exact r; mpfr_sub(r.v, a.v, b.v, MPFR_RNDN); return r; }
Exact operator*(const Exact& a, const Exact& b) { Exact r; mpfr_mul(r.v, a.v, b.v, MPFR_RNDN); return r; }
Exact operator/(const Exact& a, const Exact& b) { Exact r; mpfr_div(r.v, a.v, b.v, MPFR_RNDN); return r; }
bool operator<=(const Exact& a, const Exact& b) { return mpfr_lessequal_p(a.v, b.v); }

// p(a) and the right derivative p'(a+), from the definitions.
Exact exactValue(Defined p, const Exact& a, const Exact& l, const Exact& t)
{
    const Exact knee = l * t, two(2), one(1);
    switch (p) {
    case Defined::L1: return l * a;
    case Defined::L0: return mpfr_zero_p(a.v) ? Exact(0) : l;
    case Defined::CappedL1: return l * (a <= t ? a : t);
    case Defined::LogSum: { Exact r; const Exact q = a / t; mpfr_log1p(r.v, q.v, MPFR_RNDN); return l * r; }
    case Defined::Scad:
        if (a <= l) return l * a;
        if (a <= knee) return (a * (two * knee - a) - l * l) / (two * (t - one));
        return l * l * (t + one) / two;
    case Defined::Mcp: return a <= knee ? a * (l - a / (two * t)) : l * knee / two;
    case Defined::LHalf: { Exact r; mpfr_sqrt(r.v, a.v, MPFR_RNDN); return l * r; }
    case Defined::LTwoThirds: { Exact r; const Exact s = a * a; mpfr_cbrt(r.v, s.v, MPFR_RNDN); return l * r; }
    case Defined::ElasticNet: return l * (t * a + (one - t) * a * a / two);
    }
    return Exact(0);
}

Exact exactDerivative(Defined p, const Exact& a, const Exact& l, const Exact& t)
{
    const Exact knee = l * t, one(1);
    switch (p) {
    case Defined::L1: return l;
    case Defined::L0: return mpfr_zero_p(a.v) ? Exact(__builtin_inf()) : Exact(0);
    case Defined::CappedL1: return a <= t && !mpfr_equal_p(a.v, t.v) ? l : Exact(0);
    case Defined::LogSum: return l / (t + a);
    case Defined::Scad: return a <= l ? l : (a <= knee ? (knee - a) / (t - one) : Exact(0));
    case Defined::Mcp: return a <= knee ? l - a / t : Exact(0);
    case Defined::LHalf: { Exact r; mpfr_sqrt(r.v, a.v, MPFR_RNDN); return l / (Exact(2) * r); }
    case Defined::LTwoThirds: { Exact r; mpfr_cbrt(r.v, a.v, MPFR_RNDN); return Exact(2) * l / (Exact(3) * r); }
    case Defined::ElasticNet: return l * (t + (one - t) * a);
    }
    return Exact(0);
}

// |computed - exact| in units in the last place of the exact value.
double ulpsFrom(double computed, const Exact& exact)
{
    const double e = mpfr_get_d(exact.v, MPFR_RNDN);
    if (e == 0 || std::isinf(e)) // an exact value beyond the doubles: that limit
        return computed == e ? 0 : 1e300;
    const double ulp = std::max(std::ldexp(1.0, std::ilogb(e) - 52), 0x1p-1074);
    Exact diff = Exact(computed) - exact;
    return std::fabs(mpfr_get_d(diff.v, MPFR_RNDN)) / ulp;
}

double absoluteError(double computed, const Exact& exact)
{
    Exact diff = Exact(computed) - exact;
    return std::fabs(mpfr_get_d(diff.v, MPFR_RNDN));
}

TEST(ValueDerivativeAccuracy, WithinTheStatedBounds)
{
    // Per penalty: the values' and the derivatives' bound in ulps (or, where
    // the formula cancels, the absolute bound as a multiple of lambda).
    const struct { Defined penalty; double valueUlps, derivativeUlps, derivativeAbsolute; } bounds[] = {
        {Defined::L1, 0.5, 0, 0}, {Defined::L0, 0, 0, 0}, {Defined::CappedL1, 0.5, 0, 0},
        {Defined::LogSum, -1, 2, 0}, {Defined::Scad, 5, -1, 1e-15}, {Defined::Mcp, 3, -1, 5e-16},
        {Defined::LHalf, 2, 2, 0}, {Defined::LTwoThirds, 2, 2.5, 0}, {Defined::ElasticNet, 3, 3, 0},
    };
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
            const Exact a(std::fabs(x)), l(lambda), t(theta);
            const Exact ev = exactValue(p, a, l, t), ed = exactDerivative(p, a, l, t);
            if (bound.valueUlps >= 0)
                ASSERT_LE(ulpsFrom(v, ev), bound.valueUlps) << kPenaltyInfo[penalty].name << " value at " << x;
            else // log-sum: lambda*2^-52 for the rounded argument, and 2 ulp
                ASSERT_LE(absoluteError(v, ev), lambda * 0x1p-52 + 2 * std::max(std::ldexp(1.0, std::ilogb(v) - 52), 0x1p-1074))
                    << "log-sum value at " << x << ", lambda " << lambda << ", theta " << theta;
            if ((p == Defined::L0 || p == Defined::LHalf || p == Defined::LTwoThirds) && x == 0)
                ASSERT_EQ(d, __builtin_inf());
            else if (bound.derivativeUlps >= 0)
                ASSERT_LE(ulpsFrom(d, ed), bound.derivativeUlps) << kPenaltyInfo[penalty].name << " derivative at " << x;
            else
                ASSERT_LE(absoluteError(d, ed), bound.derivativeAbsolute * lambda)
                    << kPenaltyInfo[penalty].name << " derivative at " << x << ", lambda " << lambda << ", theta " << theta;
            ASSERT_GE(d, 0) << kPenaltyInfo[penalty].name << " derivative at " << x;
        }
    }
}

} // namespace
