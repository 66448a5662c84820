// Every penalty's kernels on the eight lanes of AVX-512F.
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("avx512f")
#include "avx512_lanes.h"
#include "penalty_kernels.h"

extern const KernelTable kAvx512Kernels = kernelTableOf<Avx512Lanes>(Penalties{});
PENALTY_TARGET_END
#endif
