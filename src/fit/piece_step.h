// What a move of all active coefficients at once needs of a penalty, for
// the least-squares paths and the GLMs' quadratic models: on the pieces of the penalty where the active
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

#include "element_rules.h"
#include "penalty_list.h"
#include "scalar_lanes.h"

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

// One move's conjugate gradients, per member k (a coefficient of the move):
// the move so far, the residual, the direction, the product of the loss's
// Hessian with the direction (the caller's to form), f*p'' on the path's
// piece, that piece (1 for an unpenalised member), the way the member last
// crossed a knot (+1 up, -1 down, 0 none yet), and whether it is free (not
// held at 0).
struct PieceMoveArrays {
    double *move, *residual, *direction, *times, *curvatures;
    int *pathPieces, *crossings;
    bool* free;
};

// Member k of a move starts: coefficient b (penalty factor f, 0 for an
// unpenalised one), slope of the loss -g; its residual g - f*sign(b)*p'(|b|)
// is the first direction, its curvature f*p''(|b|) on b's piece.
template <class P>
void startMember(const PieceMoveArrays& a, std::int64_t k, double b, double f, double g, double lambda, double theta)
{
    a.curvatures[k] = 0;
    a.pathPieces[k] = 1;
    a.crossings[k] = 0;
    if (f != 0) {
        a.pathPieces[k] = pieceOf<P>(b, lambda, theta);
        a.curvatures[k] = f * pieceCurvature<P>(b < 0 ? -b : b, lambda, theta);
        const double slope = f * derivativeElement<ScalarLanes, P>(b, lambda, theta);
        g -= b < 0 ? -slope : slope;
    }
    a.move[k] = 0;
    a.residual[k] = g;
    a.direction[k] = g;
}

// Where an iteration carries member k (at b, moving by d) to the bound of
// its path piece first: into 0 (held there), over a knot of continuous
// slope (SCAD's, MCP's) onto the next piece, or, over any other knot or
// back over one it crossed, not at all (the path stops).
enum KnotRoute { KnotStop, KnotZero, KnotCross };

template <class P>
KnotRoute knotRoute(const PieceMoveArrays& a, std::int64_t k, double b, double d)
{
    const int way = (b < 0) == (d < 0) ? 1 : -1; // the move of |b|
    if (way < 0 && (a.pathPieces[k] == 1 || a.pathPieces[k] == -1))
        return KnotZero;
    return kSmoothKnots<P> && a.crossings[k] != -way ? KnotCross : KnotStop;
}

// Member k (at b, from start, penalty factor f) onto the knot it reaches,
// moving by d, and onto the piece past it: the objective's gradient is
// continuous there, so the residual stays; only its curvature on the
// diagonal changes.
template <class P>
void crossKnot(const PieceMoveArrays& a, std::int64_t k, double b, double d, double start, double f, double lambda,
               double theta)
{
    const bool up = (b < 0) == (d < 0);
    double lower = 0, upper = 0;
    pieceBounds<P>(a.pathPieces[k], lambda, theta, &lower, &upper);
    const double knot = up ? upper : lower;
    a.move[k] = (b < 0 ? -knot : knot) - start;
    a.pathPieces[k] = pieceBeyond(a.pathPieces[k], up);
    a.curvatures[k] = f * curvatureOnPiece<P>(a.pathPieces[k], lambda, theta);
    a.crossings[k] = up ? 1 : -1;
}

// The minimiser d of the model -r'd + d'Hd/2 of m members, H the loss's
// Hessian (times(direction) forms H*direction into a.times) with f*p''(|b|)
// added on its diagonal, by conjugate gradients in a fixed order. The model
// falls along the iterates' path; where an iteration would carry a member
// (start(k) its coefficient at the start, factor(k) its penalty factor) to
// a bound of its piece, the path goes on to it and starts the gradients
// again from there (direction = residual) if the member reaches 0 (held
// there) or crosses a knot of continuous slope, and otherwise stops short
// of it; where H shows a direction of no positive curvature the path stops
// where it is. The path ends at a hundredth of the first residual: the
// sweeps after the move finish it more cheaply than further iterations
// (callgrind, 1e-2 to 1e-12).
template <class P, class Start, class Factor, class Times>
void piecePath(const PieceMoveArrays& a, std::int64_t m, double lambda, double theta, Start start, Factor factor,
               Times times)
{
    double *x = a.move, *r = a.residual, *direction = a.direction, *hp = a.times;
    bool* free = a.free;
    for (std::int64_t k = 0; k < m; ++k)
        free[k] = true;
    double rr = 0;
    for (std::int64_t k = 0; k < m; ++k)
        rr += r[k] * r[k];
    const double small = rr * 1e-4;
    for (std::int64_t iteration = 0; iteration < m && rr > small; ++iteration) {
        times(direction);
        double curved = 0;
        for (std::int64_t k = 0; k < m; ++k) {
            hp[k] = free[k] ? hp[k] + a.curvatures[k] * direction[k] : 0.0;
            curved += direction[k] * hp[k];
        }
        if (!(curved > 0))
            return;
        const double alpha = rr / curved;
        double reach = 1;
        std::int64_t first = -1; // the member that reaches a bound first
        for (std::int64_t k = 0; k < m; ++k) {
            if (factor(k) == 0 || !free[k])
                continue;
            const double t = pieceReach<P>(a.pathPieces[k], start(k) + x[k], alpha * direction[k], lambda, theta);
            first = t < reach ? k : first;
            reach = t < reach ? t : reach;
        }
        const double b = first < 0 ? 0.0 : start(first) + x[first], d = first < 0 ? 0.0 : direction[first];
        const KnotRoute route = first < 0 ? KnotStop : knotRoute<P>(a, first, b, d);
        if (first >= 0 && route == KnotStop) {
            const double t = alpha * (reach * (1 - 0x1p-20));
            for (std::int64_t k = 0; k < m; ++k)
                x[k] += t * direction[k];
            return;
        }
        const double step = alpha * reach;
        for (std::int64_t k = 0; k < m; ++k) {
            x[k] += step * direction[k];
            r[k] -= step * hp[k];
        }
        if (first >= 0 && route == KnotZero) {
            // It stays at 0 and out of the rest of the path, whose model
            // on the other members' pieces is still the objective's.
            x[first] = -start(first);
            r[first] = 0;
            free[first] = false;
        } else if (first >= 0) {
            crossKnot<P>(a, first, b, d, start(first), factor(first), lambda, theta);
        }
        double next = 0;
        for (std::int64_t k = 0; k < m; ++k)
            next += r[k] * r[k];
        const double ratio = first >= 0 ? 0.0 : next / rr; // a new start of the gradients
        for (std::int64_t k = 0; k < m; ++k)
            direction[k] = r[k] + ratio * direction[k];
        rr = next;
    }
}

// Whether a member moved from before to after ends on the piece the path
// put it on, or on a knot bounding that piece, or at 0.
template <class P>
bool endsOnPathPiece(int pathPiece, double after, double lambda, double theta)
{
    const int off = pieceOf<P>(after, lambda, theta) - pathPiece;
    return after == 0 || (off <= 1 && off >= -1);
}
