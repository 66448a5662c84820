// libFuzzer target for the eight kernels: fuzzed lambda, theta, n and
// element bit patterns, in exactly sized heap buffers. Each kernel must read
// only src[0..n-1], write only dst[0..n-1] (dst[0] for a sum), leave src
// unchanged and repeat bit for bit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "prox_kernels.h"
#include "sum_kernels.h"

namespace {

using Kernel = void (*)(double*, const double*, std::int32_t, double, double);

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "kernel fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in{data, size};
    const double lambda = in.element();
    const double theta = in.element();
    const std::uint8_t countByte = in.byte();
    const std::int32_t n = countByte >= 250 ? -static_cast<std::int32_t>(countByte) : countByte % 100;
    const std::size_t length = n > 0 ? static_cast<std::size_t>(n) : 0;

    double* src = length ? static_cast<double*>(std::malloc(8 * length)) : nullptr;
    for (std::size_t i = 0; i < length; ++i)
        src[i] = in.element();
    double* srcCopy = length ? static_cast<double*>(std::malloc(8 * length)) : nullptr;
    if (length)
        std::memcpy(srcCopy, src, 8 * length);

    const struct { Kernel kernel; bool isSum; } kernels[] = {
        {proxCappedL1, false}, {proxLogSum, false}, {proxScad, false}, {proxMcp, false},
        {sumCappedL1, true},   {sumLogSum, true},   {sumScad, true},   {sumMcp, true},
    };
    for (const auto& k : kernels) {
        const std::size_t outLength = k.isSum ? 1 : length;
        double* first = outLength ? static_cast<double*>(std::malloc(8 * outLength)) : nullptr;
        double* second = outLength ? static_cast<double*>(std::malloc(8 * outLength)) : nullptr;
        k.kernel(first, src, n, lambda, theta);
        k.kernel(second, src, n, lambda, theta);
        check(outLength == 0 || std::memcmp(first, second, 8 * outLength) == 0, "not repeatable");
        check(length == 0 || std::memcmp(src, srcCopy, 8 * length) == 0, "source modified");
        std::free(first);
        std::free(second);
    }
    std::free(src);
    std::free(srcCopy);
    return 0;
}
