#include "shrink_dispatch.h"

#include "prox_kernels.h"

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    switch (type) {
    case LogSum: proxLogSum(dst, src, n, lambda, theta); return;
    case Scad: proxScad(dst, src, n, lambda, theta); return;
    case Mcp: proxMcp(dst, src, n, lambda, theta); return;
    case CappedL1:
    default: proxCappedL1(dst, src, n, lambda, theta); return;
    }
}
