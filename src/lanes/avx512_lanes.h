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
    // Columns 0, 1 and 2 of the rows index[0..7] of a table of 32-byte
    // rows: eight row loads, paired into four registers and transposed
    // (cheaper than three gathers, which some CPUs run in microcode). The
    // indices go through memory: eight integer loads beat eight extractions
    // from the vector, which compete with the arithmetic for its ports.
    static void loadRows(const double (*rows)[4], U index, V& c0, V& c1, V& c2)
    {
        // Written with vector shuffles: GCC 12 warns about the undefined
        // source operand of the unmasked insert and unpack intrinsics.
        typedef double Row __attribute__((vector_size(32)));
        U at = index;
        asm("" : "+m"(at)); // keeps the compiler from extracting them again
        V a[4];
        for (int k = 0; k < 4; ++k) {
            const Row low = *reinterpret_cast<const Row*>(rows[at[k]]);
            const Row high = *reinterpret_cast<const Row*>(rows[at[k + 4]]);
            a[k] = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
        }
        const V t0 = __builtin_shufflevector(a[0], a[1], 0, 8, 2, 10, 4, 12, 6, 14);
        const V t1 = __builtin_shufflevector(a[0], a[1], 1, 9, 3, 11, 5, 13, 7, 15);
        const V t2 = __builtin_shufflevector(a[2], a[3], 0, 8, 2, 10, 4, 12, 6, 14);
        const V t3 = __builtin_shufflevector(a[2], a[3], 1, 9, 3, 11, 5, 13, 7, 15);
        c0 = __builtin_shufflevector(t0, t2, 0, 1, 8, 9, 4, 5, 12, 13);
        c1 = __builtin_shufflevector(t1, t3, 0, 1, 8, 9, 4, 5, 12, 13);
        c2 = __builtin_shufflevector(t0, t2, 2, 3, 10, 11, 6, 7, 14, 15);
    }
#if defined(__x86_64__)
    // Fused multiply-adds, for naturalLog's fast path only; 32-bit builds
    // keep plain arithmetic there.
    static constexpr bool kFma = true;
    static V fma(V a, V b, V c) { return (V)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c); }
#else
    static constexpr bool kFma = false;
#endif
    static bool allTrue(Mask m) { return nonzeroLanes(m) == 0xff; }
    static bool anyTrue(Mask m) { return nonzeroLanes(m) != 0; }
    static unsigned nonzeroLanes(Mask m) { return _mm512_cmpneq_epi64_mask((__m512i)m, _mm512_setzero_si512()); }
};
