#include "glm_loss.h"

#include "exponential.h"
#include "natural_log.h"

namespace {

double xLogX(double x) { return x > 0 ? x * naturalLog(x) : 0.0; }

double weightOf(const double* w, std::int64_t i) { return w ? w[i] : 1.0; }

std::int64_t rowOf(const GlmColumn& c, std::int64_t k) { return c.rows ? c.rows[k] : k; }

} // namespace

double distributionMean(Distribution d, double eta)
{
    switch (d) {
    case Distribution::Binomial: return logistic(eta);
    case Distribution::Poisson: return exponential(eta);
    default: return eta;
    }
}

double lossCurvature(Distribution d, double eta)
{
    switch (d) {
    case Distribution::Binomial: {
        const double mu = logistic(eta);
        return mu * (1.0 - mu);
    }
    case Distribution::Poisson: return exponential(eta);
    default: return 1.0;
    }
}

double observationLoss(Distribution d, double eta, double y)
{
    switch (d) {
    case Distribution::Binomial: return softPlus(eta) - y * eta;
    case Distribution::Poisson: return exponential(eta) - y * eta;
    default: {
        const double r = y - eta;
        return 0.5 * (r * r);
    }
    }
}

void observationState(Distribution d, double eta, double y, double* loss, double* mean, double* curvature)
{
    if (d == Distribution::Binomial) {
        // softPlus and logistic, both from e = e^-|eta|, as exponential.cpp forms them.
        const double e = exponential(eta > 0 ? -eta : eta);
        const double mu = eta >= 0 ? 1.0 / (1.0 + e) : e / (1.0 + e);
        *loss = (eta > 0 ? eta + logOnePlus(e) : logOnePlus(e)) - y * eta;
        *mean = mu;
        *curvature = mu * (1.0 - mu);
    } else if (d == Distribution::Poisson) {
        const double mu = exponential(eta);
        *loss = mu - y * eta;
        *mean = mu;
        *curvature = mu;
    } else {
        const double r = y - eta;
        *loss = 0.5 * (r * r);
        *mean = eta;
        *curvature = 1.0;
    }
}

double observationDeviance(Distribution d, double eta, double y)
{
    switch (d) {
    case Distribution::Binomial:
        return 2.0 * ((softPlus(eta) - y * eta) + (xLogX(y) + xLogX(1.0 - y)));
    case Distribution::Poisson: return 2.0 * ((exponential(eta) - y * eta) + (xLogX(y) - y));
    default: {
        const double r = y - eta;
        return r * r;
    }
    }
}

double meanLoss(Distribution d, std::int64_t n, const double* eta, const double* y, const double* w,
                double sumOfWeights)
{
    double sum = 0;
    for (std::int64_t i = 0; i < n; ++i)
        sum += weightOf(w, i) * observationLoss(d, eta[i], y[i]);
    return sum / sumOfWeights;
}

double totalDeviance(Distribution d, std::int64_t n, const double* eta, const double* y, const double* w)
{
    double sum = 0;
    for (std::int64_t i = 0; i < n; ++i)
        sum += weightOf(w, i) * observationDeviance(d, eta[i], y[i]);
    return sum;
}

void coordinateModel(Distribution d, const GlmColumn& c, const double* eta, const double* y, const double* w,
                     double sumOfWeights, double* slope, double* curvature)
{
    double g = 0, v = 0;
    for (std::int64_t k = 0; k < c.count; ++k) {
        const std::int64_t i = rowOf(c, k);
        const double x = c.values[k], wi = weightOf(w, i);
        g += wi * (distributionMean(d, eta[i]) - y[i]) * x;
        v += wi * lossCurvature(d, eta[i]) * (x * x);
    }
    *slope = g / sumOfWeights;
    *curvature = v / sumOfWeights;
}

double majorisingCurvature(Distribution d, const GlmColumn& c, const double* w, double sumOfWeights)
{
    if (d == Distribution::Poisson)
        return 0.0;
    double v = 0;
    for (std::int64_t k = 0; k < c.count; ++k)
        v += weightOf(w, rowOf(c, k)) * (c.values[k] * c.values[k]);
    return (d == Distribution::Binomial ? 0.25 * v : v) / sumOfWeights;
}

double lossChangeAlong(Distribution d, const GlmColumn& c, const double* eta, const double* y, const double* w,
                       double sumOfWeights, double delta)
{
    double sum = 0;
    for (std::int64_t k = 0; k < c.count; ++k) {
        const std::int64_t i = rowOf(c, k);
        const double moved = eta[i] + delta * c.values[k];
        sum += weightOf(w, i) * (observationLoss(d, moved, y[i]) - observationLoss(d, eta[i], y[i]));
    }
    return sum / sumOfWeights;
}

void movePredictor(const GlmColumn& c, double delta, double* eta)
{
    for (std::int64_t k = 0; k < c.count; ++k)
        eta[rowOf(c, k)] += delta * c.values[k];
}
