#include "shrink_dispatch.h"

#include "prox_kernel_sets.h"
#include "prox_kernels.h"

const ProxKernelSet kProxKernelsScalar = {proxCappedL1, proxLogSum, proxScad, proxMcp};

namespace {

const ProxKernelSet& kernelsFor(SimdPath path)
{
    switch (path) {
    case Sse2Path: return kProxKernelsSse2;
    case Avx2Path: return kProxKernelsAvx2;
    case Avx512Path: return kProxKernelsAvx512;
    default: return kProxKernelsScalar;
    }
}

} // namespace

void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta)
{
    const ProxKernelSet& kernels = kernelsFor(path);
    switch (type) {
    case LogSum: kernels.logSum(dst, src, n, lambda, theta); return;
    case Scad: kernels.scad(dst, src, n, lambda, theta); return;
    case Mcp: kernels.mcp(dst, src, n, lambda, theta); return;
    case CappedL1:
    default: kernels.cappedL1(dst, src, n, lambda, theta); return;
    }
}

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    shrinkByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}
