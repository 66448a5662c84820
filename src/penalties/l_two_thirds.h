// l2/3: p(u) = lambda*|u|^(2/3).
#pragma once

#include "choice_rules.h"
#include "exact_sign.h"
#include "penalty_type.h"
#include "scaling.h"

struct LTwoThirdsPenalty {
    static constexpr PenaltyType kCode = NoCode;
    static constexpr const char* kName = "l2/3";
    static constexpr unsigned kOperations = ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = kNoTheta;
    static constexpr double kTypicalTheta = 0.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyProx: the minimiser of 0.5*(u - a)^2 + w*u^(2/3), a = |x|,
    // w = gamma*lambda. Its stationary points solve v^4 - a*v + 2w/3 = 0 in
    // v = u^(1/3); the largest root beats 0 exactly where a > 2*(2w/3)^(3/4),
    // i.e. 27*a^4 > 128*w^3, and at equality the two tie and 0 is taken.
    // Scaling u and a by 8^k and w by 16^k scales the objective by 64^k, so
    // every element is solved with a in [1, 8) and scaled back exactly
    // (barring the subnormal range). Newton's iteration starts at
    // min(2, 1 + (a - 1)/3), which is at least a^(1/3) (the tangent of the
    // cube root at 1 lies above it), where the quartic is at least 2w/3 > 0:
    // to the right of the largest root, on the convex branch, so it
    // descends, and it stops at the first step that does not descend.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V k = thirdOfExponent<L>(a);
        const V as = timesPowerOfTwo<L>(a, -(k + k + k));
        const V ws = scaledProduct<L>(call.gamma, lambda, -4.0 * k);
        const typename L::Mask keep = (a < __builtin_inf()) & rootWins<L>(as, ws, lambda, call.gamma, k);
        V u = L::splat(0.0);
        if (L::anyTrue(keep)) {
            V v = cubeRootStart<L>(as);
            const V c = (ws * 2.0) / 3.0;
            for (int step = 0; step < kNewtonSteps; ++step) {
                const V cube = (v * v) * v;
                const V next = v - ((cube - as) * v + c) / (cube * 4.0 - as);
                const typename L::Mask descends = keep & (next < v);
                if (!L::anyTrue(descends))
                    break;
                v = descends ? next : v;
            }
            u = timesPowerOfTwo<L>(refinedCube<L>(v, as, c), k + k + k);
        }
        return withSignOf<L>(x, keep ? u : L::splat(0.0));
    }

    // penaltyValue: lambda*a^(2/3), the power our own (see cubeRootParts).
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V k = thirdOfExponent<L>(a);
        const V scaled = timesPowerOfTwo<L>(a, -(k + k + k));
        const V root = cubeRootScaled<L>(scaled);
        V square, squareError, delta;
        cubeRootParts<L>(scaled, root, square, squareError, delta);
        const V power = timesPowerOfTwo<L>(square + (squareError - (root * 2.0) * delta), k + k);
        return lambda * (a == 0.0 ? L::splat(0.0) : (a < __builtin_inf() ? power : a));
    }

    // penaltyDerivative: lambda/(1.5*a^(1/3)), Inf at 0 and 0 at +-inf.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        const V k = thirdOfExponent<L>(a);
        const V scaled = timesPowerOfTwo<L>(a, -(k + k + k));
        const V root = cubeRootScaled<L>(scaled);
        V square, squareError, delta;
        cubeRootParts<L>(scaled, root, square, squareError, delta);
        const V r = timesPowerOfTwo<L>(root - delta, k);
        return lambda / ((a == 0.0 ? L::splat(0.0) : (a < __builtin_inf() ? r : a)) * 1.5);
    }

  private:
    // u = v^3 for the root v, to within about an ulp and a half: one more
    // Newton step whose residual v^4 - a v + c is formed from double-double
    // products, applied to v^3 held as a double-double, so that neither v's
    // last rounding nor the cubing is tripled in u.
    template <class L>
    static typename L::V refinedCube(typename L::V v, typename L::V a, typename L::V c)
    {
        using V = typename L::V;
        const V square = v * v, squareError = productErrorOf<L>(v, v, square);
        const V cube = square * v, cubeError = productErrorOf<L>(square, v, cube) + squareError * v;
        const V fourth = cube * v, fourthError = productErrorOf<L>(cube, v, fourth) + cubeError * v;
        const V av = a * v, avError = productErrorOf<L>(a, v, av);
        const V residual = ((fourth - av) + c) + (fourthError - avError);
        const V delta = residual / (cube * 4.0 - a);
        return cube + (cubeError - (square * 3.0) * delta);
    }

    // From the start, Newton's iteration for the quartic needs at most
    // about eight steps, the cube root's about seven; then one that stops.
    static constexpr int kNewtonSteps = 24;

    // floor(E/3) for a = 2^E m (E an integer, |E| < 1100): E/3 lies within
    // 1e-13 of a multiple of 1/3, so the nearest integer to E/3 - 1/3 is it.
    template <class L>
    static typename L::V thirdOfExponent(typename L::V a)
    {
        return nearestInteger<L>(exponentOf<L>(a) * (1.0 / 3.0) - 1.0 / 3.0);
    }

    // min(2, 1 + (a - 1)/3) >= a^(1/3) for a in [1, 8).
    template <class L>
    static typename L::V cubeRootStart(typename L::V a)
    {
        return minOf<L>(L::splat(2.0), (a - 1.0) / 3.0 + 1.0);
    }

    // a^(1/3) for a in [1, 8), by Newton's iteration on v^3 - a from above
    // (convex, so it descends), stopping at the first step that does not:
    // the same fixed operations on every build, within an ulp or so; then
    // refined by cubeRootParts.
    template <class L>
    static typename L::V cubeRootScaled(typename L::V a)
    {
        using V = typename L::V;
        V v = cubeRootStart<L>(a);
        const typename L::Mask regular = (a >= 1.0) & (a < 8.0);
        for (int step = 0; step < kNewtonSteps; ++step) {
            const V square = v * v;
            const V next = v - (square * v - a) / (square * 3.0);
            const typename L::Mask descends = regular & (next < v);
            if (!L::anyTrue(descends))
                break;
            v = descends ? next : v;
        }
        return v;
    }

    // For the root r of cubeRootScaled: r^2 as square + squareError
    // (exactly), and the last Newton correction delta = (r^3 - a)/(3 r^2),
    // its residual formed from double-double products, so that the root is
    // r - delta and its square square + (squareError - 2 r delta), each to
    // within about an ulp.
    template <class L>
    static void cubeRootParts(typename L::V a, typename L::V r, typename L::V& square, typename L::V& squareError,
                              typename L::V& delta)
    {
        using V = typename L::V;
        square = r * r;
        squareError = productErrorOf<L>(r, r, square);
        const V cube = square * r, cubeError = productErrorOf<L>(square, r, cube) + squareError * r;
        delta = ((cube - a) + cubeError) / (square * 3.0);
    }

    // 27*a^4 > 128*w^3 for a in [1, 8) and the weight w = gamma*lambda*16^-k,
    // rounded to ws: decided by the rounded powers where they differ by more
    // than their rounding errors could span (2^-51.4 for the fourth power,
    // 2^-51 for the cube with the rounding of ws, 2^-53 in the margin), and
    // exactly, with w as given, one lane at a time where they do not.
    template <class L>
    static typename L::Mask rootWins(typename L::V a, typename L::V ws, typename L::V lambda, typename L::V gamma,
                                     typename L::V k)
    {
        using V = typename L::V;
        const V square = a * a;
        const V fourth = (square * square) * 27.0;
        const V cube = ((ws * ws) * ws) * 128.0;
        const typename L::Mask wins = fourth > cube * (1.0 + 0x1p-48);
        const typename L::Mask open = (fourth <= cube * (1.0 + 0x1p-48)) & (fourth >= cube * (1.0 - 0x1p-48));
        if (!L::anyTrue(open))
            return wins;
        return exact_sign::decideOpenLanes<L>(wins, open, [&](int lane) {
            using namespace exact_sign;
            const double al = laneOf<L>(a, lane);
            double high, low, terms[6];
            Parts parts;
            twoProduct<L>(al, al, high, low); // a^2 = high + low
            twoProduct<L>(high, high, terms[0], terms[1]);
            twoProduct<L>(high * 2.0, low, terms[2], terms[3]);
            twoProduct<L>(low, low, terms[4], terms[5]);
            for (double t : terms)
                addProduct<L>(parts, t, 27.0);
            // w^3 = w^2 * w: w^2 exactly in six parts, each times both
            // parts of w, exactly.
            exactWeight<L>(laneOf<L>(gamma, lane), laneOf<L>(lambda, lane), static_cast<int>(-4 * laneOf<L>(k, lane)),
                           high, low);
            twoProduct<L>(high, high, terms[0], terms[1]);
            twoProduct<L>(high * 2.0, low, terms[2], terms[3]);
            twoProduct<L>(low, low, terms[4], terms[5]);
            for (double t : terms) {
                double p, e;
                twoProduct<L>(t * -128.0, high, p, e);
                parts.part[parts.count++] = p;
                parts.part[parts.count++] = e;
                twoProduct<L>(t * -128.0, low, p, e);
                parts.part[parts.count++] = p;
                parts.part[parts.count++] = e;
            }
            return signOfSum<L>(parts) > 0;
        });
    }
};
