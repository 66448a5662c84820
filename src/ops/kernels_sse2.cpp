// Every penalty's kernels on the two lanes of SSE2.
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("sse2")
#include "sse2_lanes.h"
#include "penalty_kernels.h"

extern const KernelTable kSse2Kernels = kernelTableOf<Sse2Lanes>(Penalties{});
PENALTY_TARGET_END
#endif
