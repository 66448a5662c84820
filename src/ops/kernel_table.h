// Every penalty's kernels on one instruction set, in the order of the
// penalty list. One table per instruction set; the dispatch picks the table
// of the widest set the CPU supports, and every table gives the same bits.
#pragma once

#include <cstddef>

#include "penalty_list.h"

// dst[i] for i = 0 .. n-1 from src[i]; nothing is touched when n <= 0.
typedef void (*ShrinkKernel)(double* dst, const double* src, std::ptrdiff_t n, double lambda,
                             double theta);
// start plus the penalty's terms of src[0 .. n-1], added one at a time in
// index order (start itself when n <= 0). Where the penalty's lambda
// multiplies the finished sum (lambdaScalesSum), the terms leave it out and
// the caller applies it once at the end.
typedef double (*SumKernel)(const double* src, std::ptrdiff_t n, double lambda, double theta, double start);

// dst[i] for i = 0 .. n-1 from src[i] and lambda[i] (lambda[0] for every i
// when lambdaPerElement is false).
typedef void (*ProxKernel)(double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                           std::ptrdiff_t n, double theta, double gamma);

// dst[i] for i = 0 .. n-1 from src[i] and lambda[i] (or lambda[0]): the
// penalty's value or its derivative.
typedef void (*ElementKernel)(double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                              std::ptrdiff_t n, double theta);

// A penalty's kernels; null for an operation it does not provide.
struct PenaltyKernels {
    ShrinkKernel shrink;
    SumKernel sum;
    ShrinkKernel sumTerms; // the terms sum adds, written out
    bool lambdaScalesSum;
    ProxKernel prox;
    ElementKernel value;
    ElementKernel derivative;
};

// The penalty's sum from the running sum of its terms: where lambda is not
// inside the terms it multiplies the finished sum, so the empty sum is
// lambda*0 (-0 for a negative lambda, NaN for an infinite or NaN one).
inline double finishedSum(const PenaltyKernels& k, double termSum, double lambda)
{
    return k.lambdaScalesSum ? lambda * termSum : termSum;
}

// The index of the first element that is not a number >= 0 (for the
// derivative's weights, not a finite one), or n.
typedef std::ptrdiff_t (*WeightCheck)(const double* v, std::ptrdiff_t n);

// dst[i] = naturalLog(src[i]) on the table's lanes: for the tests that hold
// every path's logarithm to the others', and for the benchmarks.
typedef void (*LogKernel)(double* dst, const double* src, std::ptrdiff_t n);

struct KernelTable {
    PenaltyKernels penalty[kPenaltyCount];
    WeightCheck firstInvalidWeight;       // penaltyProx and penaltyValue: +inf passes
    WeightCheck firstInvalidFiniteWeight; // penaltyDerivative
    LogKernel naturalLog;
};
