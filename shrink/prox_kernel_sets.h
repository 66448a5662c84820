// The proximal kernels of one instruction set, and the sets there are.
#pragma once

#include <cstdint>

#include "simd_path.h"

typedef void (*ProxKernel)(double* dst, const double* src, std::int32_t n, double lambda, double theta);

struct ProxKernelSet {
    ProxKernel cappedL1, logSum, scad, mcp;
};

extern const ProxKernelSet kProxKernelsScalar;
extern const ProxKernelSet kProxKernelsSse2;
extern const ProxKernelSet kProxKernelsAvx2;
extern const ProxKernelSet kProxKernelsAvx512;
