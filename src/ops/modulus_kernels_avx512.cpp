// |z| on the eight lanes of AVX-512F.
#include "vector_prologue.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("avx512f")
#include "avx512_lanes.h"
#include "modulus_kernels.h"

extern const ModulusKernels kAvx512ModulusKernels = {modulusKernel<Avx512Lanes>};
PENALTY_TARGET_END
#endif
