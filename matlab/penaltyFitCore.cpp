// MEX entry of penaltyFitCore, the plain-array core under penaltyFit.m:
//   [B, b0, lambda, df, mse, objective, passes, converged, cvLoss, saturated] =
//       penaltyFitCore(X, values, rows, starts, y, lambda, factor, weights, options, folds)
// Every input is a real, full double array. X is n-by-p dense, or empty
// with X's compressed columns in values, rows (0-based) and starts (p + 1);
// lambda holds decreasing values or is empty for a grid; weights are n
// values or empty; options = [n p penalty theta count ratio standardize
// intercept relTol maxPasses dfMax], optionally followed by [distribution
// K] (0 normal, 1 binomial, 2 poisson; K folds, 0 for none), with folds
// then the n fold numbers 1..K (penalty the 0-based list position). For a
// GLM, mse holds the mean deviance; cvLoss is n-by-L, each observation's
// held-out loss (empty without folds); saturated is 1 where a GLM path
// stopped at a fit that explained nearly all of the null deviance.
// The outputs are in ascending lambda, as penaltyFit returns them. The
// checks here keep the host safe; penaltyFit.m gives the user's messages.
//
// With one input it answers penaltyFit.m's questions about the penalty
// list, so that the M file keeps no copy of it:
//   row = penaltyFitCore(PENALTY)  [index takesTheta lower lowerIncluded
//                                   upper defaultTheta typicalTheta name...]
//   names = penaltyFitCore([])     every name, joined by ", "
// PENALTY a name or code as penaltyProx takes it; index its 0-based list
// position, the theta range the fit accepts, defaultTheta NaN where a fit
// must be given theta, typicalTheta the list's theta for examples and
// tests; names as character codes (char(row(8:end))).
#include <cstdio>
#include <memory>
#include <new>

#include "cross_validation.h"
#include "fit_path.h"
#include "gateway_args.h"
#include "glm_path.h"
#include "mex_api.h"
#include "worker_pool.h"
#include "penalty_list.h"

namespace {

constexpr const char* kName = "penaltyFitCore";

// The errors are "penaltyFitCore:<id>".
template <class... A>
bool raise(const char* idSuffix, const char* format, A... args)
{
    return raiseError(kName, idSuffix, format, args...);
}

bool finite(double d) { return d - d == 0; }

// A count held in a double: an integer in [lo, hi] (NaN fails).
bool isCount(double d, double lo, double hi) { return d >= lo && d <= hi && d == static_cast<double>(static_cast<std::int64_t>(d)); }

bool allFinite(const double* v, std::size_t n, double lowest)
{
    for (std::size_t i = 0; i < n; ++i)
        if (!finite(v[i]) || v[i] < lowest)
            return false;
    return true;
}

enum { kX, kValues, kRows, kStarts, kY, kLambda, kFactor, kWeights, kOptions, kInputs, kFolds = kInputs };
enum { kN, kP, kPenalty, kTheta, kCount, kRatio, kStandardize, kIntercept, kRelTol, kMaxPasses, kDfMax, kOptionCount,
       kDistribution = kOptionCount, kFoldCount, kGlmOptionCount };

// What a call adds to the least-squares fit: the distribution, and the
// folds of a cross-validation (count 0: none).
struct CallExtras {
    Distribution distribution = Distribution::Normal;
    int foldCount = 0;
    const double* folds = nullptr;
};

bool readExtras(int nrhs, const mxArray* prhs[], const FitDesign& d, CallExtras* e)
{
    const std::size_t options = mxGetNumberOfElements(prhs[kOptions]);
    if (options == kOptionCount)
        return nrhs == kInputs || raise("invalidCall", "Fold numbers need the GLM options.");
    const double* o = mxGetPr(prhs[kOptions]);
    if (!isCount(o[kDistribution], 0, 2))
        return raise("invalidOptions", "The distribution code %g is not 0, 1 or 2.", o[kDistribution]);
    e->distribution = static_cast<Distribution>(static_cast<int>(o[kDistribution]));
    const std::size_t n = static_cast<std::size_t>(d.rows);
    for (std::size_t i = 0; i < n; ++i) {
        const double y = d.y[i];
        if ((e->distribution == Distribution::Binomial && !(y >= 0 && y <= 1)) ||
            (e->distribution == Distribution::Poisson && !(y >= 0)))
            return raise("invalidResponse", "Y(%zu) = %g is outside the distribution's range.", i + 1, y);
    }
    if (!isCount(o[kFoldCount], 0, static_cast<double>(n)) || o[kFoldCount] == 1)
        return raise("invalidOptions", "The fold count %g is not 0 or 2..n.", o[kFoldCount]);
    e->foldCount = static_cast<int>(o[kFoldCount]);
    if (e->foldCount == 0)
        return nrhs == kInputs || mxGetNumberOfElements(prhs[kFolds]) == 0 ||
               raise("invalidFolds", "Fold numbers given with a fold count of 0.");
    if (nrhs != kInputs + 1 || !isRealFullDouble(prhs[kFolds]) || mxGetNumberOfElements(prhs[kFolds]) != n)
        return raise("invalidFolds", "FOLDS must hold n = %zu fold numbers.", n);
    e->folds = mxGetPr(prhs[kFolds]);
    for (std::size_t i = 0; i < n; ++i)
        if (!isCount(e->folds[i], 1, e->foldCount))
            return raise("invalidFolds", "FOLDS(%zu) = %g is not a fold number 1..%d.", i + 1, e->folds[i],
                         e->foldCount);
    return true;
}

bool readCall(int nlhs, int nrhs, const mxArray* prhs[], FitDesign* d, FitSettings* s)
{
    if (nrhs != kInputs && nrhs != kInputs + 1)
        return raise("invalidCall", "Expected 1, %d or %d inputs, received %d.", kInputs, kInputs + 1, nrhs);
    if (nlhs > 10)
        return raise("tooManyOutputs", "At most 10 outputs, %d requested.", nlhs);
    for (int k = 0; k < nrhs; ++k)
        if (!isRealFullDouble(prhs[k]))
            return raise("invalidArray", "Input %d is not a real, full double array.", k + 1);
    if (mxGetNumberOfElements(prhs[kOptions]) != kOptionCount &&
        mxGetNumberOfElements(prhs[kOptions]) != kGlmOptionCount)
        return raise("invalidOptions", "OPTIONS has %zu elements, not %d or %d.",
                     mxGetNumberOfElements(prhs[kOptions]), kOptionCount, kGlmOptionCount);
    const double* o = mxGetPr(prhs[kOptions]);
    if (!isCount(o[kN], 1, 2147483647.0) || !isCount(o[kP], 0, 2147483647.0))
        return raise("invalidOptions", "n (%g) and p (%g) must be counts, n >= 1.", o[kN], o[kP]);
    if (!isCount(o[kPenalty], 0, kPenaltyCount - 1) || !thetaInRange(static_cast<int>(o[kPenalty]), o[kTheta]))
        return raise("invalidOptions", "Penalty %g with theta %g is not in the list or its range.", o[kPenalty],
                     o[kTheta]);
    const std::size_t n = static_cast<std::size_t>(o[kN]), p = static_cast<std::size_t>(o[kP]);
    const std::size_t lambdaCount = mxGetNumberOfElements(prhs[kLambda]);
    if (!isCount(o[kCount], 1, 1e6) || !(o[kRatio] > 0 && o[kRatio] <= 1) || !(o[kRelTol] > 0 && finite(o[kRelTol]))
        || !isCount(o[kMaxPasses], 1, 1e15) || !(o[kDfMax] >= 0) || !isCount(o[kStandardize], 0, 1)
        || !isCount(o[kIntercept], 0, 1))
        return raise("invalidOptions", "An option is out of its range.");
    d->rows = static_cast<std::int64_t>(n);
    d->columns = static_cast<std::int64_t>(p);
    d->dense = nullptr;
    const std::size_t starts = mxGetNumberOfElements(prhs[kStarts]);
    if (starts == 0) {
        if (mxGetNumberOfElements(prhs[kX]) != n * p || !allFinite(mxGetPr(prhs[kX]), n * p, -__builtin_inf()))
            return raise("invalidDesign", "X must hold n*p = %zu finite values.", n * p);
        // An empty X (p = 0) may have no data pointer at all; the solvers
        // tell dense from compressed by a non-null dense, so it gets one.
        static const double kNoColumns[1] = {0};
        d->dense = n * p != 0 ? mxGetPr(prhs[kX]) : kNoColumns;
        d->values = d->rowIndex = d->columnStart = nullptr;
        d->nonzeros = 0;
    } else {
        d->values = mxGetPr(prhs[kValues]);
        d->rowIndex = mxGetPr(prhs[kRows]);
        d->columnStart = mxGetPr(prhs[kStarts]);
        d->nonzeros = static_cast<std::int64_t>(mxGetNumberOfElements(prhs[kValues]));
        if (starts != p + 1 || mxGetNumberOfElements(prhs[kRows]) != mxGetNumberOfElements(prhs[kValues])
            || !compressedColumnsValid(*d))
            return raise("invalidDesign", "The compressed columns of X are not well formed.");
    }
    d->y = mxGetPr(prhs[kY]);
    if (mxGetNumberOfElements(prhs[kY]) != n || !allFinite(d->y, n, -__builtin_inf()))
        return raise("invalidResponse", "Y must hold n = %zu finite values.", n);
    const double* lambda = mxGetPr(prhs[kLambda]);
    for (std::size_t k = 0; k < lambdaCount; ++k)
        if (!finite(lambda[k]) || lambda[k] < 0 || (k > 0 && !(lambda[k] < lambda[k - 1])))
            return raise("invalidLambda", "LAMBDA must be finite, nonnegative and decreasing.");
    const double* factor = mxGetPr(prhs[kFactor]);
    if (mxGetNumberOfElements(prhs[kFactor]) != p)
        return raise("invalidPenaltyFactor", "FACTOR must hold p = %zu values.", p);
    for (std::size_t j = 0; j < p; ++j)
        if (!(factor[j] >= 0))
            return raise("invalidPenaltyFactor", "FACTOR(%zu) is %g, not >= 0.", j + 1, factor[j]);
    const std::size_t weights = mxGetNumberOfElements(prhs[kWeights]);
    const double* w = weights ? mxGetPr(prhs[kWeights]) : nullptr;
    double total = 0;
    for (std::size_t i = 0; i < weights; ++i)
        total += w[i];
    if ((weights != 0 && weights != n) || (w && (!allFinite(w, n, 0) || !(total > 0) || !finite(total))))
        return raise("invalidWeights", "WEIGHTS must be empty or n = %zu finite values >= 0, not all 0.", n);
    s->penalty = static_cast<int>(o[kPenalty]);
    s->theta = o[kTheta];
    s->lambda = lambdaCount ? lambda : nullptr;
    s->lambdaCount = static_cast<std::int64_t>(lambdaCount);
    s->gridCount = static_cast<std::int64_t>(o[kCount]);
    s->gridRatio = o[kRatio];
    s->standardize = o[kStandardize] != 0;
    s->intercept = o[kIntercept] != 0;
    s->penaltyFactor = factor;
    s->weights = w;
    s->relTol = o[kRelTol];
    s->maxPasses = static_cast<std::int64_t>(o[kMaxPasses]);
    s->dfMax = o[kDfMax];
    const double fits = lambdaCount ? static_cast<double>(lambdaCount) : o[kCount];
    if (fits * static_cast<double>(p) > 2147483647.0)
        return raise("invalidOptions", "p times the number of lambdas exceeds 2^31 - 1.");
    return true;
}

// The fits come in decreasing lambda; each output takes them in reverse.
void returnReversed(mxArray** slot, const double* values, std::int64_t rows, std::int64_t fits)
{
    *slot = createRealMatrix(static_cast<std::int32_t>(rows), static_cast<std::int32_t>(fits));
    double* out = mxGetPr(*slot);
    for (std::int64_t k = 0; k < fits; ++k)
        for (std::int64_t i = 0; i < rows; ++i)
            out[k * rows + i] = values[(fits - 1 - k) * rows + i];
}

// One row of doubles holding `prefix` and then the characters of `text`.
void returnRow(mxArray** slot, const double* prefix, int prefixCount, const char* text)
{
    int length = 0;
    while (text[length] != 0)
        ++length;
    *slot = createRealMatrix(1, prefixCount + length);
    double* out = mxGetPr(*slot);
    for (int k = 0; k < prefixCount; ++k)
        out[k] = prefix[k];
    for (int k = 0; k < length; ++k)
        out[prefixCount + k] = static_cast<unsigned char>(text[k]);
}

void answerListQuery(mxArray* plhs[], const mxArray* penaltyArgument)
{
    if (mxIsDouble(penaltyArgument) && mxIsEmpty(penaltyArgument)) {
        char names[256];
        int length = 0;
        for (int i = 0; i < kPenaltyCount && length < static_cast<int>(sizeof names); ++i)
            length += std::snprintf(names + length, sizeof names - length, i ? ", %s" : "%s", kPenaltyInfo[i].name);
        returnRow(&plhs[0], nullptr, 0, names);
        return;
    }
    const int penalty = readPenalty(kName, ProxOperation, penaltyArgument);
    if (penalty < 0)
        return;
    const PenaltyInfo& info = kPenaltyInfo[penalty];
    const double row[7] = {static_cast<double>(penalty), info.theta.taken ? 1.0 : 0.0, info.theta.lower,
                           info.theta.lowerIncluded ? 1.0 : 0.0, info.theta.upper, info.defaultTheta,
                           info.typicalTheta};
    returnRow(&plhs[0], row, 7, info.name);
}

} // namespace

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs == 1) {
        if (nlhs > 1)
            raise("tooManyOutputs", "A question about the penalty list has one output, %d requested.", nlhs);
        else
            answerListQuery(plhs, prhs[0]);
        return;
    }
    FitDesign design;
    FitSettings settings;
    CallExtras extras;
    if (!readCall(nlhs, nrhs, prhs, &design, &settings) || !readExtras(nrhs, prhs, design, &extras))
        return;
    const std::int64_t capacity = settings.lambda ? settings.lambdaCount : settings.gridCount;
    const std::int64_t p = design.columns, n = design.rows;
    std::unique_ptr<double[]> room(new (std::nothrow) double[(p + 7) * capacity + 1]);
    if (!room) {
        raise("outOfMemory", "No memory for %lld fits of %lld coefficients.", static_cast<long long>(capacity),
              static_cast<long long>(p));
        return;
    }
    double* r = room.get();
    FitOutput out = {r, r + p * capacity, r + (p + 1) * capacity, r + (p + 2) * capacity, r + (p + 3) * capacity,
                     r + (p + 4) * capacity, r + (p + 5) * capacity, r + (p + 6) * capacity, 0};
    GlmPathStatus status = GlmPathDone;
    std::unique_ptr<double[]> heldOut;
    bool foldsFailed = false;
    if (extras.foldCount > 0) {
        // The full fit and every fold's path at its lambda, on the worker pool.
        heldOut.reset(new (std::nothrow) double[n * capacity]);
        joinThreadsAtExit();
        foldsFailed = !heldOut || fitAndCrossValidate(design, settings, extras.distribution, extras.folds,
                                                      extras.foldCount, threadBudget(), &out, &status,
                                                      heldOut.get()) != CrossValidationDone;
    } else {
        // One path: its passes over X shared with the worker pool.
        joinThreadsAtExit();
        settings.threads = threadBudget();
        status = fitAnyPath(design, settings, extras.distribution, &out);
    }
    if (status == GlmPathOutOfMemory || foldsFailed) {
        room.reset();
        heldOut.reset();
        raise("outOfMemory", status == GlmPathOutOfMemory ? "No memory for the work arrays of the fit."
                                                          : "No memory for the cross-validation.");
        return;
    }
    const bool saturated = status == GlmPathSaturated;
    double* const columns[8] = {out.coefficients, out.intercept, out.lambda, out.df,
                                out.mse, out.objective, out.passes, out.converged};
    const int outputs = nlhs < 1 ? 1 : nlhs;
    for (int k = 0; k < outputs && k < 8; ++k)
        returnReversed(&plhs[k], columns[k], k == 0 ? p : 1, out.fits);
    if (outputs > 8) {
        if (heldOut && out.fits > 0)
            returnReversed(&plhs[8], heldOut.get(), n, out.fits);
        else
            plhs[8] = createRealMatrix(0, 0);
    }
    if (outputs > 9) {
        plhs[9] = createRealMatrix(1, 1);
        mxGetPr(plhs[9])[0] = saturated ? 1.0 : 0.0;
    }
}
