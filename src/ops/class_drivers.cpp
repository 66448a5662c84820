#include "class_drivers.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "kernel_table.h"
#include "modulus_kernels.h"
#include "parallel_drivers.h"
#include "penalty_list.h"

namespace {

// A path outside the list runs the scalar reference.
const SimdPathInfo& pathOf(SimdPath path)
{
    return kSimdPaths[path > ScalarPath && path < kSimdPathCount ? path : ScalarPath];
}

const KernelTable& kernelTableOn(SimdPath path) { return *pathOf(path).kernels; }

const ModulusKernels& modulusKernelsOn(SimdPath path) { return *pathOf(path).modulusKernels; }

// Chunks small enough for the stack of any thread, large enough that a
// kernel call per chunk costs nothing measurable.
constexpr std::ptrdiff_t kChunk = 512;

// count elements from `begin` of a float or double array, as doubles: a
// pointer into it where it is double, else converted (exactly) into buffer.
const double* asDoubles(const void* array, bool single, std::ptrdiff_t begin, std::ptrdiff_t count,
                        double* buffer)
{
    if (!single)
        return static_cast<const double*>(array) + begin;
    const float* f = static_cast<const float*>(array) + begin;
    for (std::ptrdiff_t i = 0; i < count; ++i)
        buffer[i] = f[i];
    return buffer;
}

// Rounds (once) into a float array, or copies into a double one.
void storeResult(void* array, bool single, std::ptrdiff_t begin, std::ptrdiff_t count, const double* values)
{
    if (!single) {
        std::memcpy(static_cast<double*>(array) + begin, values, sizeof(double) * count);
        return;
    }
    float* f = static_cast<float*>(array) + begin;
    for (std::ptrdiff_t i = 0; i < count; ++i)
        f[i] = static_cast<float>(values[i]);
}

struct ClassRun {
    const PenaltyKernels* kernels;
    WeightCheck checkWeights;
    ModulusKernel modulus;
    const ElementCall* call;
    const ResultArrays* dst;
    const ElementArrays* x;
    const WeightArray* lambda;
};

// One chunk: returns the index of its first bad weight, or -1.
std::ptrdiff_t runChunk(const ClassRun& run, std::ptrdiff_t begin, std::ptrdiff_t count)
{
    double weightBuffer[kChunk], reBuffer[kChunk], imBuffer[kChunk], xBuffer[kChunk], yBuffer[kChunk];
    const WeightArray& w = *run.lambda;
    const double* lambda = static_cast<const double*>(w.weights);
    if (w.perElement) {
        lambda = asDoubles(w.weights, w.single, begin, count, weightBuffer);
        const std::ptrdiff_t bad = run.checkWeights(lambda, count);
        if (bad < count)
            return begin + bad;
    }
    const ElementArrays& x = *run.x;
    const double* re = asDoubles(x.real, x.single, begin, count, reBuffer);
    const double* im = nullptr;
    const double* in = re;
    if (x.imag) {
        im = asDoubles(x.imag, x.single, begin, count, imBuffer);
        run.modulus(xBuffer, re, im, count);
        in = xBuffer;
    }
    const ElementCall& c = *run.call;
    switch (c.operation) {
    case ProxOfElements: run.kernels->prox(yBuffer, in, lambda, w.perElement, count, c.theta, c.gamma); break;
    case ValueOfElements: run.kernels->value(yBuffer, in, lambda, w.perElement, count, c.theta); break;
    case DerivativeOfElements: run.kernels->derivative(yBuffer, in, lambda, w.perElement, count, c.theta); break;
    }
    const ResultArrays& dst = *run.dst;
    if (c.operation == ProxOfElements && x.imag) {
        // r*z/|z| as t*part, t = r/|z|; t = 1 where the map kept |z|.
        double* partRe = xBuffer; // |z| of element i is read before part i is written over it
        for (std::ptrdiff_t i = 0; i < count; ++i) {
            const double a = in[i], r = yBuffer[i];
            const double t = ((r == a) | (a != a)) ? 1.0 : r / a;
            yBuffer[i] = t * im[i];
            partRe[i] = t * re[i];
        }
        storeResult(dst.real, dst.single, begin, count, partRe);
        storeResult(dst.imag, dst.single, begin, count, yBuffer);
    } else {
        storeResult(dst.real, dst.single, begin, count, yBuffer);
    }
    return -1;
}

} // namespace

std::ptrdiff_t elementsOfClassesOn(SimdPath path, const ElementCall& call, const ResultArrays& dst,
                                   const ElementArrays& x, const WeightArray& lambda, std::ptrdiff_t n)
{
    const KernelTable& table = kernelTableOn(path);
    // An infinite weight holds an element at 0 in the map and the value; it
    // has no derivative.
    const WeightCheck check =
        call.operation == DerivativeOfElements ? table.firstInvalidFiniteWeight : table.firstInvalidWeight;
    const ClassRun run{&table.penalty[call.penalty], check, modulusKernelsOn(path).modulus,
                       &call, &dst, &x, &lambda};
    // Converting the class (and forming |z|) costs at least a light map's
    // work per element, on top of the penalty's own.
    const OperationCosts& costs = kPenaltyInfo[call.penalty].cost;
    const CostClass own = call.operation == ProxOfElements    ? costs.prox
                          : call.operation == ValueOfElements ? costs.value
                                                              : costs.derivative;
    std::atomic<std::ptrdiff_t> firstBad{n};
    forEachChunk(n, std::max(own, LightCost), [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        // A failed weight ends the call: the ranges after it stop early.
        for (std::ptrdiff_t start = begin; start < end && start < firstBad.load(std::memory_order_relaxed);
             start += kChunk) {
            const std::ptrdiff_t bad = runChunk(run, start, std::min(kChunk, end - start));
            if (bad >= 0) {
                std::ptrdiff_t seen = firstBad.load(std::memory_order_relaxed);
                while (bad < seen && !firstBad.compare_exchange_weak(seen, bad, std::memory_order_relaxed)) {
                }
                return;
            }
        }
    });
    return firstBad.load(std::memory_order_relaxed);
}

std::ptrdiff_t elementsOfClasses(const ElementCall& call, const ResultArrays& dst, const ElementArrays& x,
                                 const WeightArray& lambda, std::ptrdiff_t n)
{
    return elementsOfClassesOn(bestSimdPath(), call, dst, x, lambda, n);
}

void modulusOn(SimdPath path, double* dst, const double* re, const double* im, std::ptrdiff_t n)
{
    modulusKernelsOn(path).modulus(dst, re, im, n);
}
