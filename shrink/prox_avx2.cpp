// The proximal kernels compiled for avx2.
#define PENALTY_ISA "avx2"
#define PENALTY_ISA_HEADER "isa_avx2.h"
#define PENALTY_ISA_STRUCT Avx2
#define PENALTY_KERNEL_SET kProxKernelsAvx2
#define PENALTY_SCALAR_HEADER "prox_kernels.h"
#define PENALTY_SCALAR(kernel) prox##kernel
#define PENALTY_LANES_HEADER "prox_simd.h"
#define PENALTY_LANES(kernel) prox##kernel##Lanes
#include "kernel_set_instance.h"
