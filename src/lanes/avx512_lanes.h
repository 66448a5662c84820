// Eight lanes of AVX-512F. Include inside PENALTY_TARGET_BEGIN("avx512f").
#pragma once

#include <cstdint>
#include <immintrin.h>

struct Avx512Lanes {
    typedef double V __attribute__((vector_size(64)));
    typedef std::uint64_t U __attribute__((vector_size(64)));
    typedef std::int64_t Mask __attribute__((vector_size(64)));
    static constexpr int N = 8;

    static V load(const double* p) { return (V)_mm512_loadu_pd(p); }
    static void store(double* p, V v) { _mm512_storeu_pd(p, (__m512d)v); }
    static V splat(double d) { return (V)_mm512_set1_pd(d); }
    static U splatU(std::uint64_t b) { return (U)_mm512_set1_epi64(static_cast<long long>(b)); }
    // The masked forms with a zero source: GCC 12 warns about the unmasked
    // ones' undefined source operand.
    static V sqrt(V v) { return (V)_mm512_maskz_sqrt_pd(0xff, (__m512d)v); }
    static V magnitude(V v) { return (V)((U)v & splatU(0x7fffffffffffffffull)); }
    static U bits(V v) { return (U)v; }
    static V fromBits(U u) { return (V)u; }
    static V gather(const double* base, U index)
    {
        return (V)_mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, (__m512i)index, base, 8);
    }
    static bool allTrue(Mask m) { return nonzeroLanes(m) == 0xff; }
    static bool anyTrue(Mask m) { return nonzeroLanes(m) != 0; }
    static unsigned nonzeroLanes(Mask m) { return _mm512_cmpneq_epi64_mask((__m512i)m, _mm512_setzero_si512()); }
};
