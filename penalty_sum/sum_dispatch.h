#pragma once

#include <cstdint>

#include "penalty_type.h"

// Runs the summing kernel that `type` names; every value other than LogSum,
// Scad and Mcp sums capped-l1.
void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                  double lambda, double theta);
