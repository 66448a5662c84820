// Every penalty's kernels on the four lanes of AVX2 (with FMA, which only
// naturalLog's fast path uses).
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("avx2,fma")
#include "avx2_lanes.h"
#include "penalty_kernels.h"

extern const KernelTable kAvx2Kernels = kernelTableOf<Avx2Lanes>(Penalties{});
PENALTY_TARGET_END
#endif
