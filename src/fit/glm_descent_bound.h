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
// concave in |t|), is the only part that needs cells: on [lo, hi] the
// objective falls by no more than the larger of min kappa + min(Delta(lo),
// Delta(hi)) and kappa's tangent at either end plus Delta (linear plus
// concave: its smaller end value). Beyond the reach, where kappa >= -min
// Delta, it cannot fall at all. The bound holds to rounding.
#pragma once

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
    double slopeAt(double a) const
    {
        const double e = 2.0 + m * a;
        return (k * m) * (1.0 - 4.0 / (e * e)) - d;
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

inline constexpr int kBoundCells = 24;

template <class P>
struct PenaltyChange {
    double beta, direction, factor, lambda, theta, before;
    double at(double a) const
    {
        return factor * valueElement<ScalarLanes, P>(beta + direction * a, lambda, theta) - before;
    }
};

inline double tangentBound(const LossRise& k, double from, double to, double penaltyFrom, double penaltyTo)
{
    const double here = k.at(from);
    const double there = here + k.slopeAt(from) * (to - from) + penaltyTo;
    return here + penaltyFrom < there ? here + penaltyFrom : there;
}

// Whether the objective stays above -tolerance on [lo, hi].
template <class P>
bool cellHolds(const RiseBound& k, const PenaltyChange<P>& delta, double lo, double hi, double tolerance)
{
    const double pLo = delta.at(lo), pHi = delta.at(hi);
    const double nearLow = k.near.lowestOn(lo, hi), farLow = k.far.lowestOn(lo, hi);
    double bound = (nearLow > farLow ? nearLow : farLow) + (pLo < pHi ? pLo : pHi);
    for (const LossRise* part : {&k.near, &k.far})
        for (const double t : {tangentBound(*part, lo, hi, pLo, pHi), tangentBound(*part, hi, lo, pHi, pLo)})
            bound = t > bound ? t : bound;
    return bound >= -tolerance;
}

// Cells that halve towards lo (and, with bothEnds, towards hi as well).
template <class P>
bool intervalHolds(const RiseBound& k, const PenaltyChange<P>& delta, double lo, double hi, bool bothEnds,
                   double tolerance)
{
    if (!(hi > lo))
        return true;
    const double mid = bothEnds ? lo + (hi - lo) * 0.5 : hi;
    double width = mid - lo;
    for (int cell = 1; cell < kBoundCells; ++cell)
        width *= 0.5;
    double a = lo;
    for (int cell = 0; cell < kBoundCells; ++cell, width *= 2.0) {
        const double next = cell == kBoundCells - 1 ? mid : lo + width;
        if (!cellHolds(k, delta, a, next, tolerance))
            return false;
        if (bothEnds && !cellHolds(k, delta, hi - (next - lo), hi - (a - lo), tolerance))
            return false;
        a = next;
    }
    return true;
}

// Whether some t along the coordinate might lower the objective (loss
// plus f*p) by more than the tolerance.
template <class P>
bool coordinateMayFall(const CoordinateMoments& mo, double beta, double f, double lambda, double theta,
                       double tolerance)
{
    if (!(mo.curvature > 0) || !(mo.curvature < 1e300) || mo.slope != mo.slope)
        return true;
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
            if (!intervalHolds(k, delta, 0.0, reach, false, tolerance))
                return true;
            continue;
        }
        if (!intervalHolds(k, delta, 0.0, reach < size ? reach : size, true, tolerance) ||
            !intervalHolds(k, delta, size, reach, false, tolerance))
            return true;
    }
    return false;
}
