#include "simd_path.h"

#include <atomic>

#include "target_region.h"

#if PENALTY_X86_VECTORS
#include <cpuid.h>
#endif

namespace {

#if PENALTY_X86_VECTORS
// The extended state the OS saves on a context switch (XCR0): vector
// instructions are usable only when the registers they use are saved.
unsigned long long enabledStateMask()
{
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<unsigned long long>(high) << 32) | low;
}

// The CPU has FMA (cpuid 1, ecx bit 12) and the OS saves the AVX state
// its instructions use.
bool detectFma()
{
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    return (ecx & (1u << 12)) && (ecx & (1u << 27)) && (ecx & (1u << 28)) && (enabledStateMask() & 0x6) == 0x6;
}

SimdPath detect()
{
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(edx & (1u << 26)))
        return ScalarPath;
    const bool osSavesYmm = (ecx & (1u << 27)) && (ecx & (1u << 28)) && (enabledStateMask() & 0x6) == 0x6;
    if (!osSavesYmm || !__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return Sse2Path;
    // The AVX2 path's naturalLog uses FMA on 64-bit x86 (every AVX2 CPU
    // there has it, but it is checked all the same).
#if defined(__x86_64__)
    const bool avx2 = (ebx & (1u << 5)) && detectFma();
#else
    const bool avx2 = ebx & (1u << 5);
#endif
    const bool avx512f = ebx & (1u << 16);
    if (avx512f && (enabledStateMask() & 0xe6) == 0xe6)
        return Avx512Path;
    return avx2 ? Avx2Path : Sse2Path;
}
#else
bool detectFma() { return false; }
SimdPath detect() { return ScalarPath; }
#endif

} // namespace

SimdPath bestSimdPath()
{
    static std::atomic<int> cached{-1};
    int path = cached.load(std::memory_order_relaxed);
    if (path < 0) {
        path = detect();
        cached.store(path, std::memory_order_relaxed);
    }
    return static_cast<SimdPath>(path);
}

bool simdPathSupported(SimdPath path) { return path >= ScalarPath && path <= bestSimdPath(); }

const char* simdPathName(SimdPath path)
{
    switch (path) {
    case Sse2Path: return "sse2";
    case Avx2Path: return "avx2";
    case Avx512Path: return "avx512";
    default: return "scalar";
    }
}

bool cpuHasFma()
{
    static std::atomic<int> cached{-1};
    int has = cached.load(std::memory_order_relaxed);
    if (has < 0) {
        has = detectFma() ? 1 : 0;
        cached.store(has, std::memory_order_relaxed);
    }
    return has != 0;
}
