// First include of each vector instruction set's kernel file: everything
// from outside the project that the kernels use, included here, before the
// file's target region, so that none of it is compiled for the wider set
// (an inline function compiled for AVX-512 in one file could be the copy the
// linker keeps for every file). The project's own headers follow inside the
// region; their functions are templates on the lane type.
#pragma once

#define PENALTY_VECTOR_INSTANCE 1

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "target_region.h"

#if PENALTY_X86_VECTORS
#include <immintrin.h>
#endif
