// SCAD: p(u) = lambda*a for a = |u| <= lambda; (a*(2*lambda*theta - a) -
// lambda^2)/(2*(theta - 1)) up to lambda*theta; lambda^2*(theta + 1)/2 beyond.
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"
#include "scaling.h"

struct ScadPenalty {
    static constexpr PenaltyType kCode = Scad;
    static constexpr const char* kName = "scad";
    static constexpr unsigned kOperations = ShrinkOperation | SumOperation | ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr bool kNumbersInWindow = true;
    static constexpr ThetaRange kTheta = {true, 2.0, false, kScaleNumberUpper};
    static constexpr double kTypicalTheta = 3.7;
    static constexpr double kDefaultTheta = 3.7;
    static constexpr GammaRange kGamma = {kScaleNumberLower, kScaleNumberUpper};

    // penaltyShrink: the steps of mapOf below with gamma = 1, in x's own
    // units (1*lambda is lambda and theta - (1 + 1) is theta - 2, so they are
    // exactly the unit-step steps).
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return mapOf<L, false, false>(x, L::magnitude(x), lambda, theta, L::splat(1.0), UnitChange<L>{});
    }

    // penaltyProx: the map of gamma*p. gamma*SCAD is no SCAD (lambda sets both
    // its slope and its knots), so gamma enters each piece's objective and
    // the middle piece's stationary point. That piece is convex only for
    // theta > 1 + gamma; otherwise its clamped stationary point is merely
    // one more point of the objective, and the minimum lies at the pieces'
    // ends, which the first and last candidates cover: the least objective
    // is the global minimiser in every regime. Lengths are a and the knee
    // lambda*theta (lambda lies below it); theta and gamma are numbers, and
    // the window leaves room for their products with the squared lengths.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V theta = call.theta, gamma = call.gamma;
        using V = typename L::V;
        const V a = L::magnitude(x);
        const auto inside = insideWindow<L>(maxOf<L>(a, lambda * theta), call.windowLower, call.windowUpper);
        if (L::allTrue(inside))
            return mapOf<L, false, true>(x, a, lambda, theta, gamma, UnitChange<L>{});
        return proxScaled<L>(x, lambda, call, inside);
    }

    // penaltySum's term, lambda inside. The middle branch is reached only
    // for lambda < a <= knee (or a NaN), so for theta <= 1 and lambda >= 0
    // no number is divided by theta - 1; vector lanes form it everywhere and
    // the select discards what the scalar code never reaches.
    static constexpr bool kLambdaScalesSum = false;
    template <class L>
    static typename L::V sumTerm(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V knee = lambda * theta;
        const V lambdaSq = lambda * lambda;
        const V flat = ((theta + 1.0) * 0.5) * lambdaSq;
        const V a = L::magnitude(x);
        const V middle = ((((knee * 2.0) - a) * a - lambdaSq) * 0.5) / (theta - 1.0);
        return lambda >= a ? a * lambda : (a > knee ? flat : middle);
    }

    // penaltyValue: the term penaltySum adds, lambda inside, so that adding
    // the values in index order from +0 gives penaltySum's bits, wherever
    // that term is finite and lambda^2 normal. Where its 2*knee*a overflows
    // on the way (theta large) or lambda^2 underflows, the middle piece is
    // lambda^2 + e*(lambda - (e/(theta - 1))/2), e = a - lambda (its terms
    // are >= 0 and e/(theta - 1) <= lambda: nothing cancels, and nothing
    // overflows that the value does not), and the flat one
    // (((theta + 1)/2)*lambda)*lambda.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V term = sumTerm<L>(x, lambda, theta);
        const V a = L::magnitude(x);
        const V excess = a - lambda;
        const V middle = lambda * lambda + excess * (lambda - (excess / (theta - 1.0)) * 0.5);
        const V flat = (((theta + 1.0) * 0.5) * lambda) * lambda;
        const V knee = lambda * theta;
        const V robust = lambda >= a ? term : (a > knee ? flat : (a < __builtin_inf() ? middle : flat));
        return ((term < __builtin_inf()) & (lambda * lambda >= 0x1p-1022)) ? term : robust;
    }

    // penaltyDerivative: lambda up to lambda (the right derivative at 0 too),
    // (knee - a)/(theta - 1) up to the knee, 0 beyond; continuous at both knots.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V knee = lambda * theta;
        // Where the knee overflows, (knee - a)/(theta - 1) is formed as
        // lambda - (a - lambda)/(theta - 1).
        const V middle = knee < __builtin_inf() ? (knee - a) / (theta - 1.0)
                                                : maxOf<L>(L::splat(0.0), lambda - (a - lambda) / (theta - 1.0));
        return lambda >= a ? lambda : (knee >= a ? middle : L::splat(0.0));
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
        const V size = maxOf<L>(exponentOf<L>(a), exponentOf<L>(lambda) + exponentOf<L>(call.theta));
        const UnitChange<L> unit = unitChange<L>(inside, size);
        return mapOf<L, true, true>(x, toScaled<L>(a, unit), toScaled<L>(lambda, unit), call.theta, call.gamma, unit);
    }

    // One candidate per piece of the penalty (on [0, lambda], the stationary
    // point of the middle piece clamped to [lambda, knee], and the flat piece
    // beyond knee = lambda*theta), each scored with its own piece's formula;
    // the least objective wins and equal objectives keep the earlier piece.
    // Near the borders 2*lambda*gamma and knee the objectives can round
    // equal, and then the earlier candidate is taken. a and lambda are in
    // the units of `unit` when Scaled; the result is returned in x's units.
    template <class L, bool Scaled, bool ForProx>
    static typename L::V mapOf(typename L::V x, typename L::V a, typename L::V lambda, typename L::V theta,
                               typename L::V gamma, UnitChange<L> unit)
    {
        using V = typename L::V;
        const V knee = lambda * theta;
        const V lambdaSq = lambda * lambda;
        const V twoKnee = knee * 2.0;
        const V thetaMinus1 = theta - 1.0;
        const V flat = ((theta + 1.0) * 0.5) * lambdaSq;
        const V slope = gamma * lambda;

        // Lower bound first, upper bound last: where knee < lambda the upper
        // bound wins, and a NaN passes through both clamps.
        const V u1 = minOf<L>(lambda, maxOf<L>(L::splat(0.0), a - slope));
        const V m = (thetaMinus1 * a - gamma * knee) / (theta - (gamma + 1.0));
        const V u2 = minOf<L>(knee, maxOf<L>(lambda, m));
        const V u3 = maxOf<L>(knee, a);
        const V d1 = u1 - a, d2 = u2 - a, d3 = u3 - a;
        const V objective[3] = {
            (d1 * 0.5) * d1 + slope * u1,
            (d2 * 0.5) * d2 + ((((twoKnee - u2) * u2 - lambdaSq) * 0.5) / thetaMinus1) * gamma,
            (d3 * 0.5) * d3 + flat * gamma,
        };
        const V candidate[3] = {u1, u2, u3};
        V r = argMinFirst<L>(objective, candidate);
        // For penaltyProx, a candidate rounded past a (the minimiser lies in
        // [0, a]) is held at a; penaltyShrink keeps its steps as they were.
        if constexpr (ForProx)
            r = minOf<L>(a, r);
        if constexpr (Scaled)
            r = fromScaled<L>(r, unit);
        return withSignOf<L>(x, r);
    }
};
