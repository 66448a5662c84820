// The summing kernels of one instruction set, and the sets there are.
#pragma once

#include <cstdint>

#include "simd_path.h"

typedef void (*SumKernel)(double* dst, const double* src, std::int32_t n, double lambda, double theta);

struct SumKernelSet {
    SumKernel cappedL1, logSum, scad, mcp;
};

extern const SumKernelSet kSumKernelsScalar;
extern const SumKernelSet kSumKernelsSse2;
extern const SumKernelSet kSumKernelsAvx2;
extern const SumKernelSet kSumKernelsAvx512;
