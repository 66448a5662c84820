// Capped-l1: p(u) = lambda*min(|u|, theta).
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"
#include "scaling.h"

struct CappedL1Penalty {
    static constexpr PenaltyType kCode = CappedL1;
    static constexpr const char* kName = "capped-l1";
    static constexpr unsigned kOperations = ShrinkOperation | SumOperation | ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = {true, 0.0, true, __builtin_inf()};
    static constexpr bool kNumbersInWindow = false;

    // penaltyShrink: the steps of mapOf below, with lambda as the threshold.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return mapOf<L, false, false>(x, L::magnitude(x), theta, lambda, UnitChange<L>{});
    }

    // penaltySum's term, before lambda: a NaN element fails theta >= a and
    // so adds theta.
    static constexpr bool kLambdaScalesSum = true;
    template <class L>
    static typename L::V sumTerm(typename L::V x, typename L::V, typename L::V theta)
    {
        const typename L::V a = L::magnitude(x);
        return theta >= a ? a : theta;
    }

    // penaltyProx: the map of gamma*p, the same two candidates with the
    // threshold g = gamma*lambda in place of lambda (1*lambda is lambda, so
    // gamma = 1 repeats penaltyShrink's steps). Whichever candidate has the
    // lower objective wins, so the map is exact in both of its shapes:
    // continuous for theta >= g/2, with a jump from 0 up to the flat stretch
    // below. Lengths are a and theta; g is scaled with them.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V theta = call.theta, gamma = call.gamma;
        using V = typename L::V;
        const V a = L::magnitude(x);
        const auto inside = insideWindow<L>(maxOf<L>(a, theta), call.windowLower, call.windowUpper);
        if (L::allTrue(inside))
            return mapOf<L, true, false>(x, a, theta, gamma * lambda, UnitChange<L>{});
        return proxScaled<L>(x, lambda, call, inside);
    }

    // penaltyValue: lambda times the term penaltySum adds (before its final
    // multiplication), so the two agree to the bit. +-inf gives lambda*theta.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return lambda * sumTerm<L>(x, lambda, theta);
    }

    // penaltyDerivative: lambda below theta, 0 from theta on (the right
    // derivative at the jump a = theta), so the first step from 0 is the lasso.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return L::magnitude(x) < theta ? lambda : L::splat(0.0);
    }

  private:
    // penaltyProx for a block with lanes outside the window: they are solved
    // in their own units, the lanes inside exactly as in prox.
    template <class L>
    [[gnu::noinline, gnu::cold]] static typename L::V proxScaled(typename L::V x, typename L::V lambda,
                                                                const ProxCall<L>& call, typename L::Mask inside)
    {
        using V = typename L::V;
        const V a = L::magnitude(x), theta = call.theta;
        const UnitChange<L> unit = unitChange<L>(inside, maxOf<L>(exponentOf<L>(a), exponentOf<L>(theta)));
        const V g = inside ? call.gamma * lambda : scaledProduct<L>(call.gamma, lambda, unit.power);
        return mapOf<L, true, true>(x, toScaled<L>(a, unit), toScaled<L>(theta, unit), g, unit);
    }

    // Two candidates: h, the best point where the penalty is flat (u >=
    // theta), and l, the soft-thresholded point clamped into [0, theta]. The
    // objective difference F(h) - F(l) is expanded so that F itself is never
    // formed: 0.5*((h-a)^2 - (l-a)^2) = 0.5*((h + l) - 2a)*(h - l). a, theta
    // and the threshold g are in the units of `unit` when Scaled.
    template <class L, bool ForProx, bool Scaled>
    static typename L::V mapOf(typename L::V x, typename L::V a, typename L::V theta, typename L::V g,
                               UnitChange<L> unit)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0);
        const V h = maxOf<L>(a, theta);
        const V l = minOf<L>(theta, maxOf<L>(zero, a - g));
        V s = (h + l) - (a + a);
        s = s * 0.5;
        s = s * (h - l);
        const V flat = theta - l;
        V d = s + flat * g;
        // For penaltyProx, a threshold beyond the double range meets only a
        // flat stretch of zero length, whose cost is 0 rather than 0*inf.
        if constexpr (ForProx)
            d = s + (flat == 0.0 ? zero : flat * g);
        // Only a strictly better flat candidate wins; a tie or a NaN keeps l.
        const V r = d < 0.0 ? h : l;
        if constexpr (Scaled)
            return withSignOf<L>(x, fromScaled<L>(r, unit));
        else
            return withSignOf<L>(x, r);
    }
};
