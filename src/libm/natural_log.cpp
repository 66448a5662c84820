// Correctly rounded natural logarithm in IEEE double arithmetic: no
// extended precision, no C library call, so every build gives the same
// bits. The fast path runs with fused multiply-adds where the CPU has them
// and in plain arithmetic elsewhere; being correctly rounded, both give the
// same bits (see natural_log_steps.h).
//
// x = 2^E * m with m in [1, 2); m from about sqrt(2) on is halved and E
// raised by one, so that log x = E ln2 + T_i + log1p(z), where
//   r_i = k_i/512 is a short reciprocal of the centre of m's interval i of
//         width 1/256 (r = 1 for the first interval, 1/2 for the last),
//   T_i = -log(r_i) (or -log(2 r_i) for a halved m), from the tables,
//   z   = m r_i - 1, |z| < 2^-8, computed exactly (see reducedArgument).
// Near 1 both E and T_i are zero and log x = log1p(z) alone, so the result
// keeps its relative accuracy however small it is.
//
// The fast path evaluates this in double-double with a relative error below
// 2^-67 and returns the rounded sum when no value within its error bound
// rounds differently (Ziv's test). Otherwise, about once in 2^12 calls, the
// slow path recomputes the sum as an exact sum of doubles carrying about
// 150 bits and rounds that exactly.
#include "natural_log.h"
#include "natural_log_internal.h"

#include <atomic>
#include <bit>
#include <cstdint>

#include "exact_arithmetic.h"
#include "natural_log_steps.h"
#include "natural_log_tables.h"

namespace {

namespace tables = natural_log_tables;

inline std::uint64_t bitsOf(double d) { return std::bit_cast<std::uint64_t>(d); }
inline double fromBits(std::uint64_t b) { return std::bit_cast<double>(b); }

// The fast path's arithmetic without fusing: exact products by Dekker's
// split (exact_arithmetic.h), every other operation rounded once, as in
// all of this project.
struct PlainArithmetic {
    typedef double V;
    static double splat(double d) { return d; }
    static double mulAdd(double a, double b, double c) { return a * b + c; }
    static double productError(double a, double b, double p) { return productErrorOf<PlainArithmetic>(a, b, p); }
    // m r - 1, exact: m's low 10 bits are split off so that both partial
    // products with the 10-bit r are exact, and m_high r - 1 is exact
    // because m_high r lies within a factor 2 of 1.
    static double reducedOffset(double m, double r)
    {
        const double mHigh = fromBits(bitsOf(m) & ~0x3ffull);
        const double mLow = m - mHigh;
        return (mHigh * r - 1.0) + mLow * r;
    }
};

using natural_log_steps::DoubleDouble;
using natural_log_steps::Reduced;

// --- Slow path: exact sums of doubles (expansions) ---
//
// An expansion holds doubles of increasing magnitude whose exact sum is the
// value; growing one by a double is exact (Shewchuk). Products are exact too
// (two-product per component); only truncateTo3 rounds, keeping the three
// largest components of a compressed expansion, a relative error below
// 2^-155. The series has 20 terms: the first term left out is below
// |z|^21/21 < 2^-160 |z|. With at most about 30 such roundings and the 2^8
// cancellation bound of the fast path, the slow value is within 2^-145 of
// log x, far inside the 2^-118 or so that the hardest doubles need.

struct Expansion {
    double part[40];
    int count;
};

inline void grow(Expansion& e, double b)
{
    double q = b;
    int kept = 0;
    for (int i = 0; i < e.count; ++i) {
        double h;
        twoSumOf<PlainArithmetic>(q, e.part[i], q, h);
        if (h != 0)
            e.part[kept++] = h;
    }
    e.part[kept++] = q;
    e.count = kept;
}

// Shewchuk's compression: the same value in fewer, non-adjacent parts, the
// largest last and approximating the whole to within its own last bit.
void compress(Expansion& e)
{
    if (e.count <= 1)
        return;
    double g[40];
    int bottom = e.count - 1;
    double q = e.part[bottom];
    for (int i = e.count - 2; i >= 0; --i) {
        double small;
        fastTwoSumOf<PlainArithmetic>(q, e.part[i], q, small);
        if (small != 0) {
            g[bottom--] = q;
            q = small;
        }
    }
    g[bottom] = q;
    int top = 0;
    for (int i = bottom + 1; i < e.count; ++i) {
        double small;
        fastTwoSumOf<PlainArithmetic>(g[i], q, q, small);
        if (small != 0)
            e.part[top++] = small;
    }
    e.part[top++] = q;
    e.count = top;
}

struct Triple {
    double part[3]; // largest first
};

inline Triple truncateTo3(Expansion& e)
{
    compress(e);
    Triple t{{0, 0, 0}};
    for (int k = 0; k < 3 && k < e.count; ++k)
        t.part[k] = e.part[e.count - 1 - k];
    return t;
}

inline void addProduct(Expansion& e, const Triple& a, double b)
{
    for (double part : a.part) {
        double p, err;
        twoProductOf<PlainArithmetic>(part, b, p, err);
        grow(e, err);
        grow(e, p);
    }
}

inline void addTriple(Expansion& e, const double* t)
{
    grow(e, t[2]);
    grow(e, t[1]);
    grow(e, t[0]);
}

inline int signOf(Expansion e)
{
    compress(e);
    const double top = e.part[e.count - 1];
    return top > 0 ? 1 : top < 0 ? -1 : 0;
}

inline double neighbour(double y, int direction) // y finite, nonzero
{
    const bool up = (direction > 0) == (y > 0);
    return fromBits(bitsOf(y) + (up ? 1 : -1));
}

// The double nearest to the expansion's value (ties to even, which never
// happen for a logarithm other than log 1 = 0).
double roundExpansion(Expansion value)
{
    compress(value);
    double y = value.part[value.count - 1];
    if (y == 0)
        return 0.0;
    Expansion rest = value;
    grow(rest, -y);
    for (;;) {
        const int side = signOf(rest);
        if (side == 0)
            return y;
        const double next = neighbour(y, side);
        const double half = (next - y) * 0.5; // exact: neighbours, result normal
        Expansion beyond = rest;
        grow(beyond, -half);
        const int past = signOf(beyond) * side;
        if (past < 0)
            return y;
        if (past == 0)
            return (bitsOf(y) & 1) ? next : y;
        grow(rest, -(next - y));
        y = next;
    }
}

Expansion slowLogExpansion(const Reduced& in)
{
    Triple series{{tables::kSeries[tables::kSeriesTerms][0], tables::kSeries[tables::kSeriesTerms][1],
                   tables::kSeries[tables::kSeriesTerms][2]}};
    for (int k = tables::kSeriesTerms - 1; k >= 1; --k) {
        Expansion step{{}, 0};
        addProduct(step, series, in.z);
        addTriple(step, tables::kSeries[k]);
        series = truncateTo3(step);
    }
    Expansion total{{}, 0};
    addProduct(total, series, in.z);
    addTriple(total, &tables::kInterval[in.index][1]);
    const Triple ln2{{tables::kLn2[0], tables::kLn2[1], tables::kLn2[2]}};
    addProduct(total, ln2, in.exponent);
    return total;
}

// Kept out of line, so that the fast path carries none of its stack frame.
[[gnu::noinline, gnu::cold]] double slowLog(const Reduced& in)
{
    return roundExpansion(slowLogExpansion(in));
}

Reduced reducedPositive(double x) { return natural_log_steps::reducedPositive<PlainArithmetic>(x); }

// naturalLog's variant for this CPU, chosen at the first call: the fused
// one where the CPU has FMA (natural_log_fma.cpp), the plain one elsewhere.
// Every call of the resolver stores the same pointer, so a race between
// first calls is harmless.
double resolveNaturalLog(double x);
std::atomic<double (*)(double)> chosenNaturalLog{resolveNaturalLog};

double plainNaturalLog(double x) { return natural_log_steps::naturalLogOf<PlainArithmetic>(x, nullptr); }

double resolveNaturalLog(double x)
{
    double (*const chosen)(double) = naturalLogHasFma() ? naturalLogFused : plainNaturalLog;
    chosenNaturalLog.store(chosen, std::memory_order_relaxed);
    return chosen(x);
}

} // namespace

double naturalLogSlowPath(double x) { return slowLog(reducedPositive(x)); }

void naturalLogFastParts(double x, bool fused, double* high, double* low)
{
    if (fused) {
        naturalLogFusedFastParts(x, high, low);
        return;
    }
    const DoubleDouble y = natural_log_steps::fastLog<PlainArithmetic>(reducedPositive(x));
    *high = y.high;
    *low = y.low;
}

void naturalLogSlowParts(double x, double parts[3])
{
    Expansion total = slowLogExpansion(reducedPositive(x));
    const Triple t = truncateTo3(total);
    for (int k = 0; k < 3; ++k)
        parts[k] = t.part[k];
}

double naturalLogWithVariant(double x, bool fused, bool* tookSlowPath)
{
    if (fused)
        return naturalLogFusedWithPath(x, tookSlowPath);
    return natural_log_steps::naturalLogOf<PlainArithmetic>(x, tookSlowPath);
}

double naturalLog(double x) { return chosenNaturalLog.load(std::memory_order_relaxed)(x); }
