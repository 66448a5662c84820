// |z| = sqrt(re^2 + im^2) of a complex element, correctly rounded (to
// nearest, ties to even) for every pair of doubles: no overflow where |z|
// is finite, no underflow short of a subnormal result, and so the same bits
// on every build and every lane width.
//
// The parts are scaled by a power of two (exactly) so that the larger lies
// in [1, 2); their squares are then exact double-doubles (Dekker's product,
// no FMA), y0 = sqrt(hi) is within one unit of |z|, and the rounding is
// decided by the sign of S - (y0 +- half a unit)^2. On lanes that sign is
// taken from a double-double residual wherever it is clear by a wide
// margin; the few lanes it leaves open, and parts outside [2^-1000, 2^1000],
// go through the exact route, whose residual is an exact sum of products
// (exact_sign). Written over a lane type, as the penalties are, so that each
// instruction set's file has its own copy.
#pragma once

#include <bit>
#include <cstdint>

#include "exact_arithmetic.h"
#include "exact_sign.h"

namespace modulus_detail {

// d * 2^k for |k| <= 2000, by at most two exact power-of-two steps: exact
// wherever the result is representable.
template <class L>
inline double scaledBy(double d, int k)
{
    auto power = [](int e) { return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52); };
    while (k > 1000) {
        d *= power(1000);
        k -= 1000;
    }
    while (k < -1000) {
        d *= power(-1000);
        k += 1000;
    }
    return d * power(k);
}

// The sign of S - (y + h)^2, S the sum of the four exact square parts;
// y + h is a midpoint between two candidates.
template <class L>
inline int signAgainstMidpoint(const double (&square)[4], double y, double h)
{
    exact_sign::Parts parts;
    for (double s : square)
        parts.part[parts.count++] = s;
    double q, f;
    exact_sign::twoProduct<L>(y, y, q, f);
    parts.part[parts.count++] = -q;
    parts.part[parts.count++] = -f;
    parts.part[parts.count++] = -(2 * y * h); // exact: h is a power of two
    parts.part[parts.count++] = -(h * h);
    return exact_sign::signOfSum<L>(parts);
}

// sqrt(S) rounded to the grid, from a candidate y within a unit of it:
// moves to a neighbour while S lies beyond the midpoint towards it; an
// exact tie keeps the even candidate. spacing(y, up, down) gives the
// grid's spacing above and below y.
template <class L, class Spacing>
inline double roundedRoot(const double (&square)[4], double y, Spacing spacing)
{
    // v / unit is an integer below 2^53; it is even when its half is one.
    auto isEven = [](double v, double unit) {
        const double half = (v / unit) * 0.5;
        return (half + 0x1p52) - 0x1p52 == half;
    };
    for (int step = 0; step < 4; ++step) {
        double up, down;
        spacing(y, up, down);
        const int above = signAgainstMidpoint<L>(square, y, up / 2);
        if (above > 0) {
            y += up;
            continue;
        }
        const int below = signAgainstMidpoint<L>(square, y, -down / 2);
        if (below < 0) {
            y -= down;
            continue;
        }
        // S exactly at a midpoint: the even neighbour wins.
        if (above == 0 && !isEven(y, up))
            y += up;
        else if (below == 0 && !isEven(y, down))
            y -= down;
        break;
    }
    return y;
}

// The squares of the scaled parts as four doubles whose sum is exact.
template <class L>
inline void exactSquares(double big, double small, double (&square)[4])
{
    exact_sign::twoProduct<L>(big, big, square[0], square[1]);
    exact_sign::twoProduct<L>(small, small, square[2], square[3]);
}

} // namespace modulus_detail

// The exact route, for one element: a, b the magnitudes of the parts.
// |Inf + NaN i| is Inf (an infinite part decides, as C99's hypot), a NaN
// otherwise gives that NaN, and |0 + 0i| is +0.
template <class L>
inline double modulusExact(double a, double b)
{
    using namespace modulus_detail;
    if (a == __builtin_inf() || b == __builtin_inf())
        return __builtin_inf();
    if (a != a)
        return a;
    if (b != b)
        return b;
    const double big = a < b ? b : a, small = a < b ? a : b;
    if (big == 0)
        return 0.0;
    double square[4];
    if (big < 0x1p-1022) {
        // Both parts subnormal: in units of 2^-1074 they are integers below
        // 2^52, and |z| < 2^-1021 has the grid of those units, so the
        // root is rounded to an integer there.
        const double ib = scaledBy<L>(big, 1074), is = scaledBy<L>(small, 1074);
        exactSquares<L>(ib, is, square);
        double y = (__builtin_sqrt(square[0] + square[2]) + 0x1p52) - 0x1p52;
        y = roundedRoot<L>(square, y, [](double, double& up, double& down) { up = down = 1.0; });
        return scaledBy<L>(y, -1074);
    }
    int e = static_cast<int>(std::bit_cast<std::uint64_t>(big) >> 52) - 1023;
    const double sb = scaledBy<L>(big, -e), ss = scaledBy<L>(small, -e);
    if (ss < 0x1p-28) // |z| - big is below half a unit of big
        return big;
    exactSquares<L>(sb, ss, square);
    double y = __builtin_sqrt(square[0] + square[2]);
    y = roundedRoot<L>(square, y, [](double v, double& up, double& down) {
        up = v < 2 ? 0x1p-52 : 0x1p-51;
        down = v <= 1 ? 0x1p-53 : (v <= 2 ? 0x1p-52 : 0x1p-51);
    });
    return scaledBy<L>(y, e);
}

// |z| on lanes: the fast route where the scaled residual decides, the
// exact route for the lanes it leaves open.
template <class L>
inline typename L::V modulusOf(typename L::V re, typename L::V im)
{
    using V = typename L::V;
    using U = typename L::U;
    const V a = L::magnitude(re), b = L::magnitude(im);
    const auto swapped = a < b;
    const V big = swapped ? b : a, small = swapped ? a : b;
    // The fast route's range; NaNs fail both tests.
    const auto inRange = (big >= 0x1p-1000) & (big <= 0x1p1000) & (small == small);
    const U exponent = L::bits(inRange ? big : L::splat(1.0)) >> 52;
    const V scale = L::fromBits((2046 - exponent) << 52); // 2^(1023 - e), normal
    const V unscale = L::fromBits(exponent << 52);
    const V sb = big * scale, ss = small * scale;
    const V p1 = sb * sb, e1 = productErrorOf<L>(sb, sb, p1);
    const V p2 = ss * ss, e2 = productErrorOf<L>(ss, ss, p2);
    const V hi = p1 + p2;
    const V lo = ((p1 - hi) + p2) + (e1 + e2);
    const V y0 = L::sqrt(hi);
    const V q = y0 * y0, f = productErrorOf<L>(y0, y0, q);
    const V residual = ((hi - q) + lo) - f; // S - y0^2, within 2^-100
    // Half a unit above y0 (in [1, 3)) and below it.
    const V h = y0 < 2.0 ? L::splat(0x1p-53) : L::splat(0x1p-52);
    const V hb = ((y0 == 1.0) | (y0 == 2.0)) ? h * 0.5 : h;
    const V above = (2.0 * y0) * h + h * h;    // (y0 + h)^2 - y0^2
    const V below = hb * hb - (2.0 * y0) * hb; // (y0 - hb)^2 - y0^2
    const double margin = 0x1p-96;
    const V distanceAbove = residual - above, distanceBelow = residual - below;
    const auto open = ((distanceAbove < margin) & (distanceAbove > -margin))
                      | ((distanceBelow < margin) & (distanceBelow > -margin));
    V y = distanceAbove > 0.0 ? y0 + 2.0 * h : (distanceBelow < 0.0 ? y0 - 2.0 * hb : y0);
    y = ss < 0x1p-28 ? sb : y;
    V r = y * unscale;
    const auto exact = open | (inRange == 0);
    if constexpr (L::N == 1) {
        if (exact)
            r = modulusExact<L>(a, b);
    } else {
        if (L::anyTrue(exact))
            for (int lane = 0; lane < L::N; ++lane)
                if (exact[lane])
                    r[lane] = modulusExact<L>(a[lane], b[lane]);
    }
    return r;
}
