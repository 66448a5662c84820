// The proximal kernels compiled for sse2.
#define PENALTY_ISA "sse2"
#define PENALTY_ISA_HEADER "isa_sse2.h"
#define PENALTY_ISA_STRUCT Sse2
#define PENALTY_KERNEL_SET kProxKernelsSse2
#include "prox_isa_instance.h"
