// l1/2 and l2/3 against MPFR, in ulps of the true result, on COUNT seeded
// cases per shard: x anywhere in the exponent range, the weight gamma*lambda
// spread around the threshold (a factor 2^-12 to 2^12 of it, and within
// 2^-45 of it for one case in four, where the exact decision must act),
// gamma and lambda split at random. Checked: the map is 0 exactly where the
// root does not win (8a^3 <= 27w^2, 27a^4 <= 128w^3, decided in MPFR) and
// within kMapUlps of the minimiser where it does; the value and the
// derivative within kValueUlps. Prints the largest errors seen.
//   power_maps_mpfr_test SHARD COUNT
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <mpfr.h>

#include "dispatch.h"
#include "penalty_list.h"

namespace {

// The bounds the help texts state: the maps 1.1 ulp (l1/2) and 2.5 ulp
// (l2/3), the values and derivatives 2 and 2.5 ulp.
constexpr double kMapUlps[2] = {1.1, 2.5}, kValueUlps[2] = {2, 2.5};

struct Big {
    mpfr_t v;
    Big() { mpfr_init2(v, 320); }
    ~Big() { mpfr_clear(v); }
    Big(const Big&) = delete;
};

// |got - exact| in ulps of the double nearest the exact value.
double ulpsOff(double got, const mpfr_t exact)
{
    const double nearest = mpfr_get_d(exact, MPFR_RNDN);
    if (nearest == 0)
        return got == 0 ? 0 : 1e300;
    const double ulp = std::nextafter(std::fabs(nearest), 1e308) - std::fabs(nearest);
    Big d;
    mpfr_sub_d(d.v, exact, got, MPFR_RNDN);
    return std::fabs(mpfr_get_d(d.v, MPFR_RNDN)) / ulp;
}

// The largest root of v^n - a v + c (a, c > 0), Newton's iteration from
// start (to its right) in 320 bits.
void largestRoot(mpfr_t v, int n, const mpfr_t a, const mpfr_t c, const mpfr_t start)
{
    Big f, g, next, t;
    mpfr_set(v, start, MPFR_RNDN);
    for (int step = 0; step < 200; ++step) {
        mpfr_pow_ui(t.v, v, n - 1, MPFR_RNDN);
        mpfr_mul(f.v, t.v, v, MPFR_RNDN);
        mpfr_fms(f.v, a, v, f.v, MPFR_RNDN); // a v - v^n
        mpfr_sub(f.v, c, f.v, MPFR_RNDN);    // v^n - a v + c
        mpfr_mul_ui(g.v, t.v, n, MPFR_RNDN);
        mpfr_sub(g.v, g.v, a, MPFR_RNDN);
        mpfr_div(t.v, f.v, g.v, MPFR_RNDN);
        mpfr_sub(next.v, v, t.v, MPFR_RNDN);
        if (mpfr_cmp(next.v, v) >= 0)
            return;
        mpfr_set(v, next.v, MPFR_RNDN);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const long shard = argc > 1 ? std::atol(argv[1]) : 0;
    const long count = argc > 2 ? std::atol(argv[2]) : 100000;
    std::mt19937_64 rng(0x9e3779b9u + shard);
    std::uniform_real_distribution<double> unit(0, 1);
    const int half = penaltyIndexOfName("l1/2"), twoThirds = penaltyIndexOfName("l2/3");
    double worstMap[2] = {0, 0}, worstValue[2] = {0, 0}, worstDerivative[2] = {0, 0};
    long failed = 0, roots[2] = {0, 0}, near[2] = {0, 0};
    Big a, w, gl, lhs, rhs, v, u, c, start, exact;
    for (long trial = 0; trial < count; ++trial) {
        const int which = static_cast<int>(trial % 2); // 0: l1/2, 1: l2/3
        const int penalty = which == 0 ? half : twoThirds;
        // a = |x| anywhere its threshold weight is a double: w ~ a^(3/2) for
        // l1/2 (so |log2 a| < 680), a^(3/4) for l2/3.
        const double exponent = which == 0 ? -680 + 1360 * unit(rng) : -1070 + 2092 * unit(rng);
        const double x = ((rng() & 1) ? -1 : 1) * std::exp2(exponent) * (1 + unit(rng));
        mpfr_set_d(a.v, std::fabs(x), MPFR_RNDN);
        // The threshold weight: w* = sqrt(8 a^3 / 27) or (27 a^4 / 128)^(1/3).
        if (which == 0) {
            mpfr_pow_ui(w.v, a.v, 3, MPFR_RNDN);
            mpfr_mul_d(w.v, w.v, 8.0 / 27.0, MPFR_RNDN);
            mpfr_sqrt(w.v, w.v, MPFR_RNDN);
        } else {
            mpfr_pow_ui(w.v, a.v, 4, MPFR_RNDN);
            mpfr_mul_d(w.v, w.v, 27.0 / 128.0, MPFR_RNDN);
            mpfr_cbrt(w.v, w.v, MPFR_RNDN);
        }
        const bool nearThreshold = rng() % 4 == 0;
        const double factor = nearThreshold ? 1 + (unit(rng) - 0.5) * 0x1p-44 : std::exp2(-12 + 24 * unit(rng));
        const double weight = mpfr_get_d(w.v, MPFR_RNDN) * factor;
        const double gamma = std::exp2(std::floor(-20 + 40 * unit(rng))) * (1 + unit(rng));
        const double lambda = weight / gamma;
        if (!(lambda > 0) || !std::isfinite(lambda) || !std::isfinite(weight))
            continue;
        near[which] += nearThreshold;

        // The exact decision, with w = gamma*lambda as given.
        mpfr_set_d(gl.v, gamma, MPFR_RNDN);
        mpfr_mul_d(gl.v, gl.v, lambda, MPFR_RNDN); // exact in 320 bits
        if (which == 0) {
            mpfr_pow_ui(lhs.v, a.v, 3, MPFR_RNDN);
            mpfr_mul_ui(lhs.v, lhs.v, 8, MPFR_RNDN);
            mpfr_sqr(rhs.v, gl.v, MPFR_RNDN);
            mpfr_mul_ui(rhs.v, rhs.v, 27, MPFR_RNDN);
        } else {
            mpfr_pow_ui(lhs.v, a.v, 4, MPFR_RNDN);
            mpfr_mul_ui(lhs.v, lhs.v, 27, MPFR_RNDN);
            mpfr_pow_ui(rhs.v, gl.v, 3, MPFR_RNDN);
            mpfr_mul_ui(rhs.v, rhs.v, 128, MPFR_RNDN);
        }
        const bool rootWins = mpfr_cmp(lhs.v, rhs.v) > 0;
        double y;
        proxByPenalty(penalty, &y, &x, &lambda, false, 1, 0, gamma);
        double error = 0;
        if (!rootWins) {
            error = y == 0 && !std::signbit(y) == !std::signbit(x) ? 0 : 1e300;
        } else {
            ++roots[which];
            if (which == 0) { // v^3 - a v + w/2, v = sqrt(u), from sqrt(a)
                mpfr_div_ui(c.v, gl.v, 2, MPFR_RNDN);
                mpfr_sqrt(start.v, a.v, MPFR_RNDN);
                largestRoot(v.v, 3, a.v, c.v, start.v);
                mpfr_sqr(u.v, v.v, MPFR_RNDN);
            } else { // v^4 - a v + 2w/3, v = u^(1/3), from a^(1/3)
                mpfr_mul_ui(c.v, gl.v, 2, MPFR_RNDN);
                mpfr_div_ui(c.v, c.v, 3, MPFR_RNDN);
                mpfr_cbrt(start.v, a.v, MPFR_RNDN);
                mpfr_nextabove(start.v);
                largestRoot(v.v, 4, a.v, c.v, start.v);
                mpfr_pow_ui(u.v, v.v, 3, MPFR_RNDN);
            }
            error = std::signbit(y) == std::signbit(x) ? ulpsOff(std::fabs(y), u.v) : 1e300;
        }
        worstMap[which] = std::max(worstMap[which], error);

        // Value lambda a^p and derivative p lambda a^(p - 1), p = 1/2 or 2/3.
        double value, derivative;
        valueByPenalty(penalty, &value, &x, &lambda, false, 1, 0);
        derivativeByPenalty(penalty, &derivative, &x, &lambda, false, 1, 0);
        if (which == 0) {
            mpfr_sqrt(exact.v, a.v, MPFR_RNDN);
        } else {
            mpfr_sqr(exact.v, a.v, MPFR_RNDN);
            mpfr_cbrt(exact.v, exact.v, MPFR_RNDN);
        }
        mpfr_mul_d(exact.v, exact.v, lambda, MPFR_RNDN);
        const bool valueInRange = mpfr_cmp_d(exact.v, 1.7976931348623157e308) <= 0; // else both overflow
        const double valueError = valueInRange ? ulpsOff(value, exact.v) : (value == __builtin_inf() ? 0 : 1e300);
        // p lambda a^(p-1) = p * value / a
        mpfr_div(exact.v, exact.v, a.v, MPFR_RNDN);
        mpfr_mul_d(exact.v, exact.v, which == 0 ? 0.5 : 2.0, MPFR_RNDN);
        if (which == 1)
            mpfr_div_ui(exact.v, exact.v, 3, MPFR_RNDN);
        const double derivativeError = ulpsOff(derivative, exact.v);
        worstValue[which] = std::max(worstValue[which], valueError);
        worstDerivative[which] = std::max(worstDerivative[which], derivativeError);
        if ((error > kMapUlps[which] || valueError > kValueUlps[which] || derivativeError > kValueUlps[which])
            && ++failed <= 10)
            std::printf("FAIL %s x %a gamma %a lambda %a: map %a (%g ulps), value %g ulps, derivative %g ulps\n",
                        kPenaltyInfo[penalty].name, x, gamma, lambda, y, error, valueError, derivativeError);
    }
    for (int which = 0; which < 2; ++which)
        std::printf("%s: %ld roots (%ld cases near the threshold); worst ulps: map %.2f, value %.2f, derivative %.2f\n",
                    which == 0 ? "l1/2" : "l2/3", roots[which], near[which], worstMap[which], worstValue[which],
                    worstDerivative[which]);
    std::printf("power maps shard %ld: %ld cases, %ld failed\n", shard, count, failed);
    return failed ? 1 : 0;
}
