// Regularization paths of penalised binomial and Poisson regression:
// pathwise cyclic coordinate descent on
//   (1/W) sum_i w_i loss(y_i, b0 + x_i'beta) + sum_j f_j p(|beta~_j|; lambda, theta)
// (loss as in glm_loss.h, W = sum_i w_i, beta~_j = beta_j*s_j as for least
// squares), each step glmCoordinateStep: the exact minimiser of the
// coordinate's quadratic model plus the penalty, accepted only where the
// true objective does not increase. Same design, settings and output as
// fitPath (fit_path.h), with FitOutput::mse holding the mean deviance
// sum_i w_i dev_i / W; every sum in a fixed order, a compressed X giving the
// bits of the same X stored dense.
#pragma once

#include "fit_path.h"
#include "glm_loss.h"

enum GlmPathStatus { GlmPathDone, GlmPathOutOfMemory, GlmPathSaturated };

// GlmPathSaturated: the path stopped after the fit that explained at least
// kSaturatedDevianceRatio of the null deviance (the classes separated, or a
// Poisson fit came near the saturated model), or gave an observation a
// fitted probability of 0 or 1 (|eta| > 36); the fits made are kept.
inline constexpr double kSaturatedDevianceRatio = 0.999;

GlmPathStatus fitGlmPath(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                         FitOutput* output);

// fitPath for Distribution::Normal (GlmPathDone or GlmPathOutOfMemory),
// fitGlmPath for the others.
GlmPathStatus fitAnyPath(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                         FitOutput* output);
