// The sharing rule, and the ordered sum on several threads.
//
// The sum's array is cut into blocks. Workers claim blocks from a counter
// and write their terms into a ring of slots; the calling thread adds the
// blocks in order, each term in order: the chain of additions, and so
// every rounding, is that of one thread adding term after term. The chain
// never waits for a worker. A block whose terms are ready is added from its
// slot; a block nobody has started, the chain forms and adds in one pass
// itself (the single-thread kernel); a block a worker is still forming,
// the chain first puts to use by forming a later block into the ring, and
// when there is none to form it takes the block back and forms it itself:
// the terms are pure functions of the elements, so the bits are the same
// whoever forms them, and the worker's late copy is left unread.
//
// Each slot has one state word, 4*block + phase, moved only by
// compare-and-swap where two threads could move it at once: exactly one
// thread writes a slot's terms (the one that moved it to Forming), and the
// chain reads them only after acquiring Ready for its own block. A worker
// waits for nothing but the chain's progress, which needs no worker.
#include "parallel_drivers.h"

#include <atomic>
#include <cstdint>
#include <new>

namespace {

// The machine's cost of one element of each class, roughly, in ps: the
// vector kernels' time on one core of the build machine, rounded up.
constexpr std::int64_t kPicosPerElement[] = {250, 1000, 4000, 12000};
// A thread is woken for each 200 us of work, and only where there are two:
// a wake-up costs microseconds, a worker the system stops while it holds a
// chunk costs the caller a wait, and a memory-bound map gains little (at
// 2^20, capped-l1's map is a fifth of what Octave spends on the call).
constexpr std::int64_t kPicosPerThread = 200'000'000;
// A chunk is about 25 us of work: a running worker finishes its last one
// soon after the counter runs out.
constexpr std::int64_t kPicosPerChunk = 25'000'000;
constexpr std::ptrdiff_t kSumBlock = 8192; // 64 KB of terms
constexpr int kSlotsPerThread = 2;
constexpr int kMaxSlots = kSlotsPerThread * kMaxThreads;

std::atomic<std::ptrdiff_t> gChunkOverride{0};
std::atomic<void (*)()> gStall{nullptr};

// The ring, kept between calls (one per MEX file) and used by one sum at a
// time; a sum that finds it taken, or cannot have it, runs on one thread.
std::atomic<bool> gRingBusy{false};
double* gRing = nullptr;
std::ptrdiff_t gRingSize = 0;
SumSchedule gLastSchedule{};

enum Phase : std::int64_t { Free, Forming, Ready, Abandoned };
constexpr std::int64_t stateOf(std::ptrdiff_t block, Phase phase) { return 4 * std::int64_t{block} + phase; }
constexpr std::ptrdiff_t blockOf(std::int64_t state) { return static_cast<std::ptrdiff_t>(state >> 2); }
constexpr Phase phaseOf(std::int64_t state) { return static_cast<Phase>(state & 3); }

struct alignas(64) Slot {
    std::atomic<std::int64_t> state;
};

struct Pipeline {
    const SumParts* parts;
    std::ptrdiff_t n, blocks, block;
    int slots;
    double* ring;
    alignas(64) std::atomic<std::ptrdiff_t> nextBlock; // the next block for a worker to claim
    alignas(64) std::atomic<std::ptrdiff_t> added;     // blocks the chain has passed
    Slot slot[kMaxSlots];
    double sum;
    SumSchedule schedule; // the calling thread's
};

std::ptrdiff_t lengthOf(const Pipeline& p, std::ptrdiff_t block) { return std::min(p.block, p.n - block * p.block); }
double* termsOf(const Pipeline& p, std::ptrdiff_t block) { return p.ring + (block % p.slots) * p.block; }
Slot& slotOf(Pipeline& p, std::ptrdiff_t block) { return p.slot[block % p.slots]; }

void writeTerms(const Pipeline& p, std::ptrdiff_t block)
{
    p.parts->terms(p.parts->call, termsOf(p, block), block * p.block, lengthOf(p, block));
}

// A worker's block: formed into its slot once the slot is free for it
// (every earlier block of the slot passed by the chain), unless the chain
// passes the block first.
void formOnWorker(Pipeline& p, std::ptrdiff_t block)
{
    Slot& slot = slotOf(p, block);
    for (;;) {
        const std::ptrdiff_t added = p.added.load(std::memory_order_acquire);
        if (added > block)
            return;
        std::int64_t state = slot.state.load(std::memory_order_acquire);
        const std::ptrdiff_t held = blockOf(state);
        if (held > block)
            return; // the chain took it and freed the slot for a later one
        const bool idle = phaseOf(state) == Free || phaseOf(state) == Ready;
        if (idle && block - p.slots < added) {
            if (slot.state.compare_exchange_strong(state, stateOf(block, Forming), std::memory_order_acquire))
                break;
            continue;
        }
        spinPause(); // the slot's last block is still ahead of the chain, or being written
    }
    stallWorkerForTests();
    writeTerms(p, block);
    std::int64_t forming = stateOf(block, Forming);
    if (!slot.state.compare_exchange_strong(forming, stateOf(block, Ready), std::memory_order_release,
                                            std::memory_order_relaxed))
        slot.state.store(stateOf(block + p.slots, Free), std::memory_order_release); // taken back
}

void formTerms(Pipeline& p)
{
    for (;;) {
        const std::ptrdiff_t block = p.nextBlock.fetch_add(1, std::memory_order_relaxed);
        if (block >= p.blocks)
            return;
        formOnWorker(p, block);
    }
}

// While a worker forms block `next`, the chain forms the next unclaimed
// block into the ring, if its slot is free; false when there is none.
bool formAhead(Pipeline& p, std::ptrdiff_t next)
{
    std::ptrdiff_t later = p.nextBlock.load(std::memory_order_relaxed);
    if (later >= p.blocks || later >= next + p.slots ||
        !p.nextBlock.compare_exchange_strong(later, later + 1, std::memory_order_relaxed))
        return false;
    Slot& slot = slotOf(p, later);
    std::int64_t state = slot.state.load(std::memory_order_acquire);
    const bool idle = phaseOf(state) == Free || phaseOf(state) == Ready;
    if (idle && blockOf(state) <= later &&
        slot.state.compare_exchange_strong(state, stateOf(later, Forming), std::memory_order_acquire)) {
        writeTerms(p, later);
        slot.state.store(stateOf(later, Ready), std::memory_order_release); // only the chain takes back
        ++p.schedule.formedAhead;
    }
    return true; // claimed: formed now, or left to the chain's own pass
}

double addInOrder(Pipeline& p, double s)
{
    for (std::ptrdiff_t next = 0; next < p.blocks;) {
        Slot& slot = slotOf(p, next);
        const std::ptrdiff_t length = lengthOf(p, next);
        std::int64_t state = slot.state.load(std::memory_order_acquire);
        const std::ptrdiff_t held = blockOf(state);
        const Phase phase = phaseOf(state);
        if (phase == Ready && held == next) {
            const double* t = termsOf(p, next);
            for (std::ptrdiff_t i = 0; i < length; ++i)
                s = s + t[i];
            slot.state.store(stateOf(next + p.slots, Free), std::memory_order_release);
            ++p.schedule.fromRing;
        } else if (phase == Forming && held == next) {
            if (formAhead(p, next))
                continue;
            if (!slot.state.compare_exchange_strong(state, stateOf(next, Abandoned), std::memory_order_relaxed))
                continue; // it has just become ready
            s = p.parts->addTerms(p.parts->call, next * p.block, length, s);
            ++p.schedule.takenBack;
        } else {
            // Nobody has started it; or a worker still writes an earlier
            // block of this slot, which is then left to that worker.
            if ((phase == Free || phase == Ready) && held <= next &&
                !slot.state.compare_exchange_strong(state, stateOf(next + p.slots, Free), std::memory_order_relaxed))
                continue;
            s = p.parts->addTerms(p.parts->call, next * p.block, length, s);
            ++p.schedule.byChain;
        }
        ++next;
        p.added.store(next, std::memory_order_release);
        std::ptrdiff_t claimed = p.nextBlock.load(std::memory_order_relaxed);
        while (claimed < next && !p.nextBlock.compare_exchange_weak(claimed, next, std::memory_order_relaxed)) {
        }
    }
    return s;
}

bool takeRing(std::ptrdiff_t size)
{
    if (gRingBusy.exchange(true, std::memory_order_acquire))
        return false;
    if (gRingSize < size) {
        delete[] gRing;
        gRing = new (std::nothrow) double[static_cast<std::size_t>(size)];
        gRingSize = gRing ? size : 0;
    }
    if (!gRing) {
        gRingBusy.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

std::ptrdiff_t chunkOverride() { return gChunkOverride.load(std::memory_order_relaxed); }

} // namespace

Sharing sharingFor(std::ptrdiff_t n, CostClass cost)
{
    const std::int64_t picos = kPicosPerElement[cost];
    std::ptrdiff_t chunk = chunkOverride();
    if (chunk == 0)
        chunk = static_cast<std::ptrdiff_t>(std::max<std::int64_t>(1024, kPicosPerChunk / picos / 64 * 64));
    if (const int forced = threadBudgetOverride(); forced > 0) {
        const std::ptrdiff_t chunks = n > 0 ? (n - 1) / chunk + 1 : 0;
        const int threads = static_cast<int>(std::min<std::ptrdiff_t>(forced, chunks));
        return {threads < 2 ? 1 : threads, chunk};
    }
    const std::int64_t wanted = std::int64_t{n} * picos / kPicosPerThread;
    if (wanted < 2)
        return {1, chunk};
    return {static_cast<int>(std::min<std::int64_t>(wanted, threadBudget())), chunk};
}

void stallWorkerForTests()
{
    if (void (*stall)() = gStall.load(std::memory_order_relaxed))
        stall();
}

double orderedSum(const SumParts& parts, std::ptrdiff_t n, double start, CostClass termCost)
{
    // Where a term is cheaper than the addition, the chain alone is the
    // limit and a second thread only adds its traffic.
    if (termCost < DearCost && threadBudgetOverride() == 0)
        return parts.addTerms(parts.call, 0, n, start);
    const Sharing sharing = sharingFor(n, termCost);
    const std::ptrdiff_t block = chunkOverride() ? sharing.chunk : kSumBlock;
    const std::ptrdiff_t blocks = n > 0 ? (n - 1) / block + 1 : 0;
    const int threads = static_cast<int>(std::min<std::ptrdiff_t>(sharing.threads, blocks / 2));
    const int slots = kSlotsPerThread * threads;
    if (threads < 2 || !takeRing(slots * block))
        return parts.addTerms(parts.call, 0, n, start);
    Pipeline p;
    p.parts = &parts;
    p.n = n;
    p.blocks = blocks;
    p.block = block;
    p.slots = slots;
    p.ring = gRing;
    p.nextBlock.store(0, std::memory_order_relaxed);
    p.added.store(0, std::memory_order_relaxed);
    for (int s = 0; s < p.slots; ++s)
        p.slot[s].state.store(stateOf(s, Free), std::memory_order_relaxed);
    p.sum = start;
    p.schedule = {};
    runShared(threads, [](void* context, bool onCaller) {
        Pipeline& q = *static_cast<Pipeline*>(context);
        if (onCaller)
            q.sum = addInOrder(q, q.sum);
        else
            formTerms(q);
    }, &p);
    gLastSchedule = p.schedule;
    gRingBusy.store(false, std::memory_order_release);
    return p.sum;
}

SumSchedule lastSumSchedule() { return gLastSchedule; }

void overrideChunkLength(std::ptrdiff_t length)
{
    gChunkOverride.store(length > 0 ? std::max<std::ptrdiff_t>(64, length / 64 * 64) : 0, std::memory_order_relaxed);
}

void setWorkerStallForTests(void (*stall)()) { gStall.store(stall, std::memory_order_relaxed); }

void releaseDriverThreads()
{
    stopWorkers();
    while (gRingBusy.exchange(true, std::memory_order_acquire))
        spinPause();
    delete[] gRing;
    gRing = nullptr;
    gRingSize = 0;
    gRingBusy.store(false, std::memory_order_release);
}
