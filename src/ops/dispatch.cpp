#include "dispatch.h"

#include <algorithm>
#include <atomic>

#include "kernel_table.h"
#include "parallel_drivers.h"

namespace {

// A path outside the list runs the scalar reference.
const KernelTable& kernelsOn(SimdPath path)
{
    return *kSimdPaths[path > ScalarPath && path < kSimdPathCount ? path : ScalarPath].kernels;
}

} // namespace

int penaltyIndexOfCode(std::int32_t code)
{
    int cappedL1 = 0;
    for (int i = 0; i < kPenaltyCount; ++i) {
        if (code != 0 && kPenaltyInfo[i].code == code)
            return i;
        if (kPenaltyInfo[i].code == CappedL1)
            cappedL1 = i;
    }
    return cappedL1;
}

int penaltyIndexOfName(const char* name)
{
    // The list's names are in lower case; only ASCII letters are folded.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (int i = 0; i < kPenaltyCount; ++i) {
        const char* known = kPenaltyInfo[i].name;
        int k = 0;
        while (known[k] != '\0' && lower(name[k]) == known[k])
            ++k;
        if (known[k] == '\0' && name[k] == '\0')
            return i;
    }
    return -1;
}

// Every elementwise operation runs over chunks of the array, on as many
// threads as its cost and n pay for (forEachChunk): a chunk is computed
// exactly as the whole.

void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta)
{
    const int penalty = penaltyIndexOfCode(type);
    const ShrinkKernel shrink = kernelsOn(path).penalty[penalty].shrink;
    forEachChunk(n, kPenaltyInfo[penalty].cost.shrink, [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        shrink(dst + begin, src + begin, end - begin, lambda, theta);
    });
}

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    shrinkByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}

namespace {

struct SumCall {
    const PenaltyKernels* kernels;
    const double* src;
    double lambda, theta;
};

} // namespace

void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta)
{
    const int penalty = penaltyIndexOfCode(type);
    const PenaltyKernels& k = kernelsOn(path).penalty[penalty];
    const SumCall call{&k, src, lambda, theta};
    const SumParts parts{
        [](const void* c, double* terms, std::ptrdiff_t begin, std::ptrdiff_t count) {
            const SumCall& q = *static_cast<const SumCall*>(c);
            q.kernels->sumTerms(terms, q.src + begin, count, q.lambda, q.theta);
        },
        [](const void* c, std::ptrdiff_t begin, std::ptrdiff_t count, double start) {
            const SumCall& q = *static_cast<const SumCall*>(c);
            return q.kernels->sum(q.src + begin, count, q.lambda, q.theta, start);
        },
        &call};
    *dst = finishedSum(k, orderedSum(parts, n, 0.0, kPenaltyInfo[penalty].cost.sumTerm), lambda);
}

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n, double lambda,
                  double theta)
{
    sumByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}

namespace {

// The elementwise operations with weights: with one weight (checked by the
// caller) compute(begin, end) over the chunks; with one per element, each
// chunk piece by piece, each piece once its weights have passed the check,
// so that they are still in the cache when the computation reads them
// (reading the weights too makes a cheap map a light one). Returns the
// index of the first weight that fails, or n.
template <class Compute>
std::ptrdiff_t checkedRanges(WeightCheck firstInvalid, const double* lambda, bool lambdaPerElement,
                             std::ptrdiff_t n, CostClass cost, Compute compute)
{
    if (!lambdaPerElement) {
        forEachChunk(n, cost, compute);
        return n;
    }
    constexpr std::ptrdiff_t kPiece = std::ptrdiff_t{1} << 14;
    std::atomic<std::ptrdiff_t> firstBad{n};
    forEachChunk(n, std::max(cost, LightCost), [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        // A failed weight ends the call: the chunks after it stop early.
        for (std::ptrdiff_t start = begin; start < end && start < firstBad.load(std::memory_order_relaxed);
             start += kPiece) {
            const std::ptrdiff_t count = std::min(kPiece, end - start);
            const std::ptrdiff_t bad = start + firstInvalid(lambda + start, count);
            if (bad < start + count) {
                std::ptrdiff_t seen = firstBad.load(std::memory_order_relaxed);
                while (bad < seen && !firstBad.compare_exchange_weak(seen, bad, std::memory_order_relaxed)) {
                }
                return;
            }
            compute(start, start + count);
        }
    });
    return firstBad.load(std::memory_order_relaxed);
}

} // namespace

std::ptrdiff_t proxByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                               bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma)
{
    const KernelTable& table = kernelsOn(path);
    const ProxKernel prox = table.penalty[penalty].prox;
    auto compute = [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        prox(dst + begin, src + begin, lambdaPerElement ? lambda + begin : lambda, lambdaPerElement, end - begin,
             theta, gamma);
    };
    return checkedRanges(table.firstInvalidWeight, lambda, lambdaPerElement, n, kPenaltyInfo[penalty].cost.prox,
                         compute);
}

std::ptrdiff_t proxByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                             bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma)
{
    return proxByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta, gamma);
}

namespace {

std::ptrdiff_t elementsOn(WeightCheck firstInvalid, ElementKernel kernel, CostClass cost, double* dst,
                          const double* src, const double* lambda, bool lambdaPerElement, std::ptrdiff_t n,
                          double theta)
{
    return checkedRanges(firstInvalid, lambda, lambdaPerElement, n, cost, [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        kernel(dst + begin, src + begin, lambdaPerElement ? lambda + begin : lambda, lambdaPerElement,
               end - begin, theta);
    });
}

} // namespace

std::ptrdiff_t valueByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                                bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    const KernelTable& table = kernelsOn(path);
    return elementsOn(table.firstInvalidWeight, table.penalty[penalty].value, kPenaltyInfo[penalty].cost.value, dst, src, lambda,
                      lambdaPerElement, n, theta);
}

std::ptrdiff_t valueByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                              bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    return valueByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta);
}

std::ptrdiff_t derivativeByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src,
                                     const double* lambda, bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    const KernelTable& table = kernelsOn(path);
    return elementsOn(table.firstInvalidFiniteWeight, table.penalty[penalty].derivative, kPenaltyInfo[penalty].cost.derivative, dst, src,
                      lambda, lambdaPerElement, n, theta);
}

std::ptrdiff_t derivativeByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                                   bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    return derivativeByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta);
}

std::ptrdiff_t firstInvalidWeightOn(SimdPath path, const double* weights, std::ptrdiff_t n, bool infiniteAllowed)
{
    const KernelTable& table = kernelsOn(path);
    return (infiniteAllowed ? table.firstInvalidWeight : table.firstInvalidFiniteWeight)(weights, n);
}

std::ptrdiff_t firstInvalidWeight(const double* weights, std::ptrdiff_t n, bool infiniteAllowed)
{
    return firstInvalidWeightOn(bestSimdPath(), weights, n, infiniteAllowed);
}

void naturalLogOn(SimdPath path, double* dst, const double* src, std::ptrdiff_t n)
{
    kernelsOn(path).naturalLog(dst, src, n);
}

void stopThreads() { releaseDriverThreads(); }
