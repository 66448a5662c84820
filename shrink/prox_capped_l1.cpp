#include "prox_helpers.h"
#include "prox_kernels.h"

// Two candidates: h, the best point where the penalty is flat (u >= theta),
// and l, the soft-thresholded point clamped into [0, theta]. The objective
// difference F(h) - F(l) is expanded so that F itself is never formed;
// 0.5*((h-a)^2 - (l-a)^2) = 0.5*((h + l) - 2a)*(h - l).
void proxCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    for (std::int32_t i = 0; i < n; ++i) {
        const double x = src[i];
        const double a = magnitude(x);
        const double h = maxOf(a, theta);
        const double l = minOf(theta, maxOf(0.0, a - lambda));
        double s = (h + l) - (a + a);
        s = s * 0.5;
        s = s * (h - l);
        const double d = s + (theta - l) * lambda;
        // Only a strictly better flat candidate wins; a tie or a NaN keeps l.
        const double r = d < 0 ? h : l;
        dst[i] = withSignOf(x, r);
    }
}
