// The kernels of every penalty in the list, instantiated for the lane type
// L: the penalty's arithmetic of one element, run over the array by the
// drivers, with the per-call choices (the regime, where lambda goes) made
// once before the loop. Included by each instruction set's file.
#pragma once

#include <cstddef>

#include "drivers.h"
#include "element_rules.h"
#include "kernel_table.h"
#include "penalty_list.h"

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

// penaltyProx: the element rule over the array, the regime chosen once.
template <class L, class P>
void proxKernel(double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                std::ptrdiff_t n, double theta, double gamma)
{
    using V = typename L::V;
    const ProxCall<L> call = proxCallOf<L, P::kNumbersInWindow>(theta, gamma);
    withRegime<proxRegimeCount<P>()>(proxRegimeOf<L, P>(theta, gamma), [&]<int R>() {
        auto element = [&](V x, V lam) { return proxElement<L, P, R>(x, lam, call); };
        if (lambdaPerElement) {
            mapLanes<L>(dst, src, lambda, n, element);
        } else {
            const V lam = L::splat(lambda[0]);
            mapLanes<L>(dst, src, n, [&](V x) { return element(x, lam); });
        }
    });
}

// penaltyValue and penaltyDerivative: the element rules over the array.
template <class L, class P, bool Derivative>
void elementKernel(double* dst, const double* src, const double* lambda, bool lambdaPerElement, std::ptrdiff_t n,
                   double theta)
{
    using V = typename L::V;
    const V th = L::splat(theta);
    auto element = [&](V x, V lam) {
        if constexpr (Derivative)
            return derivativeElement<L, P>(x, lam, th);
        else
            return valueElement<L, P>(x, lam, th);
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
    return KernelTable{{penaltyKernelsOf<L, P>()...}, firstInvalidWeightOf<L, true>,
                       firstInvalidWeightOf<L, false>, naturalLogKernel<L>};
}
