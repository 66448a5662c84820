// l0: p(u) = lambda*[u != 0].
#pragma once

#include "choice_rules.h"
#include "exact_arithmetic.h"
#include "penalty_type.h"
#include "scaling.h"

struct L0Penalty {
    static constexpr PenaltyType kCode = NoCode;
    static constexpr const char* kName = "l0";
    static constexpr unsigned kOperations = ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = kNoTheta;
    static constexpr double kTypicalTheta = 0.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyProx: hard thresholding. The objective is 0.5*a^2 at 0 and
    // gamma*lambda at a, so a stays exactly when a^2 > 2*gamma*lambda
    // (a > sqrt(2*gamma*lambda)), and a tie gives 0. The comparison is made
    // exactly, on any doubles: each side is a product of two mantissas in
    // [1, 2), formed without rounding as a sum of two doubles, times a power
    // of two.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V gamma = call.gamma;
        using V = typename L::V;
        const V a = L::magnitude(x);
        // Most elements are far from the threshold: rounded squares that
        // differ by more than 2^-50 relatively, in the normal range, order
        // the exact ones alike. A zero element, or a zero weight (the element
        // then comes back as it is), needs no comparison at all.
        const V square = a * a, twice = (gamma * lambda) * 2.0;
        const auto normal = (square >= 0x1p-1000) & (square <= 0x1p1000) & (twice >= 0x1p-1000) & (twice <= 0x1p1000);
        const auto apart = (square > twice * (1 + 0x1p-50)) | (square < twice * (1 - 0x1p-50));
        const auto decided = (normal & apart) | (a == 0.0) | (lambda == 0.0);
        const V fast = square > twice ? a : L::splat(0.0);
        if (L::allTrue(decided))
            return withSignOf<L>(x, fast);
        return withSignOf<L>(x, decided ? fast : exactly<L>(a, lambda, gamma));
    }

    // penaltyValue: lambda for every nonzero element, +-inf included.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V)
    {
        return x != 0.0 ? lambda : L::splat(0.0);
    }

    // penaltyDerivative: 0 away from 0, and inf at 0, where the right
    // derivative is unbounded.
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V, typename L::V)
    {
        return x == 0.0 ? L::splat(__builtin_inf()) : L::splat(0.0);
    }

  private:
    // The same decision made exactly, on any doubles: a or 0.
    template <class L>
    static typename L::V exactly(typename L::V a, typename L::V lambda, typename L::V gamma)
    {
        using V = typename L::V;
        const V ea = exponentOf<L>(a), eg = exponentOf<L>(gamma), el = exponentOf<L>(lambda);
        V square, squareError, product, productError;
        // Each product of mantissas is exact as p + e (Dekker's product).
        twoProductOf<L>(timesPowerOfTwo<L>(a, -ea), timesPowerOfTwo<L>(a, -ea), square, squareError);
        twoProductOf<L>(timesPowerOfTwo<L>(gamma, -eg), timesPowerOfTwo<L>(lambda, -el), product, productError);
        // a^2 = square 2^(2 ea) and 2*gamma*lambda = product 2^(eg + el + 1),
        // both mantissa products in [1, 4): exponents two apart decide alone.
        const V shift = (eg + el + 1.0) - (ea + ea);
        const V scale = powerOfTwo<L>(minOf<L>(L::splat(1.0), maxOf<L>(L::splat(-1.0), shift)));
        product = product * scale;
        productError = productError * scale;
        const auto greater = (square > product) | ((square == product) & (squareError > productError));
        const auto keep = (shift <= -2.0) | ((shift < 2.0) & greater);
        return keep ? a : L::splat(0.0);
    }
};
