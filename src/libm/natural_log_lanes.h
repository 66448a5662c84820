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

#include "exact_arithmetic.h"
#include "natural_log.h"
#include "natural_log_steps.h"
#include "natural_log_tables.h"

// The fast path's arithmetic on S's lanes: fused where S has FMA, and
// otherwise exact products by Dekker's split and m's low bits split off.
template <class S>
struct LaneArithmetic {
    typedef typename S::V V;
    static V splat(double d) { return S::splat(d); }
    static V mulAdd(V a, V b, V c)
    {
        if constexpr (S::kFma)
            return S::fma(a, b, c);
        else
            return a * b + c;
    }
    static V productError(V a, V b, V p)
    {
        if constexpr (S::kFma)
            return S::fma(a, b, -p);
        else
            return productErrorOf<S>(a, b, p);
    }
    static V reducedOffset(V m, V r)
    {
        if constexpr (S::kFma) {
            return S::fma(m, r, S::splat(-1.0));
        } else {
            const V mHigh = (V)((typename S::U)m & S::splatU(~0x3ffull));
            const V mLow = m - mHigh;
            return (mHigh * r - S::splat(1.0)) + mLow * r;
        }
    }
};

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
    const V z = LaneArithmetic<S>::reducedOffset(m, r);
    V high, low;
    natural_log_steps::fastLogOf<LaneArithmetic<S>>(exponent, term0, term1, z, high, low);

    // Lanes the rounding test leaves open go to the scalar function.
    const I decided = regular & natural_log_steps::roundingDecided<LaneArithmetic<S>>(high, low);
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
