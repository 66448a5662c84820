// naturalLog on L::N lanes at once, bit-identical to the scalar function:
// the same reduction and the same double-double fast path, operation for
// operation. Lanes that the fast path leaves open (about 1 in 8000), and
// lanes outside the positive normal range (zero, negative, subnormal,
// infinite, NaN), are handed to the scalar naturalLog, which decides them
// exactly as it always does. On a single lane it is naturalLog itself.
#pragma once

#include "natural_log.h"
#include "natural_log_tables.h"

template <class S>
inline typename S::V naturalLogVector(typename S::V x)
{
    using V = typename S::V;
    using U = typename S::U;
    using I = typename S::Mask;
    namespace tables = natural_log_tables;

    const U bits = (U)x;
    const I regular = (bits >= S::splatU(0x0010000000000000ull)) & (bits < S::splatU(0x7ff0000000000000ull));
    const U b = regular ? bits : S::splatU(0x3ff0000000000000ull); // others stand in as 1

    // Reduction, as reducedArgument: index, halving, exact z = m r - 1.
    const U index = (b >> 44) & S::splatU(0xff);
    const I halved = (I)index >= (I)S::splatU(tables::kHalvedFrom);
    const V m = (V)((b & S::splatU(0x000fffffffffffffull)) | S::splatU(0x3ff0000000000000ull));
    const V mHigh = (V)((U)m & S::splatU(~0x3ffull));
    const V mLow = m - mHigh;
    const V r = S::gather(tables::kReciprocal, index);
    // E as a double: the biased exponent (plus one if halved) placed in the
    // low bits of 2^52 and 2^52 subtracted, exact, then the bias removed.
    const U biased = (b >> 52) + (U)(halved & (I)S::splatU(1));
    const V exponent = ((V)(biased | S::splatU(0x4330000000000000ull)) - S::splat(0x1p52)) - S::splat(1023.0);
    const V z = (mHigh * r - S::splat(1.0)) + mLow * r;

    // Fast path, as fastLog.
    const U termIndex = index * S::splatU(3);
    const V term0 = S::gather(&tables::kLogTerm[0][0], termIndex);
    const V term1 = S::gather(&tables::kLogTerm[0][1], termIndex);
    auto fastTwoSum = [](V a, V c, V& s, V& e) {
        s = a + c;
        e = c - (s - a);
    };
    auto split = [](V a, V& high, V& low) {
        const V t = S::splat(134217729.0) * a;
        high = t - (t - a);
        low = a - high;
    };
    V s1, e1, s2, e2, s3, e3;
    fastTwoSum(exponent * S::splat(tables::kLn2High), term0, s1, e1);
    fastTwoSum(s1, z, s2, e2);
    V zh, zl;
    split(z, zh, zl);
    const V square = z * z;
    const V squareError = ((zh * zh - square) + zh * zl + zl * zh) + zl * zl;
    fastTwoSum(s2, S::splat(-0.5) * square, s3, e3);
    const V series = ((((((S::splat(1.0 / 9) * z - S::splat(0.125)) * z + S::splat(1.0 / 7)) * z
                         - S::splat(1.0 / 6)) * z + S::splat(0.2)) * z - S::splat(0.25)) * z
                      + S::splat(1.0 / 3));
    const V cube = square * z;
    const V small = ((e1 + e2) + e3)
                    + ((S::splat(-0.5) * squareError) + (exponent * S::splat(tables::kLn2Low) + term1))
                    + cube * series;
    V high, low;
    fastTwoSum(s3, small, high, low);

    // Ziv's test, as naturalLog: the bound times |high|.
    const V allowance = S::splat(0x1p-67) * S::magnitude(high);
    const V below = high + (low - allowance);
    const V above = high + (low + allowance);
    const I decided = regular & (below == above);
    V result = below;
    if (!S::allTrue(decided)) {
        for (int k = 0; k < S::N; ++k)
            if (!decided[k])
                result[k] = naturalLog(x[k]);
    }
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
