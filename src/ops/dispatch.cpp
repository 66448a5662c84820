#include "dispatch.h"

#include "kernel_table.h"
#include "target_region.h"

namespace {

const KernelTable& kernelsOn(SimdPath path)
{
#if PENALTY_X86_VECTORS
    switch (path) {
    case Sse2Path: return kSse2Kernels;
    case Avx2Path: return kAvx2Kernels;
    case Avx512Path: return kAvx512Kernels;
    default: break;
    }
#endif
    (void)path;
    return kScalarKernels;
}

} // namespace

int penaltyIndexOfCode(std::int32_t code)
{
    int cappedL1 = 0;
    for (int i = 0; i < kPenaltyCount; ++i) {
        if (code != 0 && kPenaltyInfo[i].code == code)
            return i;
        if (kPenaltyInfo[i].code == CappedL1)
            cappedL1 = i;
    }
    return cappedL1;
}

void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta)
{
    kernelsOn(path).penalty[penaltyIndexOfCode(type)].shrink(dst, src, n, lambda, theta);
}

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    shrinkByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}

void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta)
{
    *dst = kernelsOn(path).penalty[penaltyIndexOfCode(type)].sum(src, n, lambda, theta);
}

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n, double lambda,
                  double theta)
{
    sumByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}
