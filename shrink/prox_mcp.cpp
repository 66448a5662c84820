#include "prox_helpers.h"
#include "prox_kernels.h"

namespace {

// Common tail of every regime: the outer candidate u on the flat stretch
// [knee, inf), the objective difference F(t) - F(u), and the choice. The
// quadratic part uses 0.5*((t-a)^2 - (u-a)^2) = 0.5*((t + u) - 2a)*(t - u).
// Only a strictly negative difference keeps t: a tie or a NaN takes u.
inline double mcpChoose(double x, double a, double t, double lambda, double theta,
                        double knee, double flat)
{
    const double u = maxOf(knee, a);
    const double s = (t + u) - (a + a);
    const double e = (s * 0.5) * (t - u);
    const double g = (lambda - (t * 0.5) / theta) * t;
    const double d = (e + g) - flat;
    const double r = d < 0 ? t : u;
    return withSignOf(x, r);
}

} // namespace

// On [0, knee] the objective is a parabola with leading coefficient
// 0.5*(1 - 1/theta): convex for theta > 1, a line for theta = 1, concave
// below. The regime decides only how the inner candidate t is found, so it is
// chosen once and each regime runs its own loop.
void proxMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    const double knee = lambda * theta;
    const double flat = (knee * 0.5) * lambda;
    const double thetaMinus1 = theta - 1;

    if (theta > 1) {
        // Convex: the stationary point v, clamped into [0, knee].
        for (std::int32_t i = 0; i < n; ++i) {
            const double x = src[i];
            const double a = magnitude(x);
            const double v = ((a - lambda) * theta) / thetaMinus1;
            const double t = minOf(knee, maxOf(0.0, v));
            dst[i] = mcpChoose(x, a, t, lambda, theta, knee, flat);
        }
    } else if (theta < 1) {
        // Concave: the minimum sits at the end farther from the vertex v;
        // equal distances and a NaN v give the knee.
        for (std::int32_t i = 0; i < n; ++i) {
            const double x = src[i];
            const double a = magnitude(x);
            const double v = ((a - lambda) * theta) / thetaMinus1;
            const double t = magnitude(v) > magnitude(v - knee) ? 0.0 : knee;
            dst[i] = mcpChoose(x, a, t, lambda, theta, knee, flat);
        }
    } else {
        // Linear (theta = 1, or a NaN theta): slope a - lambda decides the
        // end; a = lambda and any NaN give the knee. theta - 1 is never used.
        for (std::int32_t i = 0; i < n; ++i) {
            const double x = src[i];
            const double a = magnitude(x);
            const double t = lambda > a ? 0.0 : knee;
            dst[i] = mcpChoose(x, a, t, lambda, theta, knee, flat);
        }
    }
}
