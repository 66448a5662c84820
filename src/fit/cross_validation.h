// K-fold cross-validation of a penaltyFit path: every fold's path is fitted
// at the given lambda (the full fit's) on a copy of the design without the
// fold's own rows (so that it costs the rows it is fitted on), and every observation gets its held-out loss under the fit made without
// its fold: (y - yhat)^2 for least squares, the observation's deviance for
// a GLM. The folds run on the worker pool, the calling thread and the
// workers each taking the next fold as they come; each fold is one
// sequential computation writing only its own rows, so the result has the
// same bits for every number of threads.
#pragma once

#include <cstdint>

#include "fit_path.h"
#include "glm_loss.h"

enum CrossValidationStatus { CrossValidationDone, CrossValidationOutOfMemory };

// settings.lambda must hold the lambda (decreasing, lambdaCount of them);
// folds holds n fold numbers 1..K. heldOutLoss is n-by-lambdaCount,
// column-major, column l for settings.lambda[l]; NaN where a fold's path
// stopped before that lambda. threads caps the threads used (at most
// threadBudget()).
CrossValidationStatus crossValidate(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                                    const double* folds, int foldCount, int threads, double* heldOutLoss);
