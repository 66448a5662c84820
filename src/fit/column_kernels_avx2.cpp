// The solvers' column loops on the four lanes of AVX2 (without FMA: the
// loops multiply and add, one rounding each).
#include "vector_prologue.h"

#include "column_sums.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("avx2")
#include "avx2_lanes.h"
#include "column_kernels.h"

extern const ColumnKernels kAvx2ColumnKernels = ColumnLoops<Avx2Lanes>::kTable;
PENALTY_TARGET_END
#endif
