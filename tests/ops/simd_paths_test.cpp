// Every vector path against the scalar reference, bit for bit (a NaN matches
// any NaN: which of two NaN operands an addition passes on is the
// compiler's choice of operand order, in scalar code too): the golden
// tables, and seeded random vectors full of thresholds, special values,
// signalling NaNs and arbitrary bit patterns, at lengths that leave every
// possible partial last block. Paths the CPU lacks are reported and skipped.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "bit_compare.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "hard_cases.h"
#include "penalty_list.h"

namespace {

const SimdPath kVectorPaths[] = {Sse2Path, Avx2Path, Avx512Path};

std::vector<double> stressVector(std::mt19937_64& rng, int n, double lambda, double theta)
{
    const double marks[] = {lambda, theta, lambda * theta, 2 * lambda, 0.0, kInf, 4.9e-324,
                            1e300, 2.5, 1.0};
    std::vector<double> x(n);
    for (double& v : x) {
        std::uint64_t bits;
        switch (rng() % 6) {
        case 0: bits = rng(); break;
        case 1: bits = bitsOf(marks[rng() % 10]) + (rng() % 5) - 2; break;
        case 2: bits = 0x7ff0000000000001ull + (rng() % 7); break; // signalling NaNs
        default: bits = bitsOf(std::ldexp(static_cast<double>(rng() >> 11), -53) * 4 * (lambda * theta + 1));
        }
        bits ^= (rng() & 1) << 63;
        std::memcpy(&v, &bits, sizeof v);
    }
    return x;
}

void expectSameAsScalar(SimdPath path, PenaltyType type, const std::vector<double>& x,
                        double lambda, double theta)
{
    const int n = static_cast<int>(x.size());
    std::vector<double> want(n + 1, 7.0), got(n + 1, 7.0);
    shrinkByPenaltyOn(ScalarPath, type, want.data(), x.data(), n, lambda, theta);
    shrinkByPenaltyOn(path, type, got.data(), x.data(), n, lambda, theta);
    for (int i = 0; i <= n; ++i)
        ASSERT_TRUE(sameBits(got[i], want[i]))
            << simdPathName(path) << " shrink, penalty " << type << ", lambda " << lambda << ", theta "
            << theta << ", n " << n << ", element " << i << " = " << describe(x[i < n ? i : 0]);
    double wantSum = 7.0, gotSum = 7.0;
    sumByPenaltyOn(ScalarPath, type, &wantSum, x.data(), n, lambda, theta);
    sumByPenaltyOn(path, type, &gotSum, x.data(), n, lambda, theta);
    ASSERT_TRUE(sameBits(gotSum, wantSum))
        << simdPathName(path) << " sum, penalty " << type << ", lambda " << lambda << ", theta " << theta
        << ", n " << n << ": " << describe(gotSum) << " vs " << describe(wantSum);
}

TEST(SimdPaths, MatchTheScalarReference)
{
    const double parameters[][2] = {{1, 2}, {1, 1}, {1, 3}, {1, 4}, {2, 0.25}, {1, 0.5}, {0, 3},
                                    {0.5, 3.7}, {-1, 2}, {1, 0}, {kNaN, 2}, {1, kNaN}, {kInf, 1},
                                    {1, kInf}, {1e-300, 1e300}, {3, -0.5}};
    for (SimdPath path : kVectorPaths) {
        if (!simdPathSupported(path)) {
            std::printf("%s: not supported by this CPU, skipped\n", simdPathName(path));
            continue;
        }
        // The golden tables, every case in every lane position of a block.
        std::vector<double> golden;
        for (const ProxCase& c : kProxCases)
            golden.push_back(c.x);
        for (const ProxCase& c : kProxCases)
            for (int shift = 0; shift < 8; ++shift) {
                std::vector<double> x(golden.begin() + shift % golden.size(), golden.end());
                expectSameAsScalar(path, c.type, x, c.lambda, c.theta);
            }
        for (const SumCase& c : kSumCases)
            expectSameAsScalar(path, c.type, c.x, c.lambda, c.theta);
        // Hard cases of the logarithm as log-sum arguments a/1 + 1 = x.
        std::vector<double> hard;
        for (const HardCase& h : kHardCases)
            if (h.x >= 1 && h.x < 0x1p52)
                hard.push_back(h.x - 1);
        expectSameAsScalar(path, LogSum, hard, 1.0, 1.0);
        // Random stress vectors, every length up to 40 and a few long ones.
        std::mt19937_64 rng(17 + path);
        for (int penalty = 0; penalty < kPenaltyCount; ++penalty)
            for (const auto& p : parameters)
                for (int n : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 40, 1000, 4099})
                    expectSameAsScalar(path, kPenaltyInfo[penalty].code, stressVector(rng, n, p[0], p[1]),
                                       p[0], p[1]);
    }
}

} // namespace
