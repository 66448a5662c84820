// The four penalties of a magnitude a >= 0, written straight from their
// definitions (and computed with the C library's log): the independent
// yardstick the optimality and sum tests measure the kernels against.
#pragma once

#include <algorithm>
#include <cmath>

#include "penalty_type.h"

inline double definedPenalty(PenaltyType type, double a, double lambda, double theta)
{
    switch (type) {
    case LogSum: return lambda * std::log(1 + a / theta);
    case Scad:
        if (a <= lambda)
            return lambda * a;
        if (a <= lambda * theta)
            return (a * (2 * lambda * theta - a) - lambda * lambda) / (2 * (theta - 1));
        return lambda * lambda * (theta + 1) / 2;
    case Mcp: return a <= lambda * theta ? a * (lambda - a / (2 * theta)) : lambda * lambda * theta / 2;
    default: return lambda * std::min(a, theta);
    }
}
