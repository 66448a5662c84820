#include "cross_validation.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

#include "path_loop.h"
#include "worker_pool.h"

namespace {

// The pieces of one call: the full path first when there is one, then the
// folds, taken by number as threads come.
struct Folds {
    const FitDesign* design;
    const FitSettings* settings; // the folds' own, their lambda given
    Distribution distribution;
    const double* folds;
    int count;
    double* heldOutLoss;
    const FitSettings* fullSettings; // null without the full path
    FitOutput* full;
    GlmPathStatus fullStatus;
    std::atomic<std::int64_t> fullFits; // -1 until the full path has ended
    std::atomic<int> next;
    std::atomic<bool> outOfMemory;
};

// eta_i = b0 + sum_j x_ij b_j for the rows of the fold, columns in order and
// each column's nonzeros only, so dense and compressed X give the same bits.
void predictFold(const Folds& f, int fold, const double* b, double b0, double* eta)
{
    const FitDesign& d = *f.design;
    const double label = fold + 1;
    for (std::int64_t i = 0; i < d.rows; ++i)
        if (f.folds[i] == label)
            eta[i] = b0;
    for (std::int64_t j = 0; j < d.columns; ++j) {
        const double bj = b[j];
        if (bj == 0)
            continue;
        if (d.dense) {
            const double* x = d.dense + j * d.rows;
            for (std::int64_t i = 0; i < d.rows; ++i)
                if (f.folds[i] == label && x[i] != 0)
                    eta[i] += x[i] * bj;
        } else {
            const auto from = static_cast<std::int64_t>(d.columnStart[j]);
            const auto to = static_cast<std::int64_t>(d.columnStart[j + 1]);
            for (std::int64_t k = from; k < to; ++k) {
                const auto i = static_cast<std::int64_t>(d.rowIndex[k]);
                if (f.folds[i] == label && d.values[k] != 0)
                    eta[i] += d.values[k] * bj;
            }
        }
    }
}

// The design without the fold's rows (in their order), so that a fold's
// fit costs the rows it is fitted on; the fold's weights kept as given.
struct FoldDesign {
    std::unique_ptr<double[]> dense, values, rowIndex, columnStart, y, weights;
    FitDesign design;
};

bool designWithout(const Folds& f, double label, FoldDesign* out)
{
    const FitDesign& d = *f.design;
    const std::int64_t n = d.rows, p = d.columns;
    std::unique_ptr<std::int64_t[]> kept(new (std::nothrow) std::int64_t[n > 0 ? n : 1]);
    if (!kept)
        return false;
    std::int64_t m = 0;
    for (std::int64_t i = 0; i < n; ++i)
        kept[i] = f.folds[i] == label ? -1 : m++;
    out->y.reset(new (std::nothrow) double[m > 0 ? m : 1]);
    if (f.settings->weights)
        out->weights.reset(new (std::nothrow) double[m > 0 ? m : 1]);
    if (!out->y || (f.settings->weights && !out->weights))
        return false;
    for (std::int64_t i = 0; i < n; ++i)
        if (kept[i] >= 0) {
            out->y[kept[i]] = d.y[i];
            if (f.settings->weights)
                out->weights[kept[i]] = f.settings->weights[i];
        }
    out->design = {m, p, nullptr, nullptr, nullptr, nullptr, 0, out->y.get()};
    if (d.dense) {
        out->dense.reset(new (std::nothrow) double[m * p > 0 ? m * p : 1]);
        if (!out->dense)
            return false;
        for (std::int64_t j = 0; j < p; ++j)
            for (std::int64_t i = 0; i < n; ++i)
                if (kept[i] >= 0)
                    out->dense[j * m + kept[i]] = d.dense[j * n + i];
        out->design.dense = out->dense.get();
        return true;
    }
    const std::int64_t nonzeros = d.nonzeros;
    out->values.reset(new (std::nothrow) double[nonzeros > 0 ? nonzeros : 1]);
    out->rowIndex.reset(new (std::nothrow) double[nonzeros > 0 ? nonzeros : 1]);
    out->columnStart.reset(new (std::nothrow) double[p + 1]);
    if (!out->values || !out->rowIndex || !out->columnStart)
        return false;
    std::int64_t at = 0;
    out->columnStart[0] = 0;
    for (std::int64_t j = 0; j < p; ++j) {
        const auto from = static_cast<std::int64_t>(d.columnStart[j]);
        const auto to = static_cast<std::int64_t>(d.columnStart[j + 1]);
        for (std::int64_t k = from; k < to; ++k) {
            const std::int64_t r = kept[static_cast<std::int64_t>(d.rowIndex[k])];
            if (r < 0)
                continue;
            out->values[at] = d.values[k];
            out->rowIndex[at] = static_cast<double>(r);
            ++at;
        }
        out->columnStart[j + 1] = static_cast<double>(at);
    }
    out->design.values = out->values.get();
    out->design.rowIndex = out->rowIndex.get();
    out->design.columnStart = out->columnStart.get();
    out->design.nonzeros = at;
    return true;
}

// A path's lambda never depends on the lambda after it, so a fold started
// once the full path has ended stops at the full path's last lambda, and
// one started before makes the same fits and more.
std::int64_t lambdaCountOfFold(const Folds& f)
{
    const std::int64_t known = f.fullFits.load(std::memory_order_acquire);
    return known >= 0 && known < f.settings->lambdaCount ? known : f.settings->lambdaCount;
}

bool fitFold(Folds& f, int fold)
{
    const FitDesign& d = *f.design;
    const std::int64_t n = d.rows, p = d.columns, count = lambdaCountOfFold(f);
    if (count == 0)
        return true;
    std::unique_ptr<double[]> eta(new (std::nothrow) double[n]);
    std::unique_ptr<double[]> room(new (std::nothrow) double[(p + 7) * count + 1]);
    if (!eta || !room)
        return false;
    const double label = fold + 1;
    FoldDesign training;
    if (!designWithout(f, label, &training))
        return false;
    FitSettings s = *f.settings;
    s.weights = training.weights.get();
    s.lambdaCount = count;
    double* r = room.get();
    FitOutput out = {r, r + p * count, r + (p + 1) * count, r + (p + 2) * count, r + (p + 3) * count,
                     r + (p + 4) * count, r + (p + 5) * count, r + (p + 6) * count, 0};
    if (fitAnyPath(training.design, s, f.distribution, &out) == GlmPathOutOfMemory)
        return false;
    for (std::int64_t l = 0; l < count; ++l) {
        double* loss = f.heldOutLoss + l * n;
        if (l >= out.fits) {
            for (std::int64_t i = 0; i < n; ++i)
                if (f.folds[i] == label)
                    loss[i] = __builtin_nan("");
            continue;
        }
        predictFold(f, fold, out.coefficients + l * p, out.intercept[l], eta.get());
        for (std::int64_t i = 0; i < n; ++i) {
            if (f.folds[i] != label)
                continue;
            const double e = eta[i];
            loss[i] = f.distribution == Distribution::Normal ? (d.y[i] - e) * (d.y[i] - e)
                                                             : observationDeviance(f.distribution, e, d.y[i]);
        }
    }
    return true;
}

void fitFullPath(Folds& f)
{
    f.fullStatus = fitAnyPath(*f.design, *f.fullSettings, f.distribution, f.full);
    f.fullFits.store(f.fullStatus == GlmPathOutOfMemory ? 0 : f.full->fits, std::memory_order_release);
}

void takePieces(void* context, bool)
{
    Folds& f = *static_cast<Folds*>(context);
    const int first = f.full ? 1 : 0;
    for (;;) {
        const int piece = f.next.fetch_add(1);
        if (piece < first) {
            fitFullPath(f);
            continue;
        }
        if (piece - first >= f.count)
            return;
        if (!fitFold(f, piece - first))
            f.outOfMemory.store(true);
    }
}

int threadsFor(int threads, int pieces)
{
    const int budget = threadBudget();
    const int parts = threads < budget ? threads : budget;
    return parts < pieces ? parts : pieces;
}

// The lambda the full path will be fitted at, before it is: the given
// ones, or the grid from the lambda_max of a one-lambda path on the same
// data (the same computation as the full path's own, so the same bits).
bool lambdaOfPath(const FitDesign& design, const FitSettings& settings, Distribution distribution, double* lambda)
{
    double top = 0.0; // unused with given lambda
    if (!settings.lambda) {
        const std::int64_t p = design.columns;
        std::unique_ptr<double[]> room(new (std::nothrow) double[p + 7]);
        if (!room)
            return false;
        FitSettings one = settings;
        one.gridCount = 1;
        double* r = room.get();
        FitOutput out = {r, r + p, r + p + 1, r + p + 2, r + p + 3, r + p + 4, r + p + 5, r + p + 6, 0};
        if (fitAnyPath(design, one, distribution, &out) == GlmPathOutOfMemory)
            return false;
        top = out.lambda[0];
    }
    pathLambdas(settings, top, lambda);
    return true;
}

} // namespace

CrossValidationStatus crossValidate(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                                    const double* folds, int foldCount, int threads, double* heldOutLoss)
{
    Folds f{&design, &settings, distribution, folds, foldCount, heldOutLoss, nullptr, nullptr, GlmPathDone, {-1}, {0},
            {false}};
    const int parts = threadsFor(threads, foldCount);
    if (parts > 1)
        runSharedLongPieces(parts, takePieces, &f);
    else
        takePieces(&f, true);
    return f.outOfMemory.load() ? CrossValidationOutOfMemory : CrossValidationDone;
}

namespace {

CrossValidationStatus foldsAtFullPath(const FitDesign& design, const FitSettings& settings,
                                      Distribution distribution, const double* folds, int foldCount, int threads,
                                      const FitOutput& full, double* heldOutLoss)
{
    FitSettings foldSettings = settings;
    foldSettings.lambda = full.lambda;
    foldSettings.lambdaCount = full.fits;
    return crossValidate(design, foldSettings, distribution, folds, foldCount, threads, heldOutLoss);
}

} // namespace

CrossValidationStatus fitAndCrossValidate(const FitDesign& design, const FitSettings& settings,
                                          Distribution distribution, const double* folds, int foldCount,
                                          int threads, FitOutput* full, GlmPathStatus* fullStatus,
                                          double* heldOutLoss)
{
    const int parts = threadsFor(threads, foldCount + 1);
    const std::int64_t capacity = settings.lambda ? settings.lambdaCount : settings.gridCount;
    std::unique_ptr<double[]> lambda(parts > 1 ? new (std::nothrow) double[capacity] : nullptr);
    if (!lambda || !lambdaOfPath(design, settings, distribution, lambda.get())) {
        // One thread's order, which needs no lambda in advance.
        *fullStatus = fitAnyPath(design, settings, distribution, full);
        if (*fullStatus == GlmPathOutOfMemory || full->fits == 0)
            return CrossValidationDone;
        return foldsAtFullPath(design, settings, distribution, folds, foldCount, threads, *full, heldOutLoss);
    }
    FitSettings foldSettings = settings;
    foldSettings.lambda = lambda.get();
    foldSettings.lambdaCount = capacity;
    Folds f{&design, &foldSettings, distribution, folds, foldCount, heldOutLoss, &settings, full, GlmPathDone, {-1},
            {0}, {false}};
    runSharedLongPieces(parts, takePieces, &f);
    *fullStatus = f.fullStatus;
    if (f.fullStatus == GlmPathOutOfMemory || full->fits == 0)
        return CrossValidationDone;
    if (f.outOfMemory.load())
        return CrossValidationOutOfMemory;
    // Only if the full path came to other lambda than foreseen: the folds
    // again, at its own.
    if (std::memcmp(full->lambda, lambda.get(), static_cast<std::size_t>(full->fits) * sizeof(double)) != 0)
        return foldsAtFullPath(design, settings, distribution, folds, foldCount, threads, *full, heldOutLoss);
    return CrossValidationDone;
}
