#include "prox_helpers.h"
#include "prox_kernels.h"

// One candidate per piece of the penalty (on [0, lambda], the stationary
// point of the middle piece clamped to [lambda, lambda*theta], and the flat
// piece beyond lambda*theta), each scored with its own piece's formula; the
// least objective wins and equal objectives keep the earlier piece. Near the
// borders 2*lambda and lambda*theta the objectives can round equal, and then
// the earlier candidate is what comes back.
void proxScad(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    if (n <= 0)
        return;
    const double knee = lambda * theta;
    const double lambdaSq = lambda * lambda;
    const double twoKnee = knee * 2;
    const double thetaMinus1 = theta - 1;
    const double thetaMinus2 = theta - 2;
    const double flat = ((theta + 1) * 0.5) * lambdaSq;

    double candidate[3];
    double objective[3];
    for (std::int32_t i = 0; i < n; ++i) {
        const double x = src[i];
        const double a = magnitude(x);
        // Lower bound first, upper bound last: where knee < lambda the upper
        // bound wins, and a NaN passes through both clamps.
        candidate[0] = minOf(lambda, maxOf(0.0, a - lambda));
        const double m = (thetaMinus1 * a - knee) / thetaMinus2;
        candidate[1] = minOf(knee, maxOf(lambda, m));
        candidate[2] = maxOf(knee, a);

        const double d1 = candidate[0] - a;
        const double d2 = candidate[1] - a;
        const double d3 = candidate[2] - a;
        objective[0] = (d1 * 0.5) * d1 + lambda * candidate[0];
        objective[1] = (d2 * 0.5) * d2
            + (((twoKnee - candidate[1]) * candidate[1] - lambdaSq) * 0.5) / thetaMinus1;
        objective[2] = (d3 * 0.5) * d3 + flat;

        const double r = candidate[argMinFirst(objective, 3)];
        dst[i] = withSignOf(x, r);
    }
}
