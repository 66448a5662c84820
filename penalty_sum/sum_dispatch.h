#pragma once

#include <cstdint>

#include "penalty_type.h"
#include "simd_path.h"

// Runs the summing kernel that `type` names; every value other than LogSum,
// Scad and Mcp sums capped-l1. The widest vector path the CPU supports is
// used; all paths give the same bits.
void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                  double lambda, double theta);

// The same on a chosen path (which the CPU must support), for the tests and
// the benchmarks.
void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta);
