// A path's passes over the columns of X (or over a range of rows) shared
// with the worker pool: pieces of the range taken by number as threads
// come, the calling thread among them, so a pass never waits for a
// worker that does not come. Each index's results go to places of its
// own, formed by the same operations whichever thread takes it, so a fit
// has the same bits for every thread count.
#pragma once

#include <atomic>
#include <cstdint>

#include "worker_pool.h"

// body(from, to) for pieces of [0, count), each at most `piece` long.
template <class Body>
void shareRange(int threads, std::int64_t count, std::int64_t piece, const Body& body)
{
    if (threads < 2 || count <= piece) {
        body(std::int64_t{0}, count);
        return;
    }
    struct Pieces {
        const Body* body;
        std::int64_t count, piece;
        std::atomic<std::int64_t> next;
    } pieces{&body, count, piece, {0}};
    runShared(
        threads,
        [](void* context, bool) {
            Pieces& s = *static_cast<Pieces*>(context);
            for (;;) {
                const std::int64_t from = s.next.fetch_add(s.piece, std::memory_order_relaxed);
                if (from >= s.count)
                    return;
                (*s.body)(from, from + s.piece < s.count ? from + s.piece : s.count);
            }
        },
        &pieces);
}
