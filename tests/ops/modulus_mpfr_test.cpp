// |z| and r*z/|z| against MPFR. The modulus must be MPFR's correctly
// rounded hypot (subnormal results and overflow included) on every path,
// for parts across the whole exponent range, exact ties (Pythagorean
// triples whose hypotenuse needs 54 bits) and their neighbours; each part
// of a complex prox must lie within its stated bound of r*part/|z|; and
// the NaN, infinity and signed-zero rows are a table.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <mpfr.h>

#include "bit_compare.h"
#include "class_drivers.h"
#include "dispatch.h"
#include "path_operations.h"
#include "penalty_list.h"

namespace {

// hypot(re, im) correctly rounded to double, subnormals and overflow as
// IEEE double has them.
double hypotOfMpfr(double re, double im)
{
    const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_t a, b, r;
    mpfr_inits2(53, a, b, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(a, re, MPFR_RNDN);
    mpfr_set_d(b, im, MPFR_RNDN);
    const int inexact = mpfr_hypot(r, a, b, MPFR_RNDN);
    mpfr_subnormalize(r, inexact, MPFR_RNDN);
    const double d = mpfr_get_d(r, MPFR_RNDN);
    mpfr_clears(a, b, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    return d;
}

const std::vector<SimdPath> kPaths = pathsHere();

// Every path's |z| of the pairs: the bits of MPFR's.
void expectCorrectlyRounded(const std::vector<double>& re, const std::vector<double>& im)
{
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(re.size());
    std::vector<double> got(re.size());
    for (SimdPath path : kPaths) {
        modulusOn(path, got.data(), re.data(), im.data(), n);
        int failures = 0;
        for (std::ptrdiff_t i = 0; i < n && failures < 5; ++i) {
            const double want = hypotOfMpfr(re[i], im[i]);
            if (bitsOf(got[i]) != bitsOf(want)) {
                ++failures;
                ADD_FAILURE() << simdPathName(path) << ": |" << describe(re[i]) << " + " << describe(im[i])
                              << "i| gave " << describe(got[i]) << ", MPFR " << describe(want);
            }
        }
    }
}

double randomDouble(std::mt19937_64& g, int exponent)
{
    const double mantissa = 1.0 + static_cast<double>(g() >> 12) * 0x1p-52;
    const double d = std::ldexp(mantissa, exponent); // subnormal below 2^-1022: rounded there
    return (g() & 1) ? -d : d;
}

TEST(Modulus, MatchesMpfrAcrossTheExponentRange)
{
    std::mt19937_64 g(25);
    std::vector<double> re, im;
    for (int i = 0; i < 400000; ++i) {
        const int e = static_cast<int>(g() % 2098) - 1074;
        // Mostly close exponents (both parts matter), some far apart.
        const int d = i % 4 == 3 ? static_cast<int>(g() % 2098) - 1074 - e : static_cast<int>(g() % 121) - 60;
        re.push_back(randomDouble(g, e));
        im.push_back(randomDouble(g, std::clamp(e + d, -1074, 1023)));
        if (i % 16 == 0) // plain integers and powers of two: exact roots
            re.back() = static_cast<double>(g() % 1000), im.back() = static_cast<double>(g() % 1000);
    }
    expectCorrectlyRounded(re, im);
}

// Pythagorean triples (m^2 - n^2, 2mn, m^2 + n^2) with an odd hypotenuse
// in [2^53, 2^54): |z| lies exactly halfway between two doubles. With a
// part one unit off, it lies just beside the midpoint. Scaled by powers of
// two into every range where the parts stay exact.
TEST(Modulus, DecidesTiesAndNearTiesExactly)
{
    std::mt19937_64 g(2525);
    std::vector<double> re, im;
    while (re.size() < 60000) {
        const std::uint64_t m = 67108864 + g() % 28000000, n = 1 + g() % m;
        const std::uint64_t c = m * m + n * n, a = m * m - n * n, b = 2 * m * n;
        if (c < (1ull << 53) || c >= (1ull << 54) || (c & 1) == 0 || a >= (1ull << 53) || b >= (1ull << 53))
            continue;
        const int scale = static_cast<int>(g() % 1900) - 1000 - 26;
        for (int offset = -1; offset <= 1; ++offset) {
            re.push_back(std::ldexp(static_cast<double>(a) + offset, scale));
            im.push_back(std::ldexp(static_cast<double>(b), scale));
        }
    }
    expectCorrectlyRounded(re, im);
}

TEST(Modulus, SpecialPartsAsTheTableSays)
{
    const double inf = INFINITY, nan = NAN, tiny = 0x1p-1074, big = 1.7976931348623157e308;
    struct Row {
        double re, im, modulus;
    } rows[] = {
        {inf, nan, inf},       {nan, -inf, inf},         {-inf, 0, inf},        {nan, 0, nan},
        {0, nan, nan},         {nan, nan, nan},          {0, -0.0, 0},          {-0.0, -0.0, 0},
        {big, big, inf},       {big, 0, big},            {tiny, tiny, tiny},    {3 * tiny, 4 * tiny, 5 * tiny},
        {-3, 4, 5},            {0x1p-600, 0x1p-600, 0x1.6a09e667f3bcdp-600},    {1e-320, -1e300, 1e300},
    };
    for (const Row& r : rows) {
        double got;
        for (SimdPath path : kPaths) {
            modulusOn(path, &got, &r.re, &r.im, 1);
            EXPECT_TRUE(sameBits(got, r.modulus)) << simdPathName(path) << " |" << r.re << " + " << r.im << "i|";
        }
    }
}

// The complex prox of one element, on one path.
void complexProx(SimdPath path, int penalty, double re, double im, double lambda, double theta, double gamma,
                 double* outRe, double* outIm)
{
    const ElementCall call{ProxOfElements, penalty, theta, gamma};
    const ResultArrays dst{outRe, outIm, false};
    const ElementArrays x{&re, &im, false};
    const WeightArray w{&lambda, false, false};
    elementsOfClassesOn(path, call, dst, x, w, 1);
}

// A thresholded element keeps the sign of each part; an element the map
// keeps, or one with a zero weight, a NaN or an infinite part, comes back
// exactly as it is.
TEST(ComplexProx, SpecialElementsAsTheTableSays)
{
    const int l1 = penaltyIndexOfName("l1"), l0 = penaltyIndexOfName("l0");
    const double inf = INFINITY, nan = NAN;
    struct Row {
        int penalty;
        double re, im, lambda, wantRe, wantIm;
    } rows[] = {
        {l1, -3, 2, 10, -0.0, 0},    {l1, 3, -2, 10, 0, -0.0},     {l1, -0.0, 0, 1, -0.0, 0},
        {l1, 0, -0.0, 1, 0, -0.0},   {l1, -0.0, -0.0, 1, -0.0, -0.0}, {l1, inf, nan, 1, inf, nan},
        {l1, nan, 2, 1, nan, 2},      {l1, -inf, 3, 1, -inf, 3},    {l1, -3, 4, 0, -3, 4},
        {l0, -3, 4, 1, -3, 4},        {l1, -3, 4, 5, -0.0, 0},      {l1, -3, 4, 2.5, -1.5, 2},
        {l1, 1.7976931348623157e308, 1.7976931348623157e308, 1, 1.7976931348623157e308, 1.7976931348623157e308},
    };
    for (const Row& r : rows) {
        for (SimdPath path : kPaths) {
            double re, im;
            complexProx(path, r.penalty, r.re, r.im, r.lambda, 0, 1, &re, &im);
            EXPECT_TRUE(sameBits(re, r.wantRe)) << simdPathName(path) << " re of " << r.re << " + " << r.im << "i";
            EXPECT_TRUE(sameBits(im, r.wantIm)) << simdPathName(path) << " im of " << r.re << " + " << r.im << "i";
        }
    }
}

// Each part t*part, t = r/|z| rounded, is within 2^-52 (relative) of
// r*part/|z| for |z| the double modulus and r its real map, and every path
// gives the bits of the scalar one.
TEST(ComplexProx, PartsWithinTheirBoundOfMpfr)
{
    std::mt19937_64 g(52);
    mpfr_t exact, t;
    mpfr_inits2(300, exact, t, static_cast<mpfr_ptr>(nullptr));
    for (int p = 0; p < kPenaltyCount; ++p) {
        const ThetaRange range = kPenaltyInfo[p].theta;
        for (int i = 0; i < 20000; ++i) {
            const int e = static_cast<int>(g() % 1200) - 600;
            const double re = randomDouble(g, e), im = randomDouble(g, e + static_cast<int>(g() % 81) - 40);
            const double lambda = std::ldexp(1.0 + static_cast<double>(g() % 1000) / 1000, e + static_cast<int>(g() % 5) - 2);
            const double theta = !range.taken ? 0
                                 : range.upper < INFINITY ? range.lower + (range.upper - range.lower) * (g() % 101) / 100
                                                          : range.lower + 0.01 + static_cast<double>(g() % 600) / 100;
            const double gamma = std::ldexp(1.0, static_cast<int>(g() % 7) - 3);
            double a, r, gotRe, gotIm;
            modulusOn(ScalarPath, &a, &re, &im, 1);
            proxByPenaltyOn(ScalarPath, p, &r, &a, &lambda, false, 1, theta, gamma);
            complexProx(ScalarPath, p, re, im, lambda, theta, gamma, &gotRe, &gotIm);
            for (SimdPath path : kPaths) {
                double pathRe, pathIm;
                complexProx(path, p, re, im, lambda, theta, gamma, &pathRe, &pathIm);
                ASSERT_TRUE(sameBits(pathRe, gotRe) && sameBits(pathIm, gotIm)) << simdPathName(path);
            }
            for (const auto& [part, got] : {std::pair{re, gotRe}, std::pair{im, gotIm}}) {
                mpfr_set_d(exact, r, MPFR_RNDN);
                mpfr_mul_d(exact, exact, part, MPFR_RNDN);
                mpfr_div_d(exact, exact, a, MPFR_RNDN);
                mpfr_sub_d(t, exact, got, MPFR_RNDN);
                const double error = std::fabs(mpfr_get_d(t, MPFR_RNDN));
                const double bound = 0x1p-52 * std::fabs(mpfr_get_d(exact, MPFR_RNDN)) + 0x1p-1074;
                ASSERT_LE(error, bound) << kPenaltyInfo[p].name << " part " << describe(part) << " of "
                                        << describe(re) << " + " << describe(im) << "i, lambda " << lambda;
            }
        }
    }
    mpfr_clears(exact, t, static_cast<mpfr_ptr>(nullptr));
}

} // namespace
