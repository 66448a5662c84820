#include "sum_dispatch.h"

#include "kernel_set.h"
#include "sum_kernels.h"

// One set per instruction set, defined in sum_<set>.cpp; indexed by SimdPath.
extern const KernelSet kSumKernelsSse2, kSumKernelsAvx2, kSumKernelsAvx512;
namespace {
const KernelSet kSumKernelsScalar = {sumCappedL1, sumLogSum, sumScad, sumMcp};
const KernelSet* const kSumKernelSets[] = {&kSumKernelsScalar, &kSumKernelsSse2, &kSumKernelsAvx2,
                                           &kSumKernelsAvx512};
} // namespace

void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta)
{
    runPenaltyKernel(*kSumKernelSets[path], type, dst, src, n, lambda, theta);
}

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                  double lambda, double theta)
{
    sumByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}
