// The summing kernels compiled for avx2.
#define PENALTY_ISA "avx2"
#define PENALTY_ISA_HEADER "isa_avx2.h"
#define PENALTY_ISA_STRUCT Avx2
#define PENALTY_KERNEL_SET kSumKernelsAvx2
#include "sum_isa_instance.h"
