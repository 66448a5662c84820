// Whether a GLM objective might fall, by more than a tolerance, anywhere
// along one coordinate, from a bound that needs no exponential.
//
// Along t = beta + s*a (s = +-1, a >= 0) the loss's curvature on row i is
// at least h_i*e^(-a|x_i|): the logistic's and the exponential's
// log-curvature changes by at most 1 per unit of eta. Integrated twice, the
// mean loss rises by at least -d*a + sum_i c_i*psi(a|x_i|), d = -s*G the
// rate of descent at a = 0 (G the loss's slope at the fit), c_i =
// w_i*h_i/sum(w), psi(b) = b - 1 + e^-b >= b^2/(2 + b) (from e^-b >= (2 -
// b)/(2 + b)). Two forms of Jensen (both functions are convex) bound the sum
// by k*q(m*a), q(b) = b^2/(2 + b): with the weights c_i on the column's
// nonzero rows, k = C = sum c_i and m = sum c_i|x_i|/C, the larger far out;
// with the weights c_i*x_i^2 on 1/(2 + b), k = V/M^2 and m = M = sum
// c_i|x_i|^3/V (V = sum c_i*x_i^2, the model's curvature), exact to second
// order at a = 0. Their larger, kappa(a), is convex, so the penalty's
// change Delta(a) = f*(p(beta + s*a) - p(beta)), concave in a on [0, |beta|]
// and on [|beta|, inf) for every penalty here that is not convex (p is
// concave in |t|), is the only part that needs cells: on [lo, hi] Delta
// lies above its chord, and the minimum of either part plus the chord
// (convex) is a bound; cells are halved where it is not yet enough. Beyond
// the reach, where kappa >= -min Delta, the objective cannot fall at all.
// The bound holds to rounding.
#pragma once

#include <initializer_list>

#include "element_rules.h"
#include "scalar_lanes.h"

// Of one column at the fit, on the fit's scale: G, V, C, sum c_i|x_i| and
// sum c_i|x_i|^3.
struct CoordinateMoments {
    double slope, curvature, nonzeroCurvature, firstMoment, thirdMoment;
};

// kappa's two parts, each k*q(m*a) - d*a.
struct LossRise {
    double k, m, d;
    double at(double a) const
    {
        const double b = m * a;
        return k * ((b * b) / (2.0 + b)) - d * a;
    }
    // The smallest value on [lo, hi]; the minimiser solves (2 + m*a)^2 =
    // 4/(1 - d/(k*m)).
    double lowestOn(double lo, double hi) const
    {
        const double a = d > 0 && k * m > d ? (2.0 / __builtin_sqrt(1.0 - d / (k * m)) - 2.0) / m : -1.0;
        if (a > lo && a < hi)
            return at(a);
        const double l = at(lo), h = at(hi);
        return l < h ? l : h;
    }
    // An a >= 0 beyond which at(a) >= level >= 0 (at is convex with at(0)
    // = 0, so it stays above level past any point where it reaches it);
    // inf where there is none.
    double reachOf(double level) const
    {
        const double alpha = k * (m * m) - d * m;
        if (!(alpha > 0) || !(alpha < 1e300))
            return __builtin_inf();
        const double beta = 2.0 * d + level * m;
        double a = (beta + __builtin_sqrt(beta * beta + 8.0 * level * alpha)) / (2.0 * alpha);
        if (!(a > 0))
            return 0.0;
        for (int doubling = 0; doubling < 64 && !(at(a) >= level); ++doubling)
            a *= 2.0;
        return at(a) >= level ? a : __builtin_inf();
    }
};

struct RiseBound {
    LossRise near, far;
    double at(double a) const
    {
        const double n = near.at(a), f = far.at(a);
        return n > f ? n : f;
    }
};

inline RiseBound riseBoundOf(const CoordinateMoments& mo, double direction)
{
    const double d = -(direction * mo.slope);
    const double m = mo.nonzeroCurvature > 0 ? mo.firstMoment / mo.nonzeroCurvature : 0.0;
    const double third = mo.curvature > 0 ? mo.thirdMoment / mo.curvature : 0.0;
    const double k = third > 0 ? mo.curvature / (third * third) : 0.0;
    return {{k, third, d}, {mo.nonzeroCurvature, m, d}};
}

// Cells split, per coordinate, before the bound gives up.
inline constexpr int kBoundCells = 64;

template <class P>
struct PenaltyChange {
    double beta, direction, factor, lambda, theta, before;
    double at(double a) const
    {
        return factor * valueElement<ScalarLanes, P>(beta + direction * a, lambda, theta) - before;
    }
};

// The smallest value on [lo, hi] of the part plus the chord of Delta
// between its ends (below Delta, which is concave there): convex, so
// exactly the part tilted by the chord's slope at its minimiser.
inline double lowestWithChord(const LossRise& k, double lo, double hi, double penaltyLo, double penaltyHi)
{
    const double slope = (penaltyHi - penaltyLo) / (hi - lo);
    const LossRise tilted{k.k, k.m, k.d - slope};
    return tilted.lowestOn(lo, hi) + (penaltyLo - slope * lo);
}

// Whether the objective stays above -tolerance on [lo, hi], halving the
// cells where the chord is too far below Delta, until the budget of
// cells is spent.
template <class P>
bool intervalHolds(const RiseBound& k, const PenaltyChange<P>& delta, double lo, double hi, double penaltyLo,
                   double penaltyHi, double tolerance, int* budget)
{
    const double nearLow = lowestWithChord(k.near, lo, hi, penaltyLo, penaltyHi);
    const double farLow = lowestWithChord(k.far, lo, hi, penaltyLo, penaltyHi);
    if ((nearLow > farLow ? nearLow : farLow) >= -tolerance)
        return true;
    const double mid = lo + (hi - lo) * 0.5;
    if (--*budget < 0 || !(mid > lo && mid < hi))
        return false;
    const double penaltyMid = delta.at(mid);
    return intervalHolds(k, delta, lo, mid, penaltyLo, penaltyMid, tolerance, budget) &&
           intervalHolds(k, delta, mid, hi, penaltyMid, penaltyHi, tolerance, budget);
}

template <class P>
bool intervalHolds(const RiseBound& k, const PenaltyChange<P>& delta, double lo, double hi, double tolerance,
                   int* budget)
{
    return !(hi > lo) || intervalHolds(k, delta, lo, hi, delta.at(lo), delta.at(hi), tolerance, budget);
}

// Whether some t along the coordinate might lower the objective (loss
// plus f*p) by more than the tolerance.
template <class P>
bool coordinateMayFall(const CoordinateMoments& mo, double beta, double f, double lambda, double theta,
                       double tolerance)
{
    for (const double m : {mo.curvature, mo.nonzeroCurvature, mo.firstMoment, mo.thirdMoment})
        if (!(m > 0) || !(m < 1e300))
            return true;
    if (mo.slope != mo.slope)
        return true;
    int budget = kBoundCells;
    const double before = f * valueElement<ScalarLanes, P>(beta, lambda, theta);
    const double size = beta < 0 ? -beta : beta;
    for (const double s : {1.0, -1.0}) {
        const RiseBound k = riseBoundOf(mo, s);
        const PenaltyChange<P> delta{beta, s, f, lambda, theta, before};
        const bool towardZero = beta != 0 && (beta < 0) != (s < 0);
        const double level = towardZero ? before : 0.0; // -min Delta: p >= 0
        const double nearReach = k.near.reachOf(level), farReach = k.far.reachOf(level);
        const double reach = nearReach < farReach ? nearReach : farReach;
        if (!(reach < __builtin_inf()))
            return true;
        if (!towardZero) {
            if (!intervalHolds(k, delta, 0.0, reach, tolerance, &budget))
                return true;
            continue;
        }
        if (!intervalHolds(k, delta, 0.0, reach < size ? reach : size, tolerance, &budget) ||
            !intervalHolds(k, delta, size, reach, tolerance, &budget))
            return true;
    }
    return false;
}
