// Defines the kernel set PENALTY_KERNEL_SET for the instruction set
// PENALTY_ISA (a target name) described by PENALTY_ISA_STRUCT in
// PENALTY_ISA_HEADER. Compilers without GCC's vector extensions, and
// non-x86 targets, get the scalar kernels under the same name (the
// dispatch never picks them there).
#include <cstdint>
#include <cstring>

#include "sum_kernel_sets.h"
#include "sum_kernels.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

#include "target_region.h"

PENALTY_TARGET_BEGIN(PENALTY_ISA)
#include PENALTY_ISA_HEADER
#include "simd_ops.h"
#include "natural_log_simd.h"
#include "sum_simd.h"

namespace {
void cappedL1(double* d, const double* s, std::int32_t n, double l, double t) { sumCappedL1Lanes<PENALTY_ISA_STRUCT>(d, s, n, l, t); }
void logSum(double* d, const double* s, std::int32_t n, double l, double t) { sumLogSumLanes<PENALTY_ISA_STRUCT>(d, s, n, l, t); }
void scad(double* d, const double* s, std::int32_t n, double l, double t) { sumScadLanes<PENALTY_ISA_STRUCT>(d, s, n, l, t); }
void mcp(double* d, const double* s, std::int32_t n, double l, double t) { sumMcpLanes<PENALTY_ISA_STRUCT>(d, s, n, l, t); }
} // namespace
PENALTY_TARGET_END

const SumKernelSet PENALTY_KERNEL_SET = {cappedL1, logSum, scad, mcp};
#else
const SumKernelSet PENALTY_KERNEL_SET = {sumCappedL1, sumLogSum, sumScad, sumMcp};
#endif
