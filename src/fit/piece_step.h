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

// Whether p'(|b|) is continuous at every knot other than 0 (SCAD's lambda
// and theta*lambda, MCP's theta*lambda): there the objective's gradient is
// continuous and only its curvature changes, so a move may carry a
// coefficient over the knot onto the next piece. Capped-l1's slope jumps
// at theta: a move stops short of it.
template <class P>
inline constexpr bool kSmoothKnots = std::is_same_v<P, McpPenalty> || std::is_same_v<P, ScadPenalty>;

// The knots bounding the piece (as pieceOf numbers them, either sign) of
// |b|: a knot's own piece is bounded by the knot on both sides.
template <class P>
void pieceBounds(int piece, double lambda, double theta, double* lower, double* upper)
{
    const int q = piece < 0 ? -piece : piece;
    double knots[3] = {__builtin_inf(), __builtin_inf(), __builtin_inf()}; // in increasing order
    if constexpr (std::is_same_v<P, McpPenalty>)
        knots[0] = lambda * theta;
    else if constexpr (std::is_same_v<P, ScadPenalty>)
        knots[0] = lambda, knots[1] = lambda * theta;
    else if constexpr (std::is_same_v<P, CappedL1Penalty>)
        knots[0] = theta;
    // Piece 2k+1 runs from knot k-1 (0 for k = 0) to knot k; piece 2k is knot k-1.
    *lower = q < 3 ? (q == 2 ? knots[0] : 0.0) : knots[(q - 2) / 2];
    *upper = q % 2 == 0 ? *lower : knots[(q - 1) / 2];
}

// The piece of |b| past the knot that ends its piece, moving up or down.
inline int pieceBeyond(int piece, bool up)
{
    const int q = piece < 0 ? -piece : piece;
    const int next = up ? q + (q % 2 ? 2 : 1) : q - (q % 2 ? 2 : 1);
    return piece < 0 ? -next : next;
}

// p''(|b|) on a piece off the knots (SCAD's and MCP's, where moves cross).
template <class P>
double curvatureOnPiece(int piece, double lambda, double theta)
{
    const int q = piece < 0 ? -piece : piece;
    if constexpr (std::is_same_v<P, McpPenalty>)
        return q == 1 ? -1.0 / theta : 0.0;
    else if constexpr (std::is_same_v<P, ScadPenalty>)
        return q == 3 ? -1.0 / (theta - 1.0) : 0.0;
    (void)lambda;
    return 0.0;
}

// The fraction t >= 0 of a move d at which b + t*d first reaches a bound
// of the piece it is on (0 among them), b != 0; inf where it never does.
// b may sit a rounding past a bound it has just crossed: t is then 0.
template <class P>
double pieceReach(int piece, double b, double d, double lambda, double theta)
{
    const double a = b < 0 ? -b : b, e = b < 0 ? -d : d; // e: the move of |b|
    double lower = 0, upper = 0;
    pieceBounds<P>(piece, lambda, theta, &lower, &upper);
    const double room = e < 0 ? a - lower : upper - a;
    if (!(e != 0) || room == __builtin_inf())
        return __builtin_inf();
    return room > 0 ? room / (e < 0 ? -e : e) : 0.0;
}
