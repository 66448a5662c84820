// naturalLog against MPFR's correctly rounded logarithm, bit for bit, on
// COUNT seeded inputs per shard: every binade (subnormals included), the
// arguments log-sum actually takes (1 + r/theta, r >= 0), and the doubles
// around 1 where cancellation is worst.
//   natural_log_mpfr_test SHARD COUNT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <mpfr.h>

#include "natural_log.h"

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
    long passed = 0, failed = 0, slow = 0;
    for (long i = 0; i < count; ++i) {
        const double x = input(rng, i);
        if (!(x > 0) || std::isinf(x))
            continue;
        mpfr_set_d(in, x, MPFR_RNDN);
        mpfr_log(out, in, MPFR_RNDN);
        const double expected = mpfr_get_d(out, MPFR_RNDN);
        bool tookSlowPath = false;
        const double got = naturalLogWithPath(x, &tookSlowPath);
        slow += tookSlowPath;
        if (std::memcmp(&got, &expected, sizeof got) == 0) {
            ++passed;
        } else if (++failed <= 20) {
            std::printf("FAIL log(%a) = %a, expected %a\n", x, got, expected);
        }
    }
    mpfr_clear(in);
    mpfr_clear(out);
    std::printf("slow path taken %ld times\n", slow);
    std::printf("natural_log shard %ld: %ld passed, %ld failed\n", shard, passed, failed);
    return failed ? 1 : 0;
}
