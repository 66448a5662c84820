// How an operation spreads over threads. Elementwise results do not depend
// on how the array is cut, so a map is cut into chunks that every thread
// takes from one counter, the calling thread among them; a sum keeps its
// one chain of additions in index order on the calling thread, and only
// its terms are formed elsewhere. Either way no bit of a result depends on
// the number of threads or on which thread ran what.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>

#include "cost_class.h"
#include "worker_pool.h"

// How a call is shared: over how many threads (1: the calling thread
// alone, and nobody is woken), in chunks of how many elements (a multiple
// of 64: whole cache lines, whole blocks of every lane width). Decided from
// the work per element and n alone, so a call too small to pay for a
// wake-up never asks for the thread budget (nor the host for its limit).
struct Sharing {
    int threads;
    std::ptrdiff_t chunk;
};
Sharing sharingFor(std::ptrdiff_t n, CostClass cost);

// For the tests: a worker calls this before each chunk or block it starts,
// so that a test can play a worker the system has descheduled.
void stallWorkerForTests();

// Calls body(begin, end) for consecutive chunks covering [0, n), each once,
// on as many threads as the call pays for: each thread takes the next chunk
// from a shared counter, so a worker that runs late delays at most the
// chunk it holds.
template <class Body>
void forEachChunk(std::ptrdiff_t n, CostClass cost, const Body& body)
{
    const Sharing sharing = sharingFor(n, cost);
    if (sharing.threads < 2) {
        body(std::ptrdiff_t{0}, n);
        return;
    }
    struct Context {
        const Body* body;
        std::ptrdiff_t n, chunk;
        std::atomic<std::ptrdiff_t> next;
    } context{&body, n, sharing.chunk, {0}};
    runShared(sharing.threads, [](void* c, bool onCaller) {
        Context& k = *static_cast<Context*>(c);
        for (;;) {
            const std::ptrdiff_t begin = k.next.fetch_add(k.chunk, std::memory_order_relaxed);
            if (begin >= k.n)
                return;
            if (!onCaller)
                stallWorkerForTests();
            (*k.body)(begin, std::min(k.n, begin + k.chunk));
        }
    }, &context);
}

// A penalty's sum as the drivers see it: the terms of a range written out,
// or added to a running sum one at a time in index order (the kernel that
// does both on one thread), with the call's constants behind `call`.
struct SumParts {
    void (*terms)(const void* call, double* dst, std::ptrdiff_t begin, std::ptrdiff_t count);
    double (*addTerms)(const void* call, std::ptrdiff_t begin, std::ptrdiff_t count, double start);
    const void* call;
};

// start + term(0) + term(1) + ... + term(n-1), each addition rounded in
// that order, exactly as addTerms(0, n, start) would give it. Other threads
// form terms ahead of the chain only where a term costs more than an
// addition (termCost DearCost and up) and n pays for them.
double orderedSum(const SumParts& parts, std::ptrdiff_t n, double start, CostClass termCost);

// Who formed the blocks of the last shared sum, for the tests that every
// schedule gives the same bits: blocks added from the ring (their terms
// formed by a worker, or by the calling thread ahead while a worker held
// the block before: formedAhead of them), blocks the chain formed and added
// in one pass (nobody had started them), and blocks it took back from a
// worker that had not finished them.
struct SumSchedule {
    std::ptrdiff_t fromRing, formedAhead, byChain, takenBack;
};
SumSchedule lastSumSchedule();

// For the tests: chunks and sum blocks of `length` elements (rounded down
// to a multiple of 64; 0 restores the rule of the cost), and stall() run by
// every worker before each chunk or block it starts (null: none). With a
// thread budget overridden, every call of two chunks or more is shared,
// whatever its cost.
void overrideChunkLength(std::ptrdiff_t length);
void setWorkerStallForTests(void (*stall)());

// Frees what the drivers keep between calls, after joining the workers.
void releaseDriverThreads();
