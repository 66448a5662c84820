// Defines the KernelSet PENALTY_KERNEL_SET: the templates of
// PENALTY_LANES_HEADER (named PENALTY_LANES(CappedL1) and so on),
// instantiated for the instruction set PENALTY_ISA (a target name) that
// PENALTY_ISA_STRUCT in PENALTY_ISA_HEADER describes. Compilers without
// GCC's vector extensions, and non-x86 targets, get the scalar kernels
// PENALTY_SCALAR(CappedL1) and so on under the same name (the dispatch never
// picks them there). Included once by each per-instruction-set file.
#include <cstdint>
#include <cstring>

#include "kernel_set.h"
#include PENALTY_SCALAR_HEADER

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

#include "target_region.h"

PENALTY_TARGET_BEGIN(PENALTY_ISA)
#include PENALTY_ISA_HEADER
#include "simd_ops.h"
#include "natural_log_simd.h"
#include PENALTY_LANES_HEADER

namespace {
#define PENALTY_INSTANCE(kernel)                                                           \
    void kernel##Lanes(double* d, const double* s, std::int32_t n, double l, double t)      \
    {                                                                                      \
        PENALTY_LANES(kernel)<PENALTY_ISA_STRUCT>(d, s, n, l, t);                          \
    }
PENALTY_INSTANCE(CappedL1)
PENALTY_INSTANCE(LogSum)
PENALTY_INSTANCE(Scad)
PENALTY_INSTANCE(Mcp)
#undef PENALTY_INSTANCE
} // namespace
PENALTY_TARGET_END

extern const KernelSet PENALTY_KERNEL_SET = {CappedL1Lanes, LogSumLanes, ScadLanes, McpLanes};
#else
extern const KernelSet PENALTY_KERNEL_SET = {PENALTY_SCALAR(CappedL1), PENALTY_SCALAR(LogSum),
                                             PENALTY_SCALAR(Scad), PENALTY_SCALAR(Mcp)};
#endif
