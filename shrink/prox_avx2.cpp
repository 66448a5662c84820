// The proximal kernels compiled for avx2.
#define PENALTY_ISA "avx2"
#define PENALTY_ISA_HEADER "isa_avx2.h"
#define PENALTY_ISA_STRUCT Avx2
#define PENALTY_KERNEL_SET kProxKernelsAvx2
#include "prox_isa_instance.h"
