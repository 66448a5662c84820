// The summing kernels compiled for sse2.
#define PENALTY_ISA "sse2"
#define PENALTY_ISA_HEADER "isa_sse2.h"
#define PENALTY_ISA_STRUCT Sse2
#define PENALTY_KERNEL_SET kSumKernelsSse2
#include "sum_isa_instance.h"
