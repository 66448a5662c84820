// |z| on the two lanes of SSE2.
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("sse2")
#include "sse2_lanes.h"
#include "modulus_kernels.h"

extern const ModulusKernels kSse2ModulusKernels = {modulusKernel<Sse2Lanes>};
PENALTY_TARGET_END
#endif
