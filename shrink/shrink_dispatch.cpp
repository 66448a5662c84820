#include "shrink_dispatch.h"

#include "kernel_set.h"
#include "prox_kernels.h"

// One set per instruction set, defined in prox_<set>.cpp; indexed by SimdPath.
extern const KernelSet kProxKernelsSse2, kProxKernelsAvx2, kProxKernelsAvx512;
namespace {
const KernelSet kProxKernelsScalar = {proxCappedL1, proxLogSum, proxScad, proxMcp};
const KernelSet* const kProxKernelSets[] = {&kProxKernelsScalar, &kProxKernelsSse2,
                                            &kProxKernelsAvx2, &kProxKernelsAvx512};
} // namespace

void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta)
{
    runPenaltyKernel(*kProxKernelSets[path], type, dst, src, n, lambda, theta);
}

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    shrinkByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}
