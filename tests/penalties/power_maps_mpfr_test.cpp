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

#include "dispatch.h"
#include "penalty_reference.h"

namespace {

// The bounds the help texts state: the maps 1.1 ulp (l1/2) and 2.5 ulp
// (l2/3), the values and derivatives 2 and 2.5 ulp.
constexpr double kMapUlps[2] = {1.1, 2.5}, kValueUlps[2] = {2, 2.5};

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
    mpfr_set_default_prec(320);
    for (long trial = 0; trial < count; ++trial) {
        const int which = static_cast<int>(trial % 2); // 0: l1/2, 1: l2/3
        const int penalty = which == 0 ? half : twoThirds;
        const Defined p = which == 0 ? Defined::LHalf : Defined::LTwoThirds;
        // a = |x| anywhere its threshold weight is a double: w ~ a^(3/2) for
        // l1/2 (so |log2 a| < 680), a^(3/4) for l2/3.
        const double exponent = which == 0 ? -680 + 1360 * unit(rng) : -1070 + 2092 * unit(rng);
        const double x = ((rng() & 1) ? -1 : 1) * std::exp2(exponent) * (1 + unit(rng));
        const Real a(std::fabs(x));
        // The threshold weight: w* = sqrt(8 a^3 / 27) or (27 a^4 / 128)^(1/3).
        const Real threshold = which == 0 ? sqrt(power(a, 3) * Real(8) / Real(27)) : cbrt(power(a, 4) * Real(27) / Real(128));
        const bool nearThreshold = rng() % 4 == 0;
        const double factor = nearThreshold ? 1 + (unit(rng) - 0.5) * 0x1p-44 : std::exp2(-12 + 24 * unit(rng));
        const double weight = threshold.d() * factor;
        const double gamma = std::exp2(std::floor(-20 + 40 * unit(rng))) * (1 + unit(rng));
        const double lambda = weight / gamma;
        if (!(lambda > 0) || !std::isfinite(lambda) || !std::isfinite(weight))
            continue;
        near[which] += nearThreshold;

        // The exact decision, with w = gamma*lambda as given (exact in 320 bits).
        const Real gl = Real(gamma) * Real(lambda);
        const bool rootWins = which == 0 ? power(gl, 2) * Real(27) < power(a, 3) * Real(8)
                                         : power(gl, 3) * Real(128) < power(a, 4) * Real(27);
        double y;
        proxByPenalty(penalty, &y, &x, &lambda, false, 1, 0, gamma);
        double error = 0;
        if (!rootWins) {
            error = y == 0 && !std::signbit(y) == !std::signbit(x) ? 0 : 1e300;
        } else {
            ++roots[which];
            error = std::signbit(y) == std::signbit(x) ? ulpsOff(std::fabs(y), powerRoot(p, a, gl)) : 1e300;
        }
        worstMap[which] = std::max(worstMap[which], error);

        // Value lambda a^p and derivative p lambda a^(p - 1), p = 1/2 or 2/3:
        // where the exact value overflows, the result must be inf.
        double value, derivative;
        valueByPenalty(penalty, &value, &x, &lambda, false, 1, 0);
        derivativeByPenalty(penalty, &derivative, &x, &lambda, false, 1, 0);
        const double valueError = ulpsOff(value, penaltyValueOf(p, a, Real(lambda), Real(0)));
        const double derivativeError = ulpsOff(derivative, penaltyDerivativeOf(p, a, Real(lambda), Real(0)));
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
