// Log-sum: p(u) = lambda*log(1 + |u|/theta), with our own correctly rounded
// logarithm so that every build agrees to the bit.
#pragma once

#include "choice_rules.h"
#include "natural_log_lanes.h"
#include "penalty_type.h"

struct LogSumPenalty {
    static constexpr PenaltyType kCode = LogSum;
    static constexpr const char* kName = "log-sum";

    // penaltyShrink. The stationary points of 0.5*(u - a)^2 + lambda*log(1 + u/theta)
    // solve u^2 - e*u + (lambda - a*theta) = 0 with e = a - theta; 0 is
    // compared with both roots, each clamped at 0, by their objectives. The
    // logarithm is taken of the rounded r/theta + 1, also when r is 0.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0), one = L::splat(1.0);
        const V a = L::magnitude(x);
        const V e = a - theta;
        const V q = e * e - (lambda - a * theta) * 4.0;
        // No real root: the objective rises from 0, so 0 it is, stored as +0
        // whatever the sign of x. A zero or NaN q goes on to the roots.
        const auto noRoot = q < 0.0;
        const V s = L::sqrt(q);
        const V r1 = maxOf<L>(zero, (s + e) * 0.5);
        const V r2 = maxOf<L>(zero, (e - s) * 0.5);
        // Elements without a root need no logarithm: they take log 1, so no
        // lane waits on them. The smaller root is often clamped to 0 in every
        // lane (always when lambda <= theta^2); its logarithm is then log 1 =
        // +0, exactly what the full evaluation gives, and can be skipped.
        const V arg1 = noRoot ? one : r1 / theta + 1.0;
        const V arg2 = noRoot ? one : r2 / theta + 1.0;
        const V log1 = naturalLogLanes<L>(arg1);
        const V log2 = L::allTrue(arg2 == 1.0) ? zero : naturalLogLanes<L>(arg2);
        const V objective[3] = {
            (a * 0.5) * a,
            ((r1 - a) * 0.5) * (r1 - a) + log1 * lambda,
            ((r2 - a) * 0.5) * (r2 - a) + log2 * lambda,
        };
        // Ties go to the earlier of 0, larger root, smaller root; a NaN
        // objective never wins, so a NaN element ends at candidate 0.
        const V candidate[3] = {zero, r1, r2};
        const V r = argMinFirst<L>(objective, candidate);
        return noRoot ? zero : withSignOf<L>(x, r);
    }

    // penaltySum's term, before lambda: the log of the rounded a/theta + 1
    // (not a log-of-one-plus form).
    static constexpr bool kLambdaScalesSum = true;
    template <class L>
    static typename L::V sumTerm(typename L::V x, typename L::V, typename L::V theta)
    {
        return naturalLogLanes<L>(L::magnitude(x) / theta + 1.0);
    }
};
