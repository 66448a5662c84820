// The elastic net: p(u) = lambda*(theta*|u| + (1 - theta)*u^2/2), 0 <= theta
// <= 1 (theta = 1 is l1, theta = 0 ridge).
#pragma once

#include "choice_rules.h"
#include "penalty_type.h"
#include "scaling.h"

struct ElasticNetPenalty {
    static constexpr PenaltyType kCode = NoCode;
    static constexpr const char* kName = "elastic-net";
    static constexpr unsigned kOperations = ProxOperation | ValueOperation | DerivativeOperation;
    static constexpr ThetaRange kTheta = {true, 0.0, true, 1.0};
    static constexpr double kTypicalTheta = 0.5;
    static constexpr GammaRange kGamma = kAnyGamma;
    static constexpr bool kNumbersInWindow = false;

    // penaltyProx: soft thresholding at g*theta, shrunk by 1 + g*(1 - theta),
    // g = gamma*lambda: max(0, a - g*theta)/(1 + g*(1 - theta)), with a's
    // sign. For theta = 1 these are l1's bits (the divisor is exactly 1).
    // Where g itself overflows, the quotient is formed with numerator and
    // divisor divided by 2^s, g = gamma*lambda*2^-s taken near 1.
    template <class L>
    static typename L::V prox(typename L::V x, typename L::V lambda, const ProxCall<L>& call)
    {
        using V = typename L::V;
        const V theta = call.theta;
        const V a = L::magnitude(x);
        const V g = call.gamma * lambda;
        V u = maxOf<L>(L::splat(0.0), a - g * theta) / (g * (1.0 - theta) + 1.0);
        const typename L::Mask huge = g == __builtin_inf();
        if (L::anyTrue(huge))
            u = huge ? proxHuge<L>(a, lambda, call) : u;
        return withSignOf<L>(x, u);
    }

    // penaltyValue: (lambda*a)*(theta + ((1 - theta)*0.5)*a); +-inf gives inf.
    template <class L>
    static typename L::V value(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        const typename L::V a = L::magnitude(x);
        const typename L::V factor = ((1.0 - theta) * 0.5) * a + theta;
        const typename L::V v = (lambda * a) * factor;
        // lambda*a may overflow where the value does not (factor < 1).
        const typename L::V halved = (((lambda * 0.5) * a) * factor) * 2.0;
        return a < __builtin_inf() ? (v < __builtin_inf() ? v : halved) : a;
    }

    // penaltyDerivative: lambda*(theta + (1 - theta)*a), lambda*theta at 0;
    // at +-inf the limit, inf (lambda for theta = 1, the slope of l1).
    template <class L>
    static typename L::V derivative(typename L::V x, typename L::V lambda, typename L::V theta)
    {
        const typename L::V a = L::magnitude(x);
        const typename L::V d = lambda * ((1.0 - theta) * a + theta);
        return a < __builtin_inf() ? d : (theta < 1.0 ? a : lambda);
    }

  private:
    // The map where gamma*lambda overflows: with s the sum of their
    // exponents (at most 2000, so that every power of two below is in
    // range), g = gamma*lambda*2^-s lies near [1, 4) and the map is
    // max(0, a*2^-s - g*theta)/(2^-s + g*(1 - theta)).
    template <class L>
    [[gnu::noinline, gnu::cold]] static typename L::V proxHuge(typename L::V a, typename L::V lambda,
                                                              const ProxCall<L>& call)
    {
        using V = typename L::V;
        const V s = minOf<L>(L::splat(2000.0), exponentOf<L>(call.gamma) + exponentOf<L>(lambda));
        const V g = scaledProduct<L>(call.gamma, lambda, -s);
        const V unit = timesPowerOfTwo<L>(L::splat(1.0), -s);
        return maxOf<L>(L::splat(0.0), timesPowerOfTwo<L>(a, -s) - g * call.theta) / (g * (1.0 - call.theta) + unit);
    }
};
