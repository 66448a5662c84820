#pragma once

#include <cstdint>

#include "penalty_type.h"

// Runs the proximal kernel that `type` names; every value other than
// LogSum, Scad and Mcp runs capped-l1.
void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta);
