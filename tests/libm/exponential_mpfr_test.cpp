// exponential, logOnePlus, softPlus and logistic against MPFR, in ulps of
// the correctly rounded result, on seeded inputs across the whole range of
// each (subnormal results, the overflow edge, arguments near 0 where the
// reduction leaves r = x, and the arguments a likelihood takes). Prints the
// largest error of each; fails on any result beyond its stated bound.
//   exponential_mpfr_test COUNT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <mpfr.h>

#include "exponential.h"

namespace {

double ulpsOff(double got, mpfr_t exact)
{
    // The error in units of the last place of the correctly rounded result,
    // measured at 200 bits; subnormal results in units of the smallest one.
    const double rounded = mpfr_get_d(exact, MPFR_RNDN);
    if (std::isinf(rounded) || rounded == 0)
        return got == rounded ? 0 : (std::isinf(got) || got == 0 ? 1 : 1e300);
    int e;
    std::frexp(rounded, &e);
    const double ulp = std::ldexp(1.0, std::max(e - 53, -1074));
    mpfr_t d;
    mpfr_init2(d, 200);
    mpfr_sub_d(d, exact, got, MPFR_RNDN);
    const double off = std::fabs(mpfr_get_d(d, MPFR_RNDN)) / ulp;
    mpfr_clear(d);
    return off;
}

struct Check {
    const char* name;
    double (*ours)(double);
    void (*exact)(mpfr_t, double);
    double (*argument)(std::mt19937_64&);
    double boundNormal, boundSubnormal;
};

std::uniform_real_distribution<double> unit(0, 1);

double anywhere(std::mt19937_64& g) { return (unit(g) * 2 - 1) * 746; }
double nearZero(std::mt19937_64& g) { return (g() & 1 ? 1 : -1) * std::ldexp(unit(g), -static_cast<int>(g() % 60)); }
double subnormalResult(std::mt19937_64& g) { return -708.4 - unit(g) * 36.8; }
double overflowEdge(std::mt19937_64& g) { return 709.78 + unit(g) * 0.003; }
double aboveMinusOne(std::mt19937_64& g)
{
    return g() & 1 ? std::ldexp(unit(g), static_cast<int>(g() % 80) - 60) : -unit(g);
}
double linearPredictor(std::mt19937_64& g) { return (unit(g) * 2 - 1) * std::ldexp(1.0, static_cast<int>(g() % 12) - 2); }

void mpfrExp(mpfr_t r, double x) { mpfr_set_d(r, x, MPFR_RNDN); mpfr_exp(r, r, MPFR_RNDN); }
void mpfrLog1p(mpfr_t r, double x) { mpfr_set_d(r, x, MPFR_RNDN); mpfr_log1p(r, r, MPFR_RNDN); }
void mpfrSoftPlus(mpfr_t r, double x)
{
    mpfr_set_d(r, x, MPFR_RNDN);
    mpfr_exp(r, r, MPFR_RNDN);
    mpfr_log1p(r, r, MPFR_RNDN);
}
void mpfrLogistic(mpfr_t r, double x)
{
    mpfr_set_d(r, -x, MPFR_RNDN);
    mpfr_exp(r, r, MPFR_RNDN);
    mpfr_add_ui(r, r, 1, MPFR_RNDN);
    mpfr_ui_div(r, 1, r, MPFR_RNDN);
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const Check checks[] = {
        {"exponential, |x| < 746", exponential, mpfrExp, anywhere, 0.52, 1.0},
        {"exponential, |x| < 1", exponential, mpfrExp, nearZero, 0.52, 1.0},
        {"exponential, subnormal results", exponential, mpfrExp, subnormalResult, 0.52, 1.0},
        {"exponential, overflow edge", exponential, mpfrExp, overflowEdge, 0.52, 1.0},
        {"logOnePlus", logOnePlus, mpfrLog1p, aboveMinusOne, 1.5, 1.5},
        {"softPlus", softPlus, mpfrSoftPlus, linearPredictor, 2.0, 2.0},
        {"logistic", logistic, mpfrLogistic, linearPredictor, 2.5, 2.5},
    };
    mpfr_t exact;
    mpfr_init2(exact, 200);
    int failures = 0;
    for (const Check& c : checks) {
        std::mt19937_64 g(0xe4b0u);
        double worst = 0, worstAt = 0;
        long bad = 0;
        for (long i = 0; i < count; ++i) {
            const double x = c.argument(g);
            c.exact(exact, x);
            const double off = ulpsOff(c.ours(x), exact);
            const double bound = std::fabs(mpfr_get_d(exact, MPFR_RNDN)) < 0x1p-1022 ? c.boundSubnormal : c.boundNormal;
            if (off > worst) {
                worst = off;
                worstAt = x;
            }
            if (off > bound && bad++ < 5)
                std::printf("  %s(%a) off by %.3f ulp\n", c.name, x, off);
        }
        std::printf("%-32s largest error %.4f ulp at %a (%ld beyond the bound)\n", c.name, worst, worstAt, bad);
        failures += bad > 0;
    }
    // The special values.
    const double inf = INFINITY;
    const struct { double got, want; } specials[] = {
        {exponential(0), 1}, {exponential(-0.0), 1}, {exponential(inf), inf}, {exponential(-inf), 0},
        {exponential(710), inf}, {exponential(-746), 0}, {logOnePlus(-1), -inf}, {logOnePlus(inf), inf},
        {softPlus(inf), inf}, {softPlus(-inf), 0}, {softPlus(800), 800}, {logistic(inf), 1}, {logistic(-inf), 0},
    };
    for (const auto& s : specials)
        if (std::memcmp(&s.got, &s.want, sizeof s.got) != 0) {
            std::printf("special value: got %a, want %a\n", s.got, s.want);
            ++failures;
        }
    if (!std::isnan(exponential(NAN)) || !std::isnan(logOnePlus(-2)) || !std::isnan(softPlus(NAN)))
        ++failures;
    mpfr_clear(exact);
    return failures ? 1 : 0;
}
