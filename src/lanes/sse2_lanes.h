// Two lanes of SSE2: the baseline of x86-64 and of both Windows builds.
// Include inside PENALTY_TARGET_BEGIN("sse2").
#pragma once

#include <cstdint>
#include <immintrin.h>

struct Sse2Lanes {
    typedef double V __attribute__((vector_size(16)));
    typedef std::uint64_t U __attribute__((vector_size(16)));
    typedef std::int64_t Mask __attribute__((vector_size(16)));
    static constexpr int N = 2;
    static constexpr bool kFma = false;

    static V load(const double* p) { return (V)_mm_loadu_pd(p); }
    static void store(double* p, V v) { _mm_storeu_pd(p, (__m128d)v); }
    static V splat(double d) { return V{d, d}; }
    static U splatU(std::uint64_t b) { return U{b, b}; }
    static V sqrt(V v) { return (V)_mm_sqrt_pd((__m128d)v); }
    static V magnitude(V v) { return (V)((U)v & splatU(0x7fffffffffffffffull)); }
    static U bits(V v) { return (U)v; }
    static V fromBits(U u) { return (V)u; }
    // Columns 0, 1 and 2 of the rows index[0], index[1] of a table of
    // 32-byte rows.
    static void loadRows(const double (*rows)[4], U index, V& c0, V& c1, V& c2)
    {
        const double* a = rows[index[0]];
        const double* b = rows[index[1]];
        const __m128d a01 = _mm_load_pd(a), b01 = _mm_load_pd(b);
        c0 = (V)_mm_unpacklo_pd(a01, b01);
        c1 = (V)_mm_unpackhi_pd(a01, b01);
        c2 = (V)_mm_unpacklo_pd(_mm_load_pd(a + 2), _mm_load_pd(b + 2));
    }
    static bool allTrue(Mask m) { return _mm_movemask_pd((__m128d)m) == 0x3; }
    static bool anyTrue(Mask m) { return _mm_movemask_pd((__m128d)m) != 0; }
};
