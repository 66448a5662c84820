// |z| on the four lanes of AVX2.
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("avx2,fma")
#include "avx2_lanes.h"
#include "modulus_kernels.h"

extern const ModulusKernels kAvx2ModulusKernels = {modulusKernel<Avx2Lanes>};
PENALTY_TARGET_END
#endif
