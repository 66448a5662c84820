// MCP: p(u) = a*(lambda - a/(2*theta)) for a = |u| <= lambda*theta, and the
// flat lambda^2*theta/2 beyond.
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"

struct McpPenalty {
    static constexpr PenaltyType kCode = Mcp;
    static constexpr const char* kName = "mcp";

    // penaltyShrink. On [0, knee] the objective is a parabola with leading
    // coefficient 0.5*(1 - 1/theta): convex for theta > 1, a line for
    // theta = 1, concave below. The regime decides only how the inner
    // candidate t is found, so it is chosen once per call (theta > 1 first,
    // then theta < 1; theta = 1 and a NaN theta are linear).
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
        using V = typename L::V;
        const V zero = L::splat(0.0);
        const V knee = lambda * theta;
        const V flat = (knee * 0.5) * lambda;
        const V a = L::magnitude(x);
        V t;
        if constexpr (R == Convex) {
            // The stationary point v, clamped into [0, knee].
            const V v = ((a - lambda) * theta) / (theta - 1.0);
            t = minOf<L>(knee, maxOf<L>(zero, v));
        } else if constexpr (R == Concave) {
            // The minimum sits at the end farther from the vertex v; equal
            // distances and a NaN v give the knee.
            const V v = ((a - lambda) * theta) / (theta - 1.0);
            t = L::magnitude(v) > L::magnitude(v - knee) ? zero : knee;
        } else {
            // The slope a - lambda decides the end; a = lambda and any NaN
            // give the knee. theta - 1 is never formed.
            t = lambda > a ? zero : knee;
        }
        // The outer candidate u on the flat stretch, and the objective
        // difference F(t) - F(u) with 0.5*((t-a)^2 - (u-a)^2) = 0.5*((t + u) -
        // 2a)*(t - u). Only a strictly negative difference keeps t: a tie or
        // a NaN takes u.
        const V u = maxOf<L>(knee, a);
        const V s = (t + u) - (a + a);
        const V e = (s * 0.5) * (t - u);
        const V g = (lambda - (t * 0.5) / theta) * t;
        const V d = (e + g) - flat;
        return withSignOf<L>(x, d < 0.0 ? t : u);
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
};
