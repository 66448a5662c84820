// How an operation spreads over threads. Elementwise results do not depend
// on how the array is cut, so a map is cut into one range per thread; a
// sum keeps its one chain of additions in index order on the calling
// thread, and only its terms are formed elsewhere. Either way no bit of a
// result depends on the number of threads.
#pragma once

#include <cstddef>

#include "worker_pool.h"

// Below this many elements per thread, waking a worker costs more than it
// saves (a wake-up is some microseconds, the cheapest maps take a fraction
// of a nanosecond per element).
constexpr std::ptrdiff_t kElementsPerThread = 1 << 15;

// Range boundaries fall on multiples of 64 elements: whole cache lines,
// whole blocks of every lane width.
inline std::ptrdiff_t rangeStart(std::ptrdiff_t n, int part, int parts)
{
    return part == parts ? n : (n / 64) * part / parts * 64;
}

// Calls body(begin, end) for consecutive ranges covering [0, n): one range
// per thread worth waking (each at least kElementsPerThread long), or
// body(0, n) on the calling thread alone.
template <class Body>
void forEachRange(std::ptrdiff_t n, const Body& body)
{
    const std::ptrdiff_t wanted = n / kElementsPerThread;
    const int parts = wanted < 2 ? 1 : static_cast<int>(wanted < threadBudget() ? wanted : threadBudget());
    if (parts < 2) {
        body(std::ptrdiff_t{0}, n);
        return;
    }
    struct Context {
        const Body* body;
        std::ptrdiff_t n;
        int parts;
    } context{&body, n, parts};
    runParts(parts, [](void* c, int part) {
        const Context& k = *static_cast<const Context*>(c);
        (*k.body)(rangeStart(k.n, part, k.parts), rangeStart(k.n, part + 1, k.parts));
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
// that order, exactly as addTerms(0, n, start) would give it; above a few
// blocks per thread, other threads form terms ahead of the chain.
double orderedSum(const SumParts& parts, std::ptrdiff_t n, double start);

// Frees what the drivers keep between calls, after joining the workers.
void releaseDriverThreads();
