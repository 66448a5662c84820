#include "x_classes.h"

#include <cstring>

#include "dispatch.h"
#include "gateway_args.h"

const char kElementwiseXClasses[] = "a full double or single array (real or complex) or a real sparse double array";

bool isElementwiseX(const mxArray* array)
{
    if (mxIsSparse(array))
        return mxIsDouble(array) && !mxIsComplex(array);
    return mxIsDouble(array) || mxIsSingle(array);
}

bool isWeightArrayClass(const mxArray* array) { return mxIsDouble(array) || mxIsSingle(array); }

namespace {

WeightArray weightsOf(const PenaltyArguments& a, const mxArray* lambda)
{
    if (!a.lambdaPerElement)
        return {&a.lambdaValue, false, false};
    return {mxGetData(lambda), mxIsSingle(lambda) != 0, true};
}

double weightAt(const WeightArray& w, std::size_t i)
{
    return w.single ? static_cast<const float*>(w.weights)[i] : static_cast<const double*>(w.weights)[i];
}

// The first of n per-element weights that fails the check, or n.
std::size_t firstInvalidWeightOf(const WeightArray& w, std::size_t n, bool infiniteAllowed)
{
    if (!w.single)
        return static_cast<std::size_t>(firstInvalidWeight(static_cast<const double*>(w.weights),
                                                           static_cast<std::ptrdiff_t>(n), infiniteAllowed));
    for (std::size_t i = 0; i < n; ++i) {
        const double d = weightAt(w, i);
        if (firstInvalidWeight(&d, 1, infiniteAllowed) == 0)
            return i;
    }
    return n;
}

// The real, full double x with double weights: the double kernels, as
// penaltyProx has always run them.
std::ptrdiff_t runRealDouble(const ElementCall& c, const PenaltyArguments& a, double* y)
{
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(a.count);
    switch (c.operation) {
    case ProxOfElements:
        return proxByPenalty(a.penalty, y, a.x, a.lambda, a.lambdaPerElement, n, a.theta, a.gamma);
    case ValueOfElements: return valueByPenalty(a.penalty, y, a.x, a.lambda, a.lambdaPerElement, n, a.theta);
    default: return derivativeByPenalty(a.penalty, y, a.x, a.lambda, a.lambdaPerElement, n, a.theta);
    }
}

// The derivative of a sparse x is full (p'(0+) is not 0): the stored
// elements scattered into a zeroed full array, which is then mapped in place.
void runSparseDerivative(const char* functionName, const ElementCall& c, const PenaltyArguments& a,
                         const WeightArray& w, mxArray* plhs[], const mxArray* x)
{
    const std::size_t columns = mxGetN(x), rows = mxGetM(x);
    const SparseIndex* ir = sparseRowIndices(x);
    const SparseIndex* jc = sparseColumnStarts(x);
    plhs[0] = createArrayLike(x, false, false);
    double* y = static_cast<double*>(mxGetData(plhs[0]));
    for (std::size_t i = 0; i < a.count; ++i)
        y[i] = 0.0;
    for (std::size_t j = 0; j < columns; ++j)
        for (std::size_t k = static_cast<std::size_t>(jc[j]); k < static_cast<std::size_t>(jc[j + 1]); ++k)
            y[j * rows + static_cast<std::size_t>(ir[k])] = a.x[k];
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(a.count);
    const std::ptrdiff_t bad = elementsOfClasses(c, {y, nullptr, false}, {y, nullptr, false}, w, n);
    if (bad < n)
        reportInvalidWeightValue(functionName, a.operation, static_cast<std::size_t>(bad), weightAt(w, static_cast<std::size_t>(bad)),
                                 &plhs[0]);
}

// The prox and value of a sparse x: the map of the stored elements only
// (every penalty maps 0 to 0, p(0) = 0), then the zeros it made dropped.
// Per-element weights are all checked first, as for the full x, then the
// stored elements' gathered by their linear index.
void runSparse(const char* functionName, const ElementCall& c, const PenaltyArguments& a, const WeightArray& w,
               mxArray* plhs[], const mxArray* x)
{
    if (c.operation == DerivativeOfElements) {
        runSparseDerivative(functionName, c, a, w, plhs, x);
        return;
    }
    if (w.perElement) {
        const std::size_t bad = firstInvalidWeightOf(w, a.count, a.operation != DerivativeOperation);
        if (bad < a.count) {
            mxArray* none = nullptr;
            reportInvalidWeightValue(functionName, a.operation, bad, weightAt(w, bad), &none);
            return;
        }
    }
    const std::size_t columns = mxGetN(x), rows = mxGetM(x);
    const SparseIndex* ir = sparseRowIndices(x);
    const SparseIndex* jc = sparseColumnStarts(x);
    const std::size_t stored = static_cast<std::size_t>(jc[columns]);
    const double* lambda = &a.lambdaValue;
    double* gathered = nullptr;
    if (w.perElement && stored > 0) {
        gathered = static_cast<double*>(mxMalloc(stored * sizeof(double)));
        for (std::size_t j = 0; j < columns; ++j)
            for (std::size_t k = static_cast<std::size_t>(jc[j]); k < static_cast<std::size_t>(jc[j + 1]); ++k)
                gathered[k] = weightAt(w, j * rows + static_cast<std::size_t>(ir[k]));
        lambda = gathered;
    }
    plhs[0] = createSparseMatrix(rows, columns, stored);
    double* values = static_cast<double*>(mxGetData(plhs[0]));
    SparseIndex* outRows = sparseRowIndices(plhs[0]);
    SparseIndex* outStarts = sparseColumnStarts(plhs[0]);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(stored);
    if (n > 0) {
        if (c.operation == ProxOfElements)
            proxByPenalty(a.penalty, values, a.x, lambda, w.perElement, n, a.theta, a.gamma);
        else
            valueByPenalty(a.penalty, values, a.x, lambda, w.perElement, n, a.theta);
    }
    if (gathered)
        mxFree(gathered);
    std::size_t kept = 0;
    for (std::size_t j = 0; j < columns; ++j) {
        outStarts[j] = static_cast<SparseIndex>(kept);
        for (std::size_t k = static_cast<std::size_t>(jc[j]); k < static_cast<std::size_t>(jc[j + 1]); ++k) {
            if (values[k] != 0) { // exact zeros, +0 and -0, are not stored
                values[kept] = values[k];
                outRows[kept++] = ir[k];
            }
        }
    }
    outStarts[columns] = static_cast<SparseIndex>(kept);
}

} // namespace

void runElementwiseOfAnyClass(const char* functionName, unsigned operation, ElementOperation elementOperation,
                              bool takesGamma, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    PenaltyArguments a;
    if (!readPenaltyArguments(functionName, operation, takesGamma, nlhs, nrhs, prhs, &a))
        return;
    const mxArray* x = prhs[0];
    const ElementCall c{elementOperation, a.penalty, a.theta, a.gamma};
    const WeightArray w = weightsOf(a, prhs[2]);
    if (mxIsSparse(x)) {
        runSparse(functionName, c, a, w, plhs, x);
        return;
    }
    const bool single = mxIsSingle(x), complex = mxIsComplex(x);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(a.count);
    std::ptrdiff_t bad = n;
    if (!single && !complex && !w.single) {
        plhs[0] = createRealArrayLike(x);
        bad = runRealDouble(c, a, mxGetPr(plhs[0]));
    } else {
        const bool complexResult = complex && elementOperation == ProxOfElements;
        plhs[0] = createArrayLike(x, single, complexResult);
        const ResultArrays dst{mxGetData(plhs[0]), complexResult ? mxGetImagData(plhs[0]) : nullptr, single};
        const ElementArrays in{mxGetData(x), complex ? mxGetImagData(x) : nullptr, single};
        bad = elementsOfClasses(c, dst, in, w, n);
    }
    if (bad < n)
        reportInvalidWeightValue(functionName, a.operation, static_cast<std::size_t>(bad), weightAt(w, static_cast<std::size_t>(bad)),
                                 &plhs[0]);
}
