// The four proximal kernels on S::N lanes at once, bit-identical to the
// scalar kernels: every candidate, objective and difference is formed with
// the same operations in the same order, and every branch of the scalar
// code is an ordered compare and a select with the same tie and NaN rules.
// Include inside a PENALTY_TARGET_BEGIN region after the instruction set's
// header, simd_ops.h and natural_log_simd.h.
#pragma once

#include <cstdint>

template <class S>
void proxCappedL1Lanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const V lam = S::splat(lambda), th = S::splat(theta), zero = S::splat(0.0);
    mapBlocks<S>(dst, src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        const V h = maxOfLanes<S>(a, th);
        const V l = minOfLanes<S>(th, maxOfLanes<S>(zero, a - lam));
        V s = (h + l) - (a + a);
        s = s * S::splat(0.5);
        s = s * (h - l);
        const V d = s + (th - l) * lam;
        return withSignOfLanes<S>(x, d < zero ? h : l);
    });
}

template <class S>
void proxLogSumLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const V lam = S::splat(lambda), th = S::splat(theta), zero = S::splat(0.0), one = S::splat(1.0);
    mapBlocks<S>(dst, src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        const V e = a - th;
        const V q = e * e - (lam - a * th) * S::splat(4.0);
        const auto noRoot = q < zero;
        const V s = S::sqrt(q);
        const V r1 = maxOfLanes<S>(zero, (s + e) * S::splat(0.5));
        const V r2 = maxOfLanes<S>(zero, (e - s) * S::splat(0.5));
        // Lanes without a real root need no logarithm (their result is +0
        // whatever it gives): they take log 1, so no lane stalls on them.
        // The smaller root is often clamped to 0 in every lane (always when
        // lambda <= theta^2); its logarithm is then log 1 = +0, as the
        // scalar code computes it, and the vector log can be skipped.
        const V arg1 = noRoot ? one : r1 / th + one;
        const V arg2 = noRoot ? one : r2 / th + one;
        const V log1 = naturalLogLanes<S>(arg1);
        const V log2 = S::allTrue(arg2 == one) ? zero : naturalLogLanes<S>(arg2);
        const V g0 = (a * S::splat(0.5)) * a;
        const V g1 = ((r1 - a) * S::splat(0.5)) * (r1 - a) + log1 * lam;
        const V g2 = ((r2 - a) * S::splat(0.5)) * (r2 - a) + log2 * lam;
        // argMinFirst over (g0, g1, g2): only a strictly smaller value replaces.
        const auto take1 = g0 > g1;
        const V least = take1 ? g1 : g0;
        const V r = least > g2 ? r2 : (take1 ? r1 : zero);
        return noRoot ? zero : withSignOfLanes<S>(x, r);
    });
}

template <class S>
void proxScadLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    if (n <= 0)
        return;
    const double kneeValue = lambda * theta;
    const V lam = S::splat(lambda), zero = S::splat(0.0), half = S::splat(0.5);
    const V knee = S::splat(kneeValue);
    const V lambdaSq = S::splat(lambda * lambda);
    const V twoKnee = S::splat(kneeValue * 2);
    const V thetaMinus1 = S::splat(theta - 1);
    const V thetaMinus2 = S::splat(theta - 2);
    const V flat = S::splat(((theta + 1) * 0.5) * (lambda * lambda));
    mapBlocks<S>(dst, src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        const V u1 = minOfLanes<S>(lam, maxOfLanes<S>(zero, a - lam));
        const V m = (thetaMinus1 * a - knee) / thetaMinus2;
        const V u2 = minOfLanes<S>(knee, maxOfLanes<S>(lam, m));
        const V u3 = maxOfLanes<S>(knee, a);
        const V d1 = u1 - a, d2 = u2 - a, d3 = u3 - a;
        const V f1 = (d1 * half) * d1 + lam * u1;
        const V f2 = (d2 * half) * d2 + (((twoKnee - u2) * u2 - lambdaSq) * half) / thetaMinus1;
        const V f3 = (d3 * half) * d3 + flat;
        const auto take2 = f1 > f2;
        const V least = take2 ? f2 : f1;
        const V r = least > f3 ? u3 : (take2 ? u2 : u1);
        return withSignOfLanes<S>(x, r);
    });
}

// Regime 1 convex, 0 concave, -1 linear, as chosen once per call.
template <class S, int Regime>
void proxMcpRegime(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const double kneeValue = lambda * theta;
    const V lam = S::splat(lambda), th = S::splat(theta), zero = S::splat(0.0), half = S::splat(0.5);
    const V knee = S::splat(kneeValue);
    const V flat = S::splat((kneeValue * 0.5) * lambda);
    const V thetaMinus1 = S::splat(theta - 1);
    mapBlocks<S>(dst, src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        V t;
        if constexpr (Regime == 1) {
            const V v = ((a - lam) * th) / thetaMinus1;
            t = minOfLanes<S>(knee, maxOfLanes<S>(zero, v));
        } else if constexpr (Regime == 0) {
            const V v = ((a - lam) * th) / thetaMinus1;
            t = magnitudeLanes<S>(v) > magnitudeLanes<S>(v - knee) ? zero : knee;
        } else {
            t = lam > a ? zero : knee;
        }
        const V u = maxOfLanes<S>(knee, a);
        const V s = (t + u) - (a + a);
        const V e = (s * half) * (t - u);
        const V g = (lam - (t * half) / th) * t;
        const V d = (e + g) - flat;
        return withSignOfLanes<S>(x, d < zero ? t : u);
    });
}

template <class S>
void proxMcpLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    if (theta > 1)
        proxMcpRegime<S, 1>(dst, src, n, lambda, theta);
    else if (theta < 1)
        proxMcpRegime<S, 0>(dst, src, n, lambda, theta);
    else
        proxMcpRegime<S, -1>(dst, src, n, lambda, theta);
}
