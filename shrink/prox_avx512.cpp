// The proximal kernels compiled for avx512f.
#define PENALTY_ISA "avx512f"
#define PENALTY_ISA_HEADER "isa_avx512.h"
#define PENALTY_ISA_STRUCT Avx512
#define PENALTY_KERNEL_SET kProxKernelsAvx512
#define PENALTY_SCALAR_HEADER "prox_kernels.h"
#define PENALTY_SCALAR(kernel) prox##kernel
#define PENALTY_LANES_HEADER "prox_simd.h"
#define PENALTY_LANES(kernel) prox##kernel##Lanes
#include "kernel_set_instance.h"
