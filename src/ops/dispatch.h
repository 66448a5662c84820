// The entry points the gateways call: the operation of the penalty a code
// names, on the widest vector path the CPU supports. Every path gives the
// same bits; the *On variants take the path explicitly, for the tests that
// hold every path to the scalar reference and for the benchmarks.
#pragma once

#include <cstdint>

#include "penalty_type.h"
#include "simd_path.h"

// Position in the penalty list of the penalty a code names; every code that
// names none (0, negatives, 5 and up) selects capped-l1.
int penaltyIndexOfCode(std::int32_t code);

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
