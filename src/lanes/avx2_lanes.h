// Four lanes of AVX2. Include inside PENALTY_TARGET_BEGIN("avx2").
#pragma once

#include <cstdint>
#include <immintrin.h>

struct Avx2Lanes {
    typedef double V __attribute__((vector_size(32)));
    typedef std::uint64_t U __attribute__((vector_size(32)));
    typedef std::int64_t Mask __attribute__((vector_size(32)));
    static constexpr int N = 4;

    static V load(const double* p) { return (V)_mm256_loadu_pd(p); }
    static void store(double* p, V v) { _mm256_storeu_pd(p, (__m256d)v); }
    static V splat(double d) { return (V)_mm256_set1_pd(d); }
    static U splatU(std::uint64_t b) { return (U)_mm256_set1_epi64x(static_cast<long long>(b)); }
    static V sqrt(V v) { return (V)_mm256_sqrt_pd((__m256d)v); }
    static V magnitude(V v) { return (V)((U)v & splatU(0x7fffffffffffffffull)); }
    static U bits(V v) { return (U)v; }
    static V fromBits(U u) { return (V)u; }
    // Columns 0, 1 and 2 of the rows index[0..3] of a table of 32-byte
    // rows: four row loads and a 4-by-4 transposition (cheaper than three
    // gathers, which some CPUs run in microcode). The indices go through
    // memory: integer loads beat extractions from the vector.
    static void loadRows(const double (*rows)[4], U index, V& c0, V& c1, V& c2)
    {
        U at = index;
        asm("" : "+m"(at)); // keeps the compiler from extracting them again
        const __m256d r0 = _mm256_load_pd(rows[at[0]]), r1 = _mm256_load_pd(rows[at[1]]);
        const __m256d r2 = _mm256_load_pd(rows[at[2]]), r3 = _mm256_load_pd(rows[at[3]]);
        const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
        const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
        c0 = (V)_mm256_permute2f128_pd(t0, t2, 0x20);
        c1 = (V)_mm256_permute2f128_pd(t1, t3, 0x20);
        c2 = (V)_mm256_permute2f128_pd(t0, t2, 0x31);
    }
#if defined(__x86_64__)
    // Fused multiply-adds, for naturalLog's fast path only; 32-bit builds
    // keep plain arithmetic there.
    static constexpr bool kFma = true;
    static V fma(V a, V b, V c) { return (V)_mm256_fmadd_pd((__m256d)a, (__m256d)b, (__m256d)c); }
#else
    static constexpr bool kFma = false;
#endif
    static bool allTrue(Mask m) { return _mm256_movemask_pd((__m256d)m) == 0xf; }
    static bool anyTrue(Mask m) { return _mm256_movemask_pd((__m256d)m) != 0; }
};
