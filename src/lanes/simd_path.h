// Which vector instruction set the kernels run with. Every path returns
// exactly the scalar reference's bits; the choice only changes the speed.
#pragma once

enum SimdPath : int {
    ScalarPath = 0, // the reference, one element at a time
    Sse2Path = 1,   // 2 lanes: the baseline of x86-64 and of both Windows builds
    Avx2Path = 2,   // 4 lanes (with FMA on 64-bit x86)
    Avx512Path = 3, // 8 lanes (AVX-512F)
};

// The widest path this CPU and operating system support; detected once and
// kept in an atomic, so concurrent first calls cannot race.
SimdPath bestSimdPath();

bool simdPathSupported(SimdPath path);

const char* simdPathName(SimdPath path);

// Whether the CPU and operating system run FMA instructions; detected once
// and kept in an atomic. Only naturalLog's fast path uses them.
bool cpuHasFma();
