// Error-free transformations of doubles, over a lane type L (L::V a double
// or a vector of them): a sum or a product as its rounded value plus its
// exact error, and the exact sign of a sum of many doubles. No fused
// operation anywhere (Veltkamp's split and Dekker's product instead), so the
// penalties' own arithmetic may use them; every function is a template on L
// so that each instruction set's file compiles its own copy and shares
// nothing with a file built for a narrower set. Scalar work inside a vector
// lane type's code takes OneLaneOf<L>: doubles, but an instance of its own.
// Exact barring overflow, and for products underflow of the partial
// products (|a|, |b| below 2^995).
#pragma once

template <class L>
struct OneLaneOf {
    typedef double V;
};

// s + e = a + b exactly, s = a + b rounded (Knuth's two-sum, any order).
template <class L>
inline void twoSumOf(typename L::V a, typename L::V b, typename L::V& s, typename L::V& e)
{
    using V = typename L::V;
    s = a + b;
    const V bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// The same in three operations, for |a| >= |b| or a = 0 (Dekker).
template <class L>
inline void fastTwoSumOf(typename L::V a, typename L::V b, typename L::V& s, typename L::V& e)
{
    s = a + b;
    e = b - (s - a);
}

// high + low = a, each of at most 26 significant bits, so that products of
// halves are exact (Veltkamp's split by 2^27 + 1).
template <class L>
inline void veltkampSplitOf(typename L::V a, typename L::V& high, typename L::V& low)
{
    using V = typename L::V;
    const V t = a * 134217729.0;
    high = t - (t - a);
    low = a - high;
}

// a*b - p exactly, for p = a*b rounded: the partial products of the halves
// are exact and Dekker's order of adding them loses nothing.
template <class L>
inline typename L::V productErrorOf(typename L::V a, typename L::V b, typename L::V p)
{
    using V = typename L::V;
    V ah, al, bh, bl;
    veltkampSplitOf<L>(a, ah, al);
    veltkampSplitOf<L>(b, bh, bl);
    return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// a*b = p + e exactly, p the rounded product.
template <class L>
inline void twoProductOf(typename L::V a, typename L::V b, typename L::V& p, typename L::V& e)
{
    p = a * b;
    e = productErrorOf<L>(a, b, p);
}

// Finite doubles whose exact sum is wanted.
struct ExactSum {
    double part[40]; // at most 40 doubles; the callers add up to 36
    int count = 0;
};

// Adds a*b to the parts, as its rounded value and its error.
template <class L>
inline void addExactProduct(ExactSum& sum, double a, double b)
{
    double p, e;
    twoProductOf<OneLaneOf<L>>(a, b, p, e);
    sum.part[sum.count++] = p;
    sum.part[sum.count++] = e;
}

// -1, 0 or +1: the sign of the exact sum of the parts. They are grown into
// an expansion without rounding (Shewchuk's growth, zeros dropped): its
// components do not overlap and increase in magnitude, so the sign of the
// largest is the sign of the whole.
template <class L>
inline int signOfExactSum(const ExactSum& sum)
{
    double expansion[41];
    int length = 0;
    for (int i = 0; i < sum.count; ++i) {
        double q = sum.part[i];
        int kept = 0;
        for (int k = 0; k < length; ++k) {
            double h;
            twoSumOf<OneLaneOf<L>>(q, expansion[k], q, h);
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
