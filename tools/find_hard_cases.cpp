// Searches for doubles whose natural logarithm lies extremely close to a
// rounding boundary (a midpoint between two doubles), the inputs on which a
// logarithm that is not correctly rounded is most likely to fail. Prints
// the closest ones found as table rows for tests/natural_log/hard_cases.h.
// A development tool (uses MPFR), run by hand:
//   find_hard_cases COUNT SEED
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <mpfr.h>

namespace {

struct Candidate {
    double x;
    double distance; // to the nearest midpoint, in units of the result's ulp
};

// Families tried: arbitrary positive doubles, doubles just above and below 1
// (x = 1 +- k 2^-52), and powers of two times short odd integers.
double candidate(std::mt19937_64& rng, int family)
{
    std::uint64_t bits;
    switch (family) {
    case 0: bits = rng() >> 1; break;
    case 1: return 1.0 + static_cast<double>(rng() % 4000000 + 1) * 0x1p-52;
    case 2: return 1.0 - static_cast<double>(rng() % 4000000 + 1) * 0x1p-53;
    default: return std::ldexp(static_cast<double>((rng() % 65536) | 1), static_cast<int>(rng() % 2000) - 1000);
    }
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

} // namespace

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::mt19937_64 rng(argc > 2 ? std::atol(argv[2]) : 1);
    mpfr_t v, scaled, frac;
    mpfr_inits2(300, v, scaled, frac, static_cast<mpfr_ptr>(nullptr));
    const int kFamilies = 4, kKeep = 8;
    std::vector<Candidate> best[kFamilies];
    for (long i = 0; i < count; ++i) {
        const int family = static_cast<int>(i % kFamilies);
        const double x = candidate(rng, family);
        if (!(x > 0) || std::isinf(x) || x == 1)
            continue;
        mpfr_set_d(v, x, MPFR_RNDN);
        mpfr_log(v, v, MPFR_RNDN);
        // Position within the result's binade, in ulps: log / ulp, then the
        // distance of its fractional part from one half.
        const long exponent = mpfr_get_exp(v); // v = f 2^exponent, f in [1/2, 1)
        mpfr_mul_2si(scaled, v, 53 - exponent, MPFR_RNDN);
        mpfr_abs(scaled, scaled, MPFR_RNDN);
        mpfr_frac(frac, scaled, MPFR_RNDN);
        const double distance = std::fabs(mpfr_get_d(frac, MPFR_RNDN) - 0.5);
        std::vector<Candidate>& kept = best[family];
        const bool seen = std::any_of(kept.begin(), kept.end(), [&](auto& c) { return c.x == x; });
        if (!seen && (kept.size() < kKeep || distance < kept.back().distance)) {
            kept.push_back({x, distance});
            std::sort(kept.begin(), kept.end(), [](auto& a, auto& b) { return a.distance < b.distance; });
            if (kept.size() > kKeep)
                kept.pop_back();
        }
    }
    for (int family = 0; family < kFamilies; ++family)
    for (const Candidate& c : best[family]) {
        mpfr_set_d(v, c.x, MPFR_RNDN);
        mpfr_log(v, v, MPFR_RNDN);
        std::printf("    {%a, %a}, // %.3g ulp from a midpoint\n", c.x, mpfr_get_d(v, MPFR_RNDN), c.distance);
    }
    mpfr_clears(v, scaled, frac, static_cast<mpfr_ptr>(nullptr));
    return 0;
}
