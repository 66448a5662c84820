// The exact sign of a sum of products of doubles, for the maps that choose
// between 0 and a root by an inequality between powers of the element and
// the weight (l1/2, l2/3, log-sum's roots, the modulus): each product is
// added as its rounded value and its exact error, and the sign of the sum
// is exact (exact_arithmetic.h). Scalar code, used only for the rare
// elements that lie too close to the boundary for a plain comparison.
// Like every penalty's code it is a template on the lane type L (which it
// does not use), so that each instruction set's file has its own copy.
#pragma once

#include <bit>
#include <cstdint>

#include "exact_arithmetic.h"

namespace exact_sign {

// The exact building blocks (exact_arithmetic.h) on one double of L's code.
typedef ExactSum Parts;

template <class L>
inline void twoSum(double a, double b, double& s, double& e)
{
    twoSumOf<OneLaneOf<L>>(a, b, s, e);
}

template <class L>
inline void twoProduct(double a, double b, double& p, double& e)
{
    twoProductOf<OneLaneOf<L>>(a, b, p, e);
}

template <class L>
inline void addProduct(Parts& parts, double a, double b)
{
    addExactProduct<L>(parts, a, b);
}

template <class L>
inline int signOfSum(const Parts& parts)
{
    return signOfExactSum<L>(parts);
}

// Lane `lane` of v: L's vector element, or its one double.
template <class L>
inline double laneOf(typename L::V v, int lane)
{
    if constexpr (L::N == 1) {
        (void)lane;
        return v;
    } else {
        return v[lane];
    }
}

// decided, with every lane of `open` replaced by exact(lane): the per-lane
// route of a decision that a plain comparison left open.
template <class L, class Exact>
inline typename L::Mask decideOpenLanes(typename L::Mask decided, typename L::Mask open, Exact exact)
{
    if constexpr (L::N == 1) {
        return open ? exact(0) : decided;
    } else {
        for (int lane = 0; lane < L::N; ++lane)
            if (open[lane])
                decided[lane] = exact(lane) ? -1 : 0;
        return decided;
    }
}

// d = m * 2^e with m in [1, 2), for a positive finite d (subnormals too).
template <class L>
inline double mantissaOf(double d, int& e)
{
    int bias = 0;
    if (d < 0x1p-1022) {
        d *= 0x1p64;
        bias = 64;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(d);
    e = static_cast<int>(bits >> 52) - 1023 - bias;
    return std::bit_cast<double>((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);
}

// The weight w = gamma*lambda*2^e as two doubles, exactly (high + low), for
// positive gamma and lambda whose product in these units lies near 1: the
// mantissas are multiplied exactly and scaled by a power of two in range.
template <class L>
inline void exactWeight(double gamma, double lambda, int e, double& high, double& low)
{
    int eg, el;
    twoProduct<L>(mantissaOf<L>(gamma, eg), mantissaOf<L>(lambda, el), high, low);
    const double scale = std::bit_cast<double>(static_cast<std::uint64_t>(eg + el + e + 1023) << 52);
    high *= scale;
    low *= scale;
}

} // namespace exact_sign
