// The fast path of naturalLog, written once over its arithmetic A, on one
// double or on lanes: plain IEEE operations (PlainArithmetic,
// natural_log.cpp) or fused multiply-adds (FusedArithmetic,
// natural_log_fma.cpp, for CPUs that have them), and either of them on a
// vector instruction set's lanes (LaneArithmetic, natural_log_lanes.h). A
// provides its values V, splat(d), mulAdd(a, b, c) = a*b + c (rounded once
// when fused, twice when not), productError(a, b, p) = a*b - p exactly for
// p = a*b rounded, and reducedOffset(m, r) = m*r - 1 exactly. Every
// function here is a template on A, so that no two files share compiled
// code.
//
// Why both variants return the same bits: the result is the correctly
// rounded logarithm, which is unique. Each variant evaluates log x as a
// double-double within its error bound and returns the rounded sum only
// when every value within that bound rounds to it (Ziv's test); what it
// cannot decide goes to the exact slow path. The bound below holds for both.
#pragma once

#include <bit>
#include <cstdint>

#include "exact_arithmetic.h"
#include "natural_log_internal.h"
#include "natural_log_tables.h"

namespace natural_log_steps {

struct Reduced {
    double exponent; // E, raised by one for a halved m
    int index;       // table row of m's interval
    double z;        // m r - 1, exact
};

struct DoubleDouble {
    double high, low;
};

// x positive, finite and normal. Subtracting kHalvedFrom * 2^44 from its
// bits leaves the table row in bits 44..51 (the rows start at the first
// halved interval) and, in the exponent field, x's biased exponent less one
// unless the subtraction borrowed, i.e. exactly when m is halved: one
// subtraction, no comparison. m r is a multiple of 2^-61 (m of 2^-52, r of
// 2^-9) within 2^-8 of 1, so m r - 1 needs at most 53 bits and is a double;
// A forms it exactly.
template <class A>
inline Reduced reducedArgument(double x, int exponentBias)
{
    namespace tables = natural_log_tables;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t shifted = bits - (static_cast<std::uint64_t>(tables::kHalvedFrom) << 44);
    const int index = static_cast<int>((shifted >> 44) & 0xff);
    const double m = std::bit_cast<double>((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);
    Reduced out;
    out.exponent = static_cast<double>(static_cast<int>(shifted >> 52) - 1022 + exponentBias);
    out.index = index;
    out.z = A::reducedOffset(m, tables::kInterval[index][0]);
    return out;
}

// x positive and finite: subnormals are scaled into the normal range by
// 2^52, exactly.
template <class A>
inline Reduced reducedPositive(double x)
{
    const bool subnormal = std::bit_cast<std::uint64_t>(x) < 0x0010000000000000ull;
    return reducedArgument<A>(subnormal ? x * 0x1p52 : x, subnormal ? -52 : 0);
}

// --- Double-double evaluation, relative error below 2^-67 ---
//
// Parts and their errors. Relative to the result y: when E = 0 and T_i = 0,
// y = log1p(z) with |y| > (1 - 2^-9)|z|; when E = 0 and T_i != 0, |T_i| >=
// 1.97 |z| keeps |y| > 0.97 |z|; when E != 0, |y| > ln2 - 0.35 - 2^-8 > 1/4.
//   E ln2High               exact (42-bit constant, |E| < 2^11)
//   E ln2Low + T_i's tail   at most two roundings of 2^-53 of 2^-43 |E ln2|,
//                           whether fused or not                   < 2^-94 |y|
//   T_i as two doubles      2^-106 |T_i|                           < 2^-100 |y|
//   z, z^2/2                exact (A's exact product error)
//   z^3 P(z), P the series  1/3 - z/4 + ... + z^6/9: truncation |z|^10/10
//                           < 2^-75 |z|. Rounding, plain: z^3 within 2^-52
//                           (two roundings); P within 1.8 2^-53 (the rounded
//                           constants, chiefly 1/3, and the last Horner step;
//                           the earlier ones are scaled down by |z| < 2^-8);
//                           the product and the addition of the small parts
//                           2^-53 each: 5.8 2^-53 = 2^-50.4 of |z^3 P| <
//                           0.335 |z|^3 < 2^-17.5 |z|, so < 2^-68 |z|. Fused:
//                           each Horner step, and the product with its
//                           addition, round once: < 2^-68.3 |z|.
//   the exact two-sums and the rounded sum of the small parts   < 2^-94 |y|
// so |y_high + y_low - log x| < 2^-67.9 |y| for either arithmetic (the
// plain one, whose mulAdd rounds twice, is the worse), and kFastErrorBound
// allows 2^-67.
constexpr double kFastErrorBound = 0x1p-67;

// Ziv's test in a multiplication and an addition, never fused. Let h =
// y_high, l = y_low, u the spacing of the doubles above |h| and d the one
// below (u, or u/2 when |h| is a power of two). h + RN(l c) rounding to h
// means |l| c (1 - 2^-53) <= u/2 (d/2 when l and h differ in sign). As
// |h| < 2^53 u, the fast path's error, at most about kFastErrorBound |h|,
// is below 2^-13 u/2 (and 2^-13 d/2 at a power of two); with c = 1 + 2^-12,
// 1/(c (1 - 2^-53)) + 2^-13 (1 + 2^-52) < 1, so log x lies strictly inside
// the rounding interval of h. About one input in 2^12 fails and goes on.
constexpr double kRoundingTestFactor = 1 + 0x1p-12;

// high + low, log x within the bound, from E, the row's two-double T_i
// (term0 + term1) and z.
template <class A>
inline void fastLogOf(typename A::V exponent, typename A::V term0, typename A::V term1, typename A::V z,
                      typename A::V& high, typename A::V& low)
{
    namespace tables = natural_log_tables;
    using V = typename A::V;
    // Each sum below is exact with the cheaper fast two-sum, whose larger
    // operand must come first: |E ln2| >= ln2 > |T_i| unless E = 0; every
    // nonzero T_i is at least 1.97 times the largest z of its interval (the
    // test NaturalLog.TableTermsDominateTheirArguments checks this); and
    // z^2/2 and the small parts are far below what they are added to.
    V s1, e1, s2, e2, s3, e3;
    fastTwoSumOf<A>(exponent * A::splat(tables::kLn2High), term0, s1, e1);
    fastTwoSumOf<A>(s1, z, s2, e2);
    const V square = z * z;
    const V squareError = A::productError(z, z, square);
    fastTwoSumOf<A>(s2, A::splat(-0.5) * square, s3, e3);
    V series = A::mulAdd(A::splat(1.0 / 9), z, A::splat(-0.125));
    series = A::mulAdd(series, z, A::splat(1.0 / 7));
    series = A::mulAdd(series, z, A::splat(-1.0 / 6));
    series = A::mulAdd(series, z, A::splat(0.2));
    series = A::mulAdd(series, z, A::splat(-0.25));
    series = A::mulAdd(series, z, A::splat(1.0 / 3));
    const V cube = square * z;
    const V tails = A::mulAdd(A::splat(-0.5), squareError, A::mulAdd(exponent, A::splat(tables::kLn2Low), term1));
    const V small = A::mulAdd(cube, series, ((e1 + e2) + e3) + tails);
    fastTwoSumOf<A>(s3, small, high, low);
}

template <class A>
inline DoubleDouble fastLog(const Reduced& in)
{
    const double* term = &natural_log_tables::kInterval[in.index][1];
    DoubleDouble y;
    fastLogOf<A>(in.exponent, term[0], term[1], in.z, y.high, y.low);
    return y;
}

// Whether every value within the error bound of high + low rounds to high
// (a bool, or a mask on lanes); the slow path decides the others.
template <class A>
inline auto roundingDecided(typename A::V high, typename A::V low)
{
    return high == high + low * A::splat(kRoundingTestFactor);
}

// NaN as the x86 C libraries return it for a negative argument (sign set,
// quiet bit only), fixed here so every build returns the same bits.
constexpr std::uint64_t kNegativeArgumentNaN = 0xfff8000000000000ull;

// The whole of naturalLog with arithmetic A: special values as IEEE log,
// the fast path, and the slow path (naturalLogSlowPath) for what it leaves
// open; *tookSlowPath, when given, says which decided.
template <class A>
inline double naturalLogOf(double x, bool* tookSlowPath)
{
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    if (tookSlowPath)
        *tookSlowPath = false;
    if (bits >= 0x7ff0000000000000ull || bits == 0) {
        if (x != x)
            return x + x; // quietens a signalling NaN, keeps the payload
        if (bits == 0x7ff0000000000000ull)
            return x;
        if (x == 0)
            return -1.0 / (x * x); // -inf for either zero
        return std::bit_cast<double>(kNegativeArgumentNaN);
    }
    if (bits == 0x3ff0000000000000ull)
        return 0.0;
    const DoubleDouble y = fastLog<A>(reducedPositive<A>(x));
    if (roundingDecided<A>(y.high, y.low))
        return y.high;
    if (tookSlowPath)
        *tookSlowPath = true;
    return naturalLogSlowPath(x);
}

} // namespace natural_log_steps
