// The four kernels of one library (proximal maps or sums) on one
// instruction set, and the dispatch by penalty code over such a set.
#pragma once

#include <cstdint>

#include "penalty_type.h"

typedef void (*PenaltyKernel)(double* dst, const double* src, std::int32_t n, double lambda, double theta);

struct KernelSet {
    PenaltyKernel cappedL1, logSum, scad, mcp;
};

// Every code other than LogSum, Scad and Mcp runs capped-l1.
inline void runPenaltyKernel(const KernelSet& set, PenaltyType type, double* dst, const double* src,
                             std::int32_t n, double lambda, double theta)
{
    switch (type) {
    case LogSum: set.logSum(dst, src, n, lambda, theta); return;
    case Scad: set.scad(dst, src, n, lambda, theta); return;
    case Mcp: set.mcp(dst, src, n, lambda, theta); return;
    case CappedL1:
    default: set.cappedL1(dst, src, n, lambda, theta); return;
    }
}
