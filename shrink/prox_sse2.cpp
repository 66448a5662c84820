// The proximal kernels compiled for sse2.
#define PENALTY_ISA "sse2"
#define PENALTY_ISA_HEADER "isa_sse2.h"
#define PENALTY_ISA_STRUCT Sse2
#define PENALTY_KERNEL_SET kProxKernelsSse2
#define PENALTY_SCALAR_HEADER "prox_kernels.h"
#define PENALTY_SCALAR(kernel) prox##kernel
#define PENALTY_LANES_HEADER "prox_simd.h"
#define PENALTY_LANES(kernel) prox##kernel##Lanes
#include "kernel_set_instance.h"
