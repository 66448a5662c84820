#include "reference_kernels.h"

#include "scalar_lanes.h"
#include "penalty_kernels.h"

#define PENALTY_REFERENCE_KERNELS(Name, Penalty)                                                 \
    void prox##Name(double* dst, const double* src, std::int32_t n, double lambda, double theta)  \
    {                                                                                             \
        shrinkKernel<ScalarLanes, Penalty>(dst, src, n, lambda, theta);                           \
    }                                                                                             \
    void sum##Name(double* dst, const double* src, std::int32_t n, double lambda, double theta)   \
    {                                                                                             \
        const PenaltyKernels k = penaltyKernelsOf<ScalarLanes, Penalty>();                        \
        *dst = finishedSum(k, k.sum(src, n, lambda, theta, 0.0), lambda);                         \
    }

PENALTY_REFERENCE_KERNELS(CappedL1, CappedL1Penalty)
PENALTY_REFERENCE_KERNELS(LogSum, LogSumPenalty)
PENALTY_REFERENCE_KERNELS(Scad, ScadPenalty)
PENALTY_REFERENCE_KERNELS(Mcp, McpPenalty)
