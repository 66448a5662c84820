// Changes of units by powers of two, for the step-size maps, whose closed
// forms square the element and its parameters. Multiplying every length of
// one element's problem (x, u, and the parameters measured in the units of
// x) by 2^s multiplies its objective by 2^(2s) and changes no rounding, as
// long as nothing overflows or falls below the normal range. So an element
// whose lengths lie within a window around 1 is left as it is (s = 0, and
// the arithmetic is exactly the unscaled one), and any other is brought to
// lengths near 1, solved there and scaled back: no result is decided by an
// overflow or an underflow that the problem itself does not have.
#pragma once

#include "choice_rules.h"

// An integer 0 <= k < 2^52 held in a lane's bits, as a double.
template <class L>
inline typename L::V integerAsDouble(typename L::U k)
{
    const typename L::V two52 = L::splat(0x1p52);
    return L::fromBits(k | L::bits(two52)) - two52;
}

// floor(log2 d) of a positive finite d as an integer-valued double, exact
// for subnormals too (they are normalised first); zero gives -1087, below
// every other.
template <class L>
inline typename L::V exponentOf(typename L::V d)
{
    using V = typename L::V;
    const auto small = (L::bits(d) >> 52) == 0; // zero or subnormal
    const V normal = small ? d * 0x1p64 : d;
    return integerAsDouble<L>(L::bits(normal) >> 52) - (small ? L::splat(1087.0) : L::splat(1023.0));
}

// 2^e for an integer-valued e in [-1022, 1023]: e + 1023 is moved from the
// low bits of 2^52 + e + 1023 into the exponent field.
template <class L>
inline typename L::V powerOfTwo(typename L::V e)
{
    const typename L::V two52 = L::splat(0x1p52);
    return L::fromBits((L::bits(e + (two52 + 1023.0)) - L::bits(two52)) << 52);
}

// The nearest integer (ties to even) of |v| < 2^51, rounded in magnitude
// and given v's sign: below 2^52 the doubles are 1/2 apart, so adding 2^52
// to a negative v would round it to a multiple of 1/2, not of 1.
template <class L>
inline typename L::V nearestInteger(typename L::V v)
{
    const typename L::V two52 = L::splat(0x1p52);
    const typename L::V rounded = (L::magnitude(v) + two52) - two52;
    return v < 0.0 ? -rounded : rounded;
}

// d * 2^e for an integer-valued e in [-2000, 2000], in two exact steps
// (only the last can round, and only into the subnormal range).
template <class L>
inline typename L::V timesPowerOfTwo(typename L::V d, typename L::V e)
{
    const typename L::V first = minOf<L>(L::splat(1000.0), maxOf<L>(L::splat(-1000.0), e));
    return (d * powerOfTwo<L>(first)) * powerOfTwo<L>(e - first);
}

// Whether an element's largest length lies in the window [2^-w, 2^(w+1)),
// given as its bounds (2^-w, 2^(w+1)). Where every lane is inside, a map
// runs its steps on the element as it is; the lanes outside take a change
// of units, and the lanes inside get exactly the same steps there too.
template <class L>
inline typename L::Mask insideWindow(typename L::V largest, typename L::V lower, typename L::V upper)
{
    return (largest >= lower) & (largest < upper);
}

// One element's change of units: lengths are multiplied by 2^power, the
// result by 2^-power. power is 0 inside the window; outside, it brings the
// element's size (the exponent of its largest length) to [1, 2).
template <class L>
struct UnitChange {
    typename L::V power;
};

template <class L>
inline UnitChange<L> unitChange(typename L::Mask inside, typename L::V sizeExponent)
{
    return {inside ? L::splat(0.0) : -sizeExponent};
}

template <class L>
inline typename L::V toScaled(typename L::V length, UnitChange<L> unit)
{
    return timesPowerOfTwo<L>(length, unit.power);
}

template <class L>
inline typename L::V fromScaled(typename L::V length, UnitChange<L> unit)
{
    return timesPowerOfTwo<L>(length, -unit.power);
}

// p * q * 2^e for positive finite p, q (q may be 0) and an integer-valued
// e, rounded once in the normal range and without a spurious overflow or
// underflow on the way: the mantissas are multiplied (in [1, 4)) and the
// exponents added. Where p*q*2^e is a normal double this is exactly the
// rounded product, so for e = 0 it equals p * q.
template <class L>
inline typename L::V scaledProduct(typename L::V p, typename L::V q, typename L::V e)
{
    const typename L::V ep = exponentOf<L>(p), eq = exponentOf<L>(q);
    const typename L::V mantissas = timesPowerOfTwo<L>(p, -ep) * timesPowerOfTwo<L>(q, -eq);
    // Beyond +-2100 the result is 0 or inf whatever the mantissas; the
    // clamp keeps the three steps below in range.
    const typename L::V total = minOf<L>(L::splat(2100.0), maxOf<L>(L::splat(-2100.0), (ep + eq) + e));
    const typename L::V first = minOf<L>(L::splat(1000.0), maxOf<L>(L::splat(-1000.0), total));
    return timesPowerOfTwo<L>(mantissas * powerOfTwo<L>(first), total - first);
}

// What every penalty's penaltyProx map reads besides the element and its
// weight, formed once per call: theta, gamma, and the bounds of the window
// [2^-w, 2^(w+1)) for the element's lengths. Maps whose objectives multiply
// squared lengths only by numbers near 1 take w = 500, so no intermediate
// leaves the normal range; maps whose objectives also multiply them by the
// numbers theta and gamma (and their ratio) take a window narrower by the
// numbers' own exponents (NumbersInWindow).
template <class L>
struct ProxCall {
    typename L::V theta, gamma, windowLower, windowUpper;
};

template <class L, bool NumbersInWindow>
inline ProxCall<L> proxCallOf(double theta, double gamma)
{
    using V = typename L::V;
    const V th = L::splat(theta), ga = L::splat(gamma);
    V w = L::splat(500.0);
    if constexpr (NumbersInWindow)
        w = maxOf<L>(L::splat(0.0), w - (L::magnitude(exponentOf<L>(th)) + L::magnitude(exponentOf<L>(ga))));
    return {th, ga, powerOfTwo<L>(-w), powerOfTwo<L>(w + 1.0)};
}
