// The ordered sum on several threads. The array is cut into blocks; any
// thread may claim the next unclaimed block and write its terms into a
// ring of slots, while the calling thread adds the blocks in order, each
// term in order: the chain of additions, and so every rounding, is that of
// one thread adding term after term. When the block it needs next is still
// unclaimed, the calling thread takes it itself and forms and adds its
// terms in one pass (the single-thread kernel); while another thread is
// still forming it, the calling thread forms a later block instead of
// waiting. A worker never waits for anything but a free slot, which only
// the calling thread's progress frees, so nothing can wait in a circle,
// and a part that runs late, or on the calling thread after the others,
// finds the blocks gone and returns.
#include "parallel_drivers.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

constexpr std::ptrdiff_t kBlock = 8192; // 64 KB of terms
constexpr int kSlotsPerThread = 2;
constexpr int kMaxSlots = kSlotsPerThread * kMaxThreads;

// The ring, kept between calls (one per MEX file) and used by one sum at a
// time; a sum that finds it taken, or cannot have it, runs on one thread.
std::atomic<bool> gRingBusy{false};
double* gRing = nullptr;
int gRingSlots = 0;

struct alignas(64) SlotState {
    std::atomic<std::ptrdiff_t> block; // whose terms the slot holds, or -1
};

struct Pipeline {
    const SumParts* parts;
    std::ptrdiff_t n, blocks;
    int slots;
    double* ring;
    alignas(64) std::atomic<std::ptrdiff_t> nextBlock; // the next block to claim
    alignas(64) std::atomic<std::ptrdiff_t> added;     // blocks the chain has added
    SlotState slot[kMaxSlots];
    double sum;
};

std::ptrdiff_t blockLength(const Pipeline& p, std::ptrdiff_t block)
{
    return std::min(kBlock, p.n - block * kBlock);
}

void formBlock(Pipeline& p, std::ptrdiff_t block)
{
    const int s = static_cast<int>(block % p.slots);
    p.parts->terms(p.parts->call, p.ring + s * kBlock, block * kBlock, blockLength(p, block));
    p.slot[s].block.store(block, std::memory_order_release);
}

// Claims `block` if it is the next unclaimed one.
bool claim(Pipeline& p, std::ptrdiff_t block)
{
    std::ptrdiff_t expected = block;
    return p.nextBlock.load(std::memory_order_relaxed) == block &&
           p.nextBlock.compare_exchange_strong(expected, block + 1, std::memory_order_relaxed);
}

void formTerms(Pipeline& p)
{
    for (;;) {
        const std::ptrdiff_t block = p.nextBlock.fetch_add(1, std::memory_order_relaxed);
        if (block >= p.blocks)
            return;
        while (block >= p.added.load(std::memory_order_acquire) + p.slots)
            spinPause();
        formBlock(p, block);
    }
}

double addInOrder(Pipeline& p, double s)
{
    for (std::ptrdiff_t next = 0; next < p.blocks;) {
        const int slot = static_cast<int>(next % p.slots);
        const std::ptrdiff_t length = blockLength(p, next);
        if (p.slot[slot].block.load(std::memory_order_acquire) == next) {
            const double* t = p.ring + slot * kBlock;
            for (std::ptrdiff_t i = 0; i < length; ++i)
                s = s + t[i];
        } else if (claim(p, next)) {
            s = p.parts->addTerms(p.parts->call, next * kBlock, length, s);
        } else {
            // Another thread is forming block `next`: rather than wait, form
            // a later one. Where terms are dear (a logarithm each) the chain
            // has time to spare for it; where they are cheap the others keep
            // ahead and this is rare, and still no slower than waiting on
            // machines whose cores read each other's caches slowly.
            const std::ptrdiff_t later = p.nextBlock.load(std::memory_order_relaxed);
            if (later < p.blocks && later < next + p.slots && claim(p, later))
                formBlock(p, later);
            else
                spinPause();
            continue;
        }
        p.added.store(++next, std::memory_order_release);
    }
    return s;
}

bool takeRing(int slots)
{
    if (gRingBusy.exchange(true, std::memory_order_acquire))
        return false;
    if (gRingSlots < slots) {
        delete[] gRing;
        gRing = new (std::nothrow) double[static_cast<std::size_t>(slots) * kBlock];
        gRingSlots = gRing ? slots : 0;
    }
    if (!gRing) {
        gRingBusy.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

} // namespace

double orderedSum(const SumParts& parts, std::ptrdiff_t n, double start)
{
    const std::ptrdiff_t blocks = n > 0 ? (n - 1) / kBlock + 1 : 0;
    const std::ptrdiff_t wanted = n / kElementsPerThread;
    const int threads = static_cast<int>(std::min<std::ptrdiff_t>(wanted, threadBudget()));
    if (threads < 2 || !takeRing(kSlotsPerThread * threads))
        return parts.addTerms(parts.call, 0, n, start);
    Pipeline p;
    p.parts = &parts;
    p.n = n;
    p.blocks = blocks;
    p.slots = kSlotsPerThread * threads;
    p.ring = gRing;
    p.nextBlock.store(0, std::memory_order_relaxed);
    p.added.store(0, std::memory_order_relaxed);
    for (int s = 0; s < p.slots; ++s)
        p.slot[s].block.store(-1, std::memory_order_relaxed);
    p.sum = start;
    runParts(threads, [](void* context, int part) {
        Pipeline& q = *static_cast<Pipeline*>(context);
        if (part == 0)
            q.sum = addInOrder(q, q.sum);
        else
            formTerms(q);
    }, &p);
    gRingBusy.store(false, std::memory_order_release);
    return p.sum;
}

void releaseDriverThreads()
{
    stopWorkers();
    while (gRingBusy.exchange(true, std::memory_order_acquire))
        spinPause();
    delete[] gRing;
    gRing = nullptr;
    gRingSlots = 0;
    gRingBusy.store(false, std::memory_order_release);
}
