// The exact sign of a sum of products of doubles, for the maps that choose
// between 0 and a root by an inequality between powers of the element and
// the weight (l1/2, l2/3). Each product is split into its rounded value
// and its exact error (Dekker's product, no FMA), and the parts are added
// without rounding (Shewchuk's expansion growth): the sign of the largest
// part left is the sign of the exact sum. Scalar code, used only for the
// rare elements that lie too close to the boundary for a plain comparison.
// Like every penalty's code it is a template on the lane type L (which it
// does not use), so that each instruction set's file has its own copy.
#pragma once

#include <bit>
#include <cstdint>

#include "product_error.h"

namespace exact_sign {

struct Parts {
    double part[40]; // at most 40 doubles; the callers add up to 36
    int count = 0;
};

template <class L>
inline void twoSum(double a, double b, double& s, double& e)
{
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// Veltkamp's split into two 26-bit halves, for |a| below 2^995.
template <class L>
inline void split(double a, double& high, double& low)
{
    const double t = 134217729.0 * a; // 2^27 + 1
    high = t - (t - a);
    low = a - high;
}

// a*b = p + e exactly, p the rounded product, barring underflow.
template <class L>
inline void twoProduct(double a, double b, double& p, double& e)
{
    double ah, al, bh, bl;
    split<L>(a, ah, al);
    split<L>(b, bh, bl);
    p = a * b;
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// Adds a*b to the parts, as its rounded value and its error.
template <class L>
inline void addProduct(Parts& parts, double a, double b)
{
    double p, e;
    twoProduct<L>(a, b, p, e);
    parts.part[parts.count++] = p;
    parts.part[parts.count++] = e;
}

// -1, 0 or +1: the sign of the exact sum of the parts (finite doubles).
template <class L>
inline int signOfSum(const Parts& parts)
{
    double expansion[41]; // nonoverlapping, increasing in magnitude, no zeros
    int length = 0;
    for (int i = 0; i < parts.count; ++i) {
        double q = parts.part[i];
        int kept = 0;
        for (int k = 0; k < length; ++k) {
            double h;
            twoSum<L>(q, expansion[k], q, h);
            if (h != 0)
                expansion[kept++] = h;
        }
        if (q != 0)
            expansion[kept++] = q;
        length = kept;
    }
    if (length == 0)
        return 0;
    return expansion[length - 1] > 0 ? 1 : -1;
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
