// Compiles the code between PENALTY_TARGET_BEGIN("isa") and
// PENALTY_TARGET_END for that instruction set, whatever the command line
// says, with GCC and Clang alike. Include every standard header before the
// region so that nothing shared is compiled for the wider set.
//
// PENALTY_X86_VECTORS is 1 where the vector lanes exist: GCC or Clang (their
// vector extensions) on 32- or 64-bit x86. Elsewhere only the scalar lanes
// are built, and the dispatch never asks for more.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PENALTY_X86_VECTORS 1
#else
#define PENALTY_X86_VECTORS 0
#endif

#if defined(__clang__)
#define PENALTY_PRAGMA(x) _Pragma(#x)
#define PENALTY_TARGET_BEGIN(isa) \
    PENALTY_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define PENALTY_TARGET_END _Pragma("clang attribute pop")
#elif defined(__GNUC__)
#define PENALTY_PRAGMA(x) _Pragma(#x)
#define PENALTY_TARGET_BEGIN(isa) _Pragma("GCC push_options") PENALTY_PRAGMA(GCC target(isa))
#define PENALTY_TARGET_END _Pragma("GCC pop_options")
#endif
