#include "sum_dispatch.h"

#include "sum_kernel_sets.h"
#include "sum_kernels.h"

const SumKernelSet kSumKernelsScalar = {sumCappedL1, sumLogSum, sumScad, sumMcp};

namespace {

const SumKernelSet& kernelsFor(SimdPath path)
{
    switch (path) {
    case Sse2Path: return kSumKernelsSse2;
    case Avx2Path: return kSumKernelsAvx2;
    case Avx512Path: return kSumKernelsAvx512;
    default: return kSumKernelsScalar;
    }
}

} // namespace

void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta)
{
    const SumKernelSet& kernels = kernelsFor(path);
    switch (type) {
    case LogSum: kernels.logSum(dst, src, n, lambda, theta); return;
    case Scad: kernels.scad(dst, src, n, lambda, theta); return;
    case Mcp: kernels.mcp(dst, src, n, lambda, theta); return;
    case CappedL1:
    default: kernels.cappedL1(dst, src, n, lambda, theta); return;
    }
}

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                  double lambda, double theta)
{
    sumByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}
