// The likelihoods of penaltyFit's distributions, per observation and summed,
// in our own arithmetic (exponential, softPlus and naturalLog of src/libm),
// every sum in index order, so that every build gives the same bits.
//
// With eta the linear predictor and y the response, the loss of one
// observation is its negative log-likelihood without the terms that depend
// on y alone:
//   normal    (y - eta)^2 / 2
//   binomial  log(1 + e^eta) - y*eta          y in [0, 1] (a proportion)
//   poisson   e^eta - y*eta                   y >= 0
// and its deviance twice the loss less the loss of the saturated model:
//   normal    (y - eta)^2
//   binomial  2*(log(1 + e^eta) - y*eta + y log y + (1 - y) log(1 - y))
//   poisson   2*(e^eta - y*eta + y log y - y)            (0 log 0 = 0).
#pragma once

#include <cstdint>

enum class Distribution { Normal, Binomial, Poisson };

// The mean mu(eta): eta, 1/(1 + e^-eta), e^eta.
double distributionMean(Distribution d, double eta);

// The second derivative of the loss in eta: 1, mu(1 - mu), mu.
double lossCurvature(Distribution d, double eta);

double observationLoss(Distribution d, double eta, double y);

// The loss, mean and curvature of one observation from one exponential:
// the loss has the bits of observationLoss, the mean and curvature those of
// distributionMean and lossCurvature.
void observationState(Distribution d, double eta, double y, double* loss, double* mean, double* curvature);
double observationDeviance(Distribution d, double eta, double y);

// sum_i w_i * loss_i / sumOfWeights, and sum_i w_i * deviance_i; w may be
// null for unit weights.
double meanLoss(Distribution d, std::int64_t n, const double* eta, const double* y, const double* w,
                double sumOfWeights);
double totalDeviance(Distribution d, std::int64_t n, const double* eta, const double* y, const double* w);

// A coordinate's column: its entries c_i in the rows listed (rows null: a
// dense column of n entries, row i holding c_i).
struct GlmColumn {
    const double* values;
    const std::int64_t* rows;
    std::int64_t count;
};

// The quadratic model of the mean loss along the column at the current eta:
// its slope sum_i w_i (mu_i - y_i) c_i / sumW and its curvature
// sum_i w_i h_i c_i^2 / sumW, h_i = lossCurvature(eta_i).
void coordinateModel(Distribution d, const GlmColumn& c, const double* eta, const double* y, const double* w,
                     double sumOfWeights, double* slope, double* curvature);

// A curvature that bounds the loss's along the column everywhere, where one
// exists: sum_i w_i c_i^2 / (4 sumW) for the binomial (h <= 1/4), the exact
// one for the normal; 0 for the Poisson, which has none.
double majorisingCurvature(Distribution d, const GlmColumn& c, const double* w, double sumOfWeights);

// The change of the mean loss when eta moves by delta * c:
// sum_i w_i (loss(eta_i + delta c_i) - loss(eta_i)) / sumW, each term formed
// from the two losses of its row, the rows in order.
double lossChangeAlong(Distribution d, const GlmColumn& c, const double* eta, const double* y, const double* w,
                       double sumOfWeights, double delta);

// eta_i += delta * c_i over the column's rows.
void movePredictor(const GlmColumn& c, double delta, double* eta);
