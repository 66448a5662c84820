// naturalLog against MPFR's correctly rounded logarithm, bit for bit, on
// COUNT seeded inputs per shard: every binade (subnormals included), the
// arguments log-sum actually takes (1 + r/theta, r >= 0), and the doubles
// around 1 where cancellation is worst. Each input goes through the scalar
// function with the plain fast path and, where the CPU has FMA, the fused
// one, and through the vector lanes of every path the CPU runs, in batches
// whose length is no multiple of any lane count.
//   natural_log_mpfr_test SHARD COUNT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <mpfr.h>

#include "dispatch.h"
#include "natural_log.h"
#include "natural_log_internal.h"
#include "simd_path.h"

namespace {

double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

double input(std::mt19937_64& rng, long i)
{
    std::uniform_real_distribution<double> unit(0, 1);
    switch (i % 5) {
    case 0: return fromBits(rng() >> 1); // any positive bit pattern
    case 1: { // a uniformly chosen binade, subnormal ones included
        const std::uint64_t exponent = rng() % 2047;
        return fromBits((exponent << 52) | (rng() >> 12));
    }
    case 2: { // log-sum's argument: r/theta + 1 with r >= 0
        const double r = std::fabs(std::ldexp(unit(rng), static_cast<int>(rng() % 40) - 20));
        const double theta = std::ldexp(1 + unit(rng), static_cast<int>(rng() % 30) - 15);
        return r / theta + 1;
    }
    case 3: // the doubles next to 1, above and below
        return (rng() & 1) ? 1 + static_cast<double>(rng() % 1000000 + 1) * 0x1p-52
                           : 1 - static_cast<double>(rng() % 1000000 + 1) * 0x1p-53;
    default: // 1 +- 2^-k u for k up to 60
        return 1 + ((rng() & 1) ? 1 : -1) * std::ldexp(unit(rng), -static_cast<int>(rng() % 60));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const long shard = argc > 1 ? std::atol(argv[1]) : 0;
    const long count = argc > 2 ? std::atol(argv[2]) : 1000000;
    std::mt19937_64 rng(0x5eed0000u + shard);
    mpfr_t in, out;
    mpfr_init2(in, 53);
    mpfr_init2(out, 53);
    constexpr int kBatch = 4093;
    static double x[kBatch], expected[kBatch], got[kBatch];
    const char* variantName[] = {"plain", "fused"};
    long checked = 0, failed = 0, slow[2] = {0, 0};
    for (long done = 0; done < count;) {
        int n = 0;
        for (; n < kBatch && done < count; ++done) {
            const double v = input(rng, done);
            if (!(v > 0) || std::isinf(v))
                continue;
            x[n] = v;
            mpfr_set_d(in, v, MPFR_RNDN);
            mpfr_log(out, in, MPFR_RNDN);
            expected[n++] = mpfr_get_d(out, MPFR_RNDN);
        }
        auto compare = [&](const char* what) {
            for (int i = 0; i < n; ++i) {
                ++checked;
                if (std::memcmp(&got[i], &expected[i], sizeof got[i]) != 0 && ++failed <= 20)
                    std::printf("FAIL %s: log(%a) = %a, expected %a\n", what, x[i], got[i], expected[i]);
            }
        };
        for (int fused = 0; fused <= (naturalLogHasFma() ? 1 : 0); ++fused) {
            for (int i = 0; i < n; ++i) {
                bool tookSlowPath = false;
                got[i] = naturalLogWithVariant(x[i], fused != 0, &tookSlowPath);
                slow[fused] += tookSlowPath;
            }
            compare(variantName[fused]);
        }
        for (int p = ScalarPath + 1; p < kSimdPathCount; ++p) {
            const SimdPath path = static_cast<SimdPath>(p);
            if (!simdPathSupported(path))
                continue;
            naturalLogOn(path, got, x, n);
            compare(simdPathName(path));
        }
    }
    mpfr_clear(in);
    mpfr_clear(out);
    std::printf("slow path taken %ld times (plain), %ld (fused)\n", slow[0], slow[1]);
    std::printf("natural_log shard %ld: %ld results checked, %ld wrong\n", shard, checked, failed);
    return failed ? 1 : 0;
}
