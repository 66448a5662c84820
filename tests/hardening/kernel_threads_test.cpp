// The kernels keep no state: all eight run at once from several threads on
// shared inputs into separate outputs (under ThreadSanitizer) and must give
// exactly the single-threaded results.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "prox_kernels.h"
#include "sum_kernels.h"

namespace {

using Kernel = void (*)(double*, const double*, std::int32_t, double, double);
const Kernel kKernels[] = {proxCappedL1, proxLogSum, proxScad, proxMcp,
                           sumCappedL1,  sumLogSum,  sumScad,  sumMcp};
const bool kIsSum[] = {false, false, false, false, true, true, true, true};
const int kLength = 1 << 15;
const int kThreads = 4;

void runAll(const std::vector<double>& x, std::vector<std::vector<double>>& out, int rotate)
{
    for (int j = 0; j < 8; ++j) {
        const int k = (j + rotate) % 8;
        kKernels[k](out[k].data(), x.data(), kLength, 1.25, k % 4 == 2 ? 3.7 : 2.5);
    }
}

} // namespace

int main()
{
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal(0, 3);
    std::vector<double> x(kLength);
    for (double& v : x)
        v = normal(rng);

    auto outputs = [] {
        std::vector<std::vector<double>> out(8);
        for (int k = 0; k < 8; ++k)
            out[k].assign(kIsSum[k] ? 1 : kLength, 0.0);
        return out;
    };
    std::vector<std::vector<double>> reference = outputs();
    runAll(x, reference, 0);

    std::vector<std::vector<std::vector<double>>> perThread(kThreads, outputs());
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 4; ++round)
                runAll(x, perThread[t], t + round);
        });
    for (std::thread& th : threads)
        th.join();

    int failed = 0;
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < 8; ++k)
            if (std::memcmp(perThread[t][k].data(), reference[k].data(), 8 * reference[k].size()) != 0) {
                std::printf("FAIL thread %d kernel %d\n", t, k);
                ++failed;
            }
    std::printf("kernel threads: %d passed, %d failed\n", kThreads * 8 - failed, failed);
    return failed ? 1 : 0;
}
