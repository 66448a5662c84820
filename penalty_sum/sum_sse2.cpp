// The summing kernels compiled for sse2.
#define PENALTY_ISA "sse2"
#define PENALTY_ISA_HEADER "isa_sse2.h"
#define PENALTY_ISA_STRUCT Sse2
#define PENALTY_KERNEL_SET kSumKernelsSse2
#define PENALTY_SCALAR_HEADER "sum_kernels.h"
#define PENALTY_SCALAR(kernel) sum##kernel
#define PENALTY_LANES_HEADER "sum_simd.h"
#define PENALTY_LANES(kernel) sum##kernel##Lanes
#include "kernel_set_instance.h"
