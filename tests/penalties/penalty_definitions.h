// The penalties of a magnitude a >= 0, written straight from their
// definitions (and computed with the C library's log): the independent
// yardstick the optimality and sum tests measure the kernels against.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dispatch.h"
#include "penalty_list.h"

enum class Defined { L1, L0, CappedL1, LogSum, Scad, Mcp, LHalf, LTwoThirds, ElasticNet };

// The definition of the penalty at position `penalty` of the list.
inline Defined definedOf(int penalty)
{
    const char* const names[] = {"l1", "l0", "capped-l1", "log-sum", "scad", "mcp", "l1/2", "l2/3", "elastic-net"};
    for (int k = 0; k < 9; ++k)
        if (std::strcmp(kPenaltyInfo[penalty].name, names[k]) == 0)
            return static_cast<Defined>(k);
    return Defined::L1;
}

inline Defined definedOf(PenaltyType code) { return definedOf(penaltyIndexOfCode(code)); }

inline double definedPenalty(Defined p, double a, double lambda, double theta)
{
    switch (p) {
    case Defined::L1: return lambda * a;
    case Defined::L0: return a != 0 ? lambda : 0;
    case Defined::LogSum: return lambda * std::log1p(a / theta);
    case Defined::Scad:
        if (a <= lambda)
            return lambda * a;
        if (a <= lambda * theta)
            return (a * (2 * lambda * theta - a) - lambda * lambda) / (2 * (theta - 1));
        return lambda * lambda * (theta + 1) / 2;
    case Defined::Mcp: return a <= lambda * theta ? a * (lambda - a / (2 * theta)) : lambda * lambda * theta / 2;
    case Defined::LHalf: return lambda * std::sqrt(a);
    case Defined::LTwoThirds: return lambda * std::cbrt(a * a);
    case Defined::ElasticNet: return lambda * (theta * a + (1 - theta) * a * a / 2);
    default: return lambda * std::min(a, theta);
    }
}

inline double definedPenalty(PenaltyType type, double a, double lambda, double theta)
{
    return definedPenalty(definedOf(type), a, lambda, theta);
}
