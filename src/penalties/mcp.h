// MCP: p(u) = a*(lambda - a/(2*theta)) for a = |u| <= lambda*theta, and the
// flat lambda^2*theta/2 beyond.
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"
#include "scaling.h"

struct McpPenalty {
    static constexpr PenaltyType kCode = Mcp;
    static constexpr const char* kName = "mcp";
    static constexpr unsigned kOperations = ShrinkOperation | SumOperation | ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr bool kNumbersInWindow = true;
    static constexpr ThetaRange kTheta = {true, kScaleNumberLower, true, kScaleNumberUpper};
    static constexpr double kTypicalTheta = 3.0;
    static constexpr double kDefaultTheta = 3.0;
    static constexpr GammaRange kGamma = {kScaleNumberLower, kScaleNumberUpper};

    // penaltyShrink: the steps of mapOf below with gamma = 1, in x's own
    // units. The regime depends on theta alone, so it is chosen once per
    // call (theta > 1 first, then theta < 1; theta = 1 and a NaN theta are
    // linear).
    enum Regime { Convex, Concave, Linear };
    static constexpr int kShrinkRegimes = 3;
    template <class L>
    static int shrinkRegime(double, double theta)
    {
        return theta > 1 ? Convex : theta < 1 ? Concave : Linear;
    }

    template <class L, int R>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return mapOf<L, R, false, false>(x, L::magnitude(x), lambda, theta, L::splat(1.0), UnitChange<L>{});
    }

    // penaltyProx: the map of gamma*p. On [0, knee] the objective's leading
    // coefficient is 0.5*(1 - gamma/theta), so the regime is theta against
    // gamma, fixed per call; with gamma = 1 the steps are penaltyShrink's.
    // The concave regime (theta < gamma) thresholds at lambda*sqrt(gamma*theta),
    // not at gamma*lambda, and comes out of the objectives like the others.
    // Lengths are a and the knee lambda*theta; theta and gamma are numbers.
    static constexpr int kProxRegimes = 3;
    template <class L>
    static int proxRegime(double theta, double gamma)
    {
        return theta > gamma ? Convex : theta < gamma ? Concave : Linear;
    }

    template <class L, int R>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V theta = call.theta, gamma = call.gamma;
        using V = typename L::V;
        const V a = L::magnitude(x);
        const auto inside = insideWindow<L>(maxOf<L>(a, lambda * theta), call.windowLower, call.windowUpper);
        if (L::allTrue(inside))
            return mapOf<L, R, false, true>(x, a, lambda, theta, gamma, UnitChange<L>{});
        return proxScaled<L, R>(x, lambda, call, inside);
    }

    // penaltySum's term, lambda inside: a = knee takes the curved piece, a
    // NaN the flat one.
    static constexpr bool kLambdaScalesSum = false;
    template <class L>
    static typename L::V sumTerm(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V knee = lambda * theta;
        const V flat = (knee * 0.5) * lambda;
        const V a = L::magnitude(x);
        return knee >= a ? (lambda - (a * 0.5) / theta) * a : flat;
    }

    // penaltyValue: the term penaltySum adds, lambda inside, so that adding
    // the values in index order from +0 gives penaltySum's bits.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return sumTerm<L>(x, lambda, theta);
    }

    // penaltyDerivative: lambda - a/theta up to the knee (lambda at 0), 0
    // beyond; held at 0 where a knee rounded up would make it a hair negative.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V curved = maxOf<L>(L::splat(0.0), lambda - a / theta);
        return lambda * theta >= a ? curved : L::splat(0.0);
    }

  private:
    // penaltyProx for a block with lanes outside the window: they are solved
    // in their own units, the lanes inside exactly as in prox.
    template <class L, int R>
    [[gnu::noinline, gnu::cold]] static typename L::V proxScaled(typename L::V x, typename L::V lambda,
                                                                const ProxCall<L>& call, typename L::Mask inside)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V size = maxOf<L>(exponentOf<L>(a), exponentOf<L>(lambda) + exponentOf<L>(call.theta));
        const UnitChange<L> unit = unitChange<L>(inside, size);
        return mapOf<L, R, true, true>(x, toScaled<L>(a, unit), toScaled<L>(lambda, unit), call.theta, call.gamma, unit);
    }

    // Two candidates: the inner t, the best point of the curved stretch
    // [0, knee] as the regime finds it, and the outer u on the flat stretch
    // [knee, inf). The objective difference F(t) - F(u) uses 0.5*((t-a)^2 -
    // (u-a)^2) = 0.5*((t + u) - 2a)*(t - u); only a strictly negative
    // difference keeps t, so a tie or a NaN takes u. a and lambda are in the
    // units of `unit` when Scaled; the result is returned in x's units.
    template <class L, int R, bool Scaled, bool ForProx>
    static typename L::V mapOf(typename L::V x, typename L::V a, typename L::V lambda, typename L::V theta,
                               typename L::V gamma, UnitChange<L> unit)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0);
        const V knee = lambda * theta;
        const V flat = (knee * 0.5) * lambda;
        const V slope = gamma * lambda;
        V t;
        if constexpr (R == Convex) {
            // The stationary point v, clamped into [0, knee].
            const V v = ((a - slope) * theta) / (theta - gamma);
            t = minOf<L>(knee, maxOf<L>(zero, v));
        } else if constexpr (R == Concave) {
            // The minimum sits at the end farther from the vertex v; equal
            // distances and a NaN v give the knee.
            const V v = ((a - slope) * theta) / (theta - gamma);
            t = L::magnitude(v) > L::magnitude(v - knee) ? zero : knee;
        } else {
            // The slope a - gamma*lambda decides the end; equality and any
            // NaN give the knee. theta - gamma is never formed.
            t = slope > a ? zero : knee;
        }
        const V u = maxOf<L>(knee, a);
        const V s = (t + u) - (a + a);
        const V e = (s * 0.5) * (t - u);
        const V g = (lambda - (t * 0.5) / theta) * t;
        const V d = (e + g * gamma) - flat * gamma;
        V r = d < 0.0 ? t : u;
        // For penaltyProx, a candidate rounded past a (the minimiser lies in
        // [0, a]) is held at a; penaltyShrink keeps its steps as they were.
        if constexpr (ForProx)
            r = minOf<L>(a, r);
        if constexpr (Scaled)
            r = fromScaled<L>(r, unit);
        return withSignOf<L>(x, r);
    }
};
