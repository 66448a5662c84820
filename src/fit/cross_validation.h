// K-fold cross-validation of a penaltyFit path: every fold's path is fitted
// at the given lambda (the full fit's) on a copy of the design without the
// fold's own rows (so that it costs the rows it is fitted on), and every
// observation gets its held-out loss under the fit made without its fold:
// (y - yhat)^2 for least squares, the observation's deviance for a GLM.
// The paths run on the worker pool, the calling thread and the workers each
// taking the next path as they come (the full fit first, the largest); each
// is one sequential computation writing only its own rows and outputs, so
// the result has the same bits for every number of threads.
#pragma once

#include <cstdint>

#include "fit_path.h"
#include "glm_loss.h"
#include "glm_path.h"

enum CrossValidationStatus { CrossValidationDone, CrossValidationOutOfMemory };

// settings.lambda must hold the lambda (decreasing, lambdaCount of them);
// folds holds n fold numbers 1..K. heldOutLoss is n-by-lambdaCount,
// column-major, column l for settings.lambda[l]; NaN where a fold's path
// stopped before that lambda. threads caps the threads used (at most
// threadBudget()).
CrossValidationStatus crossValidate(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                                    const double* folds, int foldCount, int threads, double* heldOutLoss);

// The full path (into *full as fitPath or fitGlmPath makes it, its status
// in *fullStatus, least squares giving GlmPathDone or GlmPathOutOfMemory)
// together with every fold's path at the full path's lambda, the same bits
// as the full path followed by crossValidate at its full->fits lambda.
// full has room for the call's lambda count or grid count; heldOutLoss is
// n-by-that count, its columns past full->fits left unspecified.
CrossValidationStatus fitAndCrossValidate(const FitDesign& design, const FitSettings& settings,
                                          Distribution distribution, const double* folds, int foldCount,
                                          int threads, FitOutput* full, GlmPathStatus* fullStatus,
                                          double* heldOutLoss);
