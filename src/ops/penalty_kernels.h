// The kernels of every penalty in the list, instantiated for the lane type
// L: the penalty's arithmetic of one element, run over the array by the
// drivers, with the per-call choices (the regime, where lambda goes) made
// once before the loop. Included by each instruction set's file.
#pragma once

#include <cstddef>

#include "drivers.h"
#include "kernel_table.h"
#include "penalty_list.h"

// Calls body.template operator()<R>() for R = regime, one of 0 .. Count-1:
// a regime chosen once per call gets a loop of its own, with no test of it
// per element.
template <int Count, class Body>
inline void withRegime(int regime, Body body)
{
    if constexpr (Count > 1) {
        if (regime == Count - 1)
            return body.template operator()<Count - 1>();
        return withRegime<Count - 1>(regime, body);
    } else {
        return body.template operator()<0>();
    }
}

template <class L, class P>
void shrinkKernel(double* dst, const double* src, std::ptrdiff_t n, double lambda, double theta)
{
    using V = typename L::V;
    const V lam = L::splat(lambda), th = L::splat(theta);
    if constexpr (requires { P::kShrinkRegimes; }) {
        withRegime<P::kShrinkRegimes>(P::template shrinkRegime<L>(lambda, theta), [&]<int R>() {
            mapLanes<L>(dst, src, n, [&](V x) { return P::template shrink<L, R>(x, lam, th); });
        });
    } else {
        mapLanes<L>(dst, src, n, [&](V x) { return P::template shrink<L>(x, lam, th); });
    }
}

template <class L, class P>
double sumKernel(const double* src, std::ptrdiff_t n, double lambda, double theta, double start)
{
    using V = typename L::V;
    const V lam = L::splat(lambda), th = L::splat(theta);
    return sumLanes<L>(src, n, start, [&](V x) { return P::template sumTerm<L>(x, lam, th); });
}

template <class L, class P>
void sumTermsKernel(double* dst, const double* src, std::ptrdiff_t n, double lambda, double theta)
{
    using V = typename L::V;
    const V lam = L::splat(lambda), th = L::splat(theta);
    mapLanes<L>(dst, src, n, [&](V x) { return P::template sumTerm<L>(x, lam, th); });
}

// penaltyProx: the penalty's map where it applies, and the element itself
// where it does not: at +-inf and NaN (whatever the arithmetic made of
// them) and wherever the weight is zero.
template <class L, class P>
void proxKernel(double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                std::ptrdiff_t n, double theta, double gamma)
{
    using V = typename L::V;
    const ProxCall<L> call = proxCallOf<L, P::kNumbersInWindow>(theta, gamma);
    auto run = [&]<int R>() {
        auto element = [&](V x, V lam) {
            V r;
            if constexpr (requires { P::kProxRegimes; })
                r = P::template prox<L, R>(x, lam, call);
            else
                r = P::template prox<L>(x, lam, call);
            return ((L::magnitude(x) < __builtin_inf()) & (lam != 0.0)) ? r : x;
        };
        if (lambdaPerElement) {
            mapLanes<L>(dst, src, lambda, n, element);
        } else {
            const V lam = L::splat(lambda[0]);
            mapLanes<L>(dst, src, n, [&](V x) { return element(x, lam); });
        }
    };
    if constexpr (requires { P::kProxRegimes; })
        withRegime<P::kProxRegimes>(P::template proxRegime<L>(theta, gamma), run);
    else
        run.template operator()<0>();
}

// penaltyValue and penaltyDerivative: the penalty's own formula, except
// that a NaN element gives NaN (the element itself) and a zero weight gives
// +0, the penalty being zero everywhere.
template <class L, class P, bool Derivative>
void elementKernel(double* dst, const double* src, const double* lambda, bool lambdaPerElement, std::ptrdiff_t n,
                   double theta)
{
    using V = typename L::V;
    const V th = L::splat(theta);
    auto element = [&](V x, V lam) {
        V r;
        if constexpr (Derivative)
            r = P::template derivative<L>(x, lam, th);
        else
            r = P::template value<L>(x, lam, th);
        return x != x ? x : (lam == 0.0 ? L::splat(0.0) : r);
    };
    if (lambdaPerElement) {
        mapLanes<L>(dst, src, lambda, n, element);
    } else {
        const V lam = L::splat(lambda[0]);
        mapLanes<L>(dst, src, n, [&](V x) { return element(x, lam); });
    }
}

template <class L, class P>
constexpr PenaltyKernels penaltyKernelsOf()
{
    PenaltyKernels k{nullptr, nullptr, nullptr, false, nullptr, nullptr, nullptr};
    if constexpr ((P::kOperations & ShrinkOperation) != 0)
        k.shrink = shrinkKernel<L, P>;
    if constexpr ((P::kOperations & SumOperation) != 0) {
        k.sum = sumKernel<L, P>;
        k.sumTerms = sumTermsKernel<L, P>;
        k.lambdaScalesSum = P::kLambdaScalesSum;
    }
    if constexpr ((P::kOperations & ProxOperation) != 0)
        k.prox = proxKernel<L, P>;
    if constexpr ((P::kOperations & ValueOperation) != 0)
        k.value = elementKernel<L, P, false>;
    if constexpr ((P::kOperations & DerivativeOperation) != 0)
        k.derivative = elementKernel<L, P, true>;
    return k;
}

template <class L>
void naturalLogKernel(double* dst, const double* src, std::ptrdiff_t n)
{
    mapLanes<L>(dst, src, n, naturalLogLanes<L>);
}

template <class L, class... P>
constexpr KernelTable kernelTableOf(PenaltyList<P...>)
{
    return KernelTable{{penaltyKernelsOf<L, P>()...}, firstNotFiniteNonnegative<L>, naturalLogKernel<L>};
}
