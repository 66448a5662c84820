// Log-sum: p(u) = lambda*log(1 + |u|/theta), with our own correctly rounded
// logarithm so that every build agrees to the bit.
#pragma once

#include "choice_rules.h"
#include "exact_sign.h"
#include "natural_log_lanes.h"
#include "natural_log_tables.h"
#include "penalty_type.h"
#include "scaling.h"

struct LogSumPenalty {
    static constexpr PenaltyType kCode = LogSum;
    static constexpr const char* kName = "log-sum";
    static constexpr unsigned kOperations = ShrinkOperation | SumOperation | ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = {true, 0.0, false, __builtin_inf()};
    static constexpr double kTypicalTheta = 1.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyShrink: the steps of unitStepMap below, in x's own units.
    template <class L>
    static typename L::V shrink(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        return unitStepMap<L>(x, L::magnitude(x), lambda, theta);
    }

    // penaltyProx: the global minimiser of 0.5*(u - a)^2 + w*log(1 + u/theta),
    // a = |x|, w = gamma*lambda (the exact product), within 3 ulp (see
    // generalMap). Its candidates are 0 and the larger stationary point r:
    // the smaller one, where positive, is a local maximum. r is the
    // minimiser wherever a*theta > w (then the objective falls from 0); at
    // or below that threshold, 0 is, unless the objective is not convex
    // (w > theta^2) and lower at r than at 0 (the jump). The threshold is
    // decided exactly, the jump by the objectives' difference formed from
    // terms each within 2^-52 (none of them cancelling). The problem is homogeneous (lengths a, u,
    // theta; w an area), so each element is solved in units where its
    // larger length is near 1; where theta exceeds a by 2^60 or more, in
    // units of a (linearMap). Not penaltyShrink's steps: those stay as they
    // were (unitStepMap), and differ from these near the threshold.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const auto linear = a < call.theta * 0x1p-60;
        typename L::Mask noRoot;
        V r = generalMap<L>(a, lambda, call, noRoot);
        if (L::anyTrue(linear)) {
            typename L::Mask linearNoRoot;
            const V u = linearMap<L>(a, lambda, call, linearNoRoot);
            r = linear ? u : r;
            noRoot = linear ? linearNoRoot : noRoot;
        }
        return noRoot ? L::splat(0.0) : withSignOf<L>(x, r);
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
    // the rounded a/theta + 1, so the two agree to the bit wherever a/theta
    // is finite; where it overflows (theta far below a), log(a/theta) from
    // the parts theta = m*2^k: log(a/m) - k*ln2. +-inf gives inf.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        V term = sumTerm<L>(x, lambda, theta);
        const auto overflows = (term == __builtin_inf()) & (a < __builtin_inf());
        if (L::anyTrue(overflows)) {
            const V k = exponentOf<L>(theta);
            const V ratio = a / timesPowerOfTwo<L>(theta, -k);
            const V split = naturalLogLanes<L>(overflows ? ratio : L::splat(1.0))
                            - (k * natural_log_tables::kLn2High + k * natural_log_tables::kLn2Low);
            term = overflows ? split : term;
        }
        return lambda * term;
    }

    // penaltyDerivative: lambda/(theta + a), lambda/theta at 0 and 0 at +-inf;
    // halved throughout where theta + a overflows.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V sum = theta + a;
        const V halved = (lambda * 0.5) / (theta * 0.5 + a * 0.5);
        return ((sum == __builtin_inf()) & (a < __builtin_inf())) ? halved : lambda / sum;
    }

  private:
    // w = gamma*lambda*2^-s as high + low, exactly (the mantissas' product
    // is exact in two doubles), for positive gamma and lambda >= 0. Past
    // 2^100 it is held at 2^100, where every map below gives 0 alike; below
    // the normal range it rounds, where it is negligible beside a*theta.
    template <class L>
    static void scaledWeight(typename L::V gamma, typename L::V lambda, typename L::V s, typename L::V& high,
                             typename L::V& low)
    {
        using V = typename L::V;
        const V eg = exponentOf<L>(gamma), el = exponentOf<L>(lambda);
        // An infinite weight is held at 2^100 too: no root, and the result 0.
        const auto finite = lambda < __builtin_inf();
        const V mg = timesPowerOfTwo<L>(gamma, -eg);
        const V ml = finite ? timesPowerOfTwo<L>(lambda, -el) : L::splat(1.0);
        const V product = mg * ml;
        const V error = productErrorOf<L>(mg, ml, product);
        const V e = finite ? minOf<L>(L::splat(100.0), maxOf<L>(L::splat(-1200.0), (eg + el) - s)) : L::splat(100.0);
        high = timesPowerOfTwo<L>(product, e);
        low = timesPowerOfTwo<L>(error, e);
    }

    // p*q - (high + low) for p, q in (0, 4) and a weight from scaledWeight,
    // with its sign exact and within 2^-52 relatively: the product's error
    // is exact, the difference of the rounded parts is exact where they are
    // close (and then nothing else cancels but exactly), and the two errors
    // are added exactly before the last two roundings.
    template <class L>
    static typename L::V differenceOfProducts(typename L::V p, typename L::V q, typename L::V high,
                                              typename L::V low)
    {
        using V = typename L::V;
        const V product = p * q;
        const V error = productErrorOf<L>(p, q, product);
        const V lead = product - high;
        V tail, tailError;
        twoSumOf<L>(error, -low, tail, tailError);
        return (lead + tail) + tailError;
    }

    // log(1 + t) for t >= 0 within about 2^-52 relatively: the logarithm of
    // the rounded v = 1 + t, corrected by the rounding error of v over v
    // (exact in two doubles). Below 2^-53, v is 1 and the result is t.
    template <class L>
    static typename L::V logOnePlus(typename L::V t)
    {
        using V = typename L::V;
        V v, error;
        twoSumOf<L>(t, L::splat(1.0), v, error);
        return naturalLogLanes<L>(v) + error / v;
    }

    // Whether (p + t)^2 < 4*(high + low), given q, that difference rounded,
    // and the size of its terms: decided by q where it lies clear of its
    // rounding (2^-48 of the terms), and exactly, as a sum of exact
    // products, one lane at a time where it does not. Only the sign of a
    // zero result hangs on it (+0 where there is no root).
    template <class L>
    static typename L::Mask rootsMissing(typename L::V q, typename L::V terms, typename L::V p, typename L::V t,
                                         typename L::V high, typename L::V low)
    {
        const typename L::Mask missing = q < 0.0;
        const typename L::Mask open = L::magnitude(q) <= terms * 0x1p-48;
        if (!L::anyTrue(open))
            return missing;
        return exact_sign::decideOpenLanes<L>(missing, open, [&](int lane) {
            using namespace exact_sign;
            double s, e;
            twoSum<L>(laneOf<L>(p, lane), laneOf<L>(t, lane), s, e);
            Parts parts;
            addProduct<L>(parts, s, s);
            addProduct<L>(parts, s * 2.0, e);
            addProduct<L>(parts, e, e);
            parts.part[parts.count++] = laneOf<L>(high, lane) * -4.0;
            parts.part[parts.count++] = laneOf<L>(low, lane) * -4.0;
            return signOfSum<L>(parts) < 0;
        });
    }

    // The map where a >= 2^-60 theta, in units 2^E with E the exponent of
    // the larger of a and theta (a, theta below 2 there; w, if any larger
    // than 2^100, has no root). With D = a*theta - w and e = a - theta, r
    // solves r^2 - e*r - D = 0: q = e^2 + 4D, both terms >= 0 wherever r
    // wins without a comparison (D > 0), so q loses nothing there. r is
    // formed where it does not cancel: a - d for a shrinkage d = 2w/((a +
    // theta) + sqrt(q)) of at most a/2 (d's error then moves r by at most
    // as many ulps of d); else 2D/(sqrt(q) - e), the product of the roots
    // over the smaller, for a < theta; else (e + sqrt(q))/2. Errors: D and
    // q within 2^-52, each form of r within 3 ulp (measured: see
    // tests/penalties/log_sum_mpfr_test.cpp). The jump: where D <= 0 and r
    // > 0 (two positive roots), r wins when 0.5*r*(r - 2a) + w*log(1 + r/theta)
    // < 0, a tie giving 0; log(1 + r/theta) is logOnePlus, or log(r/theta)
    // from its parts where r/theta is 2^60 or more (theta may be far below
    // the normal range in these units).
    template <class L>
    static typename L::V generalMap(typename L::V a, typename L::V lambda, const ProxCall<L>& call,
                                    typename L::Mask& noRoot)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0);
        const V E = exponentOf<L>(maxOf<L>(a, call.theta));
        const V as = timesPowerOfTwo<L>(a, -E), ts = timesPowerOfTwo<L>(call.theta, -E);
        V wh, wl;
        scaledWeight<L>(call.gamma, lambda, E + E, wh, wl);
        const V D = differenceOfProducts<L>(as, ts, wh, wl);
        const V e = as - ts;
        const V q = e * e + D * 4.0;
        noRoot = rootsMissing<L>(q, e * e + L::magnitude(D) * 4.0, as, ts, wh, wl);
        // A root decided to exist where q rounded below 0 is a double one.
        const V root = L::sqrt(maxOf<L>(q, zero));
        const V shrinkage = (wh * 2.0) / ((as + ts) + root);
        const V far = e < 0.0 ? (D * 2.0) / (root - e) : (e + root) * 0.5;
        V r = minOf<L>(as, maxOf<L>(zero, shrinkage * 2.0 <= as ? as - shrinkage : far));
        const auto jump = (D <= 0.0) & (r > 0.0);
        if (L::anyTrue(jump)) {
            const V t = r / ts;
            const V eTheta = exponentOf<L>(call.theta);
            const V k = E - eTheta;
            const V ratio = r / timesPowerOfTwo<L>(call.theta, -eTheta);
            const V hugeLog = naturalLogLanes<L>(jump ? ratio : L::splat(1.0))
                              + (k * natural_log_tables::kLn2High + k * natural_log_tables::kLn2Low);
            const V smallLog = logOnePlus<L>(jump ? t : zero);
            const V logTerm = t >= 0x1p60 ? hugeLog : smallLog;
            const V difference = ((r * 0.5) * (r - as * 2.0)) + wh * logTerm;
            r = (jump & (difference >= 0.0)) ? zero : r;
        }
        return timesPowerOfTwo<L>(r, E);
    }

    // The map where theta > 2^60 a: in units of a (a in [1, 2)), theta =
    // m*2^k with m in [1, 2), w' = w*2^-(E + k) and D = a*m - w' (the
    // threshold decided exactly), the root is D/(theta - a + r) in these
    // units: D/m to within 2^-59 relatively, since a < 2^-60 theta. There is
    // no real root (for +0) where 4w > (a + theta)^2, judged in units of theta.
    template <class L>
    static typename L::V linearMap(typename L::V a, typename L::V lambda, const ProxCall<L>& call,
                                   typename L::Mask& noRoot)
    {
        using V = typename L::V;
        const V E = exponentOf<L>(a), k = exponentOf<L>(call.theta);
        const V as = timesPowerOfTwo<L>(a, -E), m = timesPowerOfTwo<L>(call.theta, -k);
        V wh, wl;
        scaledWeight<L>(call.gamma, lambda, E + k, wh, wl);
        const V D = differenceOfProducts<L>(as, m, wh, wl);
        const V at = timesPowerOfTwo<L>(a, -k);
        V wTheta, wThetaLow;
        scaledWeight<L>(call.gamma, lambda, k + k, wTheta, wThetaLow);
        const V sum = at + m;
        const V q = sum * sum - wTheta * 4.0;
        noRoot = rootsMissing<L>(q, sum * sum + wTheta * 4.0, at, m, wTheta, wThetaLow);
        return D > 0.0 ? timesPowerOfTwo<L>(minOf<L>(as, D / m), E) : L::splat(0.0);
    }

    // penaltyShrink's steps, unchanged: 0 and both roots of u^2 - e*u +
    // (w - a*theta) = 0, e = a - theta, each clamped at 0, compared by
    // their objectives, the logarithm taken of the rounded r/theta + 1.
    template <class L>
    static typename L::V unitStepMap(typename L::V x, typename L::V a, typename L::V w, typename L::V theta)
    {
        using V = typename L::V;
        const V zero = L::splat(0.0), one = L::splat(1.0);
        const V e = a - theta;
        const V q = e * e - (w - a * theta) * 4.0;
        // No real root: the objective rises from 0, so 0 it is, stored as +0
        // whatever the sign of x. A zero or NaN q goes on to the roots.
        const typename L::Mask noRoot = q < 0.0;
        const V s = L::sqrt(q);
        const V r1 = maxOf<L>(zero, (s + e) * 0.5);
        const V r2 = maxOf<L>(zero, (e - s) * 0.5);
        // Elements without a root need no logarithm: they take log 1, so no
        // lane waits on them. The smaller root is often clamped to 0 in every
        // lane (always when w <= theta^2); its logarithm is then log 1 = +0,
        // exactly what the full evaluation gives, and can be skipped.
        const V arg1 = noRoot ? one : r1 / theta + 1.0;
        const V arg2 = noRoot ? one : r2 / theta + 1.0;
        const V log1 = naturalLogLanes<L>(arg1);
        const V log2 = L::allTrue(arg2 == 1.0) ? zero : naturalLogLanes<L>(arg2);
        const V objective[3] = {
            (a * 0.5) * a,
            ((r1 - a) * 0.5) * (r1 - a) + log1 * w,
            ((r2 - a) * 0.5) * (r2 - a) + log2 * w,
        };
        // Ties go to the earlier of 0, larger root, smaller root; a NaN
        // objective never wins, so a NaN element ends at candidate 0.
        const V candidate[3] = {zero, r1, r2};
        const V r = argMinFirst<L>(objective, candidate);
        return noRoot ? zero : withSignOf<L>(x, r);
    }
};
