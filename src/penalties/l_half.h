// l1/2: p(u) = lambda*|u|^(1/2).
#pragma once

#include "choice_rules.h"
#include "exact_sign.h"
#include "penalty_type.h"
#include "scaling.h"

struct LHalfPenalty {
    static constexpr PenaltyType kCode = NoCode;
    static constexpr const char* kName = "l1/2";
    static constexpr unsigned kOperations = ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = kNoTheta;
    static constexpr double kTypicalTheta = 0.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyProx: the minimiser of 0.5*(u - a)^2 + w*sqrt(u), a = |x|,
    // w = gamma*lambda (half thresholding). Its stationary points solve
    // v^3 - a*v + w/2 = 0 in v = sqrt(u); the largest root beats 0 exactly
    // where a > (3/2)*w^(2/3), i.e. 8*a^3 > 27*w^2, and at equality the two
    // tie and 0 is taken. Scaling u and a by 4^k and w by 8^k scales the
    // objective by 16^k, so every element is solved with a in [1, 4): the
    // powers and Newton's steps neither overflow nor underflow, and the
    // result is scaled back exactly (barring the subnormal range). Newton's
    // iteration starts at sqrt(a), where the cubic is w/2 > 0, to the right
    // of its largest root, on the convex branch: it descends, and it stops
    // at the first step that does not descend, the same in every lane.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        using V = typename L::V;
        const V a = L::magnitude(x);
        // a = 4^k a', with k = floor(E/2) for a = 2^E m.
        const V k = nearestInteger<L>(exponentOf<L>(a) * 0.5 - 0.25);
        const V as = timesPowerOfTwo<L>(a, -(k + k));
        const V ws = scaledProduct<L>(call.gamma, lambda, -(k + k + k));
        const typename L::Mask keep = (a < __builtin_inf()) & rootWins<L>(as, ws, lambda, call.gamma, k);
        V u = L::splat(0.0);
        if (L::anyTrue(keep)) {
            V v = L::sqrt(as);
            const V halfW = ws * 0.5;
            for (int step = 0; step < kNewtonSteps; ++step) {
                const V square = v * v;
                const V next = v - ((square - as) * v + halfW) / (square * 3.0 - as);
                const typename L::Mask descends = keep & (next < v);
                if (!L::anyTrue(descends))
                    break;
                v = descends ? next : v;
            }
            u = timesPowerOfTwo<L>(refinedSquare<L>(v, as, halfW), k + k);
        }
        return withSignOf<L>(x, keep ? u : L::splat(0.0));
    }

    // penaltyValue: lambda*sqrt(a), sqrt being correctly rounded everywhere.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V)
    {
        return lambda * L::sqrt(L::magnitude(x));
    }

    // penaltyDerivative: lambda/(2*sqrt(a)), Inf at 0 and 0 at +-inf.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V)
    {
        return lambda / (L::sqrt(L::magnitude(x)) * 2.0);
    }

  private:
    // u = v^2 for the root v, to within about an ulp: one more Newton step
    // whose residual v^3 - a v + w/2 is formed from double-double products,
    // applied to v^2 held as a double-double, so that neither v's last
    // rounding nor the squaring is doubled in u.
    template <class L>
    static typename L::V refinedSquare(typename L::V v, typename L::V a, typename L::V halfW)
    {
        using V = typename L::V;
        const V square = v * v, squareError = productErrorOf<L>(v, v, square);
        const V cube = square * v, cubeError = productErrorOf<L>(square, v, cube) + squareError * v;
        const V av = a * v, avError = productErrorOf<L>(a, v, av);
        const V residual = ((cube - av) + halfW) + (cubeError - avError);
        const V delta = residual / (square * 3.0 - a);
        return square + (squareError - (v * 2.0) * delta);
    }

    // Enough for every element: from sqrt(a) the iteration needs at most
    // about six steps (next to the threshold), and then one that stops.
    static constexpr int kNewtonSteps = 24;

    // 8*a^3 > 27*w^2 for a in [1, 4) and the weight w = gamma*lambda*8^-k,
    // rounded to ws: decided by the rounded powers where they differ by more
    // than their rounding errors could span (2^-51 for the square with the
    // rounding of ws, 2^-52 for the cube, 2^-53 in the margin), and
    // exactly, with w as given, one lane at a time where they do not.
    template <class L>
    static typename L::Mask rootWins(typename L::V a, typename L::V ws, typename L::V lambda, typename L::V gamma,
                                     typename L::V k)
    {
        using V = typename L::V;
        const V cube = ((a * a) * a) * 8.0;
        const V square = (ws * ws) * 27.0;
        const typename L::Mask wins = cube > square * (1.0 + 0x1p-48);
        const typename L::Mask open = (cube <= square * (1.0 + 0x1p-48)) & (cube >= square * (1.0 - 0x1p-48));
        if (!L::anyTrue(open))
            return wins;
        return exact_sign::decideOpenLanes<L>(wins, open, [&](int lane) {
            using namespace exact_sign;
            const double al = laneOf<L>(a, lane);
            double high, low, terms[6];
            exactWeight<L>(laneOf<L>(gamma, lane), laneOf<L>(lambda, lane), static_cast<int>(-3 * laneOf<L>(k, lane)),
                           high, low);
            twoProduct<L>(high, high, terms[0], terms[1]); // w^2, exactly
            twoProduct<L>(high * 2.0, low, terms[2], terms[3]);
            twoProduct<L>(low, low, terms[4], terms[5]);
            Parts parts;
            for (double t : terms)
                addProduct<L>(parts, t, -27.0);
            twoProduct<L>(al, al, high, low); // a^3, exactly
            addProduct<L>(parts, high * 8.0, al);
            addProduct<L>(parts, low * 8.0, al);
            return signOfSum<L>(parts) > 0;
        });
    }
};
