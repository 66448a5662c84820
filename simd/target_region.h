// Compiles the code between PENALTY_TARGET_BEGIN("isa") and
// PENALTY_TARGET_END for that instruction set, whatever the command line
// says, with GCC and Clang alike. Include every standard header before the
// region so that nothing shared is compiled for the wider set.
#pragma once

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
