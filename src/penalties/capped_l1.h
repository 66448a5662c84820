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
    static constexpr double kTypicalTheta = 2.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyShrink: the steps of mapOf below, with lambda as the threshold.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return mapOf<L, false, false>(x, L::magnitude(x), theta, lambda, lambda, UnitChange<L>{});
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
        const V g = gamma * lambda;
        // A threshold that overflows is solved in units where it may not.
        const auto inside = insideWindow<L>(maxOf<L>(a, theta), call.windowLower, call.windowUpper) & (g < __builtin_inf());
        if (L::allTrue(inside))
            return mapOf<L, true, false>(x, a, theta, g, theta * g, UnitChange<L>{});
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
        const V a = L::magnitude(x);
        // Where theta >= a, the flat candidate costs at least g*theta >=
        // g*a, more than soft thresholding's point does, so theta = a gives
        // the same result in units of a, where a cannot underflow.
        const V theta = inside ? call.theta : minOf<L>(call.theta, a);
        const UnitChange<L> unit = unitChange<L>(inside, maxOf<L>(exponentOf<L>(a), exponentOf<L>(theta)));
        const V g = inside ? call.gamma * lambda : scaledProduct<L>(call.gamma, lambda, unit.power);
        // The flat stretch's cost from 0, g*theta, formed so that neither an
        // underflow of theta nor an overflow of g decides it.
        const V k = exponentOf<L>(theta);
        const V outsideCost = scaledProduct<L>(call.gamma, lambda, (unit.power + unit.power) + k)
                              * timesPowerOfTwo<L>(theta, -k);
        const V thetaCost = inside ? theta * g : (theta == 0.0 ? L::splat(0.0) : outsideCost);
        return mapOf<L, true, true>(x, toScaled<L>(a, unit), toScaled<L>(theta, unit), g, thetaCost, unit);
    }

    // Two candidates: h, the best point where the penalty is flat (u >=
    // theta), and l, the soft-thresholded point clamped into [0, theta]. The
    // objective difference F(h) - F(l) is expanded so that F itself is never
    // formed: 0.5*((h-a)^2 - (l-a)^2) = 0.5*((h + l) - 2a)*(h - l). a, theta
    // and the threshold g are in the units of `unit` when Scaled (thetaCost is
    // read only for penaltyProx).
    template <class L, bool ForProx, bool Scaled>
    static typename L::V mapOf(typename L::V x, typename L::V a, typename L::V theta, typename L::V g,
                               typename L::V thetaCost, UnitChange<L> unit)
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
        // thetaCost is flat*g where l = 0 (theta*g: the same bits inside the
        // window), formed without overflow or underflow outside it.
        if constexpr (ForProx)
            d = s + (l == 0.0 ? thetaCost : (flat == 0.0 ? zero : flat * g));
        // Only a strictly better flat candidate wins; a tie or a NaN keeps l.
        const V r = d < 0.0 ? h : l;
        if constexpr (Scaled)
            return withSignOf<L>(x, fromScaled<L>(r, unit));
        else
            return withSignOf<L>(x, r);
    }
};
