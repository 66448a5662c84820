// One pool per MEX file (each links its own copy), made of workers that
// each wait for a part of their own: the caller fills a worker's slot and
// raises its generation, the worker runs the part and reports the same
// generation back. A worker that has just finished spins for a short while
// before it sleeps, because a solver calls again within microseconds; the
// caller spins likewise while it waits for the last parts.
#if defined(_WIN32) && (!defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600)
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600 // slim locks and condition variables
#endif

#include "worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "os_threads.h"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <immintrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWorkerSpin = std::chrono::microseconds(100);
constexpr auto kCallerSpin = std::chrono::microseconds(2000);

struct Pool;

struct alignas(64) Worker {
    std::atomic<unsigned> posted{0};   // generation of the part last handed over
    std::atomic<unsigned> finished{0}; // generation of the part last finished
    PartTask task = nullptr;
    void* context = nullptr;
    int part = 0;
    Pool* pool = nullptr;
    OsThread thread;
};

struct Pool {
    OsLock lock;
    OsCondition wake; // sleeping workers wait here
    OsCondition done; // a sleeping caller waits here
    int sleepingWorkers = 0;     // under lock
    bool callerSleeping = false; // under lock
    std::atomic<bool> stop{false};
    unsigned generation = 0; // the caller's, under gBusy
    int count = 0;           // workers started, under gBusy
    Worker workers[kMaxThreads - 1];
};

// gBusy is held by the one caller using the pool (or stopping it); the
// pool is created, grown and deleted only by its holder. Plain atomics and
// a pointer: nothing here has a destructor to run at exit, when the host
// may end the process without clearing the MEX file.
std::atomic<bool> gBusy{false};
Pool* gPool = nullptr;
std::atomic<int> gOverride{0};
std::atomic<int> gProcessors{0};

// Spins until ready() or until `limit` has passed; true if ready.
template <class Ready>
bool spinUntil(Ready ready, Clock::duration limit)
{
    const Clock::time_point start = Clock::now();
    for (;;) {
        for (int k = 0; k < 64; ++k) {
            if (ready())
                return true;
            spinPause();
        }
        if (Clock::now() - start > limit)
            return ready();
    }
}

void workerMain(void* argument)
{
    Worker& self = *static_cast<Worker*>(argument);
    Pool& pool = *self.pool;
    unsigned seen = 0;
    for (;;) {
        auto handedOver = [&] { return self.posted.load(std::memory_order_acquire) != seen; };
        auto stopping = [&] { return pool.stop.load(std::memory_order_relaxed); };
        if (!spinUntil([&] { return handedOver() || stopping(); }, kWorkerSpin)) {
            lockOs(pool.lock);
            ++pool.sleepingWorkers;
            while (!handedOver() && !stopping())
                waitOs(pool.wake, pool.lock);
            --pool.sleepingWorkers;
            unlockOs(pool.lock);
        }
        if (!handedOver())
            return; // stopped
        seen = self.posted.load(std::memory_order_acquire);
        self.task(self.context, self.part);
        self.finished.store(seen, std::memory_order_release);
        lockOs(pool.lock);
        if (pool.callerSleeping)
            wakeAllOs(pool.done);
        unlockOs(pool.lock);
    }
}

// The pool with at least `wanted` workers if the system lets us start
// them (fewer otherwise), or null if not even the pool can be had.
Pool* poolWith(int wanted)
{
    if (!gPool)
        gPool = new (std::nothrow) Pool;
    Pool* pool = gPool;
    if (!pool)
        return nullptr;
    while (pool->count < wanted) {
        Worker& w = pool->workers[pool->count];
        w.pool = pool;
        if (!startOsThread<workerMain>(w.thread, &w))
            break;
        ++pool->count;
    }
    return pool;
}

void waitForWorkers(Pool& pool, int count, unsigned generation)
{
    for (int i = 0; i < count; ++i) {
        Worker& w = pool.workers[i];
        auto finished = [&] { return w.finished.load(std::memory_order_acquire) == generation; };
        if (spinUntil(finished, kCallerSpin))
            continue;
        lockOs(pool.lock);
        pool.callerSleeping = true;
        while (!finished())
            waitOs(pool.done, pool.lock);
        pool.callerSleeping = false;
        unlockOs(pool.lock);
    }
}

// The first number in OMP_NUM_THREADS ("4" or "4,2"), or 0 when the
// variable is unset or does not start with a positive number.
int threadCap()
{
    char text[64];
    if (!readEnvironment("OMP_NUM_THREADS", text, sizeof text))
        return 0;
    const char* c = text;
    while (*c == ' ' || *c == '\t')
        ++c;
    int value = 0;
    for (; *c >= '0' && *c <= '9'; ++c)
        value = std::min(value * 10 + (*c - '0'), 1 << 20);
    return value;
}

} // namespace

void spinPause()
{
#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
    _mm_pause();
#else
    std::atomic_signal_fence(std::memory_order_seq_cst);
#endif
}

int threadBudget()
{
    if (const int forced = gOverride.load(std::memory_order_relaxed); forced > 0)
        return std::min(forced, kMaxThreads);
    int processors = gProcessors.load(std::memory_order_relaxed);
    if (processors == 0) {
        processors = std::max(1, processorCount());
        gProcessors.store(processors, std::memory_order_relaxed);
    }
    int budget = std::min(processors, kMaxThreads);
    if (const int cap = threadCap(); cap > 0)
        budget = std::min(budget, cap);
    return budget;
}

void runParts(int parts, PartTask task, void* context)
{
    Pool* pool = nullptr;
    int handedOver = 0;
    unsigned generation = 0;
    if (parts > 1 && !gBusy.exchange(true, std::memory_order_acquire)) {
        pool = poolWith(std::min(parts, kMaxThreads) - 1);
        if (pool) {
            handedOver = std::min(parts - 1, pool->count);
            generation = ++pool->generation;
            for (int i = 0; i < handedOver; ++i) {
                Worker& w = pool->workers[i];
                w.task = task;
                w.context = context;
                w.part = i + 1;
                w.posted.store(generation, std::memory_order_release);
            }
            lockOs(pool->lock);
            if (pool->sleepingWorkers > 0)
                wakeAllOs(pool->wake);
            unlockOs(pool->lock);
        } else {
            gBusy.store(false, std::memory_order_release);
        }
    }
    for (int part = 0; part < parts; part = part == 0 ? handedOver + 1 : part + 1)
        task(context, part);
    if (pool) {
        waitForWorkers(*pool, handedOver, generation);
        gBusy.store(false, std::memory_order_release);
    }
}

void stopWorkers()
{
    while (gBusy.exchange(true, std::memory_order_acquire))
        spinPause();
    if (Pool* pool = gPool) {
        lockOs(pool->lock);
        pool->stop.store(true, std::memory_order_relaxed);
        wakeAllOs(pool->wake);
        unlockOs(pool->lock);
        for (int i = 0; i < pool->count; ++i)
            joinOsThread(pool->workers[i].thread);
        delete pool;
        gPool = nullptr;
    }
    gBusy.store(false, std::memory_order_release);
}

void overrideThreadBudget(int count)
{
    gOverride.store(std::max(0, std::min(count, kMaxThreads)), std::memory_order_relaxed);
}
