// Two lanes of SSE2. Include inside PENALTY_TARGET_BEGIN("sse2").
#pragma once

#include <cstdint>
#include <cstring>
#include <immintrin.h>

struct Sse2 {
    typedef double V __attribute__((vector_size(16)));
    typedef std::uint64_t U __attribute__((vector_size(16)));
    typedef std::int64_t I __attribute__((vector_size(16)));
    static constexpr int N = 2;

    static V load(const double* p) { return (V)_mm_loadu_pd(p); }
    static void store(double* p, V v) { _mm_storeu_pd(p, (__m128d)v); }
    static V splat(double d) { return V{d, d}; }
    static U splatU(std::uint64_t b) { return U{b, b}; }
    static V sqrt(V v) { return (V)_mm_sqrt_pd((__m128d)v); }
    static V gather(const double* base, U index) { return V{base[index[0]], base[index[1]]}; }
    static bool allTrue(I mask) { return _mm_movemask_pd((__m128d)mask) == 0x3; }
};
