// |z| on one lane: the reference every vector path is held to.
#include "scalar_lanes.h"
#include "modulus_kernels.h"

extern const ModulusKernels kScalarModulusKernels = {modulusKernel<ScalarLanes>};
