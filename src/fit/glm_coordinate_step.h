// One coordinate step of a penalised GLM fit: the exact global minimiser of
// the loss's quadratic model in that coordinate plus the penalty, i.e. the
// penalty's scalar prox map at gamma = 1/v of the Newton point, accepted
// only where the true objective (loss plus penalty) does not increase.
//
// v starts at the model's own curvature at the current fit (mu(1 - mu) for
// the binomial, mu for the Poisson: the curvature that keeps theta meaning
// what it means for least squares). Where the step would raise the
// objective, v is raised and the step taken again: to the majorising
// curvature where one exists and is larger (the binomial's 1/4 bound, with
// which the step cannot raise the objective), otherwise doubled (halving the
// step size; the Poisson has no global bound). Each retry is again the exact
// minimiser of a quadratic model plus the penalty. After kMaxRetries the
// coordinate is left where it is.
#pragma once

#include "element_rules.h"
#include "scalar_lanes.h"
#include "scalar_prox.h"

inline constexpr int kGlmStepMaxRetries = 60;

struct GlmStepResult {
    double beta;       // the accepted coordinate (the old one if none was)
    double change;     // the objective's change, <= 0 (0 if nothing moved)
    int retries;       // how often v was raised
};

// lossChange(delta) must return the change of the mean loss when the
// coordinate moves by delta (for example lossChangeAlong). beta, slope and
// curvature are on the scale of the fit; the penalty is factor*p(|beta|;
// lambda, theta), so the step is the prox map at gamma = factor/v (factor 0:
// the Newton step itself, an unpenalised coordinate).
template <class P, class LossChange>
GlmStepResult glmCoordinateStep(double beta, double slope, double curvature, double majorising, double lambda,
                                double factor, double theta, LossChange&& lossChange)
{
    GlmStepResult result{beta, 0.0, 0};
    double v = curvature;
    if (!(v > 0) || !(v < 1e300))
        v = majorising;
    if (!(v > 0) || !(v < 1e300))
        return result;
    const bool penalised = factor > 0;
    const double penaltyBefore = penalised ? factor * valueElement<ScalarLanes, P>(beta, lambda, theta) : 0.0;
    for (;;) {
        const double newton = beta - slope / v;
        const double candidate =
            penalised ? proxScalar<P>(newton, lambda, scalarProxOf<P>(theta, factor / v)) : newton;
        if (candidate == beta || candidate != candidate)
            return result;
        const double penaltyAfter = penalised ? factor * valueElement<ScalarLanes, P>(candidate, lambda, theta) : 0.0;
        const double change = lossChange(candidate - beta) + (penaltyAfter - penaltyBefore);
        if (change <= 0) {
            result.beta = candidate;
            result.change = change;
            return result;
        }
        if (result.retries == kGlmStepMaxRetries)
            return result;
        ++result.retries;
        v = majorising > v ? majorising : 2.0 * v;
    }
}
