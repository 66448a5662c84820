#include "cross_validation.h"

#include <atomic>
#include <memory>
#include <new>

#include "glm_path.h"
#include "worker_pool.h"

namespace {

struct Folds {
    const FitDesign* design;
    const FitSettings* settings;
    Distribution distribution;
    const double* folds;
    int count;
    double* heldOutLoss;
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

bool fitFold(Folds& f, int fold)
{
    const FitDesign& d = *f.design;
    const std::int64_t n = d.rows, p = d.columns, count = f.settings->lambdaCount;
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
    double* r = room.get();
    FitOutput out = {r, r + p * count, r + (p + 1) * count, r + (p + 2) * count, r + (p + 3) * count,
                     r + (p + 4) * count, r + (p + 5) * count, r + (p + 6) * count, 0};
    if (f.distribution == Distribution::Normal) {
        if (fitPath(training.design, s, &out) != FitDone)
            return false;
    } else if (fitGlmPath(training.design, s, f.distribution, &out) == GlmPathOutOfMemory) {
        return false;
    }
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

void takeFolds(void* context, bool)
{
    Folds& f = *static_cast<Folds*>(context);
    for (;;) {
        const int fold = f.next.fetch_add(1);
        if (fold >= f.count)
            return;
        if (!fitFold(f, fold))
            f.outOfMemory.store(true);
    }
}

} // namespace

CrossValidationStatus crossValidate(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                                    const double* folds, int foldCount, int threads, double* heldOutLoss)
{
    Folds f{&design, &settings, distribution, folds, foldCount, heldOutLoss, {0}, {false}};
    int parts = threads < threadBudget() ? threads : threadBudget();
    parts = parts < foldCount ? parts : foldCount;
    if (parts > 1)
        runShared(parts, takeFolds, &f);
    else
        takeFolds(&f, true);
    return f.outOfMemory.load() ? CrossValidationOutOfMemory : CrossValidationDone;
}
