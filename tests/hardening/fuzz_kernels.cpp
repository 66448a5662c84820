// libFuzzer target for every penalty's kernels on every vector path this
// CPU supports: fuzzed lambda, theta, gamma, n, element and weight bit
// patterns (infinite weights among them), in exactly sized heap buffers. Each kernel must read only
// src[0..n-1] (and weights[0..n-1]), write only dst[0..n-1] (a sum only its
// result), leave its inputs unchanged, repeat bit for bit, and on every
// vector path give the scalar reference's bits (a NaN matching any NaN, as
// an operation on two NaNs may pass on either). The modulus of complex
// elements likewise, on the same bit patterns taken as pairs of parts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include <cmath>

#include "class_drivers.h"
#include "dispatch.h"
#include "fuzz_input.h"
#include "path_operations.h"
#include "penalty_list.h"

namespace {

void check(bool ok, const char* what, int penalty, int path)
{
    if (!ok) {
        std::fprintf(stderr, "kernel fuzz: %s (%s, %s path)\n", what, kPenaltyInfo[penalty].name,
                     simdPathName(static_cast<SimdPath>(path)));
        std::abort();
    }
}

bool sameResults(const double* a, const double* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], 8) != 0 && !(a[i] != a[i] && b[i] != b[i]))
            return false;
    return true;
}

const std::vector<SimdPath> kPaths = pathsHere();

double* allocate(std::size_t n) { return n ? static_cast<double*>(std::malloc(8 * n)) : nullptr; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in{data, size};
    const double lambda = in.element();
    const double theta = in.element();
    const double gamma = in.element();
    const std::uint8_t countByte = in.byte();
    const std::int32_t n = countByte >= 250 ? -static_cast<std::int32_t>(countByte) : countByte % 100;
    const std::size_t length = n > 0 ? static_cast<std::size_t>(n) : 0;

    double* src = allocate(length);
    for (std::size_t i = 0; i < length; ++i)
        src[i] = in.element();
    double* srcCopy = allocate(length);
    if (length)
        std::memcpy(srcCopy, src, 8 * length);
    // Infinite weights (the element held at 0) are one bit pattern among
    // 2^64: a byte mixes them in, among the weights and as the one weight.
    const std::uint8_t infinities = in.byte();
    double* weights = allocate(length);
    for (std::size_t i = 0; i < length; ++i)
        weights[i] = (infinities & 1) && (i + infinities) % 5 == 0 ? __builtin_inf() : in.element();
    const double weight = (infinities & 2) ? __builtin_inf() : lambda;

    double* reference = allocate(length ? length : 1);
    double* out = allocate(length);
    for (int p = 0; p < kPenaltyCount; ++p) {
        const unsigned operations = kPenaltyInfo[p].operations;
        // Each operation the penalty provides; penaltyProx, penaltyValue and
        // penaltyDerivative with one weight and with one per element, and
        // only on whole arrays.
        for (int op = 0; op < kOperationCount; ++op)
            for (bool perElement : {false, true}) {
                if (!(operations & kOperationBit[op]) || (op < ProxOf ? perElement : !length))
                    continue;
                const std::size_t outLength = op == SumOf ? 1 : length;
                const double* w = perElement ? weights : op < ProxOf ? &lambda : &weight;
                const std::ptrdiff_t count = op < ProxOf ? n : static_cast<std::ptrdiff_t>(length);
                for (SimdPath path : kPaths) {
                    for (int repeat = 0; repeat < 2; ++repeat) {
                        double sum = 0;
                        double* result = op == SumOf ? &sum : out;
                        runOperation(op, path, p, result, src, count, w, perElement, theta,
                                     gamma);
                        if (path == ScalarPath && repeat == 0 && outLength)
                            std::memcpy(reference, result, 8 * outLength);
                        check(sameResults(result, reference, outLength), "result differs from the scalar reference", p,
                              path);
                        check(length == 0 || std::memcmp(src, srcCopy, 8 * length) == 0, "source modified", p, path);
                    }
                }
            }
    }
    // |z| of the pairs (src[i], weights[i]) on every path: the scalar
    // reference's bits, and between max(|re|, |im|) and |re| + |im|
    // (rounded up), Inf where a part is, NaN only where a part is.
    for (SimdPath path : kPaths) {
        if (!length)
            break;
        modulusOn(path, out, src, weights, static_cast<std::ptrdiff_t>(length));
        if (path == ScalarPath)
            std::memcpy(reference, out, 8 * length);
        check(sameResults(out, reference, length), "|z| differs from the scalar reference", 0, path);
        for (std::size_t i = 0; i < length; ++i) {
            const double a = std::fabs(src[i]), b = std::fabs(weights[i]);
            const bool inf = a == __builtin_inf() || b == __builtin_inf(), nan = a != a || b != b;
            const bool ok = inf ? out[i] == __builtin_inf()
                          : nan ? out[i] != out[i]
                                : out[i] >= (a < b ? b : a) && out[i] <= (a + b) * (1 + 0x1p-52);
            check(ok, "|z| out of its bounds", 0, path);
        }
    }
    std::free(src);
    std::free(srcCopy);
    std::free(weights);
    std::free(reference);
    std::free(out);
    return 0;
}
