// Correctly rounded natural logarithm in plain IEEE double arithmetic: no
// fused multiply-add, no extended precision, no C library call, so every
// build gives the same bits.
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
// rounds differently (Ziv's test). Otherwise, about once in 2^13 calls, the
// slow path recomputes the sum as an exact sum of doubles carrying about
// 150 bits and rounds that exactly.
#include "natural_log.h"
#include "natural_log_internal.h"

#include <bit>
#include <cstdint>

#include "natural_log_tables.h"

namespace {

namespace tables = natural_log_tables;

// --- Exact building blocks (Knuth's two-sum, Dekker's product) ---

inline void twoSum(double a, double b, double& s, double& e)
{
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

inline void fastTwoSum(double a, double b, double& s, double& e) // |a| >= |b| or a = 0
{
    s = a + b;
    e = b - (s - a);
}

// Veltkamp's split into two halves of 26 bits each, so that their products
// are exact; valid for |a| below 2^995, far beyond anything split here.
inline void split(double a, double& high, double& low)
{
    const double t = 134217729.0 * a; // 2^27 + 1
    high = t - (t - a);
    low = a - high;
}

inline void twoProduct(double a, double b, double& p, double& e)
{
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    p = a * b;
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

inline std::uint64_t bitsOf(double d) { return std::bit_cast<std::uint64_t>(d); }
inline double fromBits(std::uint64_t b) { return std::bit_cast<double>(b); }
inline double magnitude(double d) { return fromBits(bitsOf(d) & 0x7fffffffffffffffull); }

// --- Argument reduction ---

struct Reduced {
    double exponent; // E, after the halving of m
    int index;       // table interval of m
    double z;        // m r - 1, exact
};

// x positive, finite and normal. m r is a multiple of 2^-61 (m of 2^-52, r of
// 2^-9) within 2^-8 of 1, so m r - 1 needs at most 53 bits and is a double.
// It is formed exactly without FMA: m's low 10 bits are split off so that
// both partial products with the 10-bit r are exact, and m_high r - 1 is
// exact because m_high r lies within a factor 2 of 1.
inline Reduced reducedArgument(double x, int exponentBias)
{
    const std::uint64_t bits = bitsOf(x);
    const int index = static_cast<int>((bits >> 44) & 0xff);
    const int halved = index >= tables::kHalvedFrom ? 1 : 0;
    const double m = fromBits((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);
    const double mHigh = fromBits(bitsOf(m) & ~0x3ffull);
    const double mLow = m - mHigh;
    const double r = tables::kReciprocal[index];
    Reduced out;
    out.exponent = static_cast<double>(static_cast<int>(bits >> 52) - 1023 + exponentBias + halved);
    out.index = index;
    out.z = (mHigh * r - 1.0) + mLow * r;
    return out;
}

// --- Fast path: double-double, relative error below 2^-67 ---
//
// Parts and their errors. Relative to the result y: when E = 0 and T_i = 0,
// y = log1p(z) with |y| > (1 - 2^-9)|z|; when E = 0 and T_i != 0, |T_i| >=
// 1.97 |z| keeps |y| > 0.97 |z|; when E != 0, |y| > ln2 - 0.35 - 2^-8 > 1/4.
//   E ln2High               exact (42-bit constant, |E| < 2^11)
//   E ln2Low                rounding 2^-53 of 2^-43 |E ln2|       < 2^-95 |y|
//   T_i as two doubles      2^-106 |T_i|                           < 2^-100 |y|
//   z, z^2/2                exact (two-product)
//   z^3 P(z), P the series  1/3 - z/4 + ... + z^6/9: truncation |z|^10/10
//                           < 2^-75 |z|; rounding: z^3 and P each within
//                           2^-52, their product 2^-53, so 2^-50.6 of
//                           |z^3 P| <= |z|^3/3 < 2^-17.5 |z|   < 2^-68.1 |z|
//   the exact two-sums and the rounded sum of the small parts   < 2^-95 |y|
// so |y_high + y_low - log x| < 2^-68 |y|; kFastErrorBound allows 2^-67, the
// margin covering the rounding of the test itself (2^-100 |y|).
constexpr double kFastErrorBound = 0x1p-67;

struct DoubleDouble {
    double high, low;
};

inline DoubleDouble fastLog(const Reduced& in)
{
    const double z = in.z;
    const double* term = tables::kLogTerm[in.index];
    // Each sum below is exact with the cheaper fast two-sum, whose larger
    // operand must come first: |E ln2| >= ln2 > |T_i| unless E = 0; every
    // nonzero T_i is at least 1.97 times the largest z of its interval (the
    // test NaturalLog.TableTermsDominateTheirArguments checks this); and
    // z^2/2 and the small parts are far below what they are added to.
    double s1, e1, s2, e2, s3, e3, square, squareError;
    fastTwoSum(in.exponent * tables::kLn2High, term[0], s1, e1);
    fastTwoSum(s1, z, s2, e2);
    twoProduct(z, z, square, squareError);
    fastTwoSum(s2, -0.5 * square, s3, e3);
    const double series = ((((((1.0 / 9 * z - 0.125) * z + 1.0 / 7) * z - 1.0 / 6) * z + 0.2) * z - 0.25) * z
                           + 1.0 / 3);
    const double cube = square * z;
    const double small = ((e1 + e2) + e3) + ((-0.5 * squareError) + (in.exponent * tables::kLn2Low + term[1]))
                         + cube * series;
    DoubleDouble y;
    fastTwoSum(s3, small, y.high, y.low);
    return y;
}

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
        twoSum(q, e.part[i], q, h);
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
        fastTwoSum(q, e.part[i], q, small);
        if (small != 0) {
            g[bottom--] = q;
            q = small;
        }
    }
    g[bottom] = q;
    int top = 0;
    for (int i = bottom + 1; i < e.count; ++i) {
        double small;
        fastTwoSum(g[i], q, q, small);
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
        twoProduct(part, b, p, err);
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
    addTriple(total, tables::kLogTerm[in.index]);
    const Triple ln2{{tables::kLn2[0], tables::kLn2[1], tables::kLn2[2]}};
    addProduct(total, ln2, in.exponent);
    return total;
}

// NaN as the x86 C libraries return it for a negative argument (sign set,
// quiet bit only), fixed here so every build returns the same bits.
constexpr std::uint64_t kNegativeArgumentNaN = 0xfff8000000000000ull;

// Kept out of line, so that the fast path carries none of its stack frame.
[[gnu::noinline, gnu::cold]] double slowLog(const Reduced& in)
{
    return roundExpansion(slowLogExpansion(in));
}

Reduced reducedPositive(double x) // x positive and finite
{
    // Subnormals are scaled into the normal range by 2^52, exactly.
    const bool subnormal = bitsOf(x) < 0x0010000000000000ull;
    return reducedArgument(subnormal ? x * 0x1p52 : x, subnormal ? -52 : 0);
}

} // namespace

void naturalLogFastParts(double x, double* high, double* low)
{
    const DoubleDouble y = fastLog(reducedPositive(x));
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

double naturalLogWithPath(double x, bool* tookSlowPath)
{
    const std::uint64_t bits = bitsOf(x);
    if (tookSlowPath)
        *tookSlowPath = false;
    if (bits >= 0x7ff0000000000000ull || bits == 0) {
        if (x != x)
            return x + x; // quietens a signalling NaN, keeps the payload
        if (bits == 0x7ff0000000000000ull)
            return x;
        if (x == 0)
            return -1.0 / magnitude(x); // -inf for either zero
        return fromBits(kNegativeArgumentNaN);
    }
    if (bits == 0x3ff0000000000000ull)
        return 0.0;
    const Reduced in = reducedPositive(x);
    const DoubleDouble y = fastLog(in);
    const double allowance = kFastErrorBound * magnitude(y.high);
    const double below = y.high + (y.low - allowance);
    const double above = y.high + (y.low + allowance);
    if (below == above)
        return below;
    if (tookSlowPath)
        *tookSlowPath = true;
    return slowLog(in);
}

double naturalLog(double x) { return naturalLogWithPath(x, nullptr); }
