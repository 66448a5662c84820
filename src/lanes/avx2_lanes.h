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
    static V gather(const double* base, U index)
    {
        return (V)_mm256_i64gather_pd(base, (__m256i)index, 8);
    }
    static bool allTrue(Mask m) { return _mm256_movemask_pd((__m256d)m) == 0xf; }
    static bool anyTrue(Mask m) { return _mm256_movemask_pd((__m256d)m) != 0; }
};
