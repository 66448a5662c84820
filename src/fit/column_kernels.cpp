// The scalar reference of the solvers' column loops, and the choice of
// the instance a path runs with.
#include "column_kernels.h"

#include <atomic>

#include "scalar_lanes.h"
#include "simd_path.h"
#include "target_region.h"

extern const ColumnKernels kScalarColumnKernels = ColumnLoops<ScalarLanes>::kTable;
#if PENALTY_X86_VECTORS
extern const ColumnKernels kSse2ColumnKernels, kAvx2ColumnKernels;
#endif

const ColumnKernels* columnKernelsOf(SimdPath path)
{
    if (!simdPathSupported(path))
        return nullptr;
#if PENALTY_X86_VECTORS
    // AVX-512 adds nothing to sums kept in eight lanes: its path runs the
    // AVX2 loops, where the CPU has AVX2 as well.
    if (path >= Avx2Path)
        return kSimdPaths[Avx2Path].runsHere() ? &kAvx2ColumnKernels : &kSse2ColumnKernels;
    if (path == Sse2Path)
        return &kSse2ColumnKernels;
#endif
    return &kScalarColumnKernels;
}

const ColumnKernels& bestColumnKernels()
{
    static std::atomic<const ColumnKernels*> cached{nullptr};
    const ColumnKernels* best = cached.load(std::memory_order_relaxed);
    if (!best) {
        best = columnKernelsOf(bestSimdPath());
        cached.store(best, std::memory_order_relaxed);
    }
    return *best;
}
