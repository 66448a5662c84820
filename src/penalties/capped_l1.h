// Capped-l1: p(u) = lambda*min(|u|, theta).
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"

struct CappedL1Penalty {
    static constexpr PenaltyType kCode = CappedL1;
    static constexpr const char* kName = "capped-l1";

    // penaltyShrink. Two candidates: h, the best point where the penalty is
    // flat (u >= theta), and l, the soft-thresholded point clamped into
    // [0, theta]. The objective difference F(h) - F(l) is expanded so that F
    // itself is never formed: 0.5*((h-a)^2 - (l-a)^2) = 0.5*((h + l) - 2a)*(h - l).
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V h = maxOf<L>(a, theta);
        const V l = minOf<L>(theta, maxOf<L>(L::splat(0.0), a - lambda));
        V s = (h + l) - (a + a);
        s = s * 0.5;
        s = s * (h - l);
        const V d = s + (theta - l) * lambda;
        // Only a strictly better flat candidate wins; a tie or a NaN keeps l.
        return withSignOf<L>(x, d < 0.0 ? h : l);
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
};
