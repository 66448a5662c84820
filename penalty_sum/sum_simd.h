// The four sums with their terms formed on S::N lanes at once and added one
// at a time, in index order, into one running double: bit-identical to the
// scalar kernels, whose order of additions fixes every rounding. Include
// inside a PENALTY_TARGET_BEGIN region after the instruction set's header,
// simd_ops.h and natural_log_simd.h.
#pragma once

#include <cstdint>

template <class S>
void sumCappedL1Lanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const V th = S::splat(theta);
    const double s = sumBlocks<S>(src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        return th >= a ? a : th;
    });
    *dst = lambda * s;
}

template <class S>
void sumLogSumLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const V th = S::splat(theta), one = S::splat(1.0);
    const double s = sumBlocks<S>(src, n, [&](V x) {
        return naturalLogLanes<S>(magnitudeLanes<S>(x) / th + one);
    });
    *dst = lambda * s;
}

template <class S>
void sumScadLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const double kneeValue = lambda * theta;
    const double lambdaSq = lambda * lambda;
    const V lam = S::splat(lambda), knee = S::splat(kneeValue), sq = S::splat(lambdaSq);
    const V flat = S::splat(((theta + 1) * 0.5) * lambdaSq);
    const V thetaMinus1 = S::splat(theta - 1);
    const V twoKnee = S::splat(kneeValue * 2);
    *dst = sumBlocks<S>(src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        // The middle term is formed in every lane and used only where the
        // scalar kernel reaches it; elsewhere its division may give inf or
        // NaN, which the select discards.
        const V middle = (((twoKnee - a) * a - sq) * S::splat(0.5)) / thetaMinus1;
        return lam >= a ? a * lam : (a > knee ? flat : middle);
    });
}

template <class S>
void sumMcpLanes(double* dst, const double* src, std::int32_t n, double lambda, double theta)
{
    using V = typename S::V;
    const double kneeValue = lambda * theta;
    const V lam = S::splat(lambda), th = S::splat(theta), knee = S::splat(kneeValue);
    const V flat = S::splat((kneeValue * 0.5) * lambda);
    *dst = sumBlocks<S>(src, n, [&](V x) {
        const V a = magnitudeLanes<S>(x);
        return knee >= a ? (lam - (a * S::splat(0.5)) / th) * a : flat;
    });
}
