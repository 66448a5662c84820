// Scalar naturalLog (with FMA where the CPU has it, and without) against
// the C library's log, in the same run, on the arguments log-sum takes
// (1 + r/theta) and on doubles spread over every binade, and the vector
// lanes of every path. Not a test: it only reports ns per call.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "dispatch.h"
#include "natural_log.h"
#include "natural_log_internal.h"

namespace {

std::vector<double> inputs(bool kernelRegion)
{
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> x(1 << 16);
    for (double& v : x) {
        if (kernelRegion) {
            v = 1 + std::fabs(std::ldexp(unit(rng), static_cast<int>(rng() % 12) - 6));
        } else {
            const std::uint64_t bits = ((rng() % 2046 + 1) << 52) | (rng() >> 12);
            std::memcpy(&v, &bits, sizeof v);
        }
    }
    return x;
}

template <double (*Log)(double)>
void run(benchmark::State& state)
{
    const std::vector<double> x = inputs(state.range(0) == 0);
    double sink = 0;
    for (auto _ : state) {
        for (double v : x)
            sink += Log(v);
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}

double libraryLog(double x) { return std::log(x); }

// The fast path without fused multiply-adds, as on CPUs without FMA.
double plainLog(double x) { return naturalLogWithVariant(x, false, nullptr); }

// naturalLog on every vector path, as a map over the same inputs.
void lanes(benchmark::State& state, SimdPath path)
{
    const std::vector<double> x = inputs(state.range(0) == 0);
    std::vector<double> y(x.size());
    for (auto _ : state) {
        naturalLogOn(path, y.data(), x.data(), static_cast<std::ptrdiff_t>(x.size()));
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}

} // namespace

BENCHMARK(run<naturalLog>)->Name("naturalLog")->ArgName("anyBinade")->Arg(0)->Arg(1);
BENCHMARK(run<plainLog>)->Name("naturalLog/plain")->ArgName("anyBinade")->Arg(0)->Arg(1);
BENCHMARK(run<libraryLog>)->Name("std::log")->ArgName("anyBinade")->Arg(0)->Arg(1);

int main(int argc, char** argv)
{
    for (int p = ScalarPath + 1; p < kSimdPathCount; ++p) {
        const SimdPath path = static_cast<SimdPath>(p);
        if (simdPathSupported(path))
            benchmark::RegisterBenchmark((std::string("naturalLogLanes/") + simdPathName(path)).c_str(),
                                         [=](benchmark::State& s) { lanes(s, path); })
                ->ArgName("anyBinade")->Arg(0)->Arg(1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
