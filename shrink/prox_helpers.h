// Scalar choice rules of the proximal kernels. Every decision a kernel makes
// between candidates goes through one of these, so their tie and NaN rules
// are the kernels' tie and NaN rules.
#pragma once

#include <bit>
#include <cstdint>

// p unless q is strictly smaller: equal arguments give p (so minOf(+0, -0)
// is +0), and a NaN on either side fails the test and gives q.
inline double minOf(double p, double q) { return q >= p ? p : q; }

// p unless q is strictly larger: equal arguments give p, a NaN gives q.
inline double maxOf(double p, double q) { return p >= q ? p : q; }

// Index of the first smallest of v[0..m-1]. Only a strictly smaller value
// replaces the one held, so ties keep the earlier index and a NaN is never
// taken (nor replaced, if it sits at index 0).
inline std::int32_t argMinFirst(const double* v, std::int32_t m)
{
    if (m <= 1)
        return 0;
    std::int32_t best = 0;
    double least = v[0];
    for (std::int32_t i = 1; i < m; ++i) {
        if (least > v[i]) {
            best = i;
            least = v[i];
        }
    }
    return best;
}

// |x| by clearing the sign bit: -0 gives +0 and a NaN keeps its payload.
// Done on the bits because a C library's fabs may run on the x87 unit
// (MinGW's does on 32-bit x86), which turns a signalling NaN into a quiet one.
inline double magnitude(double x)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & 0x7fffffffffffffffull);
}

// Puts the element's sign back on a non-negative result. The test is x >= 0
// itself, so -0 keeps r while a NaN element takes -r; negation flips the sign
// bit, so a zero r for a negative element becomes -0.
inline double withSignOf(double x, double r) { return x >= 0 ? r : -r; }
