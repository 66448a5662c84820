// Which vector instruction set the kernels run with: a position in the list
// of paths (kSimdPaths, narrowest first, the scalar reference at 0). Every
// path returns exactly the scalar reference's bits; the choice only changes
// the speed. Adding an instruction set is one entry in the list (with its
// detector) and its kernel files; nothing else counts the paths.
#pragma once

// The paths of today's list by name, for code that means one of them.
enum SimdPath : int {
    ScalarPath = 0, // the reference, one element at a time
    Sse2Path = 1,   // 2 lanes: the baseline of x86-64 and of both Windows builds
    Avx2Path = 2,   // 4 lanes (with FMA on 64-bit x86)
    Avx512Path = 3, // 8 lanes (AVX-512F)
};

struct KernelTable;
struct ModulusKernels;

struct SimdPathInfo {
    const char* name;
    bool (*runsHere)(); // whether this CPU and its operating system run it
    const KernelTable* kernels;
    const ModulusKernels* modulusKernels;
};

// The paths this build has (the scalar one alone where there are no x86
// vectors).
extern const SimdPathInfo kSimdPaths[];
extern const int kSimdPathCount;

// The widest path this CPU and operating system support; detected once and
// kept in an atomic, so concurrent first calls cannot race.
SimdPath bestSimdPath();

// Whether `path` is in the list and runs here (every path up to the best).
bool simdPathSupported(SimdPath path);

const char* simdPathName(SimdPath path);

// Whether the CPU and operating system run FMA instructions; detected once
// and kept in an atomic. Only naturalLog's fast path uses them.
bool cpuHasFma();
