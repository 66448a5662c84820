// One pool per MEX file (each links its own copy). A call opens a gate;
// a worker joins by one compare-and-swap on it, which only succeeds while
// the gate is open and has room, runs the call's task, and leaves. The
// caller runs the task too, closes the gate and waits only for the workers
// that joined: a worker the system has not run yet never joins, and so
// delays nothing. A worker that has just left spins
// briefly before it sleeps, because a solver calls again within
// microseconds.
#if defined(_WIN32) && (!defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600)
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600 // slim locks and condition variables
#endif

#include "worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "os_threads.h"

#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
#include <immintrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
// Short: nobody waits for a worker to start, so a worker woken late only
// takes less of the work, while one that spins on a busy machine takes
// the time of the threads that have work (in Linux's session groups, its
// own caller's above all).
constexpr auto kWorkerSpin = std::chrono::microseconds(20);
// A worker that has joined holds one piece of work at a time, tens of
// microseconds of it; past that, it is not running, and the caller frees
// its core rather than spin against it.
constexpr auto kCallerSpin = std::chrono::microseconds(100);

// The gate, one 32-bit word (lock-free on every target): the workers that
// have joined (7 bits), the call's width, the callers' thread count (7
// bits), whether it is open, and the number of the call, so that a worker
// holding a stale copy of an earlier call's gate cannot join a later one.
constexpr std::uint32_t kJoinedMask = 0x7f;
constexpr int kWidthShift = 7;
constexpr std::uint32_t kOpen = 1u << 14;
constexpr int kCallShift = 15;

std::uint32_t joinedOf(std::uint32_t gate) { return gate & kJoinedMask; }
int widthOf(std::uint32_t gate) { return static_cast<int>((gate >> kWidthShift) & 0x7f); }

struct Pool;

struct alignas(64) Worker {
    Pool* pool = nullptr;
    OsThread thread;
    unsigned callsBefore = 0; // the pool's calls when it was started
};

struct Pool {
    alignas(64) std::atomic<std::uint32_t> gate{0};
    std::atomic<SharedTask> task{nullptr}; // the open call's, set before it opens
    std::atomic<void*> context{nullptr};
    alignas(64) std::atomic<unsigned> calls{0}; // raised as each call opens
    std::atomic<bool> stop{false};
    OsLock lock;
    OsCondition wake;            // sleeping workers wait here
    OsCondition done;            // a sleeping caller waits here
    int sleepingWorkers = 0;     // under lock
    bool callerSleeping = false; // under lock
    std::uint32_t callNumber = 0; // the caller's, under gBusy
    int count = 0;                // workers started, under gBusy
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
std::atomic<int> gStarted{0};
std::atomic<HostThreadLimit> gHostLimit{nullptr};

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

// Joins the open call if it has room; the acquire pairs with the caller's
// opening, so the task and context read afterwards are the call's own.
bool join(Pool& pool)
{
    std::uint32_t gate = pool.gate.load(std::memory_order_relaxed);
    for (;;) {
        if (!(gate & kOpen) || static_cast<int>(joinedOf(gate)) >= widthOf(gate) - 1)
            return false;
        if (pool.gate.compare_exchange_weak(gate, gate + 1, std::memory_order_acquire, std::memory_order_relaxed))
            return true;
    }
}

void leave(Pool& pool)
{
    const std::uint32_t before = pool.gate.fetch_sub(1, std::memory_order_acq_rel);
    if (joinedOf(before) == 1 && !(before & kOpen)) {
        lockOs(pool.lock);
        if (pool.callerSleeping)
            wakeAllOs(pool.done);
        unlockOs(pool.lock);
    }
}

void workerMain(void* argument)
{
    Worker& self = *static_cast<Worker*>(argument);
    Pool& pool = *self.pool;
    // The count from before the call that started it, so that it may join
    // that call (a call of whole paths would otherwise run without it).
    unsigned seen = self.callsBefore;
    for (;;) {
        auto called = [&] { return pool.calls.load(std::memory_order_acquire) != seen; };
        auto stopping = [&] { return pool.stop.load(std::memory_order_relaxed); };
        if (!spinUntil([&] { return called() || stopping(); }, kWorkerSpin)) {
            lockOs(pool.lock);
            ++pool.sleepingWorkers;
            while (!called() && !stopping())
                waitOs(pool.wake, pool.lock);
            --pool.sleepingWorkers;
            unlockOs(pool.lock);
        }
        if (stopping())
            return;
        seen = pool.calls.load(std::memory_order_acquire);
        if (join(pool)) {
            pool.task.load(std::memory_order_relaxed)(pool.context.load(std::memory_order_relaxed), false);
            leave(pool);
        }
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
        w.callsBefore = pool->calls.load(std::memory_order_relaxed);
        if (!startOsThread<workerMain>(w.thread, &w))
            break;
        ++pool->count;
        gStarted.fetch_add(1, std::memory_order_relaxed);
    }
    return pool;
}

void open(Pool& pool, int width, SharedTask task, void* context)
{
    pool.task.store(task, std::memory_order_relaxed);
    pool.context.store(context, std::memory_order_relaxed);
    pool.callNumber = (pool.callNumber + 1) & ((1u << (32 - kCallShift)) - 1);
    pool.gate.store((pool.callNumber << kCallShift) | kOpen | (static_cast<std::uint32_t>(width) << kWidthShift),
                    std::memory_order_release);
    pool.calls.fetch_add(1, std::memory_order_release);
    lockOs(pool.lock);
    if (pool.sleepingWorkers > 0)
        wakeAllOs(pool.wake);
    unlockOs(pool.lock);
}

// Closes the gate and waits for the workers that joined to leave; false if
// one of them was not running (the wait outlasted the spin).
bool closeAndWait(Pool& pool)
{
    pool.gate.fetch_and(~kOpen, std::memory_order_acq_rel);
    auto empty = [&] { return joinedOf(pool.gate.load(std::memory_order_acquire)) == 0; };
    if (spinUntil(empty, kCallerSpin))
        return true;
    lockOs(pool.lock);
    pool.callerSleeping = true;
    while (!empty())
        waitOs(pool.done, pool.lock);
    pool.callerSleeping = false;
    unlockOs(pool.lock);
    return false;
}

// A worker the system stopped while it held a piece of work makes the
// caller wait for it at the end; on a machine that busy the next calls run
// on the calling thread alone, twice as many after each such call (up to
// kMostCallsAlone), and each shared call that ends without a wait halves
// that number again.
constexpr int kMostCallsAlone = 64;
int gCallsAlone = 0; // still to run alone, under gBusy
int gBackoff = 0;    // under gBusy

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
    if (budget > 1) {
        if (const HostThreadLimit host = gHostLimit.load(std::memory_order_relaxed))
            if (const int limit = host(); limit > 0)
                budget = std::min(budget, limit);
    }
    return budget;
}

void setHostThreadLimit(HostThreadLimit limit) { gHostLimit.store(limit, std::memory_order_relaxed); }

namespace {

// longPieces: no backoff either way (see runSharedLongPieces).
void share(int threads, SharedTask task, void* context, bool longPieces)
{
    threads = std::min(threads, kMaxThreads);
    if (threads < 2 || gBusy.exchange(true, std::memory_order_acquire)) {
        task(context, true);
        return;
    }
    const bool adaptive = gOverride.load(std::memory_order_relaxed) == 0; // the tests' counts are kept
    Pool* pool = adaptive && !longPieces && gCallsAlone > 0 ? nullptr : poolWith(threads - 1);
    if (!pool || pool->count == 0) {
        if (!longPieces)
            gCallsAlone = std::max(0, gCallsAlone - 1);
        gBusy.store(false, std::memory_order_release);
        task(context, true);
        return;
    }
    open(*pool, std::min(threads, pool->count + 1), task, context);
    task(context, true);
    const bool waited = !closeAndWait(*pool);
    if (!longPieces) {
        if (waited && adaptive) {
            gBackoff = std::min(kMostCallsAlone, std::max(1, 2 * gBackoff));
            gCallsAlone = gBackoff;
        } else {
            gBackoff /= 2;
        }
    }
    gBusy.store(false, std::memory_order_release);
}

} // namespace

void runShared(int threads, SharedTask task, void* context) { share(threads, task, context, false); }

void runSharedLongPieces(int threads, SharedTask task, void* context) { share(threads, task, context, true); }

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
    gCallsAlone = 0; // a new pool starts without the old one's history
    gBackoff = 0;
    gBusy.store(false, std::memory_order_release);
}

int workersStarted() { return gStarted.load(std::memory_order_relaxed); }

void overrideThreadBudget(int count)
{
    gOverride.store(std::max(0, std::min(count, kMaxThreads)), std::memory_order_relaxed);
}

int threadBudgetOverride() { return gOverride.load(std::memory_order_relaxed); }
