// Scalar naturalLog against the C library's log, in the same run, on the
// arguments log-sum takes (1 + r/theta) and on doubles spread over every
// binade. Not a test: it only reports ns per call.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "natural_log.h"

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

} // namespace

BENCHMARK(run<naturalLog>)->Name("naturalLog")->ArgName("anyBinade")->Arg(0)->Arg(1);
BENCHMARK(run<libraryLog>)->Name("std::log")->ArgName("anyBinade")->Arg(0)->Arg(1);

BENCHMARK_MAIN();
