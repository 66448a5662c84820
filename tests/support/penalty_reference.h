// The exact reference of every penalty, in MPFR: its value and right
// derivative (penalty_formulas.h), the candidates of its step-size map
// (every point where the objective 0.5*(u - a)^2 + gamma*p(u) has a zero
// or no derivative, and both ends), the least of them, and the roots the
// maps solve for. A program sets the precision once, with
// mpfr_set_default_prec, before it makes its first number.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include <mpfr.h>

#include "penalty_formulas.h"

struct Real {
    mpfr_t v;
    Real(double d = 0) { mpfr_init(v); mpfr_set_d(v, d, MPFR_RNDN); }
    Real(const Real& o) { mpfr_init(v); mpfr_set(v, o.v, MPFR_RNDN); }
    Real& operator=(const Real& o) { mpfr_set(v, o.v, MPFR_RNDN); return *this; }
    ~Real() { mpfr_clear(v); }
    double d() const { return mpfr_get_d(v, MPFR_RNDN); }
};

inline Real applied(int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t), const Real& a, const Real& b)
{
    Real r;
    f(r.v, a.v, b.v, MPFR_RNDN);
    return r;
}
inline Real applied(int (*f)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t), const Real& a)
{
    Real r;
    f(r.v, a.v, MPFR_RNDN);
    return r;
}
inline Real operator+(const Real& a, const Real& b) { return applied(mpfr_add, a, b); }
inline Real operator-(const Real& a, const Real& b) { return applied(mpfr_sub, a, b); }
inline Real operator*(const Real& a, const Real& b) { return applied(mpfr_mul, a, b); }
inline Real operator/(const Real& a, const Real& b) { return applied(mpfr_div, a, b); }
inline bool operator<(const Real& a, const Real& b) { return mpfr_less_p(a.v, b.v); }
inline bool operator<=(const Real& a, const Real& b) { return mpfr_lessequal_p(a.v, b.v); }
inline bool operator==(const Real& a, const Real& b) { return mpfr_equal_p(a.v, b.v); }
inline Real sqrt(const Real& a) { return applied(mpfr_sqrt, a); }
inline Real cbrt(const Real& a) { return applied(mpfr_cbrt, a); }
inline Real log1p(const Real& a) { return applied(mpfr_log1p, a); }
inline Real atLeast(const Real& lo, const Real& v) { return v < lo ? lo : v; }
inline Real clamped(const Real& v, const Real& lo, const Real& hi) { const Real w = atLeast(lo, v); return hi < w ? hi : w; }
inline Real power(const Real& x, int n) { Real r(1); for (int k = 0; k < n; ++k) r = r * x; return r; }

// |got - exact| in ulps of the double nearest the exact value (in the
// subnormal range, of the least subnormal); where that double is 0 or
// infinite, 0 for exactly it and 1e300 for anything else.
inline double ulpsOff(double got, const Real& exact)
{
    const double e = exact.d();
    if (e == 0 || std::isinf(e))
        return got == e ? 0 : 1e300;
    const double ulp = std::max(std::ldexp(1.0, std::ilogb(e) - 52), 0x1p-1074);
    return std::fabs((Real(got) - exact).d()) / ulp;
}

// The largest root of v^degree - a*v + c (c > 0), or -1 where there is
// none: one exists where the polynomial is <= 0 at its minimum vMin, and
// Newton's iteration from v (to the right of it, on the convex branch)
// descends to it.
inline Real largestRoot(int degree, const Real& a, const Real& c, const Real& vMin, Real v)
{
    if (Real(0) < power(vMin, degree) - a * vMin + c)
        return Real(-1);
    for (int step = 0; step < 400; ++step) {
        const Real next = v - (power(v, degree) - a * v + c) / (Real(degree) * power(v, degree - 1) - a);
        if (!(next < v))
            break;
        v = next;
    }
    return v;
}

// Log-sum's stationary points, the roots of u^2 - e*u - D (e = a - theta,
// D = a*theta - w, w = gamma*lambda), each in the form that does not
// cancel, smaller first; none where the discriminant is negative.
inline std::vector<Real> logSumRoots(const Real& a, const Real& t, const Real& w)
{
    const Real e = a - t, D = a * t - w, q = e * e + Real(4) * D;
    if (q < Real(0))
        return {};
    const Real s = sqrt(q);
    if (e < Real(0))
        return {(e - s) / Real(2), Real(2) * D / (s - e)};
    return {Real(-2) * D / (e + s), (e + s) / Real(2)};
}

// l1/2's and l2/3's largest stationary point, u = v^2 (v^3 - a*v + w/2 = 0)
// or u = v^3 (v^4 - a*v + 2w/3 = 0), or -1 where there is none. Newton
// starts from a^(1/2) or a^(1/3) rounded up, where the polynomial is w/2 or
// 2w/3 > 0 and convex.
inline Real powerRoot(Defined p, const Real& a, const Real& w)
{
    Real start;
    if (p == Defined::LHalf) {
        mpfr_sqrt(start.v, a.v, MPFR_RNDU);
        const Real v = largestRoot(3, a, w / Real(2), sqrt(a / Real(3)), start);
        return v < Real(0) ? v : v * v;
    }
    mpfr_cbrt(start.v, a.v, MPFR_RNDU);
    const Real v = largestRoot(4, a, Real(2) * w / Real(3), cbrt(a / Real(4)), start);
    return v < Real(0) ? v : v * v * v;
}

// 0 and a, and every point where the objective's derivative vanishes or
// does not exist (some may lie outside [0, a]; the caller skips u < 0).
inline std::vector<Real> candidatesOf(Defined p, const Real& a, const Real& l, const Real& t, const Real& g)
{
    std::vector<Real> c{Real(0), a};
    const Real gl = g * l, one(1);
    switch (p) {
    case Defined::L1: c.push_back(a - gl); break;
    case Defined::L0: break;
    case Defined::CappedL1: c.push_back(clamped(a - gl, Real(0), t)); c.push_back(t); break;
    case Defined::LogSum:
        for (const Real& r : logSumRoots(a, t, gl))
            c.push_back(r);
        break;
    case Defined::Scad: {
        c.push_back(clamped(a - gl, Real(0), l));
        const Real den = t - one - g;
        if (!(den == Real(0)))
            c.push_back(clamped(((t - one) * a - gl * t) / den, l, l * t));
        c.push_back(l);
        c.push_back(l * t);
        break;
    }
    case Defined::Mcp: {
        const Real den = t - g;
        if (!(den == Real(0)))
            c.push_back(clamped((a - gl) * t / den, Real(0), l * t));
        c.push_back(l * t);
        break;
    }
    case Defined::LHalf:
    case Defined::LTwoThirds: c.push_back(powerRoot(p, a, gl)); break;
    case Defined::ElasticNet: c.push_back((a - gl * t) / (one + gl * (one - t))); break;
    }
    return c;
}

inline Real objectiveOf(Defined p, const Real& u, const Real& a, const Real& l, const Real& t, const Real& g)
{
    const Real d = u - a;
    return d * d / Real(2) + g * penaltyValueOf(p, u, l, t);
}

// The global minimiser over u >= 0 (the first of equal ones) and the least
// objective.
struct Minimum {
    Real argument, objective;
};

inline Minimum minimumOf(Defined p, const Real& a, const Real& l, const Real& t, const Real& g)
{
    Minimum best{Real(0), objectiveOf(p, Real(0), a, l, t, g)};
    for (const Real& u : candidatesOf(p, a, l, t, g))
        if (!(u < Real(0))) {
            const Real f = objectiveOf(p, u, a, l, t, g);
            if (f < best.objective)
                best = {u, f};
        }
    return best;
}
