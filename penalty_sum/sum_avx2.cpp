// The summing kernels compiled for avx2.
#define PENALTY_ISA "avx2"
#define PENALTY_ISA_HEADER "isa_avx2.h"
#define PENALTY_ISA_STRUCT Avx2
#define PENALTY_KERNEL_SET kSumKernelsAvx2
#define PENALTY_SCALAR_HEADER "sum_kernels.h"
#define PENALTY_SCALAR(kernel) sum##kernel
#define PENALTY_LANES_HEADER "sum_simd.h"
#define PENALTY_LANES(kernel) sum##kernel##Lanes
#include "kernel_set_instance.h"
