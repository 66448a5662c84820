// naturalLog on L::N lanes at once, correctly rounded like the scalar
// function and so equal to it bit for bit: the same reduction and the same
// double-double fast path (natural_log_steps.h), with fused multiply-adds
// where the lanes have them (AVX2 and AVX-512 on 64-bit x86) and plain
// arithmetic elsewhere; both stay within the fast path's error bound. Lanes
// the fast path leaves open (about 1 in 4000), and lanes outside the
// positive normal range (zero, negative, subnormal, infinite, NaN), are
// handed to the scalar naturalLog, which decides them as it always does.
// On a single lane it is naturalLog itself.
#pragma once

#include "natural_log.h"
#include "natural_log_steps.h"
#include "natural_log_tables.h"
#include "product_error.h"

// a*b + c, fused (one rounding) where the lanes have FMA.
template <class S>
inline typename S::V mulAddLanes(typename S::V a, typename S::V b, typename S::V c)
{
    if constexpr (S::kFma)
        return S::fma(a, b, c);
    else
        return a * b + c;
}

// a*b - p exactly, for p = a*b rounded: fused, or by Dekker's split.
template <class S>
inline typename S::V productErrorLanes(typename S::V a, typename S::V b, typename S::V p)
{
    if constexpr (S::kFma)
        return S::fma(a, b, -p);
    else
        return productErrorOf<S>(a, b, p);
}

// Lanes the fast path left open, decided one by one; kept out of line so
// that the vector loop carries none of it.
template <class S>
[[gnu::noinline, gnu::cold]] typename S::V undecidedLanes(typename S::V x, typename S::V result,
                                                         typename S::Mask decided)
{
    for (int k = 0; k < S::N; ++k)
        if (!decided[k])
            result[k] = naturalLog(x[k]);
    return result;
}

template <class S>
inline typename S::V naturalLogVector(typename S::V x)
{
    using V = typename S::V;
    using U = typename S::U;
    using I = typename S::Mask;
    namespace tables = natural_log_tables;

    const U bits = (U)x;
    // Positive normal: bits - 2^52 below the distance from the smallest
    // normal to infinity, in one unsigned comparison.
    const I regular = (I)((bits - S::splatU(0x0010000000000000ull)) < S::splatU(0x7fe0000000000000ull));

    // Reduction, as reducedArgument: row, exponent (raised for a halved m)
    // and the exact z = m r - 1. Lanes that are not regular take whatever
    // row their bits give and are decided by the scalar function.
    const U shifted = bits - S::splatU(static_cast<std::uint64_t>(tables::kHalvedFrom) << 44);
    const U index = (shifted >> 44) & S::splatU(0xff);
    const V m = (V)((bits & S::splatU(0x000fffffffffffffull)) | S::splatU(0x3ff0000000000000ull));
    V r, term0, term1;
    S::loadRows(tables::kInterval, index, r, term0, term1);
    // E as a double: the exponent field placed in the low bits of 2^52 and
    // 2^52 subtracted, exact, then the bias removed.
    const V exponent = ((V)((shifted >> 52) | S::splatU(0x4330000000000000ull)) - S::splat(0x1p52)) - S::splat(1022.0);
    V z;
    if constexpr (S::kFma) {
        z = S::fma(m, r, S::splat(-1.0));
    } else {
        const V mHigh = (V)((U)m & S::splatU(~0x3ffull));
        const V mLow = m - mHigh;
        z = (mHigh * r - S::splat(1.0)) + mLow * r;
    }

    // Fast path, as fastLog.
    auto fastTwoSum = [](V a, V c, V& s, V& e) {
        s = a + c;
        e = c - (s - a);
    };
    V s1, e1, s2, e2, s3, e3;
    fastTwoSum(exponent * S::splat(tables::kLn2High), term0, s1, e1);
    fastTwoSum(s1, z, s2, e2);
    const V square = z * z;
    const V squareError = productErrorLanes<S>(z, z, square);
    fastTwoSum(s2, S::splat(-0.5) * square, s3, e3);
    V series = mulAddLanes<S>(S::splat(1.0 / 9), z, S::splat(-0.125));
    series = mulAddLanes<S>(series, z, S::splat(1.0 / 7));
    series = mulAddLanes<S>(series, z, S::splat(-1.0 / 6));
    series = mulAddLanes<S>(series, z, S::splat(0.2));
    series = mulAddLanes<S>(series, z, S::splat(-0.25));
    series = mulAddLanes<S>(series, z, S::splat(1.0 / 3));
    const V cube = square * z;
    const V tails = mulAddLanes<S>(S::splat(-0.5), squareError,
                                   mulAddLanes<S>(exponent, S::splat(tables::kLn2Low), term1));
    const V small = mulAddLanes<S>(cube, series, ((e1 + e2) + e3) + tails);
    V high, low;
    fastTwoSum(s3, small, high, low);

    // The rounding test, as roundedIfDecided; lanes it leaves open go to
    // the scalar function.
    const I decided = regular & (high == high + low * S::splat(natural_log_steps::kRoundingTestFactor));
    V result = high;
    if (__builtin_expect(!S::allTrue(decided), 0))
        result = undecidedLanes<S>(x, result, decided);
    return result;
}

template <class L>
inline typename L::V naturalLogLanes(typename L::V x)
{
    if constexpr (L::N == 1)
        return naturalLog(x);
    else
        return naturalLogVector<L>(x);
}
