// The entry points the gateways call: the operation of the penalty a code
// names, on the widest vector path the CPU supports. Every path gives the
// same bits; the *On variants take the path explicitly, for the tests that
// hold every path to the scalar reference and for the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "penalty_type.h"
#include "simd_path.h"

// Position in the penalty list of the penalty a code names; every code that
// names none (0, negatives, 5 and up) selects capped-l1.
int penaltyIndexOfCode(std::int32_t code);

// Position in the penalty list of the penalty named `name` (its letters in
// either case), or -1 when no penalty has that name.
int penaltyIndexOfName(const char* name);

// penaltyShrink: dst[i] for i = 0 .. n-1; n <= 0 touches nothing.
void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta);
void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta);

// penaltySum: *dst, written once; n <= 0 stores the empty sum's value.
void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n, double lambda,
                  double theta);
void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta);

// penaltyProx of the penalty at position `penalty` of the list (one that
// provides it): dst[i] for i = 0 .. n-1 from src[i] and lambda[i], or
// lambda[0] for every i when lambdaPerElement is false (the caller has
// checked that one). A weight of +inf holds its element at 0 (the
// constraint u = 0). Per-element weights are checked as they are used:
// the index of the first that is negative or NaN is returned, and dst is
// then unfinished; n when every weight is fine.
std::ptrdiff_t proxByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                             bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma);
std::ptrdiff_t proxByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                               bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma);

// penaltyValue and penaltyDerivative of the penalty at position `penalty`:
// dst[i] for i = 0 .. n-1 from src[i] and lambda[i] (or lambda[0]), the
// weights checked and the result returned as for proxByPenalty. A weight of
// +inf gives penaltyValue the constraint u = 0 (+0 at 0, inf elsewhere);
// penaltyDerivative refuses it, as it refuses a negative or NaN one.
std::ptrdiff_t valueByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                              bool lambdaPerElement, std::ptrdiff_t n, double theta);
std::ptrdiff_t valueByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                                bool lambdaPerElement, std::ptrdiff_t n, double theta);
std::ptrdiff_t derivativeByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                                   bool lambdaPerElement, std::ptrdiff_t n, double theta);
std::ptrdiff_t derivativeByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src,
                                     const double* lambda, bool lambdaPerElement, std::ptrdiff_t n, double theta);

// The index of the first of n weights that is not a number >= 0 (negative
// or NaN; with infiniteAllowed false, infinite too), or n when every weight
// is fine.
std::ptrdiff_t firstInvalidWeight(const double* weights, std::ptrdiff_t n, bool infiniteAllowed);
std::ptrdiff_t firstInvalidWeightOn(SimdPath path, const double* weights, std::ptrdiff_t n, bool infiniteAllowed);

// Joins the worker threads that large arrays are spread over, and frees
// what they share; the next large call starts them again. For the MEX
// files' exit handler: never while another thread is inside a call.
void stopThreads();

// naturalLog of every element, on a chosen path: for the tests that hold
// every path's logarithm to the others' and to MPFR, and the benchmarks.
void naturalLogOn(SimdPath path, double* dst, const double* src, std::ptrdiff_t n);
