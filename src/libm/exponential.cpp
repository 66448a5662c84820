// e^x = 2^k * 2^(j/64) * e^r with x = (64k + j) * ln2/64 + r, |r| <= ln2/128
// (about 0.0054). The reduction is exact but for the last rounding of r:
// n * kStepHigh is exact (29-bit constant, |n| < 2^17), and x - n*kStepHigh
// is exact by Sterbenz's lemma (x and n*kStepHigh lie within a factor 2
// for n != 0). e^r - 1 is the Taylor polynomial of degree 6, whose
// truncation error (r^7/7! < 3e-20) is far below an ulp; the table holds
// 2^(j/64) as a double and the rest, so the sum T_high + (T_low + T_high*p)
// carries one rounding of the result plus errors of about 2^-60.
#include "exponential.h"

#include <bit>
#include <cstdint>

#include "exact_arithmetic.h"
#include "exponential_table.h"
#include "natural_log.h"

namespace {

namespace table = exponential_table;

// This file's own instance of the exact arithmetic, on plain doubles.
struct Doubles {
    typedef double V;
};

constexpr double kOverflowFrom = 0x1.62e42fefa39efp+9;  // 709.78271289338397, ln(2^1024) rounded down
constexpr double kUnderflowBelow = -0x1.75p+9;          // -746: below -1075 ln2, e^x < 2^-1075
constexpr double kRoundingShift = 0x1.8p52;             // x*64/ln2 + shift rounds to an integer

double powerOfTwo(std::int64_t k) // 2^k for -1022 <= k <= 1023
{
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// y * 2^k for y in [1/2, 2): one rounding where the result is subnormal,
// none elsewhere (an overflow rounds to +inf).
double scaled(double y, std::int64_t k)
{
    if (k > 1023)
        return (y * 2.0) * powerOfTwo(k - 1);
    if (k < -1022)
        return (y * powerOfTwo(k + 600)) * powerOfTwo(-600);
    return y * powerOfTwo(k);
}

} // namespace

double exponential(double x)
{
    if (x != x)
        return x;
    if (x > kOverflowFrom)
        return std::bit_cast<double>(std::uint64_t{0x7ff0000000000000});
    if (x < kUnderflowBelow)
        return 0.0;
    const double shifted = x * table::kInverseStep + kRoundingShift;
    const double nearest = shifted - kRoundingShift;
    const std::int64_t n = static_cast<std::int64_t>(nearest);
    const double r = (x - nearest * table::kStepHigh) - nearest * table::kStepLow;
    const double q = 0.5 + r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 + r * (1.0 / 720))));
    const double p = r + (r * r) * q;
    const double* t = table::kPower[n & 63];
    const double y = t[0] + (t[1] + t[0] * p);
    return scaled(y, n >> 6); // arithmetic shift: k = floor(n / 64)
}

double logOnePlus(double x)
{
    if (x != x || x == std::bit_cast<double>(std::uint64_t{0x7ff0000000000000}))
        return x;
    // u = 1 + x rounded, and its rounding error e exactly (Knuth's two-sum):
    // log(1 + x) = log(u) + log(1 + e/u), and |e/u| <= 2^-53, so the second
    // term is e/u to far below an ulp of the sum. Where u = 1, e = x.
    double u, e;
    twoSumOf<Doubles>(1.0, x, u, e);
    if (u == 0)
        return -std::bit_cast<double>(std::uint64_t{0x7ff0000000000000});
    return naturalLog(u) + e / u;
}

double softPlus(double x)
{
    if (x != x)
        return x;
    if (x > 0)
        return x + logOnePlus(exponential(-x));
    return logOnePlus(exponential(x));
}

double logistic(double x)
{
    if (x != x)
        return x;
    if (x >= 0)
        return 1.0 / (1.0 + exponential(-x));
    const double e = exponential(x);
    return e / (1.0 + e);
}
