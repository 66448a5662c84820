// The solvers' column loops on the two lanes of SSE2.
#include "vector_prologue.h"

#include "column_sums.h"

#if PENALTY_X86_VECTORS
PENALTY_TARGET_BEGIN("sse2")
#include "sse2_lanes.h"
#include "column_kernels.h"

extern const ColumnKernels kSse2ColumnKernels = ColumnLoops<Sse2Lanes>::kTable;
PENALTY_TARGET_END
#endif
