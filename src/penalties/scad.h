// SCAD: p(u) = lambda*a for a = |u| <= lambda; (a*(2*lambda*theta - a) -
// lambda^2)/(2*(theta - 1)) up to lambda*theta; lambda^2*(theta + 1)/2 beyond.
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"

struct ScadPenalty {
    static constexpr PenaltyType kCode = Scad;
    static constexpr const char* kName = "scad";

    // penaltyShrink. One candidate per piece of the penalty (on [0, lambda],
    // the stationary point of the middle piece clamped to [lambda, knee],
    // and the flat piece beyond knee = lambda*theta), each scored with its
    // own piece's formula; the least objective wins and equal objectives
    // keep the earlier piece. Near the borders 2*lambda and knee the
    // objectives can round equal, and then the earlier candidate is taken.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V knee = lambda * theta;
        const V lambdaSq = lambda * lambda;
        const V twoKnee = knee * 2.0;
        const V thetaMinus1 = theta - 1.0;
        const V thetaMinus2 = theta - 2.0;
        const V flat = ((theta + 1.0) * 0.5) * lambdaSq;

        const V a = L::magnitude(x);
        // Lower bound first, upper bound last: where knee < lambda the upper
        // bound wins, and a NaN passes through both clamps.
        const V u1 = minOf<L>(lambda, maxOf<L>(L::splat(0.0), a - lambda));
        const V m = (thetaMinus1 * a - knee) / thetaMinus2;
        const V u2 = minOf<L>(knee, maxOf<L>(lambda, m));
        const V u3 = maxOf<L>(knee, a);
        const V d1 = u1 - a, d2 = u2 - a, d3 = u3 - a;
        const V objective[3] = {
            (d1 * 0.5) * d1 + lambda * u1,
            (d2 * 0.5) * d2 + (((twoKnee - u2) * u2 - lambdaSq) * 0.5) / thetaMinus1,
            (d3 * 0.5) * d3 + flat,
        };
        const V candidate[3] = {u1, u2, u3};
        return withSignOf<L>(x, argMinFirst<L>(objective, candidate));
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
};
