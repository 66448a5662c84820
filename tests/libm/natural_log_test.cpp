// naturalLog: special values, the error bounds of its two paths, and the
// hardest inputs we found, on which the slow path must decide and be right.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>
#include <mpfr.h>

#include "bit_compare.h"
#include "hard_cases.h"
#include "natural_log.h"
#include "natural_log_internal.h"
#include "natural_log_tables.h"

namespace {

double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

TEST(NaturalLog, SpecialValues)
{
    const struct { std::uint64_t in, out; } rows[] = {
        {0x0000000000000000, 0xfff0000000000000}, // +0 -> -inf
        {0x8000000000000000, 0xfff0000000000000}, // -0 -> -inf
        {0x7ff0000000000000, 0x7ff0000000000000}, // +inf
        {0xfff0000000000000, 0xfff8000000000000}, // -inf -> NaN
        {0xbff0000000000000, 0xfff8000000000000}, // -1 -> NaN
        {0x8000000000000001, 0xfff8000000000000}, // negative subnormal -> NaN
        {0x3ff0000000000000, 0x0000000000000000}, // 1 -> +0
        {0x7ff8000000000123, 0x7ff8000000000123}, // quiet NaN keeps its payload
        {0x7ff0000000000123, 0x7ff8000000000123}, // signalling NaN is quietened
        {0xfff4000000000000, 0xfffc000000000000}, // negative signalling NaN
        {0x0000000000000001, 0xc0874385446d71c3}, // smallest subnormal: -744.44...
        {0x000fffffffffffff, 0xc086232bdd7abcd2}, // largest subnormal
        {0x0010000000000000, 0xc086232bdd7abcd2}, // smallest normal
        {0x7fefffffffffffff, 0x40862e42fefa39ef}, // largest double
        {0x4000000000000000, 0x3fe62e42fefa39ef}, // 2 -> ln 2
        {0x3ff0000000000001, 0x3cafffffffffffff}, // 1 + 2^-52 -> 2^-52 - 2^-105
        {0x3fefffffffffffff, 0xbca0000000000000}, // 1 - 2^-53 -> -2^-53 (nearest)
    };
    for (const auto& row : rows)
        EXPECT_TRUE(sameBits(naturalLog(fromBits(row.in)), fromBits(row.out)) &&
                    bitsOf(naturalLog(fromBits(row.in))) == row.out)
            << "log(" << describe(fromBits(row.in)) << ") = " << describe(naturalLog(fromBits(row.in)));
}

// The fast path adds z to the table term with a fast two-sum, exact only if
// the term is the larger: every nonzero term must exceed every |z| of its
// interval (z = m r - 1 at the interval's ends), and |z| < 2^-8 everywhere.
// Row j holds interval (j + kHalvedFrom) mod 256.
TEST(NaturalLog, TableTermsDominateTheirArguments)
{
    namespace tables = natural_log_tables;
    for (int j = 0; j < 256; ++j) {
        const int i = (j + tables::kHalvedFrom) % 256;
        const double r = tables::kInterval[j][0];
        const double zLow = (1 + i / 256.0) * r - 1, zHigh = (1 + (i + 1) / 256.0) * r - 1;
        const double zMax = std::max(std::fabs(zLow), std::fabs(zHigh));
        EXPECT_LE(zMax, 0x1p-8) << "interval " << i;
        const double term = tables::kInterval[j][1];
        EXPECT_TRUE(term == 0 || std::fabs(term) > zMax) << "interval " << i;
        EXPECT_EQ(term == 0, i == 0 || i == 255) << "interval " << i;
    }
}

double relativeError(mpfr_t exact, const double* parts, int count)
{
    mpfr_t approx;
    mpfr_init2(approx, 400);
    mpfr_set_d(approx, parts[0], MPFR_RNDN);
    for (int k = 1; k < count; ++k)
        mpfr_add_d(approx, approx, parts[k], MPFR_RNDN);
    mpfr_sub(approx, approx, exact, MPFR_RNDN);
    mpfr_div(approx, approx, exact, MPFR_RNDN);
    const double error = std::fabs(mpfr_get_d(approx, MPFR_RNDN));
    mpfr_clear(approx);
    return error;
}

// |approximation - log x| / |log x| on the fast path, plain and fused, and
// on the slow path, against MPFR at 400 bits, on inputs from every region
// the reduction treats apart.
TEST(NaturalLog, ErrorBoundsOfBothPaths)
{
    mpfr_t exact;
    mpfr_init2(exact, 400);
    std::mt19937_64 rng(3);
    double worstPlain = 0, worstFused = 0, worstSlow = 0;
    for (int i = 0; i < 40000; ++i) {
        double x;
        switch (i % 5) {
        case 0: x = fromBits(((rng() % 2046 + 1) << 52) | (rng() >> 12)); break;
        case 1: x = 1 + static_cast<double>(rng() % 100000 + 1) * 0x1p-52; break;
        case 2: x = 1 - static_cast<double>(rng() % 100000 + 1) * 0x1p-53; break;
        case 3: // the widest z with no table term: m in [1 - 2^-9, 1 + 2^-8)
            x = 1 + std::ldexp(static_cast<double>(rng() >> 11) * 0x1p-53, -8) - 0x1p-9; break;
        default: x = fromBits(rng() % 0x0010000000000000ull + 1); break; // subnormal
        }
        if (x == 1)
            continue;
        mpfr_set_d(exact, x, MPFR_RNDN);
        mpfr_log(exact, exact, MPFR_RNDN);
        double parts[3];
        naturalLogFastParts(x, false, &parts[0], &parts[1]);
        worstPlain = std::max(worstPlain, relativeError(exact, parts, 2));
        if (naturalLogHasFma()) {
            naturalLogFastParts(x, true, &parts[0], &parts[1]);
            worstFused = std::max(worstFused, relativeError(exact, parts, 2));
        }
        naturalLogSlowParts(x, parts);
        worstSlow = std::max(worstSlow, relativeError(exact, parts, 3));
    }
    mpfr_clear(exact);
    EXPECT_LT(worstPlain, 0x1p-68) << "plain fast path: worst relative error " << worstPlain;
    EXPECT_LT(worstFused, 0x1p-68) << "fused fast path: worst relative error " << worstFused;
    EXPECT_LT(worstSlow, 0x1p-145) << "slow path: worst relative error " << worstSlow;
    std::printf("worst relative error: plain 2^%.1f, fused 2^%.1f, slow 2^%.1f\n", std::log2(worstPlain),
                std::log2(worstFused), std::log2(worstSlow));
}

// Inputs whose logarithm lies within a tiny fraction of an ulp of a midpoint
// between two doubles: the fast path cannot decide them, the slow path must
// and must be right.
TEST(NaturalLog, HardCasesTakeTheSlowPathAndRoundCorrectly)
{
    mpfr_t v;
    mpfr_init2(v, 53);
    for (const HardCase& c : kHardCases) {
        mpfr_set_d(v, c.x, MPFR_RNDN);
        mpfr_log(v, v, MPFR_RNDN);
        EXPECT_TRUE(sameBits(mpfr_get_d(v, MPFR_RNDN), c.expected)) << "table row " << describe(c.x);
        for (int fused = 0; fused <= (naturalLogHasFma() ? 1 : 0); ++fused) {
            bool tookSlowPath = false;
            const double got = naturalLogWithVariant(c.x, fused != 0, &tookSlowPath);
            EXPECT_TRUE(sameBits(got, c.expected)) << "log(" << describe(c.x) << "), fused " << fused;
            EXPECT_TRUE(tookSlowPath) << "fast path decided " << describe(c.x) << ", fused " << fused;
        }
    }
    mpfr_clear(v);
}

} // namespace
