// The rounding error of a product on lanes: a*b - p exactly, for p = a*b
// rounded, by Veltkamp's split of each factor into two 26-bit halves (their
// partial products are exact) and Dekker's sum of the partial products.
// Exact barring underflow of the partial products, for |a|, |b| below
// 2^995. No fused operation, so the penalties' own arithmetic may use it;
// templated on the lane type so that every instruction set gets its own
// copy.
#pragma once

template <class L>
inline typename L::V productErrorOf(typename L::V a, typename L::V b, typename L::V p)
{
    using V = typename L::V;
    auto split = [](V v, V& high, V& low) {
        const V t = v * 134217729.0; // 2^27 + 1
        high = t - (t - v);
        low = v - high;
    };
    V ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}
