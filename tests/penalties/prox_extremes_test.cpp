// penaltyProx, penaltyValue and penaltyDerivative across the double range:
// x anywhere from the smallest subnormal to realmax, lambda anywhere in the
// doubles, theta and gamma anywhere in the ranges the registry accepts
// (kTheta, kGamma: what the gateways let through), log-uniformly. Every map
// is held to the true global minimiser, found in MPFR with enough bits for
// these ranges from the same candidate points the penalties' definitions
// give (every stationary point, knot and end). A result passes when it is
// within 1e-9 of the minimiser relatively, or its objective within 1e-12
// of the least. l1/2's and l2/3's stationary points are roots of a cubic and
// a quartic, found here by Newton's iteration in MPFR. Values and
// derivatives are held to 1e-12 relatively (an overflow only where the
// exact value overflows), log-sum's value also to lambda*2^-52 absolutely
// (its logarithm of the rounded a/theta + 1), SCAD's and MCP's derivatives
// to 1e-15*lambda (their cancellation next to the knee).
//   prox_extremes_test COUNT SEED
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <mpfr.h>

#include "dispatch.h"
#include "penalty_definitions.h"

namespace {

// An MPFR number with value semantics, enough for the sums and products of
// numbers 2^4400 apart.
struct Real {
    mpfr_t v;
    Real(double d = 0) { mpfr_init2(v, 4600); mpfr_set_d(v, d, MPFR_RNDN); }
    Real(const Real& o) { mpfr_init2(v, 4600); mpfr_set(v, o.v, MPFR_RNDN); }
    Real& operator=(const Real& o) { mpfr_set(v, o.v, MPFR_RNDN); return *this; }
    ~Real() { mpfr_clear(v); }
    double d() const { return mpfr_get_d(v, MPFR_RNDN); }
};
Real apply(int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t), const Real& a, const Real& b)
{
    Real r;
    f(r.v, a.v, b.v, MPFR_RNDN);
    return r;
}
Real operator+(const Real& a, const Real& b) { return apply(mpfr_add, a, b); }
Real operator-(const Real& a, const Real& b) { return apply(mpfr_sub, a, b); }
Real operator*(const Real& a, const Real& b) { return apply(mpfr_mul, a, b); }
Real operator/(const Real& a, const Real& b) { return apply(mpfr_div, a, b); }
bool operator<(const Real& a, const Real& b) { return mpfr_less_p(a.v, b.v); }
Real sqrtOf(const Real& a) { Real r; mpfr_sqrt(r.v, a.v, MPFR_RNDN); return r; }
Real cbrtOf(const Real& a) { Real r; mpfr_cbrt(r.v, a.v, MPFR_RNDN); return r; }
Real atLeast(const Real& lo, const Real& v) { return v < lo ? lo : v; }
Real clamp(const Real& v, const Real& lo, const Real& hi) { const Real w = atLeast(lo, v); return hi < w ? hi : w; }

// The largest root of f(v) = v^degree - a*v + c (c > 0), or -1 when f has
// none: one exists where f is <= 0 at its minimum vMin, and Newton's
// iteration from start, to the right of it on the convex branch, descends
// to it.
Real largestRoot(int degree, const Real& a, const Real& c, const Real& vMin, Real v)
{
    auto power = [&](const Real& x, int n) { Real r(1); for (int k = 0; k < n; ++k) r = r * x; return r; };
    if (Real(0) < power(vMin, degree) - a * vMin + c)
        return Real(-1);
    for (int step = 0; step < 400; ++step) {
        const Real next = v - (power(v, degree) - a * v + c) / (Real(degree) * power(v, degree - 1) - a);
        if (!(next < v))
            break;
        v = next;
    }
    return v;
}

Real penaltyAt(Defined p, const Real& u, const Real& l, const Real& t)
{
    switch (p) {
    case Defined::L1: return l * u;
    case Defined::L0: return mpfr_zero_p(u.v) ? Real(0) : l;
    case Defined::CappedL1: return l * (u < t ? u : t);
    case Defined::LogSum: { Real r; const Real q = u / t; mpfr_log1p(r.v, q.v, MPFR_RNDN); return l * r; }
    case Defined::Scad:
        if (!(l < u)) return l * u;
        if (!(l * t < u)) return (u * (Real(2) * l * t - u) - l * l) / (Real(2) * (t - Real(1)));
        return l * l * (t + Real(1)) / Real(2);
    case Defined::Mcp:
        if (!(l * t < u)) return u * (l - u / (Real(2) * t));
        return l * l * t / Real(2);
    case Defined::LHalf: return l * sqrtOf(u);
    case Defined::LTwoThirds: return l * cbrtOf(u * u);
    case Defined::ElasticNet: return l * (t * u + (Real(1) - t) * u * u / Real(2));
    }
    return Real(0);
}

// p'(a+), the right derivative.
Real derivativeAt(Defined p, const Real& u, const Real& l, const Real& t)
{
    switch (p) {
    case Defined::L1: return l;
    case Defined::L0: return mpfr_zero_p(u.v) ? Real(__builtin_inf()) : Real(0);
    case Defined::CappedL1: return u < t ? l : Real(0);
    case Defined::LogSum: return l / (t + u);
    case Defined::Scad:
        if (!(l < u)) return l;
        if (!(l * t < u)) return (l * t - u) / (t - Real(1));
        return Real(0);
    case Defined::Mcp: return !(l * t < u) ? l - u / t : Real(0);
    case Defined::LHalf: return mpfr_zero_p(u.v) ? Real(__builtin_inf()) : l / (Real(2) * sqrtOf(u));
    case Defined::LTwoThirds: return mpfr_zero_p(u.v) ? Real(__builtin_inf()) : Real(2) * l / (Real(3) * cbrtOf(u));
    case Defined::ElasticNet: return l * (t + (Real(1) - t) * u);
    }
    return Real(0);
}

// got against the exact value rounded: within 1e-12 relatively, or `slack`
// or 1e-300 (the subnormal range) absolutely; both infinite where the exact
// value overflows.
bool close(double got, double exact, double slack)
{
    if (std::isinf(exact))
        return got == exact;
    return std::fabs(got - exact) <= std::max(1e-12 * std::fabs(exact), slack) || std::fabs(got - exact) < 1e-300;
}

// 0 and a, and every point where the objective's derivative vanishes or
// does not exist.
std::vector<Real> candidates(Defined p, const Real& a, const Real& l, const Real& t, const Real& g)
{
    std::vector<Real> c{Real(0), a};
    const Real gl = g * l;
    switch (p) {
    case Defined::L1: c.push_back(atLeast(Real(0), a - gl)); break;
    case Defined::L0: break;
    case Defined::CappedL1: c.push_back(clamp(a - gl, Real(0), t)); c.push_back(t); break;
    case Defined::LogSum: {
        const Real e = a - t, q = e * e - Real(4) * (gl - a * t);
        if (!(q < Real(0))) {
            const Real s = sqrtOf(q);
            c.push_back(atLeast(Real(0), (e + s) / Real(2)));
            c.push_back(atLeast(Real(0), (e - s) / Real(2)));
        }
        break;
    }
    case Defined::Scad: {
        c.push_back(clamp(a - gl, Real(0), l));
        const Real den = t - Real(1) - g;
        if (!mpfr_zero_p(den.v))
            c.push_back(clamp(((t - Real(1)) * a - gl * t) / den, l, l * t));
        c.push_back(l);
        c.push_back(l * t);
        break;
    }
    case Defined::Mcp: {
        const Real den = t - g;
        if (!mpfr_zero_p(den.v))
            c.push_back(clamp((a - gl) * t / den, Real(0), l * t));
        c.push_back(l * t);
        break;
    }
    case Defined::LHalf: { // v = sqrt(u): v^3 - a v + gl/2 = 0
        const Real v = largestRoot(3, a, gl / Real(2), sqrtOf(a / Real(3)), sqrtOf(a));
        if (!(v < Real(0)))
            c.push_back(v * v);
        break;
    }
    case Defined::LTwoThirds: { // v = u^(1/3): v^4 - a v + 2gl/3 = 0
        const Real v = largestRoot(4, a, Real(2) * gl / Real(3), cbrtOf(a / Real(4)), cbrtOf(a));
        if (!(v < Real(0)))
            c.push_back(v * v * v);
        break;
    }
    case Defined::ElasticNet:
        c.push_back(atLeast(Real(0), a - gl * t) / (Real(1) + gl * (Real(1) - t)));
        break;
    }
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 60000;
    std::mt19937_64 rng(argc > 2 ? std::atol(argv[2]) : 5);
    auto logUniform = [&](double lo, double hi) { return std::exp2(std::uniform_real_distribution<double>(lo, hi)(rng)); };
    long failed = 0;
    for (long trial = 0; trial < count; ++trial) {
        const int penalty = static_cast<int>(trial % kPenaltyCount);
        const Defined p = definedOf(penalty);
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        const GammaRange steps = kPenaltyInfo[penalty].gamma;
        const double lambda = logUniform(-1074, 1023.99);
        const double gamma = logUniform(steps.lower > 0 ? std::log2(steps.lower) : -1074,
                                        steps.upper < __builtin_inf() ? std::log2(steps.upper) : 1023.99);
        double theta = 0;
        if (range.taken && range.upper <= 1) // the elastic net's [0, 1]
            theta = range.lower + (range.upper - range.lower) * std::uniform_real_distribution<double>(0, 1)(rng);
        else if (range.taken && range.lower > 0) // MCP's [1e-150, 1e150], SCAD's (2, 1e150]
            theta = logUniform(std::log2(range.lower), std::log2(range.upper));
        else if (range.taken)
            theta = logUniform(-1074, 1023.99);
        if (range.taken && !(range.lowerIncluded ? theta >= range.lower : theta > range.lower))
            continue;
        const double x = ((rng() & 1) ? -1 : 1) * logUniform(-1074, 1023.99);
        double y = 0;
        proxByPenalty(penalty, &y, &x, &lambda, false, 1, theta, gamma);

        const Real a(std::fabs(x)), l(lambda), t(theta), g(gamma);
        auto objective = [&](const Real& u) { const Real d = u - a; return d * d / Real(2) + g * penaltyAt(p, u, l, t); };
        Real best = objective(Real(0)), argBest(0);
        for (const Real& u : candidates(p, a, l, t, g))
            if (!(u < Real(0)) && objective(u) < best) {
                best = objective(u);
                argBest = u;
            }
        const double truth = argBest.d();
        const double relative = std::fabs(std::fabs(y) - truth) / std::max(truth, 1e-320);
        const double excess = (objective(Real(std::fabs(y))) - best).d() / std::max(std::fabs(best.d()), 1e-300);
        const bool ok = (relative < 1e-9 || excess < 1e-12) && (y == 0 || std::signbit(y) == std::signbit(x))
                        && std::fabs(y) <= std::fabs(x);
        if (!ok && ++failed <= 10)
            std::printf("FAIL %s x %.17g lambda %.17g theta %.17g gamma %.17g: %.17g, minimiser %.17g\n",
                        kPenaltyInfo[penalty].name, x, lambda, theta, gamma, y, truth);

        double v = 0, dv = 0;
        valueByPenalty(penalty, &v, &x, &lambda, false, 1, theta);
        derivativeByPenalty(penalty, &dv, &x, &lambda, false, 1, theta);
        const double value = penaltyAt(p, a, l, t).d(), slope = derivativeAt(p, a, l, t).d();
        const double valueSlack = p == Defined::LogSum ? lambda * 0x1p-52 : 0;
        const double slopeSlack = (p == Defined::Scad || p == Defined::Mcp) ? lambda * 1e-15 : 0;
        if (!(close(v, value, valueSlack) && close(dv, slope, slopeSlack)) && ++failed <= 10)
            std::printf("FAIL %s x %.17g lambda %.17g theta %.17g: value %.17g (%.17g), derivative %.17g (%.17g)\n",
                        kPenaltyInfo[penalty].name, x, lambda, theta, v, value, dv, slope);
    }
    std::printf("prox extremes: %ld passed, %ld failed\n", count - failed, failed);
    return failed ? 1 : 0;
}
