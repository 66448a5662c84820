// The list of paths: each instruction set's name, its detector and its
// kernel tables.
#include "simd_path.h"

#include <atomic>

#include "target_region.h"

#if PENALTY_X86_VECTORS
#include <cpuid.h>
#endif

extern const KernelTable kScalarKernels;
extern const ModulusKernels kScalarModulusKernels;

namespace {

bool always() { return true; }

#if PENALTY_X86_VECTORS
// What the CPU has and the operating system saves on a context switch
// (XCR0): vector instructions are usable only when the registers they use
// are saved.
struct CpuFeatures {
    bool sse2 = false;
    bool ymm = false;     // AVX state saved (XSAVE, OSXSAVE, XCR0 bits 1, 2)
    bool fma = false;     // and FMA
    bool leaf7 = false;   // cpuid leaf 7 read (only where ymm)
    bool avx2 = false;
    bool avx512f = false; // AVX-512F, and its state saved (XCR0 bits 5 to 7)
};

unsigned long long enabledStateMask()
{
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<unsigned long long>(high) << 32) | low;
}

CpuFeatures cpuFeatures()
{
    CpuFeatures f;
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return f;
    f.sse2 = edx & (1u << 26);
    const unsigned long long state = (ecx & (1u << 27)) ? enabledStateMask() : 0;
    f.ymm = (ecx & (1u << 28)) && (state & 0x6) == 0x6;
    f.fma = f.ymm && (ecx & (1u << 12));
    if (!f.ymm || !__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return f;
    f.leaf7 = true;
    f.avx2 = ebx & (1u << 5);
    f.avx512f = (ebx & (1u << 16)) && (state & 0xe6) == 0xe6;
    return f;
}

bool sse2Runs() { return cpuFeatures().sse2; }

// The AVX2 path's naturalLog uses FMA on 64-bit x86 (every AVX2 CPU there
// has it, but it is checked all the same).
bool avx2Runs()
{
    const CpuFeatures f = cpuFeatures();
#if defined(__x86_64__)
    return f.sse2 && f.leaf7 && f.avx2 && f.fma;
#else
    return f.sse2 && f.leaf7 && f.avx2;
#endif
}

bool avx512Runs()
{
    const CpuFeatures f = cpuFeatures();
    return f.sse2 && f.leaf7 && f.avx512f;
}
#endif

} // namespace

#if PENALTY_X86_VECTORS
extern const KernelTable kSse2Kernels, kAvx2Kernels, kAvx512Kernels;
extern const ModulusKernels kSse2ModulusKernels, kAvx2ModulusKernels, kAvx512ModulusKernels;
#endif

extern const SimdPathInfo kSimdPaths[] = {
    {"scalar", always, &kScalarKernels, &kScalarModulusKernels},
#if PENALTY_X86_VECTORS
    {"sse2", sse2Runs, &kSse2Kernels, &kSse2ModulusKernels},
    {"avx2", avx2Runs, &kAvx2Kernels, &kAvx2ModulusKernels},
    {"avx512", avx512Runs, &kAvx512Kernels, &kAvx512ModulusKernels},
#endif
};
extern const int kSimdPathCount = sizeof kSimdPaths / sizeof kSimdPaths[0];

SimdPath bestSimdPath()
{
    static std::atomic<int> cached{-1};
    int path = cached.load(std::memory_order_relaxed);
    if (path < 0) {
        path = kSimdPathCount - 1;
        while (path > 0 && !kSimdPaths[path].runsHere())
            --path;
        cached.store(path, std::memory_order_relaxed);
    }
    return static_cast<SimdPath>(path);
}

bool simdPathSupported(SimdPath path) { return path >= ScalarPath && path <= bestSimdPath(); }

const char* simdPathName(SimdPath path)
{
    return path >= ScalarPath && path < kSimdPathCount ? kSimdPaths[path].name : "scalar";
}

bool cpuHasFma()
{
#if PENALTY_X86_VECTORS
    static std::atomic<int> cached{-1};
    int has = cached.load(std::memory_order_relaxed);
    if (has < 0) {
        has = cpuFeatures().fma ? 1 : 0;
        cached.store(has, std::memory_order_relaxed);
    }
    return has != 0;
#else
    return false;
#endif
}
