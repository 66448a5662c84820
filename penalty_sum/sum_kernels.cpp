// One running double from +0, added to in index order and nothing else: no
// second accumulator, no pairwise or compensated sum, so the rounding of
// every partial sum is fixed and every build returns the same bits. A NaN
// element fails every ordered comparison and so takes each kernel's last
// branch.
#include "sum_kernels.h"

#include <bit>
#include <cstdint>

#include "natural_log.h"

namespace {

// |x| on the bits, never through a C library fabs (x87 on 32-bit MinGW).
inline double magnitude(double x)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & 0x7fffffffffffffffull);
}

} // namespace

// lambda multiplies the finished sum, so the empty sum is lambda*0: -0 for a
// negative lambda, NaN for an infinite or NaN one.
void sumCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    double s = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double a = magnitude(src[i]);
        s = s + (theta >= a ? a : theta);
    }
    *dst = lambda * s;
}

// The correctly rounded log of the rounded a/theta + 1 (not a log-of-one-plus
// form); lambda at the end.
void sumLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    double s = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double a = magnitude(src[i]);
        s = s + naturalLog(a / theta + 1);
    }
    *dst = lambda * s;
}

// lambda enters every term. The middle branch is reached only for
// lambda < a <= lambda*theta (or a NaN), so for theta <= 1 and lambda >= 0 no
// number is ever divided by theta - 1.
void sumScad(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    const double knee = lambda * theta;
    const double lambdaSq = lambda * lambda;
    const double flat = ((theta + 1) * 0.5) * lambdaSq;
    const double thetaMinus1 = theta - 1;
    double s = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double a = magnitude(src[i]);
        double term;
        if (lambda >= a)
            term = a * lambda;
        else if (a > knee)
            term = flat;
        else
            term = ((((knee * 2) - a) * a - lambdaSq) * 0.5) / thetaMinus1;
        s = s + term;
    }
    *dst = s;
}

// a = lambda*theta takes the curved piece; a NaN takes the flat one.
void sumMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    const double knee = lambda * theta;
    const double flat = (knee * 0.5) * lambda;
    double s = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double a = magnitude(src[i]);
        s = s + (knee >= a ? (lambda - (a * 0.5) / theta) * a : flat);
    }
    *dst = s;
}
