// What a move of all active coefficients at once needs of a penalty, for
// the least-squares paths: on the pieces of the penalty where the active
// coefficients lie (sign and stretch: the l1 part, a curved middle, a flat
// part) the objective is one smooth function, quadratic for l1, capped-l1,
// SCAD and MCP, whose Newton step lands on its stationary point; for
// log-sum a Newton step of a smooth function. The solver takes such a
// point only where it lowers the objective: it is no coordinate step and
// changes no step's exactness, the sweeps after it are the exact
// minimisers they are, and their test decides convergence.
#pragma once

#include <cstdint>
#include <type_traits>

#include "penalty_list.h"

// The penalties whose pieces and curvature are known here.
template <class P>
inline constexpr bool kHasPieces = std::is_same_v<P, L1Penalty> || std::is_same_v<P, CappedL1Penalty>
                                   || std::is_same_v<P, McpPenalty> || std::is_same_v<P, ScadPenalty>
                                   || std::is_same_v<P, LogSumPenalty>;

// The piece of p(|b|; lambda, theta) that b lies on, signed by b's sign, 0
// at b = 0; a knot is a piece of its own, so that a coefficient sitting on
// one is never taken as inside a smooth stretch.
template <class P>
int pieceOf(double b, double lambda, double theta)
{
    if (b == 0)
        return 0;
    const double a = b < 0 ? -b : b;
    int piece = 1;
    if constexpr (std::is_same_v<P, McpPenalty>) {
        const double knee = lambda * theta;
        piece = a < knee ? 1 : a > knee ? 3 : 2;
    } else if constexpr (std::is_same_v<P, ScadPenalty>) {
        const double knee = lambda * theta;
        piece = a < lambda ? 1 : a == lambda ? 2 : a < knee ? 3 : a == knee ? 4 : 5;
    } else if constexpr (std::is_same_v<P, CappedL1Penalty>) {
        piece = a < theta ? 1 : a > theta ? 3 : 2;
    }
    return b < 0 ? -piece : piece;
}

// p''(a) inside a's piece (a > 0, off the knots).
template <class P>
double pieceCurvature(double a, double lambda, double theta)
{
    if constexpr (std::is_same_v<P, McpPenalty>) {
        return a < lambda * theta ? -1.0 / theta : 0.0;
    } else if constexpr (std::is_same_v<P, ScadPenalty>) {
        return a > lambda && a < lambda * theta ? -1.0 / (theta - 1.0) : 0.0;
    } else if constexpr (std::is_same_v<P, LogSumPenalty>) {
        const double t = theta + a;
        return -lambda / (t * t);
    } else {
        return 0.0;
    }
}

// The fraction t > 0 of a move d at which b + t*d first reaches a knot of
// p(|.|) (0 among them) from b's piece, b != 0; inf where it never does.
template <class P>
double pieceReach(double b, double d, double lambda, double theta)
{
    const double a = b < 0 ? -b : b, e = b < 0 ? -d : d; // e: the move of |b|
    if (e < 0) {
        double lower = 0;
        if constexpr (std::is_same_v<P, McpPenalty>)
            lower = a > lambda * theta ? lambda * theta : 0.0;
        else if constexpr (std::is_same_v<P, ScadPenalty>)
            lower = a > lambda * theta ? lambda * theta : a > lambda ? lambda : 0.0;
        else if constexpr (std::is_same_v<P, CappedL1Penalty>)
            lower = a > theta ? theta : 0.0;
        return (a - lower) / -e;
    }
    double upper = __builtin_inf();
    if constexpr (std::is_same_v<P, McpPenalty>)
        upper = a < lambda * theta ? lambda * theta : upper;
    else if constexpr (std::is_same_v<P, ScadPenalty>)
        upper = a < lambda ? lambda : a < lambda * theta ? lambda * theta : upper;
    else if constexpr (std::is_same_v<P, CappedL1Penalty>)
        upper = a < theta ? theta : upper;
    return e > 0 ? (upper - a) / e : __builtin_inf();
}
