// The penalties from their definitions in doubles (penalty_formulas.h): the
// independent yardstick the optimality, sum and GLM tests measure the
// kernels against.
#pragma once

#include "dispatch.h"
#include "penalty_formulas.h"

inline double definedPenalty(Defined p, double a, double lambda, double theta)
{
    return penaltyValueOf<double>(p, a, lambda, theta);
}

inline double definedPenalty(PenaltyType code, double a, double lambda, double theta)
{
    return definedPenalty(definedOf(penaltyIndexOfCode(code)), a, lambda, theta);
}
