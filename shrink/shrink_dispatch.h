#pragma once

#include <cstdint>

#include "penalty_type.h"
#include "simd_path.h"

// Runs the proximal kernel that `type` names; every value other than
// LogSum, Scad and Mcp runs capped-l1. The widest vector path the CPU
// supports is used; all paths give the same bits.
void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta);

// The same on a chosen path (which the CPU must support): for the tests
// that hold every path to the scalar reference, and for the benchmarks.
void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta);
