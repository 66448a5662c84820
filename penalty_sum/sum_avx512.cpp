// The summing kernels compiled for avx512f.
#define PENALTY_ISA "avx512f"
#define PENALTY_ISA_HEADER "isa_avx512.h"
#define PENALTY_ISA_STRUCT Avx512
#define PENALTY_KERNEL_SET kSumKernelsAvx512
#define PENALTY_SCALAR_HEADER "sum_kernels.h"
#define PENALTY_SCALAR(kernel) sum##kernel
#define PENALTY_LANES_HEADER "sum_simd.h"
#define PENALTY_LANES(kernel) sum##kernel##Lanes
#include "kernel_set_instance.h"
