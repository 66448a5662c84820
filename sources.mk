# What the MEX files are built from, and how: the one description that
# every build reads (make syntax; paths from the project root): CMake through
# cmake/Sources.cmake, make by including it, shell scripts through
# scripts/sources.sh and matlab/build_mex.m by its own small parser.

# Floating point: IEEE double, one rounding per operation, in source order.
# No contraction into FMA and no fast-math reassociation anywhere, and SSE2
# rather than x87 on 32-bit x86; -fno-math-errno only lets sqrt inline as
# one instruction and changes no bit. MSVC keeps source order under
# /fp:precise, which does not contract.
PENALTY_FP_FLAGS = -ffp-contract=off -fno-fast-math -fno-math-errno
PENALTY_FP_FLAGS_X86_32 = -msse2 -mfpmath=sse
PENALTY_FP_FLAGS_MSVC = /fp:precise

# GCC targeting Windows keeps the 16-byte stack alignment of the Windows
# ABI but may spill AVX and AVX-512 registers with aligned moves, which
# fault (a long-standing GCC bug): the assembler turns every aligned vector
# move into its unaligned form, which costs nothing on aligned data.
PENALTY_FLAGS_MINGW = -Wa,-muse-unaligned-vector-move

PENALTY_KERNEL_INCLUDE_DIRS = src/lanes src/libm src/penalties src/ops src/threads src/fit
PENALTY_GATEWAY_INCLUDE_DIRS = matlab

# The kernels: plain arrays in and out, nothing of MATLAB; and the worker
# threads that large arrays are spread over.
PENALTY_KERNEL_SOURCES = src/libm/natural_log.cpp src/libm/natural_log_fma.cpp src/libm/exponential.cpp \
    src/lanes/simd_path.cpp src/fit/glm_loss.cpp \
    src/ops/dispatch.cpp src/ops/parallel_drivers.cpp src/ops/kernels_scalar.cpp \
    src/ops/kernels_sse2.cpp src/ops/kernels_avx2.cpp src/ops/kernels_avx512.cpp src/threads/worker_pool.cpp \
    src/ops/class_drivers.cpp src/ops/modulus_kernels_scalar.cpp src/ops/modulus_kernels_sse2.cpp \
    src/ops/modulus_kernels_avx2.cpp src/ops/modulus_kernels_avx512.cpp \
    src/fit/fit_path.cpp src/fit/glm_path.cpp src/fit/cross_validation.cpp src/fit/column_kernels.cpp \
    src/fit/column_kernels_sse2.cpp src/fit/column_kernels_avx2.cpp

# The MEX functions: each is matlab/<name>.cpp plus the argument checks.
PENALTY_GATEWAYS = penaltyShrink penaltySum penaltyProx penaltyValue penaltyDerivative penaltyFitCore
PENALTY_GATEWAY_SOURCES = matlab/gateway_args.cpp matlab/x_classes.cpp matlab/host_threads.cpp

# Functions written in M over a MEX core (penaltyFit over penaltyFitCore).
# They, the help of each gateway (matlab/help/<gateway>.m) and the help files
# below go beside the MEX files in every build and the package, written by
# matlab/assemble_help.m, which fills in the fragments of matlab/help/shared.
PENALTY_HELP_FILES = matlab/help/sparsepenalty.m matlab/help/Contents.m
PENALTY_M_FILES = matlab/m/penaltyFit.m matlab/m/penaltyFitPlot.m matlab/m/penaltyFitFolds.m matlab/m/penaltyFitCVSummary.m
