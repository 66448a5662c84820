// The kernels share the cached choice of vector path, which the first call
// of all makes, and the worker pool that large arrays are spread over.
// Several threads start together and make that first call at once through
// the dispatch, then run every penalty's kernels on every path this CPU
// supports, on shared inputs into outputs of their own, all at once
// contending for the pool (under ThreadSanitizer). Every result must be the
// scalar reference's, computed afterwards on the main thread, and so must
// the results with more workers than the machine has cores.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <latch>
#include <random>
#include <thread>
#include <vector>

#include "dispatch.h"
#include "parallel_drivers.h"
#include "penalty_list.h"

namespace {

const int kLength = 16 * 4096 + 77; // 17 chunks for every operation (see main)
const int kThreads = 4;
const int kPaths = Avx512Path + 1;

// Per penalty: penaltyShrink's kLength results and the sum (where the
// penalty has them), then penaltyProx's, penaltyValue's and
// penaltyDerivative's kLength results each.
using Results = std::vector<std::vector<double>>;

double thetaOf(int penalty) { return kPenaltyInfo[penalty].code == Scad ? 3.7 : 2.5; }

void runAll(SimdPath path, bool throughBestPath, const std::vector<double>& x, const std::vector<double>& weights,
            Results& out)
{
    for (int p = 0; p < kPenaltyCount; ++p) {
        out[p].assign(4 * kLength + 1, 0.0);
        const PenaltyType type = kPenaltyInfo[p].code;
        if (kPenaltyInfo[p].operations & ShrinkOperation) {
            if (throughBestPath) {
                shrinkByPenalty(type, out[p].data(), x.data(), kLength, 1.25, thetaOf(p));
                sumByPenalty(type, &out[p][kLength], x.data(), kLength, 1.25, thetaOf(p));
            } else {
                shrinkByPenaltyOn(path, type, out[p].data(), x.data(), kLength, 1.25, thetaOf(p));
                sumByPenaltyOn(path, type, &out[p][kLength], x.data(), kLength, 1.25, thetaOf(p));
            }
        }
        double* proximal = &out[p][kLength + 1];
        double* values = proximal + kLength;
        double* derivatives = values + kLength;
        if (throughBestPath) {
            proxByPenalty(p, proximal, x.data(), weights.data(), true, kLength, thetaOf(p), 0.5);
            valueByPenalty(p, values, x.data(), weights.data(), true, kLength, thetaOf(p));
            derivativeByPenalty(p, derivatives, x.data(), weights.data(), true, kLength, thetaOf(p));
        } else {
            proxByPenaltyOn(path, p, proximal, x.data(), weights.data(), true, kLength, thetaOf(p), 0.5);
            valueByPenaltyOn(path, p, values, x.data(), weights.data(), true, kLength, thetaOf(p));
            derivativeByPenaltyOn(path, p, derivatives, x.data(), weights.data(), true, kLength, thetaOf(p));
        }
    }
}

} // namespace

int main()
{
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal(0, 3);
    std::vector<double> x(kLength), weights(kLength);
    for (double& v : x)
        v = normal(rng);
    for (double& w : weights)
        w = std::exp(normal(rng) / 3);

    // Every call shared, however cheap, in chunks of 4096 elements: the
    // threads below contend for the one pool and its gate.
    overrideThreadBudget(3);
    overrideChunkLength(4096);
    // [thread][path + 1]: slot 0 through the dispatch's own choice.
    std::vector<std::vector<Results>> perThread(kThreads, std::vector<Results>(kPaths + 1, Results(kPenaltyCount)));
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            runAll(ScalarPath, true, x, weights, perThread[t][0]);
            for (int path = 0; path < kPaths; ++path)
                if (simdPathSupported(static_cast<SimdPath>(path)))
                    runAll(static_cast<SimdPath>(path), false, x, weights, perThread[t][path + 1]);
        });
    for (std::thread& th : threads)
        th.join();

    Results reference(kPenaltyCount);
    runAll(ScalarPath, false, x, weights, reference);
    int checked = 0, failed = 0;
    for (int t = 0; t < kThreads; ++t)
        for (int slot = 0; slot <= kPaths; ++slot)
            for (int p = 0; p < kPenaltyCount; ++p) {
                const std::vector<double>& got = perThread[t][slot][p];
                if (got.empty())
                    continue; // a path this CPU lacks
                ++checked;
                if (std::memcmp(got.data(), reference[p].data(), 8 * reference[p].size()) != 0) {
                    std::printf("FAIL thread %d, %s, %s\n", t, slot ? simdPathName(static_cast<SimdPath>(slot - 1)) : "dispatch",
                                kPenaltyInfo[p].name);
                    ++failed;
                }
            }
    // The pool alone, with more workers than cores, and started afresh;
    // then with the cost's own chunks.
    overrideChunkLength(0);
    for (int workers : {5, 3}) {
        overrideThreadBudget(workers);
        Results many(kPenaltyCount);
        runAll(bestSimdPath(), false, x, weights, many);
        for (int p = 0; p < kPenaltyCount; ++p) {
            ++checked;
            if (std::memcmp(many[p].data(), reference[p].data(), 8 * reference[p].size()) != 0) {
                std::printf("FAIL %d threads, %s\n", workers, kPenaltyInfo[p].name);
                ++failed;
            }
        }
        stopThreads();
    }
    std::printf("kernel threads: %d passed, %d failed (best path %s)\n", checked - failed, failed,
                simdPathName(bestSimdPath()));
    return failed ? 1 : 0;
}
