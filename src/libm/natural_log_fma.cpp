// naturalLog's fast path with fused multiply-adds, compiled for FMA and used
// where the CPU has it: the exact products and the offset m r - 1 take one
// fused operation each instead of Dekker's split, and the series one per
// Horner step. The error bound of natural_log_steps.h covers it, so it
// returns the plain path's bits. Only 64-bit x86 builds carry it; 32-bit
// ones (the 32-bit Windows DLLs among them) keep the plain arithmetic.
#include <bit>
#include <cstdint>

#include "natural_log_internal.h"
#include "simd_path.h"
#include "target_region.h"

#if PENALTY_X86_VECTORS && defined(__x86_64__)

PENALTY_TARGET_BEGIN("fma")
#include "natural_log_steps.h"

namespace {

struct FusedArithmetic {
    typedef double V;
    static double splat(double d) { return d; }
    static double mulAdd(double a, double b, double c) { return __builtin_fma(a, b, c); }
    static double productError(double a, double b, double p) { return __builtin_fma(a, b, -p); }
    static double reducedOffset(double m, double r) { return __builtin_fma(m, r, -1.0); }
};

} // namespace

double naturalLogFused(double x) { return natural_log_steps::naturalLogOf<FusedArithmetic>(x, nullptr); }

double naturalLogFusedWithPath(double x, bool* tookSlowPath)
{
    return natural_log_steps::naturalLogOf<FusedArithmetic>(x, tookSlowPath);
}

void naturalLogFusedFastParts(double x, double* high, double* low)
{
    using namespace natural_log_steps;
    const DoubleDouble y = fastLog<FusedArithmetic>(reducedPositive<FusedArithmetic>(x));
    *high = y.high;
    *low = y.low;
}
PENALTY_TARGET_END

bool naturalLogHasFma() { return cpuHasFma(); }

#else

double naturalLogFused(double x) { return naturalLogWithVariant(x, false, nullptr); }
double naturalLogFusedWithPath(double x, bool* tookSlowPath) { return naturalLogWithVariant(x, false, tookSlowPath); }
void naturalLogFusedFastParts(double, double* high, double* low) { *high = *low = 0; }
bool naturalLogHasFma() { return false; }

#endif
