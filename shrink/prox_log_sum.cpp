#include <cmath>

#include "natural_log.h"
#include "prox_helpers.h"
#include "prox_kernels.h"

namespace {

// Objective 0.5*(r - a)^2 + lambda*log(1 + r/theta) at a candidate r. The
// logarithm is taken of the rounded r/theta + 1, also when r is 0, and is
// our own correctly rounded one, so that every build agrees to the bit.
double logSumObjective(double r, double a, double lambda, double theta)
{
    const double d = r - a;
    return (d * 0.5) * d + naturalLog(r / theta + 1) * lambda;
}

} // namespace

// Stationary points of 0.5*(u - a)^2 + lambda*log(1 + u/theta) solve
// u^2 - e*u + (lambda - a*theta) = 0 with e = a - theta. The kernel compares
// u = 0 with both roots, each clamped at 0, by their objective values.
void proxLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    double candidate[3];
    double objective[3];
    candidate[0] = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double x = src[i];
        const double a = magnitude(x);
        const double e = a - theta;
        const double q = e * e - (lambda - a * theta) * 4;
        // No real root: the objective rises from 0, so 0 it is, stored as +0
        // whatever the sign of x. A zero or NaN q goes on to the roots.
        if (q < 0) {
            dst[i] = 0.0;
            continue;
        }
        const double s = std::sqrt(q);
        candidate[1] = maxOf(0.0, (s + e) * 0.5);
        candidate[2] = maxOf(0.0, (e - s) * 0.5);
        objective[0] = (a * 0.5) * a;
        objective[1] = logSumObjective(candidate[1], a, lambda, theta);
        objective[2] = logSumObjective(candidate[2], a, lambda, theta);
        // Ties go to the earlier of 0, larger root, smaller root; a NaN
        // objective never wins, so a NaN element ends at candidate 0.
        const double r = candidate[argMinFirst(objective, 3)];
        dst[i] = withSignOf(x, r);
    }
}
