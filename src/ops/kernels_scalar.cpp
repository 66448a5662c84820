// Every penalty's kernels on one lane: the scalar reference.
#include "scalar_lanes.h"
#include "penalty_kernels.h"

extern const KernelTable kScalarKernels = kernelTableOf<ScalarLanes>(Penalties{});
