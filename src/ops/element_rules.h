// One element of each weighted operation, with the rules that hold for
// every penalty around its own arithmetic: the array drivers run these
// over lanes, and a solver calls them on one coefficient at a time with
// no function pointer and no array machinery in between.
#pragma once

#include "penalty_list.h"

// penaltyProx of one element: the penalty's map where it applies, and the
// element itself where it does not: at +-inf and NaN (whatever the
// arithmetic made of them) and wherever the weight is zero. An infinite
// weight makes the penalty the constraint u = 0, for every penalty and
// theta: the element is held at 0, -0 for a negative element as the maps
// give their zeros, and only a NaN stays NaN. The penalty's arithmetic never
// sees that weight: it runs on a zero weight there, where every map is
// defined, and its result is replaced. R is the regime of a penalty whose
// arithmetic depends on one fixed per call.
template <class L, class P, int R = 0>
inline typename L::V proxElement(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
{
    const auto held = lambda == __builtin_inf();
    const typename L::V weight = held ? L::splat(0.0) : lambda;
    typename L::V r;
    if constexpr (requires { P::kProxRegimes; })
        r = P::template prox<L, R>(x, weight, call);
    else
        r = P::template prox<L>(x, weight, call);
    const typename L::V free = ((L::magnitude(x) < __builtin_inf()) & (weight != 0.0)) ? r : x;
    return (held & (x == x)) ? withSignOf<L>(x, L::splat(0.0)) : free;
}

// penaltyValue and penaltyDerivative of one element: the penalty's own
// formula, except that a NaN element gives NaN (the element itself) and a
// zero weight gives +0, the penalty being zero everywhere. penaltyValue
// takes an infinite weight as penaltyProx does, as the constraint u = 0:
// +0 at x = +-0 and inf everywhere else (the penalty's arithmetic again
// runs on a zero weight there). penaltyDerivative takes no infinite weight.
template <class L, class P>
inline typename L::V valueElement(typename L::V x, typename L::V lambda, typename L::V theta)
{
    const auto held = lambda == __builtin_inf();
    const typename L::V r = P::template value<L>(x, held ? L::splat(0.0) : lambda, theta);
    const typename L::V constrained = x == 0.0 ? L::splat(0.0) : L::splat(__builtin_inf());
    return x != x ? x : (held ? constrained : (lambda == 0.0 ? L::splat(0.0) : r));
}

template <class L, class P>
inline typename L::V derivativeElement(typename L::V x, typename L::V lambda, typename L::V theta)
{
    const typename L::V r = P::template derivative<L>(x, lambda, theta);
    return x != x ? x : (lambda == 0.0 ? L::splat(0.0) : r);
}

// Calls body.template operator()<R>() for R = regime, one of 0 .. Count-1:
// a regime chosen once per call gets a loop of its own, with no test of it
// per element.
template <int Count, class Body>
inline decltype(auto) withRegime(int regime, Body&& body)
{
    if constexpr (Count > 1) {
        if (regime == Count - 1)
            return body.template operator()<Count - 1>();
        return withRegime<Count - 1>(regime, body);
    } else {
        return body.template operator()<0>();
    }
}

template <class P>
constexpr int proxRegimeCount()
{
    if constexpr (requires { P::kProxRegimes; })
        return P::kProxRegimes;
    else
        return 1;
}

template <class L, class P>
inline int proxRegimeOf(double theta, double gamma)
{
    if constexpr (requires { P::kProxRegimes; })
        return P::template proxRegime<L>(theta, gamma);
    else
        return 0;
}

// Calls body.template operator()<P>() for P the penalty at position `index`
// of the list: code that is generic over penalties is instantiated once per
// penalty and chosen once, outside its loops.
template <class Body, class First, class... Rest>
inline decltype(auto) withPenaltyOf(int index, Body&& body, PenaltyList<First, Rest...>)
{
    if constexpr (sizeof...(Rest) == 0) {
        return body.template operator()<First>();
    } else {
        if (index == 0)
            return body.template operator()<First>();
        return withPenaltyOf(index - 1, body, PenaltyList<Rest...>{});
    }
}

template <class Body>
inline decltype(auto) withPenalty(int index, Body&& body)
{
    return withPenaltyOf(index, body, Penalties{});
}
