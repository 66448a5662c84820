// The kernels share the cached choice of vector path, which the first call
// of all makes, and the worker pool that large arrays are spread over.
// Several threads start together and make that first call at once through
// the dispatch, then run every penalty's kernels on every path this CPU
// supports, on shared inputs into outputs of their own, all at once
// contending for the pool (under ThreadSanitizer). Every result must be the
// scalar reference's, computed afterwards on the main thread, and so must
// the results with more workers than the machine has cores.
#include <cmath>
#include <cstdio>
#include <latch>
#include <random>
#include <thread>
#include <vector>

#include "dispatch.h"
#include "path_operations.h"
#include "parallel_drivers.h"

namespace {

const int kLength = 16 * 4096 + 77; // 17 chunks for every operation (see main)
const int kThreads = 4;

// Through the dispatch's own choice (slot 0), then on each path of the list
// (slot path + 1).
int slotCount() { return kSimdPathCount + 1; }
int pathOfSlot(int slot) { return slot == 0 ? kChosenPath : slot - 1; }

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
    std::vector<std::vector<PenaltyResults>> perThread(kThreads, std::vector<PenaltyResults>(slotCount()));
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int slot = 0; slot < slotCount(); ++slot)
                if (slot == 0 || simdPathSupported(static_cast<SimdPath>(slot - 1)))
                    perThread[t][slot] = runAll(pathOfSlot(slot), x, weights, false);
        });
    for (std::thread& th : threads)
        th.join();

    const PenaltyResults reference = runAll(ScalarPath, x, weights, false);
    int checked = 0, failed = 0;
    for (int t = 0; t < kThreads; ++t)
        for (int slot = 0; slot < slotCount(); ++slot) {
            if (perThread[t][slot].empty())
                continue; // a path this CPU lacks
            ++checked;
            const int p = firstDifferingPenalty(perThread[t][slot], reference);
            if (p >= 0) {
                ++failed;
                std::printf("FAIL thread %d, %s, %s\n", t,
                            slot ? simdPathName(static_cast<SimdPath>(slot - 1)) : "dispatch", kPenaltyInfo[p].name);
            }
        }
    // The pool alone, with more workers than cores, and started afresh;
    // then with the cost's own chunks.
    overrideChunkLength(0);
    for (int workers : {5, 3}) {
        overrideThreadBudget(workers);
        ++checked;
        const int p = firstDifferingPenalty(runAll(bestSimdPath(), x, weights, false), reference);
        if (p >= 0) {
            ++failed;
            std::printf("FAIL %d threads, %s\n", workers, kPenaltyInfo[p].name);
        }
        stopThreads();
    }
    std::printf("kernel threads: %d passed, %d failed (best path %s)\n", checked - failed, failed,
                simdPathName(bestSimdPath()));
    return failed ? 1 : 0;
}
