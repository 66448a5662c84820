// The map of one coefficient on the scalar reference, for solvers: the
// same bits as penaltyProx gives that element on any path. Only for files
// that are not a vector instruction set's (the scalar lanes refuse those).
#pragma once

#include "element_rules.h"
#include "scalar_lanes.h"

// What penaltyProx forms once per call, formed once per (theta, gamma) (a
// coordinate's step size), and the element's map with the regime chosen at
// run time.
template <class P>
struct ScalarProx {
    ProxCall<ScalarLanes> call;
    int regime;
};

template <class P>
inline ScalarProx<P> scalarProxOf(double theta, double gamma)
{
    return {proxCallOf<ScalarLanes, P::kNumbersInWindow>(theta, gamma), proxRegimeOf<ScalarLanes, P>(theta, gamma)};
}

template <class P>
inline double proxScalar(double x, double lambda, const ScalarProx<P>& s)
{
    if constexpr (proxRegimeCount<P>() > 1)
        return withRegime<proxRegimeCount<P>()>(
            s.regime, [&]<int R>() { return proxElement<ScalarLanes, P, R>(x, lambda, s.call); });
    else
        return proxElement<ScalarLanes, P>(x, lambda, s.call);
}
