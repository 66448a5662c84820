// Every penalty of a magnitude a >= 0 and its right derivative, written
// once, straight from the definitions, over a number type T: double (with
// the C library's log1p and cbrt, the tests' independent yardstick) or
// MPFR's numbers (penalty_reference.h, the exact one). The rows are keyed
// by the registry's names; a penalty without a row stops the test program
// rather than being measured against another penalty's definition.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "penalty_list.h"

enum class Defined { L1, L0, CappedL1, LogSum, Scad, Mcp, LHalf, LTwoThirds, ElasticNet };

// The accuracy a penalty's help states for its values and derivatives, in
// ulps of the exact value, or (a negative bound) absolutely where the
// formula cancels: log-sum's value to lambda*2^-52 and 2 ulps (its
// logarithm of the rounded a/theta + 1), SCAD's and MCP's derivatives to a
// multiple of lambda next to the knee.
struct StatedAccuracy {
    double valueUlps, derivativeUlps, derivativeAbsolute;
};

struct Definition {
    const char* name;
    Defined penalty;
    StatedAccuracy accuracy;
};

inline constexpr Definition kDefinitions[] = {
    {"l1", Defined::L1, {0.5, 0, 0}},
    {"l0", Defined::L0, {0, 0, 0}},
    {"capped-l1", Defined::CappedL1, {0.5, 0, 0}},
    {"log-sum", Defined::LogSum, {-1, 2, 0}},
    {"scad", Defined::Scad, {5, -1, 1e-15}},
    {"mcp", Defined::Mcp, {3, -1, 5e-16}},
    {"l1/2", Defined::LHalf, {2, 2, 0}},
    {"l2/3", Defined::LTwoThirds, {2, 2.5, 0}},
    {"elastic-net", Defined::ElasticNet, {3, 3, 0}},
};

// The row of a registry name, or nullptr.
inline const Definition* definitionNamed(const char* name)
{
    for (const Definition& d : kDefinitions)
        if (std::strcmp(d.name, name) == 0)
            return &d;
    return nullptr;
}

// The row of the penalty at position `penalty` of the list.
inline const Definition& definitionOf(int penalty)
{
    const Definition* d = definitionNamed(kPenaltyInfo[penalty].name);
    if (d == nullptr) {
        std::fprintf(stderr, "penalty_formulas.h has no definition of \"%s\"\n", kPenaltyInfo[penalty].name);
        std::abort();
    }
    return *d;
}

inline Defined definedOf(int penalty) { return definitionOf(penalty).penalty; }

template <class T>
T penaltyValueOf(Defined p, const T& a, const T& l, const T& t)
{
    using std::cbrt, std::log1p, std::sqrt;
    const T one(1), two(2), knee = l * t;
    switch (p) {
    case Defined::L1: return l * a;
    case Defined::L0: return a == T(0) ? T(0) : l;
    case Defined::CappedL1: return l * (a < t ? a : t);
    case Defined::LogSum: return l * log1p(a / t);
    case Defined::Scad:
        if (a <= l)
            return l * a;
        if (a <= knee)
            return (a * (two * knee - a) - l * l) / (two * (t - one));
        return l * l * (t + one) / two;
    case Defined::Mcp: return a <= knee ? a * (l - a / (two * t)) : l * knee / two;
    case Defined::LHalf: return l * sqrt(a);
    case Defined::LTwoThirds: return l * cbrt(a * a);
    case Defined::ElasticNet: return l * (t * a + (one - t) * a * a / two);
    }
    std::abort();
}

// p'(a+): the right derivative, so capped-l1's is 0 at a = theta and the
// power penalties' and l0's are infinite at 0.
template <class T>
T penaltyDerivativeOf(Defined p, const T& a, const T& l, const T& t)
{
    using std::cbrt, std::sqrt;
    const T one(1), knee = l * t, infinite(__builtin_inf());
    switch (p) {
    case Defined::L1: return l;
    case Defined::L0: return a == T(0) ? infinite : T(0);
    case Defined::CappedL1: return a < t ? l : T(0);
    case Defined::LogSum: return l / (t + a);
    case Defined::Scad: return a <= l ? l : (a <= knee ? (knee - a) / (t - one) : T(0));
    case Defined::Mcp: return a <= knee ? l - a / t : T(0);
    case Defined::LHalf: return a == T(0) ? infinite : l / (T(2) * sqrt(a));
    case Defined::LTwoThirds: return a == T(0) ? infinite : T(2) * l / (T(3) * cbrt(a));
    case Defined::ElasticNet: return l * (t + (one - t) * a);
    }
    std::abort();
}
