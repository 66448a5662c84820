// Spreading a call over threads changes no bit: every operation of every
// penalty gives the one-thread result for every thread count, chunk length
// and schedule, on every path, with special values and zero weights among
// the elements: chunks taken by whichever thread comes first, workers that
// stall while holding a chunk or a sum's block, and a chain that takes such
// a block back and forms it itself. The first invalid weight is the one
// reported, in whichever chunk it lies; and a call too small to pay for a
// thread, or made under a host limit of one, starts and asks nothing.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch.h"
#include "parallel_drivers.h"
#include "path_operations.h"

namespace {

// Many chunks of every length used below, and a last one that is not full.
const std::ptrdiff_t kLength = 5 * 32768 + 123;

struct Inputs {
    std::vector<double> x, weights;
};

Inputs makeInputs()
{
    std::mt19937_64 rng(23);
    std::normal_distribution<double> normal(0, 3);
    Inputs in{std::vector<double>(kLength), std::vector<double>(kLength)};
    const double special[] = {__builtin_nan(""), __builtin_inf(), -__builtin_inf(), 0.0, -0.0, 4.9e-324, 1e300};
    for (std::ptrdiff_t i = 0; i < kLength; ++i) {
        in.x[i] = rng() % 64 == 0 ? special[rng() % 7] : normal(rng);
        in.weights[i] = rng() % 16 == 0 ? 0.0 : std::exp(normal(rng) / 3);
    }
    return in;
}

// Every operation of every penalty, both weight forms, on one path.
PenaltyResults resultsOn(SimdPath path, const Inputs& in) { return runAll(path, in.x, in.weights, true); }

bool sameBits(const PenaltyResults& a, const PenaltyResults& b) { return firstDifferingPenalty(a, b) < 0; }

void restoreRules()
{
    overrideThreadBudget(0);
    overrideChunkLength(0);
    setWorkerStallForTests(nullptr);
    setHostThreadLimit(nullptr);
}

TEST(Threads, EveryThreadCountAndChunkLengthGivesTheOneThreadBits)
{
    const Inputs in = makeInputs();
    for (SimdPath p : pathsHere()) {
        overrideThreadBudget(1);
        const PenaltyResults one = resultsOn(p, in);
        // 0: each cost's own chunk; 64: a chunk per lane block pair of the
        // widest path; 4160: chunks that are no power of two.
        for (std::ptrdiff_t chunk : {0, 64, 4160}) {
            for (int threads : {2, 3, 5, 8}) {
                const bool everyCount = chunk == 0 && p == bestSimdPath();
                if (!everyCount && threads != (chunk == 64 ? 2 : 3) + (p == bestSimdPath() ? 3 : 0))
                    continue; // every count on the path in use, a few more cases on each path
                overrideThreadBudget(threads);
                overrideChunkLength(chunk);
                EXPECT_TRUE(sameBits(resultsOn(p, in), one)) << simdPathName(p) << ", " << threads << " threads, chunks of "
                                                          << chunk;
            }
        }
    }
    restoreRules();
}

// Every third piece of work a worker starts, it stalls as a descheduled
// worker would, holding the chunk or the sum's block it has claimed.
std::atomic<int> gStarts{0};
void stallSometimes()
{
    if (gStarts.fetch_add(1, std::memory_order_relaxed) % 3 == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(300));
}

TEST(Threads, StalledWorkersAndBlocksTakenBackGiveTheOneThreadBits)
{
    const Inputs in = makeInputs();
    const SimdPath path = bestSimdPath();
    overrideThreadBudget(1);
    const PenaltyResults one = resultsOn(path, in);
    const double logSumTheta = kPenaltyInfo[penaltyIndexOfCode(LogSum)].typicalTheta;
    double reference;
    sumByPenaltyOn(path, LogSum, &reference, in.x.data(), kLength, 1.25, logSumTheta);
    setWorkerStallForTests(stallSometimes);
    overrideChunkLength(1024);
    overrideThreadBudget(3);
    EXPECT_TRUE(sameBits(resultsOn(path, in), one)); // every operation, with stalls
    // log-sum's sum alone until both schedules have been seen (a machine
    // busy enough may keep the workers from joining for a while).
    SumSchedule seen{};
    for (int round = 0; round < 200 && (seen.takenBack == 0 || seen.fromRing == seen.formedAhead); ++round) {
        overrideThreadBudget(2 + round % 2);
        double s;
        sumByPenaltyOn(path, LogSum, &s, in.x.data(), kLength, 1.25, logSumTheta);
        ASSERT_EQ(std::memcmp(&s, &reference, 8), 0) << "round " << round;
        const SumSchedule last = lastSumSchedule();
        ASSERT_EQ(last.fromRing + last.byChain + last.takenBack, (kLength - 1) / 1024 + 1);
        seen.fromRing += last.fromRing;
        seen.takenBack += last.takenBack;
        seen.formedAhead += last.formedAhead;
    }
    // The schedules above did happen: terms from workers, and blocks the
    // chain took back from a stalled worker.
    EXPECT_GT(seen.fromRing - seen.formedAhead, 0);
    EXPECT_GT(seen.takenBack, 0);
    restoreRules();
}

TEST(Threads, TheFirstInvalidWeightIsReported)
{
    const Inputs in = makeInputs();
    std::vector<double> y(kLength);
    overrideChunkLength(4096);
    // Two bad weights in different chunks, the later one possibly found
    // first by its thread: the earlier is the one reported.
    for (std::ptrdiff_t first : {std::ptrdiff_t{5}, std::ptrdiff_t{2 * 4096 + 7}, kLength - 1}) {
        std::vector<double> weights = in.weights;
        weights[first] = -1;
        if (first + 1 < kLength)
            weights[kLength - 1] = __builtin_nan("");
        for (int threads : {1, 2, 5}) {
            overrideThreadBudget(threads);
            EXPECT_EQ(proxByPenalty(0, y.data(), in.x.data(), weights.data(), true, kLength, 0, 1), first)
                << threads << " threads";
            EXPECT_EQ(valueByPenalty(0, y.data(), in.x.data(), weights.data(), true, kLength, 0), first);
        }
    }
    restoreRules();
    EXPECT_EQ(derivativeByPenalty(0, y.data(), in.x.data(), in.weights.data(), true, kLength, 0), kLength);
}

std::atomic<int> gHostAsked{0};
int hostLimitOfOne()
{
    gHostAsked.fetch_add(1, std::memory_order_relaxed);
    return 1;
}
int hostLimitOfTwo() { return 2; }

TEST(Threads, SmallCallsAndAHostLimitOfOneStartNoThread)
{
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one processor: no call is shared";
    unsetenv("OMP_NUM_THREADS");
    restoreRules();
    const std::vector<double> x(1 << 20, 0.75);
    std::vector<double> y(x.size());
    const double lambda = 1;
    stopThreads();
    const int before = workersStarted();
    setHostThreadLimit(hostLimitOfOne);
    // Cheap maps at moderate n, and sums whose terms are cheaper than
    // the chain, never ask for threads.
    shrinkByPenalty(CappedL1, y.data(), x.data(), 1 << 16, 1, 2);
    valueByPenalty(0, y.data(), x.data(), &lambda, false, 1 << 18, 0);
    sumByPenalty(Mcp, y.data(), x.data(), 1 << 20, 1, 3);
    EXPECT_EQ(gHostAsked.load(), 0);
    // A call large enough asks the host once, and with 1 starts nobody.
    proxByPenalty(penaltyIndexOfName("l1/2"), y.data(), x.data(), &lambda, false, 1 << 20, 0, 1);
    sumByPenalty(LogSum, y.data(), x.data(), 1 << 20, 1, 1);
    EXPECT_EQ(gHostAsked.load(), 2);
    EXPECT_EQ(workersStarted(), before);
    // The same calls without that limit do start a worker.
    setHostThreadLimit(hostLimitOfTwo);
    proxByPenalty(penaltyIndexOfName("l1/2"), y.data(), x.data(), &lambda, false, 1 << 20, 0, 1);
    EXPECT_EQ(workersStarted(), before + 1);
    restoreRules();
}

} // namespace
