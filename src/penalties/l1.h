// l1 (the lasso): p(u) = lambda*|u|.
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"
#include "scaling.h"

struct L1Penalty {
    static constexpr PenaltyType kCode = NoCode;
    static constexpr const char* kName = "l1";
    static constexpr unsigned kOperations = ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = kNoTheta;
    static constexpr double kTypicalTheta = 0.0;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyProx: soft thresholding at gamma*lambda. A threshold beyond the
    // double range is inf, and every element then maps to zero, as it should.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        const typename L::V gamma = call.gamma;
        const typename L::V a = L::magnitude(x);
        return withSignOf<L>(x, maxOf<L>(L::splat(0.0), a - gamma * lambda));
    }
    // penaltyValue: lambda*a, inf at +-inf.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V)
    {
        return lambda * L::magnitude(x);
    }

    // penaltyDerivative: lambda everywhere, 0 included (the right derivative).
    template <class L>
    static typename L::V derivative(typename L::V, typename L::V lambda, typename L::V)
    {
        return lambda;
    }

};
