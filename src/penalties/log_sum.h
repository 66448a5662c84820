// Log-sum: p(u) = lambda*log(1 + |u|/theta), with our own correctly rounded
// logarithm so that every build agrees to the bit.
#pragma once

#include "choice_rules.h"
#include "natural_log_lanes.h"
#include "penalty_type.h"
#include "scaling.h"

struct LogSumPenalty {
    static constexpr PenaltyType kCode = LogSum;
    static constexpr const char* kName = "log-sum";
    static constexpr unsigned kOperations = ShrinkOperation | SumOperation | ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = {true, 0.0, false, __builtin_inf()};
    static constexpr bool kNumbersInWindow = false;

    // penaltyShrink: the steps of mapOf below, in x's own units.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        typename L::Mask noRoot;
        return mapOf<L, false, false>(x, L::magnitude(x), lambda, theta, theta, UnitChange<L>{}, noRoot);
    }

    // penaltyProx: the map of gamma*p is the map of p with gamma*lambda in
    // place of lambda (1*lambda is lambda, so gamma = 1 repeats penaltyShrink's
    // steps). The candidates are 0 and every stationary point, so the global
    // minimiser is among them also where the objective is not convex
    // (gamma*lambda > theta^2) and the map jumps. The discriminant squares
    // the lengths a and theta and holds gamma*lambda, an area: where they
    // lie far from 1 the element is solved in units where they do not.
    // Where theta exceeds a by 2^60 or more, log(1 + u/theta) is u/theta to
    // the last bit for every u in [0, a], the objective is convex, and the
    // map is soft thresholding at gamma*lambda/theta, formed in x's units.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V theta = call.theta, gamma = call.gamma;
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V area = gamma * lambda;
        // The window: every length and the square root of the area below its
        // upper bound, and at least one of them from its lower bound on.
        const V largest = maxOf<L>(a, theta);
        const V lower = call.windowLower, upper = call.windowUpper;
        const auto inside = (largest < upper) & (area < upper * upper) & ((largest >= lower) | (area >= lower * lower));
        typename L::Mask noRoot;
        V r = L::allTrue(inside) ? mapOf<L, true, false>(x, a, area, theta, theta, UnitChange<L>{}, noRoot)
                                 : proxScaled<L>(x, lambda, call, inside, noRoot);
        const auto linear = (theta >= a * 0x1p60) & (a > 0.0);
        if (L::anyTrue(linear))
            r = linear ? proxLinear<L>(x, lambda, call, noRoot) : r;
        return r;
    }

    // penaltySum's term, before lambda: the log of the rounded a/theta + 1
    // (not a log-of-one-plus form).
    static constexpr bool kLambdaScalesSum = true;
    template <class L>
    static typename L::V sumTerm(typename L::V x, typename L::V, typename L::V theta)
    {
        return naturalLogLanes<L>(L::magnitude(x) / theta + 1.0);
    }

    // penaltyValue: lambda times the term penaltySum adds, the logarithm of
    // the rounded a/theta + 1, so the two agree to the bit; +-inf gives inf.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return lambda * sumTerm<L>(x, lambda, theta);
    }

    // penaltyDerivative: lambda/(theta + a), lambda/theta at 0 and 0 at +-inf.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return lambda / (theta + L::magnitude(x));
    }

  private:
    // penaltyProx for a block with lanes outside the window: they are solved
    // in their own units, the lanes inside exactly as in prox.
    template <class L>
    [[gnu::noinline, gnu::cold]] static typename L::V proxScaled(typename L::V x, typename L::V lambda,
                                                                const ProxCall<L>& call, typename L::Mask inside,
                                                                typename L::Mask& noRoot)
    {
        using V = typename L::V;
        const V a = L::magnitude(x), theta = call.theta, gamma = call.gamma;
        const V areaExponent = nearestInteger<L>((exponentOf<L>(gamma) + exponentOf<L>(lambda) + 1.0) * 0.5);
        const UnitChange<L> unit = unitChange<L>(inside, maxOf<L>(exponentOf<L>(maxOf<L>(a, theta)), areaExponent));
        const V area = inside ? gamma * lambda : scaledProduct<L>(gamma, lambda, unit.power + unit.power);
        return mapOf<L, true, true>(x, toScaled<L>(a, unit), area, toScaled<L>(theta, unit), theta, unit, noRoot);
    }

    // penaltyProx where theta >= 2^60 a: soft thresholding at gamma*lambda/theta,
    // the threshold formed without overflow or underflow.
    template <class L>
    [[gnu::noinline, gnu::cold]] static typename L::V proxLinear(typename L::V x, typename L::V lambda,
                                                                const ProxCall<L>& call, typename L::Mask noRoot)
    {
        using V = typename L::V;
        const V k = exponentOf<L>(call.theta);
        const V threshold = scaledProduct<L>(call.gamma, lambda, -k) / timesPowerOfTwo<L>(call.theta, -k);
        return noRoot ? L::splat(0.0) : withSignOf<L>(x, maxOf<L>(L::splat(0.0), L::magnitude(x) - threshold));
    }

    // The steps of the map for x, with a = |x|, weight w and shape theta
    // given in the units of `unit` when Scaled; the result is returned in
    // x's units (thetaGiven is theta in x's units). For penaltyProx
    // (ForProx) two steps are made robust where the unit-step ones fail
    // outright: the larger root where x lies far below theta, and the
    // logarithm where x lies so far above theta that their ratio overflows.
    template <class L, bool ForProx, bool Scaled>
    static typename L::V mapOf(typename L::V x, typename L::V a, typename L::V w, typename L::V theta,
                               typename L::V thetaGiven, UnitChange<L> unit, typename L::Mask& noRoot)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0), one = L::splat(1.0);
        // The stationary points of 0.5*(u - a)^2 + w*log(1 + u/theta) solve
        // u^2 - e*u + (w - a*theta) = 0 with e = a - theta; 0 is compared with
        // both roots, each clamped at 0, by their objectives. The logarithm
        // is taken of the rounded r/theta + 1, also when r is 0.
        const V e = a - theta;
        const V q = e * e - (w - a * theta) * 4.0;
        // No real root: the objective rises from 0, so 0 it is, stored as +0
        // whatever the sign of x. A zero or NaN q goes on to the roots.
        noRoot = q < 0.0;
        const V s = L::sqrt(q);
        V larger = (s + e) * 0.5;
        if constexpr (ForProx) {
            // For a far below theta, (s + e)/2 cancels (e is about -theta):
            // once more than 26 bits would go (the root below 2^-26 |e|), it
            // is formed from the product of the roots, a*theta - w, instead.
            const V product = (a * theta - w) * 2.0;
            const auto cancels = (e < 0.0) & (product < (L::magnitude(e) * 0x1p-26) * (s - e));
            if (L::anyTrue(cancels))
                larger = cancels ? product / (s - e) : larger;
        }
        const V r1 = maxOf<L>(zero, larger);
        const V r2 = maxOf<L>(zero, (e - s) * 0.5);
        // Elements without a root need no logarithm: they take log 1, so no
        // lane waits on them. The smaller root is often clamped to 0 in every
        // lane (always when w <= theta^2); its logarithm is then log 1 = +0,
        // exactly what the full evaluation gives, and can be skipped.
        const V arg1 = noRoot ? one : r1 / theta + 1.0;
        const V arg2 = noRoot ? one : r2 / theta + 1.0;
        V log1 = naturalLogLanes<L>(arg1);
        const V log2 = L::allTrue(arg2 == 1.0) ? zero : naturalLogLanes<L>(arg2);
        if constexpr (ForProx) {
            // theta near or below the bottom of the normal range (x more than
            // 2^1000 times theta): r1/theta is huge or inf, and log(r1/theta +
            // 1) is log(r1/m) - k*ln2 for theta = m*2^k, to the last bit, with
            // m and k taken from theta as given.
            const auto hugeRatio = (theta < 0x1p-1000) & (r1 >= theta * 0x1p60);
            if (L::anyTrue(hugeRatio)) {
                const V given = exponentOf<L>(thetaGiven);
                const V m = timesPowerOfTwo<L>(thetaGiven, -given);
                log1 = hugeRatio ? naturalLogLanes<L>(r1 / m) - (given + unit.power) * 0.6931471805599453 : log1;
            }
        }
        const V objective[3] = {
            (a * 0.5) * a,
            ((r1 - a) * 0.5) * (r1 - a) + log1 * w,
            ((r2 - a) * 0.5) * (r2 - a) + log2 * w,
        };
        // Ties go to the earlier of 0, larger root, smaller root; a NaN
        // objective never wins, so a NaN element ends at candidate 0.
        const V candidate[3] = {zero, r1, r2};
        V r = argMinFirst<L>(objective, candidate);
        if constexpr (Scaled)
            r = fromScaled<L>(r, unit);
        return noRoot ? zero : withSignOf<L>(x, r);
    }
};
