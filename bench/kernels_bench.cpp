// ns per element of every kernel on every vector path this CPU supports, at
// n = 2^10, 2^16, 2^20 and 2^24, with the threads the machine has (as the
// MEX files run them) and, on the widest path, on one thread; beside, in
// the same run, a memcpy of the same bytes, y = -x on one thread and on
// all (split exactly as the kernels are), and a plain sequential sum.
// At 2^20, the prox of single, complex and complex single arrays and |z|
// alone on every path. Data: N(0, 4). Not a test: `make bench` runs it and
// keeps the JSON.
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "class_drivers.h"
#include "dispatch.h"
#include "parallel_drivers.h"
#include "penalty_list.h"

namespace {

const std::vector<double>& data(std::size_t n)
{
    static std::vector<double> x;
    if (x.size() < n) {
        std::mt19937_64 rng(2026);
        std::normal_distribution<double> normal(0, 2);
        x.resize(n);
        for (double& v : x)
            v = normal(rng);
    }
    return x;
}

// theta inside each penalty's range, as in a solver (lambda = 1).
double thetaFor(PenaltyType type)
{
    switch (type) {
    case CappedL1: return 2;
    case LogSum: return 1;
    case Scad: return 3.7;
    case Mcp: return 3;
    default: return 0; // l1, l0: no theta
    }
}

// Weights around 1, as a solver's per-element lambda.
const std::vector<double>& weights(std::size_t n)
{
    static std::vector<double> w;
    if (w.size() < n) {
        std::mt19937_64 rng(2027);
        std::uniform_real_distribution<double> spread(0.5, 1.5);
        w.resize(n);
        for (double& v : w)
            v = spread(rng);
    }
    return w;
}

// The counter is a rate of giga-elements per second, inverted at the end:
// seconds per giga-element, i.e. ns per element.
void perElement(benchmark::State& state, std::int64_t n)
{
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_element"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(n) * 1e-9,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void shrinkKernel(benchmark::State& state, SimdPath path, PenaltyType type)
{
    const auto n = static_cast<std::int32_t>(state.range(0));
    const double* x = data(n).data();
    std::vector<double> y(n);
    for (auto _ : state) {
        shrinkByPenaltyOn(path, type, y.data(), x, n, 1.0, thetaFor(type));
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

void sumKernel(benchmark::State& state, SimdPath path, PenaltyType type)
{
    const auto n = static_cast<std::int32_t>(state.range(0));
    const double* x = data(n).data();
    double s = 0;
    for (auto _ : state) {
        sumByPenaltyOn(path, type, &s, x, n, 1.0, thetaFor(type));
        benchmark::DoNotOptimize(s);
    }
    perElement(state, n);
}

// penaltyProx with a step of 0.5 and one weight per element.
void proxKernel(benchmark::State& state, SimdPath path, int penalty)
{
    const auto n = static_cast<std::ptrdiff_t>(state.range(0));
    const double* x = data(n).data();
    const double* w = weights(n).data();
    std::vector<double> y(n);
    for (auto _ : state) {
        proxByPenaltyOn(path, penalty, y.data(), x, w, true, n, thetaFor(kPenaltyInfo[penalty].code), 0.5);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

// penaltyValue (what 0) and penaltyDerivative (1) with one weight.
void elementKernel(benchmark::State& state, SimdPath path, int penalty, int what)
{
    const auto n = static_cast<std::ptrdiff_t>(state.range(0));
    const double* x = data(n).data();
    const double lambda = 1;
    std::vector<double> y(n);
    for (auto _ : state) {
        const double theta = thetaFor(kPenaltyInfo[penalty].code);
        if (what == 0)
            valueByPenaltyOn(path, penalty, y.data(), x, &lambda, false, n, theta);
        else
            derivativeByPenaltyOn(path, penalty, y.data(), x, &lambda, false, n, theta);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

// The same prox (step 0.5, one weight per element) on single, complex and
// complex single arrays, on the widest path: what the conversions, the
// modulus and the phase cost beside the double kernel.
enum ArrayClass { SingleArray, ComplexArray, ComplexSingleArray };

void classProxKernel(benchmark::State& state, int penalty, ArrayClass kind)
{
    const auto n = static_cast<std::ptrdiff_t>(state.range(0));
    const double* x = data(2 * n).data(); // imaginary parts from the second half
    const std::vector<float> xs(x, x + 2 * n), ws(weights(n).data(), weights(n).data() + n);
    const bool single = kind != ComplexArray, complex = kind != SingleArray;
    std::vector<double> re(n), im(n);
    std::vector<float> res(n), ims(n);
    const ElementArrays in = single ? ElementArrays{xs.data(), complex ? xs.data() + n : nullptr, true}
                                    : ElementArrays{x, x + n, false};
    const ResultArrays out = single ? ResultArrays{res.data(), complex ? ims.data() : nullptr, true}
                                    : ResultArrays{re.data(), im.data(), false};
    const WeightArray w = single ? WeightArray{ws.data(), true, true} : WeightArray{weights(n).data(), false, true};
    const ElementCall call{ProxOfElements, penalty, thetaFor(kPenaltyInfo[penalty].code), 0.5};
    for (auto _ : state) {
        elementsOfClassesOn(bestSimdPath(), call, out, in, w, n);
        benchmark::DoNotOptimize(re.data());
        benchmark::DoNotOptimize(res.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

// |z| alone on one path, on all cores as the drivers run it.
void modulusKernel(benchmark::State& state, SimdPath path)
{
    const auto n = static_cast<std::ptrdiff_t>(state.range(0));
    const double* x = data(2 * n).data();
    std::vector<double> a(n);
    for (auto _ : state) {
        forEachChunk(n, LightCost, [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
            modulusOn(path, a.data() + begin, x + begin, x + n + begin, end - begin);
        });
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

void memcpyBaseline(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const double* x = data(n).data();
    std::vector<double> y(n);
    for (auto _ : state) {
        std::memcpy(y.data(), x, n * sizeof(double));
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    perElement(state, static_cast<std::int64_t>(n));
}

void sequentialSumBaseline(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const double* x = data(n).data();
    for (auto _ : state) {
        double s = 0;
        for (std::size_t i = 0; i < n; ++i)
            s = s + x[i];
        benchmark::DoNotOptimize(s);
    }
    perElement(state, static_cast<std::int64_t>(n));
}

// y = -x, the least an elementwise operation does, on one thread or cut
// into ranges over every thread exactly as the kernels are.
void negateBaseline(benchmark::State& state, bool allCores)
{
    const auto n = static_cast<std::ptrdiff_t>(state.range(0));
    const double* x = data(static_cast<std::size_t>(n)).data();
    std::vector<double> y(static_cast<std::size_t>(n));
    auto negate = [&](std::ptrdiff_t begin, std::ptrdiff_t end) {
        for (std::ptrdiff_t i = begin; i < end; ++i)
            y[i] = -x[i];
    };
    for (auto _ : state) {
        if (allCores)
            forEachChunk(n, MemoryCost, negate);
        else
            negate(0, n);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    perElement(state, n);
}

// Runs body with `threads` as the thread budget (0: the machine's).
template <class Body>
auto withThreads(int threads, Body body)
{
    return [=](benchmark::State& state) {
        overrideThreadBudget(threads);
        body(state);
        overrideThreadBudget(0);
    };
}

void registerAll()
{
    auto sizes = [](benchmark::internal::Benchmark* b) {
        for (int log2n : {10, 16, 20, 24})
            b->Arg(std::int64_t{1} << log2n);
        b->Unit(benchmark::kMicrosecond)->UseRealTime();
    };
    sizes(benchmark::RegisterBenchmark("baseline/memcpy", memcpyBaseline));
    sizes(benchmark::RegisterBenchmark("baseline/sequential_sum", sequentialSumBaseline));
    sizes(benchmark::RegisterBenchmark("baseline/negate", [](benchmark::State& s) { negateBaseline(s, false); }));
    sizes(benchmark::RegisterBenchmark("baseline/negate_all_cores",
                                       [](benchmark::State& s) { negateBaseline(s, true); }));
    const SimdPath widest = bestSimdPath();
    // Single and complex arrays at 2^20, against the double rows above.
    auto at2to20 = [](benchmark::internal::Benchmark* b) {
        b->Arg(std::int64_t{1} << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
    };
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const std::string name = kPenaltyInfo[penalty].name;
        const struct { const char* label; ArrayClass kind; } classes[] = {
            {"prox_single/", SingleArray}, {"prox_complex/", ComplexArray}, {"prox_complex_single/", ComplexSingleArray}};
        for (const auto& c : classes)
            at2to20(benchmark::RegisterBenchmark((c.label + name + "/" + simdPathName(widest)).c_str(),
                                                 [=](benchmark::State& s) { classProxKernel(s, penalty, c.kind); }));
    }
    for (int onPath = ScalarPath; onPath < kSimdPathCount; ++onPath)
        if (simdPathSupported(static_cast<SimdPath>(onPath)))
            at2to20(benchmark::RegisterBenchmark((std::string("modulus/") + simdPathName(static_cast<SimdPath>(onPath))).c_str(),
                                                 [=](benchmark::State& s) { modulusKernel(s, static_cast<SimdPath>(onPath)); }));
    for (int onPath = ScalarPath; onPath <= kSimdPathCount; ++onPath) {
        // The last round: the widest path again, on one thread.
        const bool oneThread = onPath == kSimdPathCount;
        const auto path = oneThread ? widest : static_cast<SimdPath>(onPath);
        if (!simdPathSupported(path))
            continue;
        const int threads = oneThread ? 1 : 0;
        for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
            const PenaltyType type = kPenaltyInfo[penalty].code;
            const std::string suffix = std::string(kPenaltyInfo[penalty].name) + "/" + simdPathName(path) +
                                       (oneThread ? "/1-thread" : "");
            auto add = [&](const std::string& name, auto body) {
                sizes(benchmark::RegisterBenchmark((name + "/" + suffix).c_str(), withThreads(threads, body)));
            };
            if (kPenaltyInfo[penalty].operations & ShrinkOperation) {
                add("shrink", [=](benchmark::State& s) { shrinkKernel(s, path, type); });
                add("sum", [=](benchmark::State& s) { sumKernel(s, path, type); });
            }
            add("prox", [=](benchmark::State& s) { proxKernel(s, path, penalty); });
            add("value", [=](benchmark::State& s) { elementKernel(s, path, penalty, 0); });
            add("derivative", [=](benchmark::State& s) { elementKernel(s, path, penalty, 1); });
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
