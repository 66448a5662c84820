#include "sum_dispatch.h"

#include "sum_kernels.h"

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                  double lambda, double theta)
{
    switch (type) {
    case LogSum: sumLogSum(dst, src, n, lambda, theta); return;
    case Scad: sumScad(dst, src, n, lambda, theta); return;
    case Mcp: sumMcp(dst, src, n, lambda, theta); return;
    case CappedL1:
    default: sumCappedL1(dst, src, n, lambda, theta); return;
    }
}
