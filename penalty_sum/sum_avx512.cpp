// The summing kernels compiled for avx512f.
#define PENALTY_ISA "avx512f"
#define PENALTY_ISA_HEADER "isa_avx512.h"
#define PENALTY_ISA_STRUCT Avx512
#define PENALTY_KERNEL_SET kSumKernelsAvx512
#include "sum_isa_instance.h"
